#include "preview/render.hpp"

#include "preview/png_writer.hpp"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>
#include <QSaveFile>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>
#include <numbers>

namespace quorvel::preview {

Extent Viewport::Visible(QSize size) const {
  Extent e;
  const XY a = ToWorld(QPointF(0, 0));
  const XY b = ToWorld(QPointF(size.width(), size.height()));
  e.Add(a.x, a.y);
  e.Add(b.x, b.y);
  return e;
}

Extent SetsExtent(const std::vector<PreviewSet>& sets, const LayerMask& layers) {
  Extent e;
  for (const PreviewSet& s : sets)
    for (const PreviewLayer& l : s.layers)
      if (layers[static_cast<int>(l.layer)]) e.Add(l.extent);
  return e;
}

Viewport FitView(const Extent& extent, QSize size, double margin) {
  Viewport v;
  const double w = std::max(1, size.width()), h = std::max(1, size.height());
  if (extent.empty) {
    v.scale = 1;
    v.left = -w / 2;
    v.top = h / 2;
    return v;
  }
  double ew = extent.maxX - extent.minX, eh = extent.maxY - extent.minY;
  // A single point or a straight line still gets some room around it.
  const double span = std::max({ew, eh, 1e-6});
  ew = std::max(ew, span * 1e-3);
  eh = std::max(eh, span * 1e-3);
  const double usable = 1.0 - 2 * margin;
  v.scale = std::min(w * usable / ew, h * usable / eh);
  const double cx = (extent.minX + extent.maxX) / 2, cy = (extent.minY + extent.maxY) / 2;
  v.left = cx - w / 2 / v.scale;
  v.top = cy + h / 2 / v.scale;
  return v;
}

QSize DefaultSize(const Extent& extent, int longSide) {
  longSide = std::max(longSide, 16);
  if (extent.empty) return {longSide, longSide};
  const double w = extent.maxX - extent.minX, h = extent.maxY - extent.minY;
  const int shortMin = std::max(16, longSide / 8);
  if (w >= h) {
    const int other = w > 0 ? static_cast<int>(std::lround(longSide * h / w)) : longSide;
    return {longSide, std::clamp(other, shortMin, longSide)};
  }
  const int other = static_cast<int>(std::lround(longSide * w / h));
  return {std::clamp(other, shortMin, longSide), longSide};
}

QColor ToQColor(Colour c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;

QPen MakePen(const PenStyle& p) {
  if (p.pattern == 1) return QPen(Qt::NoPen);
  double width = 1;
  if (p.width >= 1 && p.width <= 7) width = p.width;
  else if (p.width > 10) width = std::min(50.0, (p.width - 10) / 10.0 * kPixelsPerPoint);
  QPen pen(ToQColor(p.colour), std::max(1.0, width));
  // Drawing is in pixels already; a cosmetic pen takes the raster
  // engine's fast path for thin lines.
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::RoundJoin);
  if (p.pattern <= 2) pen.setStyle(Qt::SolidLine);
  else if (p.pattern <= 4) pen.setStyle(Qt::DotLine);
  else if (p.pattern <= 9) pen.setStyle(Qt::DashLine);
  else if (p.pattern <= 13) pen.setStyle(Qt::DashDotLine);
  else pen.setStyle(Qt::DashDotDotLine);
  return pen;
}

// The hatch of a brush pattern; solid for 2.
Qt::BrushStyle HatchOf(int pattern) {
  switch (pattern) {
    case 2: return Qt::SolidPattern;
    case 3: return Qt::HorPattern;
    case 4: return Qt::VerPattern;
    case 5: return Qt::BDiagPattern;
    case 6: return Qt::FDiagPattern;
    case 7: return Qt::CrossPattern;
    case 8: return Qt::DiagCrossPattern;
    default: break;
  }
  if (pattern >= 9 && pattern <= 11) return Qt::Dense6Pattern;
  if (pattern >= 12 && pattern <= 14) return Qt::Dense5Pattern;
  if (pattern >= 15 && pattern <= 18) return Qt::Dense4Pattern;
  return Qt::Dense3Pattern;
}

QPolygonF Star(double r) {
  QPolygonF p;
  for (int k = 0; k < 10; ++k) {
    const double a = -std::numbers::pi / 2 + k * std::numbers::pi / 5;
    const double rr = k % 2 ? r * 0.42 : r;
    p << QPointF(rr * std::cos(a), rr * std::sin(a));
  }
  return p;
}

enum class Shape { Square, Diamond, Circle, Star, TriangleUp, TriangleDown, Plus, Cross, Asterisk, Pin, Flag, Arrow };

struct SymbolLook {
  Shape shape;
  bool filled;
  bool shadow;
};

// The standard MapInfo symbols (31..67), approximated.
bool LookOf(int shape, SymbolLook& look) {
  static const SymbolLook table[] = {
      {Shape::Square, true, false},        // 32
      {Shape::Diamond, true, false},       // 33
      {Shape::Circle, true, false},        // 34
      {Shape::Star, true, false},          // 35
      {Shape::TriangleUp, true, false},    // 36
      {Shape::TriangleDown, true, false},  // 37
      {Shape::Square, false, false},       // 38
      {Shape::Diamond, false, false},      // 39
      {Shape::Circle, false, false},       // 40
      {Shape::Star, false, false},         // 41
      {Shape::TriangleUp, false, false},   // 42
      {Shape::TriangleDown, false, false}, // 43
      {Shape::Square, true, true},         // 44
      {Shape::Diamond, true, true},        // 45
      {Shape::Circle, true, true},         // 46
      {Shape::Star, true, true},           // 47
      {Shape::TriangleUp, true, true},     // 48
      {Shape::Plus, false, false},         // 49
      {Shape::Cross, false, false},        // 50
      {Shape::Asterisk, false, false},     // 51
      {Shape::Flag, true, false},          // 52
      {Shape::Flag, false, false},         // 53
      {Shape::Pin, true, false},           // 54
      {Shape::Pin, false, false},          // 55
      {Shape::Arrow, true, false},         // 56
      {Shape::Arrow, false, false},        // 57
      {Shape::Circle, true, false},        // 58
      {Shape::Square, true, false},        // 59
      {Shape::Plus, false, false},         // 60
      {Shape::Cross, false, false},        // 61
      {Shape::TriangleUp, true, false},    // 62
      {Shape::Diamond, true, false},       // 63
      {Shape::Star, true, false},          // 64
      {Shape::Circle, false, false},       // 65
      {Shape::Square, false, false},       // 66
      {Shape::Pin, true, false},           // 67
  };
  if (shape < 32 || shape > 67) return false;
  look = table[shape - 32];
  return true;
}

void DrawShape(QPainter& p, const SymbolLook& look, double r, const QColor& colour) {
  const QPen outline(colour, std::max(1.0, r / 6));
  p.setPen(look.filled ? QPen(Qt::NoPen) : outline);
  p.setBrush(look.filled ? QBrush(colour) : QBrush(Qt::NoBrush));
  switch (look.shape) {
    case Shape::Square: p.drawRect(QRectF(-r, -r, 2 * r, 2 * r)); break;
    case Shape::Diamond: p.drawPolygon(QPolygonF({{0, -r}, {r, 0}, {0, r}, {-r, 0}})); break;
    case Shape::Circle: p.drawEllipse(QPointF(0, 0), r, r); break;
    case Shape::Star: p.drawPolygon(Star(r * 1.2)); break;
    case Shape::TriangleUp: p.drawPolygon(QPolygonF({{0, -r}, {r, r * 0.8}, {-r, r * 0.8}})); break;
    case Shape::TriangleDown: p.drawPolygon(QPolygonF({{0, r}, {r, -r * 0.8}, {-r, -r * 0.8}})); break;
    case Shape::Plus:
      p.setPen(outline);
      p.drawLine(QPointF(-r, 0), QPointF(r, 0));
      p.drawLine(QPointF(0, -r), QPointF(0, r));
      break;
    case Shape::Cross:
      p.setPen(outline);
      p.drawLine(QPointF(-r, -r), QPointF(r, r));
      p.drawLine(QPointF(-r, r), QPointF(r, -r));
      break;
    case Shape::Asterisk:
      p.setPen(outline);
      p.drawLine(QPointF(-r, 0), QPointF(r, 0));
      p.drawLine(QPointF(0, -r), QPointF(0, r));
      p.drawLine(QPointF(-r * 0.7, -r * 0.7), QPointF(r * 0.7, r * 0.7));
      p.drawLine(QPointF(-r * 0.7, r * 0.7), QPointF(r * 0.7, -r * 0.7));
      break;
    case Shape::Pin:
      p.drawEllipse(QPointF(0, -r * 0.5), r * 0.5, r * 0.5);
      p.setPen(outline);
      p.drawLine(QPointF(0, 0), QPointF(0, r));
      break;
    case Shape::Flag:
      p.drawPolygon(QPolygonF({{-r * 0.6, -r}, {r, -r * 0.6}, {-r * 0.6, -r * 0.2}}));
      p.setPen(outline);
      p.drawLine(QPointF(-r * 0.6, -r), QPointF(-r * 0.6, r));
      break;
    case Shape::Arrow:
      p.drawPolygon(QPolygonF({{0, -r}, {r, 0}, {r * 0.35, 0}, {r * 0.35, r}, {-r * 0.35, r}, {-r * 0.35, 0}, {-r, 0}}));
      break;
  }
}

// Whether the painter draws into pixels (a picture, the map's cache) rather
// than recording shapes (SVG): only pixels may take a copied drawing.
bool OnRasterPicture(const QPainter& p) { return p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster; }

// Draws a symbol centred on `at`.
void DrawSymbolShape(QPainter& p, QPointF at, const SymbolStyle& s) {
  const double r = std::clamp(s.size, 1, 240) * kPixelsPerPoint / 2;
  const QColor colour = ToQColor(s.colour);
  const QTransform saved = p.transform();
  p.translate(at);
  if (s.trueType) {
    // The font's glyph is not at hand: a pointed marker of the symbol's
    // colour, size and rotation.
    if (s.rotation != 0) p.rotate(-s.rotation);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({{0, -r}, {r * 0.7, r * 0.7}, {0, r * 0.3}, {-r * 0.7, r * 0.7}}));
  } else {
    SymbolLook look;
    if (LookOf(s.shape, look)) {
      if (look.shadow) {
        p.translate(r * 0.3, r * 0.3);
        DrawShape(p, look, r, QColor(128, 128, 128));
        p.translate(-r * 0.3, -r * 0.3);
      }
      DrawShape(p, look, r, colour);
    } else if (s.shape != 31) {
      DrawShape(p, {Shape::Square, true, false}, r * 0.5, colour);
    }
  }
  p.setTransform(saved);
}

// Symbols on a raster picture are drawn once per look (shape, colour, size,
// rotation) into a small picture and copied to each point, to the nearest
// pixel: a height grid or a gazetteer has hundreds of thousands of points
// in a few looks, and a copy costs a fraction of drawing the shape. A look
// too large for a small picture is drawn at each point.
void DrawSymbol(QPainter& p, QPointF at, const SymbolStyle& s) {
  const bool raster = OnRasterPicture(p);
  const double r = std::clamp(s.size, 1, 240) * kPixelsPerPoint / 2;
  // Every shape stays within 1.6 r of its centre (a star's points, a
  // shadow and an outline's width); the picture has a pixel to spare.
  const int half = static_cast<int>(std::ceil(1.6 * r)) + 2;
  if (!raster || half > 64) {
    DrawSymbolShape(p, at, s);
    return;
  }
  using Key = std::tuple<int, Colour, int, bool, double>;
  thread_local std::map<Key, QImage> sprites;
  const Key key{s.shape, s.colour, s.size, s.trueType, s.rotation};
  auto it = sprites.find(key);
  if (it == sprites.end()) {
    if (sprites.size() > 1024) sprites.clear();
    QImage sprite(2 * half, 2 * half, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter sp(&sprite);
    sp.setRenderHint(QPainter::Antialiasing, true);
    DrawSymbolShape(sp, QPointF(half, half), s);
    sp.end();
    it = sprites.emplace(key, std::move(sprite)).first;
  }
  p.drawImage(QPoint(static_cast<int>(std::lround(at.x())) - half, static_cast<int>(std::lround(at.y())) - half),
              it->second);
}

QString Decode(const std::string& text, const std::string& charset) {
  std::string c;
  for (char ch : charset) c += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (c == "utf-8" || c == "utf8") return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Fonts by name, style and pixel size: making a QFont for each of tens of
// thousands of texts costs more than drawing them. Hinting is off: texts
// are drawn at every angle, where it helps little and costs most.
struct SizedFont {
  QFont font;
  QFontMetricsF metrics;
};

const SizedFont& FontFor(const FontStyle& style, int pixelSize) {
  thread_local std::map<std::tuple<std::string, int, int>, SizedFont> fonts;
  const auto key = std::make_tuple(style.name, style.style & 7, pixelSize);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  if (fonts.size() > 512) fonts.clear();
  QFont font(QString::fromStdString(style.name));
  font.setPixelSize(pixelSize);
  font.setBold(style.style & 1);
  font.setItalic(style.style & 2);
  font.setUnderline(style.style & 4);
  font.setHintingPreference(QFont::PreferNoHinting);
  return fonts.emplace(key, SizedFont{font, QFontMetricsF(font)}).first->second;
}

// A turned text on a raster picture is drawn level into a scratch picture
// and that is drawn turned (bilinear). Glyphs drawn turned are rendered from
// their outlines at every new angle, which costs about twice the level line
// and its turned copy together (a full Land-Line tile: 240 ms against 130
// ms for its 9,600 turned texts); at preview sizes the copy looks the same. Returns false when the line is too large for the scratch
// picture; the caller then draws the glyphs turned.
bool DrawTurnedCopy(QPainter& p, const SizedFont& f, const QString& text, const QColor& colour, double baseline) {
  constexpr int kMaxScratch = 4096;
  const double ascent = f.metrics.ascent();
  const int width = static_cast<int>(std::ceil(f.metrics.horizontalAdvance(text))) + 2;
  const int height = static_cast<int>(std::ceil(ascent + f.metrics.descent())) + 2;
  if (width > kMaxScratch || height > kMaxScratch / 8) return false;
  thread_local QImage scratch;
  if (scratch.width() < width || scratch.height() < height) {
    scratch = QImage(std::max(width, scratch.width()), std::max(height, scratch.height()),
                     QImage::Format_ARGB32_Premultiplied);
    if (scratch.isNull()) return false;
  }
  const QRect used(0, 0, width, height);
  {
    QPainter s(&scratch);
    s.setCompositionMode(QPainter::CompositionMode_Source);
    s.fillRect(used, Qt::transparent);
    s.setCompositionMode(QPainter::CompositionMode_SourceOver);
    s.setRenderHint(QPainter::TextAntialiasing, true);
    s.setFont(f.font);
    s.setPen(colour);
    s.drawText(QPointF(1, 1 + ascent), text);
  }
  const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(QPointF(-1, baseline - ascent - 1), scratch, used);
  p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  return true;
}

void DrawText(QPainter& p, const Viewport& view, const MapObject& o, const std::string& charset) {
  const double h = (o.boxMax.y - o.boxMin.y) * view.scale;
  const double w = (o.boxMax.x - o.boxMin.x) * view.scale;
  if (h < 1.0 || h > 20000 || w > 200000) return;
  const SizedFont& f = FontFor(o.font, std::max(1, static_cast<int>(std::lround(h / 1.15))));
  const QColor colour = ToQColor(o.font.foreground);
  // The box's lower left corner is the origin; the line is centred in the
  // box's height.
  const QPointF corner = view.ToPixel(o.boxMin.x, o.boxMin.y);
  const double baseline = -h / 2 + (f.metrics.ascent() - f.metrics.descent()) / 2;
  const QString text = Decode(o.text, charset);
  if (o.angle == 0) {
    p.setFont(f.font);
    p.setPen(colour);
    p.drawText(corner + QPointF(0, baseline), text);
    return;
  }
  const QTransform saved = p.transform();
  p.translate(corner);
  p.rotate(-o.angle);
  const bool raster = OnRasterPicture(p);
  if (!raster || !DrawTurnedCopy(p, f, text, colour, baseline)) {
    p.setFont(f.font);
    p.setPen(colour);
    p.drawText(QPointF(0, baseline), text);
  }
  p.setTransform(saved);
}

QPolygonF ToPolygon(const std::vector<XY>& pts, const Viewport& v) {
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(pts.size()));
  for (const XY& q : pts) poly << v.ToPixel(q.x, q.y);
  return poly;
}

void DrawObject(QPainter& p, const Viewport& view, const MapObject& o, const std::string& charset) {
  switch (o.kind) {
    case ObjectKind::None: return;
    case ObjectKind::Point:
    case ObjectKind::MultiPoint:
      for (const XY& q : o.parts.front()) DrawSymbol(p, view.ToPixel(q.x, q.y), o.symbol);
      return;
    case ObjectKind::Line:
    case ObjectKind::Pline: {
      const QPen pen = MakePen(o.pen);
      if (pen.style() == Qt::NoPen) return;
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.setRenderHint(QPainter::Antialiasing, false);
      for (const auto& part : o.parts) {
        const QPolygonF poly = ToPolygon(part, view);
        if (poly.size() == 1) p.drawPoint(poly.front());
        else p.drawPolyline(poly);
      }
      p.setRenderHint(QPainter::Antialiasing, true);
      return;
    }
    case ObjectKind::Region: {
      QPainterPath path;
      path.setFillRule(Qt::OddEvenFill);
      for (const auto& ring : o.parts) {
        if (ring.empty()) continue;
        path.addPolygon(ToPolygon(ring, view));
        path.closeSubpath();
      }
      if (o.brush.pattern != 1) {
        if (o.brush.pattern != 2 && o.brush.hasBackground) p.fillPath(path, ToQColor(o.brush.background));
        p.fillPath(path, QBrush(ToQColor(o.brush.foreground), HatchOf(o.brush.pattern)));
      }
      const QPen pen = MakePen(o.pen);
      if (pen.style() != Qt::NoPen) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.strokePath(path, pen);
        p.setRenderHint(QPainter::Antialiasing, true);
      }
      return;
    }
    case ObjectKind::Text: DrawText(p, view, o, charset); return;
  }
}

}  // namespace

void Draw(QPainter& painter, const std::vector<PreviewSet>& sets, const Viewport& view, QSize size,
          const LayerMask& layers) {
  // Objects are culled by their extent, widened by a symbol's reach.
  Extent visible = view.Visible(size);
  const double reach = 200 / std::max(view.scale, 1e-300);
  visible.minX -= reach;
  visible.minY -= reach;
  visible.maxX += reach;
  visible.maxY += reach;
  // Lines and outlines are drawn aliased, as MapInfo's standard rendering
  // draws them: thin lines look the same at a picture's resolution, and
  // smoothing their edges costs three to four times as much (a tile of a
  // few thousand long links: 100 ms against 27). Fills, symbols and texts
  // are smoothed.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  for (const PreviewSet& s : sets)
    for (const PreviewLayer& l : s.layers) {
      if (!layers[static_cast<int>(l.layer)] || !l.extent.Intersects(visible)) continue;
      for (const MapObject& o : l.objects)
        if (o.extent.Intersects(visible)) DrawObject(painter, view, o, l.charset);
    }
}

QImage Render(const std::vector<PreviewSet>& sets, QSize size, const LayerMask& layers) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  const auto draw = [&] {
    QPainter painter(&image);
    Draw(painter, sets, FitView(SetsExtent(sets, layers), size), size, layers);
  };
  // Drawn on a thread of the global pool. From any other thread Qt's raster
  // engine hands each long run of spans to the pool's threads and waits for
  // them; for tens of thousands of small objects the hand-over costs more
  // than it saves (a third more CPU time and more wall time on a full
  // tile). From a pool thread it fills on that thread.
  QThreadPool* pool = QThreadPool::globalInstance();
  if (pool->contains(QThread::currentThread())) {
    draw();
    return image;
  }
  QSemaphore done;
  pool->start([&] {
    draw();
    done.release();
  });
  done.acquire();
  return image;
}

namespace {

bool PictureName(const std::string& outPath, QString& suffix, std::string& error) {
  suffix = QFileInfo(QString::fromStdString(outPath)).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
    error = outPath + ": the picture's name must end in .png or .svg";
    return false;
  }
  if (!EnsureGuiApplication()) {
    error = outPath + ": cannot start the drawing (no Qt GUI application)";
    return false;
  }
  return true;
}

}  // namespace

bool WritePicture(const std::vector<std::string>& mifPaths, const std::string& outPath, QSize size,
                  std::string& error) {
  QString suffix;
  if (!PictureName(outPath, suffix, error)) return false;
  std::vector<PreviewSet> sets(mifPaths.size());
  for (std::size_t k = 0; k < mifPaths.size(); ++k)
    if (!ReadSet(mifPaths[k], sets[k], error)) return false;
  return SavePicture(sets, outPath, size, error);
}

bool SavePicture(const std::vector<PreviewSet>& sets, const std::string& outPath, QSize size, std::string& error) {
  QString suffix;
  if (!PictureName(outPath, suffix, error)) return false;
  const Extent extent = SetsExtent(sets);
  if (!size.isValid() || size.isEmpty()) size = DefaultSize(extent);
  if (size.width() > 20000 || size.height() > 20000) {
    error = outPath + ": the picture would be too large";
    return false;
  }

  QSaveFile file(QString::fromStdString(outPath));
  if (!file.open(QIODevice::WriteOnly)) {
    error = outPath + ": cannot write the file (" + file.errorString().toStdString() + ")";
    return false;
  }
  bool ok = true;
  std::string why;  // the reason a PNG could not be made
  if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Quorvel preview"));
    QPainter painter;
    ok = painter.begin(&svg);
    if (ok) {
      painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
      Draw(painter, sets, FitView(extent, size), size);
      ok = painter.end();
    }
  } else {
    ok = WritePng(Render(sets, size), file, why);
  }
  if (!ok || !file.commit()) {
    if (file.error() != QFileDevice::NoError || why.empty()) why = file.errorString().toStdString();
    file.cancelWriting();
    error = outPath + ": cannot write the picture" + (why.empty() ? std::string() : " (" + why + ")");
    return false;
  }
  return true;
}

namespace {

QtMessageHandler gQtMessages = nullptr;

// Qt notes on every start without XDG_RUNTIME_DIR (under cron, sudo or a
// container) that it picked a folder of its own; a command-line drawing
// has no use for the note. Every other message goes on as before.
void DropRuntimeDirNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (gQtMessages) gQtMessages(type, context, message);
}

}  // namespace

bool EnsureGuiApplication() {
  if (QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  gQtMessages = qInstallMessageHandler(DropRuntimeDirNote);
  static int argc = 1;
  static char name[] = "quorvel-preview";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return app != nullptr;
}

}  // namespace quorvel::preview
