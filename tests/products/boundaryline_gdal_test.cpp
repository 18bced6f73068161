// Boundary-Line against GDAL's own NTF reader: on a generated tile there is
// one link per link GDAL reads, with its coordinates, and one region per
// polygon and complex polygon, whose rings run through GDAL's vertices. A
// full-size tile translates in a fraction of a second (nothing quadratic).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Ring = std::vector<std::pair<long long, long long>>;  // tenths of a metre

// The rings of a geometry in tenths of a metre, each without repeated
// consecutive vertices (links share their end points, which the rings keep
// twice), sorted.
std::vector<Ring> Rings(const test::GdalFeature& feature) {
  std::vector<Ring> rings;
  for (const test::GdalPath& path : feature.Paths()) {
    Ring ring;
    for (const test::GdalVertex& v : path) {
      const std::pair<long long, long long> p{std::llround(std::strtod(v.at(0).c_str(), nullptr) * 10),
                                              std::llround(std::strtod(v.at(1).c_str(), nullptr) * 10)};
      if (ring.empty() || ring.back() != p) ring.push_back(p);
    }
    rings.push_back(std::move(ring));
  }
  std::sort(rings.begin(), rings.end());
  return rings;
}

struct Reading {
  std::vector<std::vector<Ring>> geometries;  // of the features of the kind asked for
  std::vector<std::size_t> fields;            // of every feature
};

// The features of `path` (or of its one named layer) whose geometry is a
// `kind` or a multiple of it, and the number of fields of every feature.
Reading ReadWithOgr(const std::string& path, const std::string& layer, const std::string& kind) {
  const test::GdalReading gdal =
      test::ReadWithGdal(path, layer.empty() ? std::vector<std::string>{} : std::vector<std::string>{layer});
  EXPECT_EQ(gdal.Problems(), "");
  Reading reading;
  for (const test::GdalFeature& f : gdal.features) {
    reading.fields.push_back(f.fields.size());
    const std::string type = f.GeometryType();
    if (type == kind || type == "MULTI" + kind) reading.geometries.push_back(Rings(f));
  }
  return reading;
}

TEST(BoundaryLineGdal, LinksAndPolygonsAgreeWithGdalsReadingOfTheTile) {
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = 5;
  test::WriteFile(dir / "m.ntf", ntfgen::GenerateBoundaryLine(options));

  TranslationSettings settings;
  test::RecordingObserver observer;
  const RunResult result = quorvel::Translate(RunRequest{{dir / "m.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});
  ASSERT_TRUE(result.AllTranslated());

  const Reading ntfLinks = ReadWithOgr(dir / "m.ntf", "BL2000_LINK", "LINESTRING");
  const Reading mifLinks = ReadWithOgr(dir / "m_pline.mif", "", "LINESTRING");
  ASSERT_GT(ntfLinks.geometries.size(), 300u);
  EXPECT_EQ(mifLinks.geometries, ntfLinks.geometries);
  for (std::size_t n : mifLinks.fields) ASSERT_EQ(n, 13u);

  const Reading ntfPolygons = ReadWithOgr(dir / "m.ntf", "BL2000_POLY", "POLYGON");
  const Reading mifPolygons = ReadWithOgr(dir / "m_poly.mif", "", "POLYGON");
  ASSERT_GT(ntfPolygons.geometries.size(), 100u);
  EXPECT_EQ(mifPolygons.geometries, ntfPolygons.geometries);
  EXPECT_EQ(mifPolygons.fields.size(), ntfPolygons.geometries.size());
  for (std::size_t n : mifPolygons.fields) ASSERT_EQ(n, 11u);
}

// A full-size tile (tens of thousands of links looked up by id) translates
// whole. Its speed is measured by bench/run-bench, not here.
TEST(BoundaryLineGdal, FullSizeTileTranslatesWhole) {
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  test::WriteFile(dir / "f.ntf", ntfgen::GenerateBoundaryLine(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  const RunResult result = quorvel::Translate(RunRequest{{dir / "f.ntf"}, {}}, settings, observer);
  ASSERT_TRUE(result.AllTranslated());
  const std::string mid = test::ReadFile(dir / "f_pline.mid");
  EXPECT_GE(std::count(mid.begin(), mid.end(), '\n'), 10000);
  const std::string poly = test::ReadFile(dir / "f_poly.mid");
  EXPECT_GE(std::count(poly.begin(), poly.end(), '\n'), 2000);
}

}  // namespace
