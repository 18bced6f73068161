// Meridian 2 against GDAL's own NTF reader: on generated tiles, the points,
// lines and texts written to the MIF have the coordinates GDAL reads from
// the NTF, feature for feature (texts moved west by their position code).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Geometries {
  std::vector<std::string> points, lines, texts;  // "x y" lists; texts as their box's first corner
};

// A geometry's coordinates as "x y" pairs, vertices apart by two spaces.
std::string Coordinates(const test::GdalFeature& feature) {
  std::string out = feature.CoordinateText();
  std::replace(out.begin(), out.end(), ',', ' ');
  return out;
}

// The points, lines and texts of `path` (or of its named layers). A text
// stands at the first corner of its box: west of GDAL's point by one or two
// hundred units a character when its position code puts the point in the
// box's middle or east.
Geometries ReadWithOgr(const std::string& path, const std::vector<std::string>& layers) {
  Geometries g;
  const test::GdalReading gdal = test::ReadWithGdal(path, layers);
  EXPECT_EQ(gdal.Problems(), "");
  for (const test::GdalFeature& f : gdal.features) {
    const std::string type = f.GeometryType();
    if (type == "LINESTRING") {
      g.lines.push_back(Coordinates(f));
      continue;
    }
    if (type != "POINT") continue;
    if (f.layer != "MERIDIAN2_TEXT") {
      g.points.push_back(Coordinates(f));
      continue;
    }
    const std::string* position = f.Field("DIG_POSTN");
    const std::string* text = f.Field("TEXT");
    EXPECT_TRUE(position && text) << f.geometry;
    if (!position || !text) continue;
    std::istringstream xy(Coordinates(f));
    long x = 0, y = 0;
    xy >> x >> y;
    const long code = std::stol(*position);
    const long shift = code >= 6 ? 200 : code >= 3 ? 100 : 0;
    g.texts.push_back(std::to_string(x - shift * static_cast<long>(text->size())) + ".00 " + std::to_string(y) + ".00");
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
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
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

  const Geometries ntf = ReadWithOgr(dir / "m.ntf", {"MERIDIAN2_POINT", "MERIDIAN2_LINE", "MERIDIAN2_TEXT"});
  const Geometries mif = ReadWithOgr(dir / "m.mif", {});
  ASSERT_GT(ntf.points.size(), 10u);
  ASSERT_GT(ntf.lines.size(), 10u);
  ASSERT_GT(ntf.texts.size(), 5u);
  EXPECT_EQ(mif.points, ntf.points);
  EXPECT_EQ(mif.lines, ntf.lines);
  EXPECT_EQ(TextCorners(dir / "m_Text.mif"), ntf.texts);

  // One network row per node GDAL reads.
  const test::GdalReading nodes = test::ReadWithGdal(dir / "m.ntf", {"MERIDIAN2_NODE"});
  EXPECT_EQ(nodes.Problems(), "");
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "m_Network.txt")).size(), nodes.features.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Tiles, Meridian2Gdal, ::testing::Values(ntfgen::Size::Small, ntfgen::Size::Medium),
                         [](const auto& info) { return info.param == ntfgen::Size::Small ? "Small" : "Medium"; });

}  // namespace
