// Drawing: pixel checks on small crafted sets (pens, brushes and holes,
// symbols, rotated text, what draws nothing), finding the object under a
// point, and writing pictures without harming a file already there.
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPicture>

#include "preview/hit_index.hpp"
#include "preview/png_writer.hpp"
#include "preview_support.hpp"

namespace quorvel::preview::test {
namespace {

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kBlack = 0x000000;
// Blank symbols at the corners fix the extent to (0,0)-(100,100).
const std::string kCorners = "POINT 0 0\n  SYMBOL (31,0,1)\nPOINT 100 100\n  SYMBOL (31,0,1)\n";
const QSize kSize(200, 200);

class RenderTest : public ScratchTest {
 protected:
  QImage Draw(const std::string& body, int objects, const LayerMask& layers = kAllLayers) {
    sets_ = {Read(WriteSet("s" + std::to_string(++n_), kCorners + body, objects + 2))};
    view_ = FitView(SetsExtent(sets_), kSize);
    return Render(sets_, kSize, layers);
  }
  QRgb At(const QImage& image, double x, double y) const {
    const QPointF p = view_.ToPixel(x, y);
    return image.pixel(static_cast<int>(p.x()), static_cast<int>(p.y())) & 0xFFFFFF;
  }
  // The pixel rectangle holding every non-white pixel.
  static QRect Ink(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (!IsWhite(image.pixel(x, y))) r |= QRect(x, y, 1, 1);
    return r;
  }
  // The last sets drawn as on a device that is no raster picture (SVG): a
  // recorded QPicture, played onto a picture. Turned texts and symbols are
  // then drawn in place, not copied.
  QImage DrawnDirectly() const {
    QPicture recorded;
    QPainter r(&recorded);
    preview::Draw(r, sets_, view_, kSize);
    r.end();
    QImage image(kSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.drawPicture(0, 0, recorded);
    return image;
  }
  std::vector<PreviewSet> sets_;
  Viewport view_;
  int n_ = 0;
};

TEST_F(RenderTest, FitKeepsAMarginAndTheYAxisUp) {
  Draw("", 0);
  const QPointF low = view_.ToPixel(0, 0), high = view_.ToPixel(100, 100);
  EXPECT_GT(low.x(), 2);
  EXPECT_LT(high.x(), kSize.width() - 2);
  EXPECT_GT(low.y(), high.y()) << "north is up";
  EXPECT_NEAR(low.x() + high.x(), kSize.width(), 1e-6) << "centred";
  EXPECT_EQ(DefaultSize(SetsExtent(sets_)), QSize(1600, 1600));
  Extent wide;
  wide.Add(0, 0);
  wide.Add(200, 100);
  EXPECT_EQ(DefaultSize(wide), QSize(1600, 800));
  EXPECT_EQ(DefaultSize(wide, 800), QSize(800, 400));
  Extent tall;
  tall.Add(0, 0);
  tall.Add(0, 100);
  EXPECT_EQ(DefaultSize(tall), QSize(200, 1600)) << "a straight line keeps some width";
}

TEST_F(RenderTest, RedPlineIsRedWhereItRunsAndWhiteElsewhere) {
  const QImage image = Draw("PLINE 2\n10 50\n90 50\n  PEN (3,2,16711680)\n", 1);
  const int row = static_cast<int>(view_.ToPixel(0, 50).y());
  for (double x = 15; x <= 85; x += 5) {
    const int col = static_cast<int>(view_.ToPixel(x, 0).x());
    bool red = false;
    for (int dy = -2; dy <= 2; ++dy) red |= (image.pixel(col, row + dy) & 0xFFFFFF) == kRed;
    EXPECT_TRUE(red) << x;
  }
  const QRect ink = Ink(image);
  EXPECT_LE(ink.height(), 5);
  EXPECT_GE(ink.top(), row - 3);
  for (const auto& [colour, count] : Colours(image)) {
    // Only red and its blends with white.
    EXPECT_EQ(qRed(colour), 255) << std::hex << colour;
    EXPECT_EQ(qGreen(colour), qBlue(colour));
  }
}

TEST_F(RenderTest, PenPatterns) {
  EXPECT_TRUE(Colours(Draw("PLINE 2\n10 50\n90 50\n  PEN (1,1,255)\n", 1)).empty()) << "pattern 1 is no pen";
  // A dashed line leaves gaps along its run.
  const QImage dashed = Draw("PLINE 2\n10 50\n90 50\n  PEN (1,5,0)\n", 1);
  const int row = static_cast<int>(view_.ToPixel(0, 50).y());
  int on = 0, off = 0;
  for (int x = static_cast<int>(view_.ToPixel(15, 0).x()); x < view_.ToPixel(85, 0).x(); ++x) {
    bool ink = false;
    for (int dy = -1; dy <= 1; ++dy) ink |= !IsWhite(dashed.pixel(x, row + dy));
    (ink ? on : off)++;
  }
  EXPECT_GT(on, 20);
  EXPECT_GT(off, 10);
}

TEST_F(RenderTest, RegionHoleIsBackgroundAndBrushesFill) {
  const std::string ring = "REGION 2\n 5\n0 0\n100 0\n100 100\n0 100\n0 0\n 5\n40 40\n60 40\n60 60\n40 60\n40 40\n";
  QImage image = Draw(ring + "  PEN (1,2,0)\n  BRUSH (2,255)\n", 1);
  EXPECT_EQ(At(image, 20, 20), kBlue);
  EXPECT_EQ(At(image, 80, 70), kBlue);
  EXPECT_EQ(At(image, 50, 50), 0xFFFFFFu) << "the hole is open";
  // No brush: only the outline.
  image = Draw(ring + "  PEN (2,2,0)\n  BRUSH (1,255)\n", 1);
  EXPECT_EQ(At(image, 20, 20), 0xFFFFFFu);
  EXPECT_EQ(Colours(image).count(kBlack), 1u);
  // A hatch: some of the inside in the foreground colour, some not.
  image = Draw(ring + "  BRUSH (3,65280)\n", 1);
  int green = 0, white = 0;
  for (double y = 5; y < 35; y += 0.5) (At(image, 20, y) == kGreen ? green : white)++;
  EXPECT_GT(green, 3);
  EXPECT_GT(white, 3);
  // A hatch with a background colour fills between the lines.
  image = Draw(ring + "  BRUSH (3,65280,255)\n", 1);
  for (double y = 5; y < 35; y += 0.5) EXPECT_TRUE(At(image, 20, y) == kGreen || At(image, 20, y) == kBlue) << y;
}

TEST_F(RenderTest, SymbolsInTheirColourAndPlace) {
  QImage image = Draw("POINT 30 70\n  SYMBOL (34,65280,12)\nPOINT 70 30\n  SYMBOL (32,16711680,12)\n", 2);
  EXPECT_EQ(At(image, 30, 70), kGreen);
  EXPECT_EQ(At(image, 70, 30), kRed);
  EXPECT_EQ(At(image, 70, 70), 0xFFFFFFu);
  const QPointF p = view_.ToPixel(30, 70);
  EXPECT_LT(p.x(), kSize.width() / 2);
  EXPECT_LT(p.y(), kSize.height() / 2) << "north is up";
  // 12 points is 16 pixels across.
  const QRect ink = Ink(image.copy(0, 0, kSize.width() / 2, kSize.height() / 2));
  EXPECT_NEAR(ink.width(), 16, 2);
  // A hollow circle: coloured ring, white middle; a blank symbol draws nothing.
  image = Draw("POINT 50 50\n  SYMBOL (40,255,24)\nPOINT 20 20\n  SYMBOL (31,255,24)\n", 2);
  EXPECT_EQ(At(image, 50, 50), 0xFFFFFFu);
  EXPECT_EQ(Colours(image).count(kBlue), 1u);
  EXPECT_TRUE(Ink(image.copy(0, 130, 70, 70)).isEmpty());
  // A TrueType symbol: a marker of its colour.
  image = Draw("POINT 50 50\n  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,-450.0)\n", 1);
  EXPECT_GT(Colours(image)[kBlue], 10);
  // Every standard shape draws something of its colour, and within its size.
  for (int shape = 32; shape <= 67; ++shape) {
    image = Draw("POINT 50 50\n  SYMBOL (" + std::to_string(shape) + ",16711680,18)\n", 1);
    const QRect r = Ink(image);
    EXPECT_FALSE(r.isEmpty()) << shape;
    EXPECT_LE(r.width(), 36) << shape;
    EXPECT_LE(r.height(), 36) << shape;
  }
}

// Points of one look are copied from one drawing of the symbol: every copy
// has the same pixels, centred on its point to the pixel, and nothing is cut
// off at the copy's edge (the shadowed star reaches furthest). A symbol too
// large to copy is drawn at its point.
TEST_F(RenderTest, EveryPointOfALookHasTheSameSymbol) {
  std::string points;
  for (int k = 0; k < 3; ++k) points += "POINT " + std::to_string(20 + 30 * k) + " 50\n  SYMBOL (47,16711680,18)\n";
  const QImage image = Draw(points, 3);
  std::vector<QImage> copies;
  for (int k = 0; k < 3; ++k) {
    const QPointF p = view_.ToPixel(20 + 30 * k, 50);
    const QRect around(static_cast<int>(std::lround(p.x())) - 20, static_cast<int>(std::lround(p.y())) - 20, 41, 41);
    copies.push_back(image.copy(around));
    const QRect ink = Ink(copies.back());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.left(), 0) << "not cut at the copy's edge";
    EXPECT_LT(ink.right(), 40);
    EXPECT_NEAR(ink.center().x(), 20, 3);
  }
  EXPECT_EQ(copies[0], copies[1]);
  EXPECT_EQ(copies[1], copies[2]);
  // Direct drawing matches the copies.
  const QRect a = Ink(image), b = Ink(DrawnDirectly());
  EXPECT_NEAR(a.left(), b.left(), 1);
  EXPECT_NEAR(a.right(), b.right(), 1);
  EXPECT_NEAR(a.top(), b.top(), 1);
  EXPECT_NEAR(a.bottom(), b.bottom(), 1);

  const QImage large = Draw("POINT 50 50\n  SYMBOL (34,255,200)\n", 1);
  EXPECT_GT(Ink(large).width(), 100);
  EXPECT_EQ(At(large, 50, 50), kBlue);
}

TEST_F(RenderTest, RotatedTextInkLiesAlongItsAngle) {
  const std::string text = "TEXT\n\"MMMMMMMM\"\n20 20 80 28\n  FONT (\"Arial\",0,0,0)\n";
  const QRect flat = Ink(Draw(text, 1));
  ASSERT_FALSE(flat.isEmpty());
  EXPECT_GT(flat.width(), 4 * flat.height());
  // Within its box.
  EXPECT_GE(flat.left(), view_.ToPixel(20, 0).x() - 2);
  EXPECT_LE(flat.right(), view_.ToPixel(80, 0).x() + 6);
  EXPECT_GE(flat.top(), view_.ToPixel(0, 28).y() - 2);
  EXPECT_LE(flat.bottom(), view_.ToPixel(0, 20).y() + 2);

  // Turned 90 degrees anticlockwise about its lower left corner: upwards.
  const QRect up = Ink(Draw(text + "Angle 90.0\n", 1));
  ASSERT_FALSE(up.isEmpty());
  EXPECT_GT(up.height(), 4 * up.width());
  EXPECT_LE(up.bottom(), view_.ToPixel(0, 20).y() + 2);
  EXPECT_LE(up.right(), view_.ToPixel(20, 0).x() + 2);

  // At 45 degrees the ink runs up to the right.
  const QImage diagonal = Draw("TEXT\n\"MMMMMMMMMM\"\n10 10 90 16\n  FONT (\"Arial\",0,0,16711680)\nAngle 45\n", 1);
  const QRect d = Ink(diagonal);
  EXPECT_NEAR(d.width(), d.height(), d.width() / 4);
  const QPointF corner = view_.ToPixel(10, 10);
  EXPECT_GT(d.center().x(), corner.x() + 20);
  EXPECT_LT(d.center().y(), corner.y() - 20);
  int reddish = 0;
  for (const auto& [c, n] : Colours(diagonal))
    if (qRed(c) - qGreen(c) > 80 && qGreen(c) == qBlue(c)) reddish += n;
  EXPECT_GT(reddish, 20) << "in its font's colour";
}

// On a picture, a turned text is drawn level and copied turned; on any
// other device (SVG, a recorded QPicture) its glyphs are drawn turned. Both
// put the same ink in the same place, and a text too long for the copy is
// still drawn.
TEST_F(RenderTest, TurnedTextCopyMatchesGlyphsDrawnTurned) {
  for (const char* angle : {"30", "135.5", "300"}) {
    SCOPED_TRACE(angle);
    const QImage copy = Draw(std::string("TEXT\n\"Turned text\"\n30 30 70 38\n  FONT (\"Arial\",0,0,255)\nAngle ") +
                                 angle + "\n",
                             1);
    const QImage glyphs = DrawnDirectly();
    const QRect a = Ink(copy), b = Ink(glyphs);
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_NEAR(a.left(), b.left(), 2);
    EXPECT_NEAR(a.right(), b.right(), 2);
    EXPECT_NEAR(a.top(), b.top(), 2);
    EXPECT_NEAR(a.bottom(), b.bottom(), 2);
    int blue = 0;
    for (const auto& [c, n] : Colours(copy))
      if (qBlue(c) - qRed(c) > 80) blue += n;
    EXPECT_GT(blue, 20) << "in its font's colour";
  }
  // Far longer than the copy can hold: drawn all the same, up to the right.
  const QImage longText = Draw("TEXT\n\"" + std::string(3000, 'W') + "\"\n10 10 90 11\n  FONT (\"Arial\",0,0,0)\nAngle 45\n", 1);
  const QRect l = Ink(longText);
  ASSERT_FALSE(l.isEmpty());
  EXPECT_GT(l.width(), 50);
  EXPECT_GT(l.height(), 50);
}

TEST_F(RenderTest, NoneAndHiddenLayersDrawNothing) {
  const std::string line = "PLINE 2\n10 50\n90 50\n  PEN (2,2,255)\n";
  const QImage with = Draw(line + "NONE\nNONE\n", 3);
  const QImage without = Draw(line, 1);
  EXPECT_EQ(with, without);
  EXPECT_TRUE(Colours(Draw("NONE\n", 1)).empty());
  LayerMask noMain = kAllLayers;
  noMain[static_cast<int>(Layer::Main)] = false;
  sets_ = {Read(WriteSet("hidden", line, 1))};
  EXPECT_TRUE(Colours(Render(sets_, kSize, noMain)).empty());
}

TEST_F(RenderTest, LaterSetsAndMembersDrawOnTop) {
  const std::string square = "REGION 1\n 4\n0 0\n100 0\n100 100\n0 100\n";
  sets_ = {Read(WriteSet("under", square + "  BRUSH (2,255)\n", 1)),
           Read(WriteSet("over", square + "  BRUSH (2,16711680)\n", 1))};
  view_ = FitView(SetsExtent(sets_), kSize);
  EXPECT_EQ(At(Render(sets_, kSize), 50, 50), kRed);
  // Within a set: polygons, then links, then the main objects, then text.
  WriteSet("m_poly", square + "  BRUSH (2,255)\n", 1);
  WriteSet("m", "POINT 50 50\n  SYMBOL (32,65280,24)\n", 1);
  sets_ = {Read(Path("m.mif"))};
  EXPECT_EQ(At(Render(sets_, kSize), 50, 50), kGreen);
  EXPECT_EQ(At(Render(sets_, kSize), 10, 10), kBlue);
}

TEST_F(RenderTest, HitsFindTheTopmostShownObject) {
  Draw("REGION 1\n 4\n0 0\n60 0\n60 60\n0 60\n  BRUSH (2,255)\n"
       "PLINE 2\n0 80\n100 80\n"
       "POINT 30 30\n  SYMBOL (34,0,12)\n"
       "TEXT \"abc\"\n70 10 90 14\nAngle 90\n"
       "NONE\n",
       5);
  HitIndex index;
  index.Build(sets_);
  auto hit = [&](double x, double y, const LayerMask& layers = kAllLayers) {
    const auto h = index.At(sets_, {x, y}, view_.scale, layers);
    return h ? h->object : -1;
  };
  // Objects 0 and 1 are the corner symbols, which are blank but still there.
  EXPECT_EQ(hit(10, 10), 2) << "inside the region";
  EXPECT_EQ(hit(30, 30), 4) << "the point over the region";
  EXPECT_EQ(hit(31, 31), 4) << "within the symbol's size";
  EXPECT_EQ(hit(50, 80.5), 3) << "near the line";
  EXPECT_EQ(hit(50, 90), -1);
  EXPECT_EQ(hit(68, 15), 5) << "the rotated text runs up and left of its corner";
  EXPECT_EQ(hit(85, 12), -1) << "where the text would lie unrotated";
  LayerMask none{};
  EXPECT_EQ(hit(10, 10, none), -1);
  EXPECT_EQ(hit(1000, 1000), -1);
}

TEST_F(RenderTest, HitsReachAsFarAsTheSymbolIsDrawn) {
  // 48 points is 64 pixels across: a click 28 pixels from the point is on
  // the symbol, one 40 pixels away is not.
  const QImage image = Draw("POINT 50 50\n  SYMBOL (32,255,48)\n", 1);
  HitIndex index;
  index.Build(sets_);
  const QPointF centre = view_.ToPixel(50, 50);
  for (const QPointF d : {QPointF(28, 0), QPointF(0, -28), QPointF(-20, 20)}) {
    EXPECT_FALSE(IsWhite(image.pixel((centre + d).toPoint())));
    const auto h = index.At(sets_, view_.ToWorld(centre + d), view_.scale, kAllLayers, 0);
    ASSERT_TRUE(h.has_value()) << d.x() << "," << d.y();
    EXPECT_EQ(h->object, 2);
  }
  EXPECT_FALSE(index.At(sets_, view_.ToWorld(centre + QPointF(40, 0)), view_.scale, kAllLayers, 0).has_value());
}

TEST_F(RenderTest, PicturesAreWrittenWholeOrNotAtAll) {
  const std::string mif = WriteSet("pic", "PLINE 2\n10 50\n90 50\n  PEN (2,2,16711680)\n", 1);
  std::string error;
  ASSERT_TRUE(WritePicture({mif}, Path("out.png"), QSize(300, 200), error)) << error;
  const QImage png(QString::fromStdString(Path("out.png")));
  EXPECT_EQ(png.size(), QSize(300, 200));
  EXPECT_GT(Colours(png)[kRed], 50);
  ASSERT_TRUE(WritePicture({mif}, Path("out.svg"), QSize(), error)) << error;
  QFile svg(QString::fromStdString(Path("out.svg")));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray text = svg.readAll();
  EXPECT_TRUE(text.contains("<svg"));
  EXPECT_TRUE(text.contains("#ff0000"));

  // A set that cannot be read leaves the earlier picture as it was.
  Write("bad.mif", Mif("PLINE 5\n1 2\n"));
  Write("keep.png", "precious");
  EXPECT_FALSE(WritePicture({mif, Path("bad.mif")}, Path("keep.png"), QSize(), error));
  EXPECT_NE(error.find(Path("bad.mif") + ": line 12: "), std::string::npos) << error;
  QFile keep(QString::fromStdString(Path("keep.png")));
  ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
  EXPECT_EQ(keep.readAll(), QByteArray("precious"));

  EXPECT_FALSE(WritePicture({mif}, Path("out.mif"), QSize(), error));
  EXPECT_NE(error.find("must end in .png or .svg"), std::string::npos);
  EXPECT_FALSE(WritePicture({mif}, Path("no/such/dir/out.png"), QSize(), error));
  EXPECT_NE(error.find(Path("no/such/dir/out.png") + ": "), std::string::npos) << error;
  EXPECT_FALSE(WritePicture({mif}, Path("huge.png"), QSize(50000, 10), error));
}

// The PNG writer: every pixel back as it was drawn, from Qt's RGB32 (the
// rows as they are) and from other formats (converted); a device that
// refuses the bytes is a failure with a reason.
TEST(PngWriter, PixelsComeBackAndFailuresAreReported) {
  QImage picture(37, 23, QImage::Format_RGB32);  // odd sizes: no row padding assumed
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb((x * 7) & 255, (y * 11) & 255, (x * y) & 255));
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888}) {
    SCOPED_TRACE(static_cast<int>(format));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    std::string error;
    ASSERT_TRUE(WritePng(picture.convertToFormat(format), buffer, error)) << error;
    QImage back;
    ASSERT_TRUE(back.loadFromData(buffer.data(), "PNG"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
  }
  // A large white picture with a line: small, as run-length compression
  // makes it.
  QImage white(1600, 1600, QImage::Format_RGB32);
  white.fill(Qt::white);
  for (int x = 0; x < 1600; ++x) white.setPixel(x, x, qRgb(255, 0, 0));
  QBuffer big;
  big.open(QIODevice::WriteOnly);
  std::string error;
  ASSERT_TRUE(WritePng(white, big, error)) << error;
  EXPECT_LT(big.size(), 100000);
  QImage whiteBack;
  ASSERT_TRUE(whiteBack.loadFromData(big.data(), "PNG"));
  EXPECT_EQ(whiteBack.convertToFormat(QImage::Format_RGB32), white);

  QBuffer closed;  // not open: every write fails
  EXPECT_FALSE(WritePng(picture, closed, error));
  EXPECT_EQ(error, "the picture cannot be written");
  EXPECT_FALSE(WritePng(QImage(), big, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace quorvel::preview::test
