// Meridian 2 against GDAL's own NTF reader: on generated tiles, the points,
// lines and texts written to the MIF have the coordinates GDAL reads from
// the NTF, feature for feature (texts moved west by their position code).
#include <gtest/gtest.h>

#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Geometries {
  std::vector<std::string> points, lines, texts;  // "x y" lists; texts as their box's first corner
};

std::string Coordinates(std::string_view wkt) {
  std::string out;
  for (char c : wkt.substr(wkt.find('(') + 1, wkt.rfind(')') - wkt.find('(') - 1)) out.push_back(c == ',' ? ' ' : c);
  return out;
}

Geometries ReadWithOgr(const std::string& path, const std::string& layers) {
  Geometries g;
  const test::CommandResult r = test::RunCommand("ogrinfo -ro -al -q " + test::Quote(path) + " " + layers);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
  std::istringstream in(r.out);
  std::string line;
  bool text = false;
  long position = 0;
  std::size_t length = 0;
  while (std::getline(in, line)) {
    if (line.rfind("OGRFeature(", 0) == 0) text = line.rfind("OGRFeature(MERIDIAN2_TEXT)", 0) == 0;
    if (line.rfind("  DIG_POSTN (Integer) = ", 0) == 0) position = std::stol(line.substr(24));
    if (line.rfind("  TEXT (String) = ", 0) == 0) length = line.size() - 18;
    if (line.rfind("  POINT (", 0) == 0) {
      if (!text) {
        g.points.push_back(Coordinates(line));
        continue;
      }
      std::istringstream xy(Coordinates(line));
      long x = 0, y = 0;
      xy >> x >> y;
      const long shift = position >= 6 ? 200 : position >= 3 ? 100 : 0;
      g.texts.push_back(std::to_string(x - shift * static_cast<long>(length)) + ".00 " + std::to_string(y) + ".00");
    } else if (line.rfind("  LINESTRING (", 0) == 0) {
      g.lines.push_back(Coordinates(line));
    }
  }
  return g;
}

// The first corner of every text box of a MIF.
std::vector<std::string> TextCorners(const std::string& mif) {
  std::vector<std::string> corners;
  const auto lines = test::CrLfLines(test::ReadFile(mif));
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].rfind("TEXT \"", 0) != 0) continue;
    std::istringstream box(lines[i + 1]);
    std::string x, y;
    box >> x >> y;
    corners.push_back(x + " " + y);
  }
  return corners;
}

class Meridian2Gdal : public ::testing::TestWithParam<ntfgen::Size> {};

TEST_P(Meridian2Gdal, PointsLinesAndTextsAgreeWithGdalsReadingOfTheTile) {
  ASSERT_EQ(test::RunCommand("command -v ogrinfo >/dev/null").exitCode, 0) << "ogrinfo (gdal-bin) is needed";
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = GetParam();
  options.seed = 3;
  test::WriteFile(dir / "m.ntf", ntfgen::GenerateMeridian2(options));

  TranslationSettings settings;
  settings.extractNetworkData = true;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "m.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const Geometries ntf = ReadWithOgr(dir / "m.ntf", "MERIDIAN2_POINT MERIDIAN2_LINE MERIDIAN2_TEXT");
  const Geometries mif = ReadWithOgr(dir / "m.mif", "");
  ASSERT_GT(ntf.points.size(), 10u);
  ASSERT_GT(ntf.lines.size(), 10u);
  ASSERT_GT(ntf.texts.size(), 5u);
  EXPECT_EQ(mif.points, ntf.points);
  EXPECT_EQ(mif.lines, ntf.lines);
  EXPECT_EQ(TextCorners(dir / "m_Text.mif"), ntf.texts);

  // One network row per node GDAL reads.
  const test::CommandResult nodes = test::RunCommand("ogrinfo -ro -al -q " + test::Quote(dir / "m.ntf") + " MERIDIAN2_NODE");
  std::size_t gdalNodes = 0;
  for (std::size_t at = nodes.out.find("OGRFeature("); at != std::string::npos; at = nodes.out.find("OGRFeature(", at + 1))
    ++gdalNodes;
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "m_Network.txt")).size(), gdalNodes + 1);
}

INSTANTIATE_TEST_SUITE_P(Tiles, Meridian2Gdal, ::testing::Values(ntfgen::Size::Small, ntfgen::Size::Medium),
                         [](const auto& info) { return info.param == ntfgen::Size::Small ? "Small" : "Medium"; });

}  // namespace
