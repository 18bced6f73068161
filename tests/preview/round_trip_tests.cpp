// Every example tile translated by the quorvel command and drawn by
// quorvel-preview: a picture with the set's own colours; and the command's
// messages and exit statuses.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <map>
#include <vector>

#include "preview_support.hpp"

namespace quorvel::preview::test {
namespace {

struct Ran {
  int status = -1;
  QString err;
};

Ran RunProgram(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  Ran r;
  if (!p.waitForFinished(240000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

const QString kCli = QStringLiteral(QUORVEL_CLI);
const QString kPreview = QStringLiteral(QUORVEL_PREVIEW_CLI);

// The colours the set's styles name for what can be seen, with how many
// objects use each.
std::map<QRgb, int> StyleColours(const PreviewSet& set) {
  std::map<QRgb, int> colours;
  for (const PreviewLayer& l : set.layers)
    for (const MapObject& o : l.objects) {
      switch (o.kind) {
        case ObjectKind::Point:
        case ObjectKind::MultiPoint:
          if (o.symbol.shape != 31 || o.symbol.trueType) ++colours[o.symbol.colour];
          break;
        case ObjectKind::Line:
        case ObjectKind::Pline:
          if (o.pen.pattern != 1) ++colours[o.pen.colour];
          break;
        case ObjectKind::Region:
          if (o.pen.pattern != 1) ++colours[o.pen.colour];
          if (o.brush.pattern != 1) ++colours[o.brush.foreground];
          break;
        case ObjectKind::Text: ++colours[o.font.foreground]; break;
        case ObjectKind::None: break;
      }
    }
  return colours;
}

// Whether a pixel is one of the colours, thinned towards white at an
// antialiased edge, or where two of them cross.
bool Explained(QRgb c, const std::map<QRgb, int>& named) {
  std::vector<QRgb> colours{0xFFFFFF};
  for (const auto& [n, count] : named) colours.push_back(n & 0xFFFFFF);
  for (std::size_t i = 0; i < colours.size(); ++i)
    for (std::size_t j = i; j < colours.size(); ++j)
      for (int a = 0; a <= 20; ++a) {
        // a/20 of the first colour over white, then the second over that.
        const QRgb m = colours[i];
        for (int b = 0; b <= 20; ++b) {
          const QRgb n = colours[j];
          auto mix = [&](int w, int x, int y) { return ((w * (20 - a) + x * a) * (20 - b) + y * b * 20) / 400.0; };
          const double dr = mix(255, qRed(m), qRed(n)) - qRed(c), dg = mix(255, qGreen(m), qGreen(n)) - qGreen(c),
                       db = mix(255, qBlue(m), qBlue(n)) - qBlue(c);
          if (dr * dr + dg * dg + db * db <= 16 * 16) return true;
        }
      }
  return false;
}

TEST_F(ScratchTest, EveryExampleTileTranslatesAndDraws) {
  const QDir examples(QStringLiteral(QUORVEL_SOURCE_DIR "/examples"));
  int drawn = 0;
  for (const QFileInfo& tile : examples.entryInfoList({QStringLiteral("*.ntf")}, QDir::Files, QDir::Name)) {
    const QString name = tile.completeBaseName();
    const QString mif = scratch.filePath(name + QStringLiteral(".mif"));
    const Ran translated = RunProgram(kCli, {QStringLiteral("-q"), QStringLiteral("-o"), mif, tile.filePath()});
    ASSERT_GE(translated.status, 0) << name.toStdString();
    PreviewSet set;
    std::string error;
    if (!ReadSet(mif.toStdString(), set, error)) {
      // Tiles of products not translated leave no set.
      EXPECT_NE(translated.status, 0) << name.toStdString() << ": " << error;
      continue;
    }
    const QString png = scratch.filePath(name + QStringLiteral(".png"));
    const Ran drew = RunProgram(kPreview, {mif, QStringLiteral("-o"), png, QStringLiteral("--size"), QStringLiteral("600")});
    ASSERT_EQ(drew.status, 0) << name.toStdString() << ": " << drew.err.toStdString();
    const QImage image(png);
    ASSERT_FALSE(image.isNull()) << name.toStdString();
    EXPECT_EQ(std::max(image.width(), image.height()), 600) << name.toStdString();
    const auto colours = Colours(image);
    int ink = 0;
    for (const auto& [c, n] : colours) ink += n;
    EXPECT_GT(ink, 200) << name.toStdString() << ": picture nearly empty";
    // Nearly all the ink is in the styles' colours, and the colour most
    // objects use is there as itself.
    const auto named = StyleColours(set);
    int explained = 0;
    for (const auto& [c, n] : colours)
      if (Explained(c, named)) explained += n;
    EXPECT_GE(explained, ink * 3 / 4) << name.toStdString();
    QRgb main = 0;
    int most = 0;
    for (const auto& [c, n] : named)
      if (n > most) most = n, main = c;
    EXPECT_GE(colours.count(main & 0xFFFFFF) ? colours.at(main & 0xFFFFFF) : 0, 3)
        << name.toStdString() << ": colour " << std::hex << main;
    ++drawn;
  }
  EXPECT_GE(drawn, 9);
}

TEST_F(ScratchTest, PreviewCommandStatusesAndMessages) {
  const std::string good = WriteSet("good", "PLINE 2\n0 0\n10 10\n", 1);
  const std::string bad = Write("bad.mif", Mif("POINT 1 x\n"));
  const QString out = scratch.filePath(QStringLiteral("p.png"));

  Ran r = RunProgram(kPreview, {QString::fromStdString(good), QStringLiteral("-o"), out});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(QImage(out).size(), QSize(1600, 1600));
  r = RunProgram(kPreview, {QString::fromStdString(good), QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("320x240")});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(QImage(out).size(), QSize(320, 240));

  // An unreadable set: named with its line; the readable ones still drawn.
  QFile::remove(out);
  r = RunProgram(kPreview, {QString::fromStdString(bad), QString::fromStdString(good), QStringLiteral("-o"), out});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.err.contains(QString::fromStdString("quorvel-preview: " + bad + ": line 10: expected a coordinate")))
      << r.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(out));
  // Nothing readable: no picture, the old one kept.
  r = RunProgram(kPreview, {QString::fromStdString(bad), QStringLiteral("-o"), out});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(QImage(out).isNull());

  // Usage errors.
  for (const QStringList& args :
       {QStringList{QString::fromStdString(good)}, QStringList{QStringLiteral("-o"), out},
        QStringList{QString::fromStdString(good), QStringLiteral("-o"), scratch.filePath(QStringLiteral("p.jpg"))},
        QStringList{QString::fromStdString(good), QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("0x5")},
        QStringList{QString::fromStdString(good), QStringLiteral("-o"), out, QStringLiteral("--size"), QStringLiteral("big")},
        QStringList{QString::fromStdString(good), QStringLiteral("-o"), out, QStringLiteral("--bogus")}}) {
    r = RunProgram(kPreview, args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("quorvel-preview: "))) << r.err.toStdString();
  }
}

}  // namespace
}  // namespace quorvel::preview::test
