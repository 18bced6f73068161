// Land-Form and OSCAR against GDAL's own NTF reader: on generated tiles, the
// points, multipoints and lines written to the MIF have the coordinates GDAL
// reads from the NTF. The NTF reader groups features by layer while the MIF
// holds them in file order, so both sides are compared sorted.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// The points, multipoints and lines GDAL reads from a file (or the named
// layers), as two-dimensional WKT, sorted. Heights are left out: the MIF is
// flat and carries them as attributes.
std::vector<std::string> GeometriesRead(const std::string& path, const std::vector<std::string>& layers = {}) {
  const test::GdalReading gdal = test::ReadWithGdal(path, layers);
  EXPECT_EQ(gdal.Problems(), "");
  std::vector<std::string> wkt;
  for (const test::GdalFeature& f : gdal.features) {
    std::string flat = f.Wkt2d();
    const std::string type = flat.substr(0, flat.find(' '));
    if (type == "POINT" || type == "LINESTRING" || type == "MULTIPOINT") wkt.push_back(std::move(flat));
  }
  std::sort(wkt.begin(), wkt.end());
  return wkt;
}

struct Case {
  const char* product;
  std::string (*generate)(const ntfgen::Options&);
  std::uint64_t seed;
  std::vector<std::string> layers;  // GDAL's layers of the NTF that hold the features; all when empty
  std::size_t fewest;               // the NTF has more features than this
  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.product; }
};

class SortedGeometryGdal : public ::testing::TestWithParam<Case> {};

TEST_P(SortedGeometryGdal, MediumTilesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = GetParam().seed;
  test::WriteFile(dir / "t.ntf", GetParam().generate(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const auto ntf = GeometriesRead(dir / "t.ntf", GetParam().layers);
  ASSERT_GT(ntf.size(), GetParam().fewest);
  EXPECT_EQ(GeometriesRead(dir / "t.mif"), ntf);
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, SortedGeometryGdal,
    ::testing::Values(
        Case{"PanoramaContours", ntfgen::GeneratePanoramaContours, 5, {"PANORAMA_POINT", "PANORAMA_CONTOUR"}, 50},
        Case{"ProfileContours", ntfgen::GenerateProfileContours, 5, {"PROFILE_POINT", "PROFILE_LINE"}, 50},
        Case{"PanoramaDtm", ntfgen::GeneratePanoramaDtm, 5, {}, 50},
        Case{"ProfileDtm", ntfgen::GenerateProfileDtm, 5, {}, 50},
        Case{"OscarAssetManager", ntfgen::GenerateOscarAsset, 7, {"OSCAR_POINT", "OSCAR_LINE"}, 100},
        Case{"OscarTrafficManager", ntfgen::GenerateOscarTraffic, 7, {"OSCAR_POINT", "OSCAR_LINE"}, 100}),
    [](const auto& info) { return std::string(info.param.product); });

}  // namespace
