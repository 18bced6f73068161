// Boundary-Line against GDAL's own NTF reader: on a generated tile there is
// one link per link GDAL reads, with its coordinates, and one region per
// polygon and complex polygon, whose rings run through GDAL's vertices. A
// full-size tile translates in a fraction of a second (nothing quadratic).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Ring = std::vector<std::pair<long long, long long>>;  // tenths of a metre

// The rings of a WKT geometry, each without repeated consecutive vertices
// (links share their end points, which the rings keep twice), sorted.
std::vector<Ring> Rings(const std::string& wkt) {
  std::vector<Ring> rings;
  static const std::regex inner(R"(\(([^()]*)\))");
  for (auto it = std::sregex_iterator(wkt.begin(), wkt.end(), inner); it != std::sregex_iterator(); ++it) {
    Ring ring;
    std::string coordinates = (*it)[1].str();
    std::replace(coordinates.begin(), coordinates.end(), ',', ' ');
    std::istringstream in(coordinates);
    std::string x, y;
    while (in >> x >> y) {
      const std::pair<long long, long long> p{std::llround(std::strtod(x.c_str(), nullptr) * 10),
                                              std::llround(std::strtod(y.c_str(), nullptr) * 10)};
      if (ring.empty() || ring.back() != p) ring.push_back(p);
    }
    rings.push_back(std::move(ring));
  }
  std::sort(rings.begin(), rings.end());
  return rings;
}

struct Reading {
  std::vector<std::vector<Ring>> geometries;
  std::vector<std::size_t> fields;
};

Reading ReadWithOgr(const std::string& path, const std::string& layer, const std::string& kind) {
  const test::CommandResult r = test::RunCommand("ogrinfo -ro -al -q " + test::Quote(path) + " " + layer);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
  Reading reading;
  std::istringstream in(r.out);
  std::string line;
  static const std::regex field(R"(^  [^ ].* \([A-Za-z0-9]+(\([0-9.,]+\))?\) = )");
  while (std::getline(in, line)) {
    if (line.rfind("OGRFeature(", 0) == 0) reading.fields.push_back(0);
    else if (!reading.fields.empty() && std::regex_search(line, field)) ++reading.fields.back();
    if (line.rfind("  " + kind + " (", 0) == 0 || line.rfind("  MULTI" + kind + " (", 0) == 0)
      reading.geometries.push_back(Rings(line));
  }
  return reading;
}

TEST(BoundaryLineGdal, LinksAndPolygonsAgreeWithGdalsReadingOfTheTile) {
  ASSERT_EQ(test::RunCommand("command -v ogrinfo >/dev/null").exitCode, 0) << "ogrinfo (gdal-bin) is needed";
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

TEST(BoundaryLineGdal, FullSizeTileIsNotQuadratic) {
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  test::WriteFile(dir / "f.ntf", ntfgen::GenerateBoundaryLine(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  const auto start = std::chrono::steady_clock::now();
  const RunResult result = quorvel::Translate(RunRequest{{dir / "f.ntf"}, {}}, settings, observer);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(result.AllTranslated());
  const std::string mid = test::ReadFile(dir / "f_pline.mid");
  EXPECT_GE(std::count(mid.begin(), mid.end(), '\n'), 10000);
  const std::string poly = test::ReadFile(dir / "f_poly.mid");
  EXPECT_GE(std::count(poly.begin(), poly.end(), '\n'), 2000);
  // About a tenth of a second on a laptop; a quadratic index takes minutes.
  EXPECT_LT(seconds, 10.0);
}

}  // namespace
