// OSCAR against GDAL's own NTF reader: on generated tiles of both editions,
// the links and nodes written to the MIF have the coordinates GDAL reads from
// the NTF.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// The geometries GDAL reads, as WKT, sorted (the NTF reader groups features
// by layer).
std::vector<std::string> GeometriesRead(const std::string& path, const std::string& layers = "") {
  const test::CommandResult r =
      test::RunCommand("ogr2ogr -f CSV -lco GEOMETRY=AS_WKT /vsistdout/ " + test::Quote(path) + " " + layers);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
  std::vector<std::string> wkt;
  std::istringstream in(r.out);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("\"POINT", 0) == 0 || line.rfind("\"LINESTRING", 0) == 0)
      wkt.push_back(line.substr(1, line.find('"', 1) - 1));
  std::sort(wkt.begin(), wkt.end());
  return wkt;
}

class OscarGdal : public ::testing::TestWithParam<bool> {};

TEST_P(OscarGdal, LinksAndNodesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_EQ(test::RunCommand("command -v ogr2ogr >/dev/null").exitCode, 0) << "ogr2ogr (gdal-bin) is needed";
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = 7;
  test::WriteFile(dir / "t.ntf", GetParam() ? ntfgen::GenerateOscarTraffic(options) : ntfgen::GenerateOscarAsset(options));
  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const auto ntf = GeometriesRead(dir / "t.ntf", "OSCAR_POINT OSCAR_LINE");
  ASSERT_GT(ntf.size(), 100u);
  EXPECT_EQ(GeometriesRead(dir / "t.mif"), ntf);
}

INSTANTIATE_TEST_SUITE_P(Editions, OscarGdal, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TrafficManager" : "AssetManager"; });

}  // namespace
