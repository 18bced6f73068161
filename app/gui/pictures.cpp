#include "pictures.hpp"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quorvel::gui {

namespace {

// A piece of map in `r`: paper, grid, contours, a river and two roads.
void DrawMap(QPainter& p, const QRectF& r) {
  p.save();
  p.setClipRect(r);
  p.fillRect(r, QColor(0xF4, 0xF1, 0xE4));
  const double w = r.width(), h = r.height();
  auto at = [&](double fx, double fy) { return QPointF(r.left() + fx * w, r.top() + fy * h); };

  // Woodland.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xC9, 0xE2, 0xB8));
  QPainterPath wood;
  wood.moveTo(at(0.62, 0.05));
  wood.cubicTo(at(0.80, 0.02), at(0.98, 0.18), at(0.93, 0.36));
  wood.cubicTo(at(0.88, 0.50), at(0.70, 0.44), at(0.64, 0.30));
  wood.closeSubpath();
  p.drawPath(wood);

  // Grid.
  p.setPen(QPen(QColor(0x9D, 0xB7, 0xD5), 1));
  for (int i = 1; i < 6; ++i) {
    p.drawLine(at(i / 6.0, 0), at(i / 6.0, 1));
    p.drawLine(at(0, i / 6.0), at(1, i / 6.0));
  }
  // Contours.
  p.setPen(QPen(QColor(0xC0, 0x8A, 0x4A), 1.2));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 4; ++i) {
    const double k = 0.08 + i * 0.07;
    p.drawEllipse(QRectF(at(0.12 + k / 2, 0.50 + k / 3), QSizeF(w * (0.40 - k), h * (0.42 - k / 1.2))));
  }
  // River.
  QPainterPath river;
  river.moveTo(at(0.0, 0.30));
  river.cubicTo(at(0.25, 0.18), at(0.35, 0.55), at(0.55, 0.52));
  river.cubicTo(at(0.75, 0.50), at(0.80, 0.85), at(1.0, 0.90));
  p.setPen(QPen(QColor(0x3A, 0x7B, 0xD5), std::max(2.0, w / 60), Qt::SolidLine, Qt::RoundCap));
  p.drawPath(river);
  // Roads: an A road and a minor road.
  p.setPen(QPen(QColor(0xD0, 0x30, 0x30), std::max(2.0, w / 45), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(at(0.05, 0.95), at(0.95, 0.08));
  p.setPen(QPen(QColor(0xE8, 0xA0, 0x20), std::max(1.5, w / 80), Qt::SolidLine, Qt::RoundCap));
  QPainterPath lane;
  lane.moveTo(at(0.0, 0.65));
  lane.quadTo(at(0.45, 0.75), at(0.58, 0.40));
  p.drawPath(lane);
  // A few buildings.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x70, 0x60, 0x58));
  for (int i = 0; i < 5; ++i) p.drawRect(QRectF(at(0.70 + 0.045 * i, 0.62 + 0.03 * (i % 2)), QSizeF(w * 0.03, h * 0.04)));
  p.restore();
}

}  // namespace

QPixmap DrawProgramPicture(QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::white);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  QLinearGradient sky(all.topLeft(), all.bottomLeft());
  sky.setColorAt(0, QColor(0x1E, 0x3A, 0x5F));
  sky.setColorAt(1, QColor(0x2F, 0x6E, 0x9E));
  p.fillRect(all, sky);

  // The map sheet, tilted a little, with a shadow.
  const double mw = all.width() * 0.42, mh = all.height() * 0.70;
  const QRectF sheet(-mw / 2, -mh / 2, mw, mh);
  p.save();
  p.translate(all.width() * 0.27, all.height() * 0.5);
  p.rotate(-6);
  p.fillRect(sheet.translated(5, 5), QColor(0, 0, 0, 70));
  DrawMap(p, sheet);
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(sheet);
  p.restore();

  // The name and what the program does.
  p.setPen(Qt::white);
  QFont title = p.font();
  title.setBold(true);
  title.setPixelSize(std::max(10, size.height() / 6));
  p.setFont(title);
  const QRectF text(all.width() * 0.53, all.height() * 0.18, all.width() * 0.45, all.height() * 0.34);
  p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Quorvel"));
  QFont sub = p.font();
  sub.setBold(false);
  sub.setPixelSize(std::max(8, size.height() / 14));
  p.setFont(sub);
  p.setPen(QColor(0xDD, 0xE8, 0xF4));
  p.drawText(QRectF(text.left(), text.bottom() + 4, text.width(), all.height() * 0.3), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             QStringLiteral("Ordnance Survey NTF\nto MapInfo MIF/MID"));
  return pixmap;
}

QIcon DrawProgramIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64, 128}) {
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet(s * 0.1, s * 0.1, s * 0.8, s * 0.8);
    DrawMap(p, sheet);
    p.setPen(QPen(QColor(0x1E, 0x3A, 0x5F), std::max(1.0, s / 24.0)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(sheet);
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace quorvel::gui
