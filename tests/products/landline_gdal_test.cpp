// Land-Line against GDAL's own NTF reader: on a generated tile, the points
// and lines written to the MIF have the coordinates GDAL reads from the NTF,
// feature for feature, and every text comes through.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct Geometries {
  std::vector<std::string> points, lines;  // coordinates in whole hundredths
  std::size_t texts = 0;                   // GDAL's names, or our Text objects
};

// "x y" pairs in hundredths of a metre, so that 530016.9 and 530016.90 agree.
std::string Hundredths(std::string_view coordinates) {
  std::string out;
  std::istringstream in{std::string(coordinates)};
  std::string token;
  while (in >> token) {
    if (token.back() == ',') token.pop_back();
    out += std::to_string(std::llround(std::strtod(token.c_str(), nullptr) * 100)) + " ";
  }
  return out;
}

Geometries ReadWithOgr(const std::string& path, const std::string& layers) {
  Geometries g;
  const test::CommandResult r = test::RunCommand("ogrinfo -ro -al -q " + test::Quote(path) + " " + layers);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::istringstream in(r.out);
  std::string line;
  bool name = false;  // GDAL gives a name its digitised point
  while (std::getline(in, line)) {
    if (line.rfind("OGRFeature(", 0) == 0) name = line.rfind("OGRFeature(LANDLINE_NAME)", 0) == 0;
    if (name) {
      g.texts += line.rfind("OGRFeature(", 0) == 0;
      continue;
    }
    const auto open = line.find('('), close = line.rfind(')');
    if (line.rfind("  POINT (", 0) == 0) g.points.push_back(Hundredths(line.substr(open + 1, close - open - 1)));
    else if (line.rfind("  LINESTRING (", 0) == 0) g.lines.push_back(Hundredths(line.substr(open + 1, close - open - 1)));
  }
  return g;
}

TEST(LandLineGdal, PointsAndLinesAgreeWithGdalsReadingOfTheTile) {
  ASSERT_EQ(test::RunCommand("command -v ogrinfo >/dev/null").exitCode, 0) << "ogrinfo (gdal-bin) is needed";
  test::ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Medium;
  options.seed = 7;
  test::WriteFile(dir / "m.ntf", ntfgen::GenerateLandLine(options));

  TranslationSettings settings;
  test::RecordingObserver observer;
  quorvel::Translate(RunRequest{{dir / "m.ntf"}, {}}, settings, observer);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});

  const Geometries ntf = ReadWithOgr(dir / "m.ntf", "LANDLINE_POINT LANDLINE_LINE LANDLINE_NAME");
  const Geometries mif = ReadWithOgr(dir / "m.mif", "");
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
