// Strategi against GDAL's own NTF reader: on generated tiles, the points and
// lines read back from the MIF are those GDAL reads from the NTF, feature
// for feature (less the codes the style table does not hold), there is one
// text per GDAL text and one network row per GDAL node.
#include <gtest/gtest.h>

#include "ntfgen/generators.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Features {
  std::vector<std::string> points, lines;
  std::size_t texts = 0, nodes = 0, features = 0;
};

// Reads every layer of `path`. For an NTF, only features whose code the
// style table holds outside the text layer are kept; a line of one vertex is
// given that vertex twice, as the MIF has it.
Features ReadWithOgr(const std::string& path, bool ntf) {
  Features f;
  const test::GdalReading gdal = test::ReadWithGdal(path);
  EXPECT_EQ(gdal.Problems(), "");
  for (const test::GdalFeature& feature : gdal.features) {
    ++f.features;
    if (feature.layer == "STRATEGI_TEXT") ++f.texts;
    if (feature.layer == "STRATEGI_NODE") ++f.nodes;
    const std::string type = feature.GeometryType();
    const bool point = type == "POINT", pline = type == "LINESTRING";
    if (!point && !pline) continue;
    if (ntf) {
      if (feature.layer != "STRATEGI_POINT" && feature.layer != "STRATEGI_LINE") continue;
      const std::string* code = feature.Field("FEAT_CODE");
      const StrategiStyleRow* row = FindStrategiStyle(code ? *code : "");
      if (!row || row->layer == 9) continue;
    }
    std::string xy = feature.CoordinateText();
    if (point) {
      f.points.push_back(xy);
    } else {
      if (xy.find(',') == std::string::npos) xy += "," + xy;
      f.lines.push_back(xy);
    }
  }
  return f;
}

class StrategiGdal : public ::testing::TestWithParam<ntfgen::Size> {};

TEST_P(StrategiGdal, PointsLinesTextsAndNodesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = GetParam();
  options.seed = 5;
  test::WriteFile(dir / "s.ntf", ntfgen::GenerateStrategi(options));

  TranslationSettings settings;
  settings.extractNetworkData = true;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "s.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const Features ntf = ReadWithOgr(dir / "s.ntf", true);
  const Features mif = ReadWithOgr(dir / "s.mif", false);
  ASSERT_GT(ntf.points.size(), 10u);
  ASSERT_GT(ntf.lines.size(), 3u);
  ASSERT_GT(ntf.texts, 5u);
  EXPECT_EQ(mif.points, ntf.points);
  EXPECT_EQ(mif.lines, ntf.lines);
  const Features texts = ReadWithOgr(dir / "s_Text.mif", false);
  EXPECT_EQ(texts.features, ntf.texts);
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "s_Network.txt")).size(), ntf.nodes + 1);
}

INSTANTIATE_TEST_SUITE_P(Tiles, StrategiGdal, ::testing::Values(ntfgen::Size::Small, ntfgen::Size::Medium),
                         [](const auto& info) { return info.param == ntfgen::Size::Small ? "Small" : "Medium"; });

}  // namespace
