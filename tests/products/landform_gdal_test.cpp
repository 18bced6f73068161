// Land-Form against GDAL's own NTF reader: on generated tiles, the points and
// lines written to the MIF have the coordinates GDAL reads from the NTF, and
// every point of a full-size grid reads back from the MIF.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// The geometries GDAL reads from a file (or the named layers), as
// two-dimensional WKT, sorted: the NTF reader groups features by layer, the
// MIF holds them in file order.
std::vector<std::string> GeometriesRead(const std::string& path, const std::string& layers = "") {
  const test::CommandResult r = test::RunCommand("ogr2ogr -dim XY -f CSV -lco GEOMETRY=AS_WKT /vsistdout/ " +
                                                 test::Quote(path) + " " + layers);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
  std::vector<std::string> wkt;
  std::istringstream in(r.out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("\"POINT", 0) == 0 || line.rfind("\"LINESTRING", 0) == 0 || line.rfind("\"MULTIPOINT", 0) == 0)
      wkt.push_back(line.substr(1, line.find('"', 1) - 1));
  }
  std::sort(wkt.begin(), wkt.end());
  return wkt;
}

struct Case {
  const char* product;
  std::string (*generate)(const ntfgen::Options&);
  const char* layers;  // GDAL's layers of the NTF that hold the features
};

class LandformGdal : public ::testing::TestWithParam<Case> {};

TEST_P(LandformGdal, MediumTilesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_EQ(test::RunCommand("command -v ogr2ogr >/dev/null").exitCode, 0) << "ogr2ogr (gdal-bin) is needed";
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = 5;
  test::WriteFile(dir / "t.ntf", GetParam().generate(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const auto ntf = GeometriesRead(dir / "t.ntf", GetParam().layers);
  ASSERT_GT(ntf.size(), 50u);
  EXPECT_EQ(GeometriesRead(dir / "t.mif"), ntf);
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, LandformGdal,
    ::testing::Values(Case{"PanoramaContours", ntfgen::GeneratePanoramaContours, "PANORAMA_POINT PANORAMA_CONTOUR"},
                      Case{"ProfileContours", ntfgen::GenerateProfileContours, "PROFILE_POINT PROFILE_LINE"},
                      Case{"PanoramaDtm", ntfgen::GeneratePanoramaDtm, ""},
                      Case{"ProfileDtm", ntfgen::GenerateProfileDtm, ""}),
    [](const auto& info) { return std::string(info.param.product); });

// Every point of a full-size grid is a feature of the MIF with its height.
TEST(LandformGdalFull, FullGridsReadBackPointForPoint) {
  ASSERT_EQ(test::RunCommand("command -v ogr2ogr >/dev/null").exitCode, 0) << "ogr2ogr (gdal-bin) is needed";
  const std::pair<std::string (*)(const ntfgen::Options&), std::size_t> grids[] = {
      {ntfgen::GenerateProfileDtm, 251001}, {ntfgen::GeneratePanoramaDtm, 160801}};
  for (const auto& [generate, points] : grids) {
    test::ScratchDir dir;
    ntfgen::Options options;
    options.size = ntfgen::Size::Full;
    test::WriteFile(dir / "t.ntf", generate(options));
    TranslationSettings settings;
    test::RecordingObserver observer;
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    const test::CommandResult r =
        test::RunCommand("ogr2ogr -f CSV -lco GEOMETRY=AS_XY /vsistdout/ " + test::Quote(dir / "t.mif"));
    EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
    std::istringstream in(r.out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("X,Y,Height", 0), 0u) << line;
    std::size_t rows = 0, withHeight = 0;
    while (std::getline(in, line)) {
      ++rows;
      if (line.back() != ',') ++withHeight;
    }
    EXPECT_EQ(rows, points);
    EXPECT_EQ(withHeight, points);
  }
}

}  // namespace
