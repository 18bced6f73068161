// Strategi against GDAL's own NTF reader: on generated tiles, the points and
// lines read back from the MIF are those GDAL reads from the NTF, feature
// for feature (less the codes the style table does not hold), there is one
// text per GDAL text and one network row per GDAL node.
#include <gtest/gtest.h>

#include <sstream>

#include "ntfgen/generators.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Features {
  std::vector<std::string> points, lines;
  std::size_t texts = 0, nodes = 0, features = 0;
};

std::string Coordinates(std::string_view wkt) {
  return std::string(wkt.substr(wkt.find('(') + 1, wkt.rfind(')') - wkt.find('(') - 1));
}

// Reads every layer of `path`. For an NTF, only features whose code the
// style table holds outside the text layer are kept; a line of one vertex is
// given that vertex twice, as the MIF has it.
Features ReadWithOgr(const std::string& path, bool ntf) {
  Features f;
  const test::CommandResult r = test::RunCommand("ogrinfo -ro -al -q " + test::Quote(path));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
  std::istringstream in(r.out);
  std::string line, layer, code;
  while (std::getline(in, line)) {
    if (line.rfind("OGRFeature(", 0) == 0) {
      layer = line.substr(11, line.find(')') - 11);
      code.clear();
      ++f.features;
      if (layer == "STRATEGI_TEXT") ++f.texts;
      if (layer == "STRATEGI_NODE") ++f.nodes;
    }
    if (line.rfind("  FEAT_CODE (String) = ", 0) == 0) code = line.substr(23);
    const bool point = line.rfind("  POINT (", 0) == 0, pline = line.rfind("  LINESTRING (", 0) == 0;
    if (!point && !pline) continue;
    if (ntf) {
      if (layer != "STRATEGI_POINT" && layer != "STRATEGI_LINE") continue;
      const StrategiStyleRow* row = FindStrategiStyle(code);
      if (!row || row->layer == 9) continue;
    }
    std::string xy = Coordinates(line);
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
  ASSERT_EQ(test::RunCommand("command -v ogrinfo >/dev/null").exitCode, 0) << "ogrinfo (gdal-bin) is needed";
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
