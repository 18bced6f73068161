// Reads the output of every sample tile back with GDAL's MapInfo driver and
// checks that every object comes through as a feature with all its
// attributes, and that GDAL reports no error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

namespace fs = std::filesystem;
using namespace quorvel::test;

namespace {

struct Sample {
  fs::path tile;
  const char* text;  // the --text choice
  friend void PrintTo(const Sample& s, std::ostream* os) { *os << s.tile.filename().string() << " --text " << s.text; }
};

// Every sample tile with each --text choice, in name order.
std::vector<Sample> Samples() {
  std::vector<fs::path> tiles;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(QUORVEL_SOURCE_DIR) / "examples", ec))
    if (e.path().extension() == ".ntf") tiles.push_back(e.path());
  std::sort(tiles.begin(), tiles.end());
  std::vector<Sample> samples;
  for (const fs::path& tile : tiles)
    for (const char* text : {"separate", "include"}) samples.push_back({tile, text});
  return samples;
}

class GdalInterop : public ::testing::TestWithParam<Sample> {};

TEST_P(GdalInterop, EveryExampleOutputLoadsWhole) {
  ASSERT_TRUE(HaveGdal()) << kNeedGdal;
  const auto& [tile, text] = GetParam();
  ScratchDir dir;
  const std::string name = tile.stem().string();
  const CommandResult run = RunQuorvel(std::string("-q --network --text ") + text + " -o " +
                                       Quote(dir / (name + ".mif")) + " " + Quote(tile.string()));
  std::size_t checked = 0;
  for (const auto& out : fs::directory_iterator(dir.path())) {
    if (out.path().extension() != ".mif") continue;
    SCOPED_TRACE(name + " --text " + text + ": " + out.path().filename().string());
    EXPECT_TRUE(GdalReadsMifWhole(out.path().string()));
    ++checked;
  }
  // A sample gives no MIF only when quorvel refuses it (a product it does not
  // translate).
  if (checked == 0) {
    EXPECT_NE(run.exitCode, 0) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, GdalInterop, ::testing::ValuesIn(Samples()), [](const auto& info) {
  std::string name = info.param.tile.stem().string() + "_" + info.param.text;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
});

}  // namespace
