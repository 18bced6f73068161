// Land-Form grids against GDAL's MapInfo reader: every point of a full-size
// grid reads back from the MIF as a feature with its height. (The medium
// tiles of every Land-Form product are compared with GDAL's reading of the
// NTF in sorted_geometry_gdal_test.cpp.)
#include <gtest/gtest.h>

#include <ostream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Grid {
  const char* product;
  std::string (*generate)(const ntfgen::Options&);
  std::size_t points;  // of a full-size tile
  friend void PrintTo(const Grid& g, std::ostream* os) { *os << g.product; }
};

class LandformGdalFull : public ::testing::TestWithParam<Grid> {};

// Every point of a full-size grid is a feature of the MIF with its height.
TEST_P(LandformGdalFull, FullGridsReadBackPointForPoint) {
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  test::WriteFile(dir / "t.ntf", GetParam().generate(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);

  const test::GdalReading gdal = test::ReadWithGdal(dir / "t.mif");
  EXPECT_EQ(gdal.Problems(), "");
  EXPECT_EQ(gdal.features.size(), GetParam().points);
  std::size_t withHeight = 0;
  for (const test::GdalFeature& f : gdal.features) {
    ASSERT_FALSE(f.fields.empty());
    ASSERT_EQ(f.fields.front().name, "Height");
    const std::string& height = f.fields.back().value;
    if (!height.empty() && height != "(null)") ++withHeight;
  }
  EXPECT_EQ(withHeight, GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Grids, LandformGdalFull,
                         ::testing::Values(Grid{"ProfileDtm", ntfgen::GenerateProfileDtm, 251001},
                                           Grid{"PanoramaDtm", ntfgen::GeneratePanoramaDtm, 160801}),
                         [](const auto& info) { return std::string(info.param.product); });

}  // namespace
