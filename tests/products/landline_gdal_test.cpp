// Land-Line against GDAL's own NTF reader: on a generated tile, the points
// and lines written to the MIF have the coordinates GDAL reads from the NTF,
// feature for feature, and every text comes through.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Geometries {
  std::vector<std::string> points, lines;  // coordinates in whole hundredths
  std::size_t texts = 0;                   // GDAL's names, or our Text objects
};

// The coordinates of a geometry in hundredths of a metre, so that 530016.9
// and 530016.90 agree.
std::string Hundredths(const test::GdalFeature& feature) {
  std::string out;
  for (const test::GdalPath& path : feature.Paths())
    for (const test::GdalVertex& vertex : path)
      for (const std::string& c : vertex)
        out += std::to_string(std::llround(std::strtod(c.c_str(), nullptr) * 100)) + " ";
  return out;
}

Geometries ReadWithOgr(const std::string& path, const std::vector<std::string>& layers) {
  Geometries g;
  const test::GdalReading gdal = test::ReadWithGdal(path, layers);
  EXPECT_EQ(gdal.Problems(), "");
  for (const test::GdalFeature& f : gdal.features) {
    if (f.layer == "LANDLINE_NAME") {  // GDAL gives a name its digitised point
      ++g.texts;
      continue;
    }
    const std::string type = f.GeometryType();
    if (type == "POINT") g.points.push_back(Hundredths(f));
    else if (type == "LINESTRING") g.lines.push_back(Hundredths(f));
  }
  return g;
}

TEST(LandLineGdal, PointsAndLinesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_TRUE(test::HaveGdal()) << test::kNeedGdal;
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = 7;
  test::WriteFile(dir / "m.ntf", ntfgen::GenerateLandLine(options));

  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "m.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const Geometries ntf = ReadWithOgr(dir / "m.ntf", {"LANDLINE_POINT", "LANDLINE_LINE", "LANDLINE_NAME"});
  const Geometries mif = ReadWithOgr(dir / "m.mif", {});
  ASSERT_GT(ntf.points.size(), 20u);
  ASSERT_GT(ntf.lines.size(), 100u);
  ASSERT_GT(ntf.texts, 50u);
  EXPECT_EQ(mif.points, ntf.points);
  EXPECT_EQ(mif.lines, ntf.lines);
  std::size_t texts = 0;
  for (const std::string& l : test::CrLfLines(test::ReadFile(dir / "m_Text.mif"))) texts += l == "Text";
  EXPECT_EQ(texts, ntf.texts);
}

}  // namespace
