// Runs the command on every sample tile in examples/ and compares the whole
// output, stderr and exit status with tests/e2e/expected/NAME/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ntfgen/generators.hpp"
#include "support/test_support.hpp"

namespace fs = std::filesystem;
using namespace quorvel::test;

namespace {

std::vector<std::string> ExampleTiles() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(QUORVEL_SOURCE_DIR) / "examples"))
    if (e.path().extension() == ".ntf") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ExampleTile : public ::testing::TestWithParam<std::string> {};

TEST_P(ExampleTile, OutputMatchesExpectedFiles) {
  const std::string name = GetParam();
  const fs::path expected = fs::path(QUORVEL_SOURCE_DIR) / "tests/e2e/expected" / name;
  ASSERT_TRUE(fs::is_directory(expected)) << "no expected output for " << name << " (make expected TILES=" << name
                                          << ".ntf)";
  ScratchDir dir;
  fs::copy_file(fs::path(QUORVEL_SOURCE_DIR) / "examples" / (name + ".ntf"), dir.path() / (name + ".ntf"));
  const CommandResult r = RunQuorvelIn(dir.path(), "-q -o " + Quote(name + ".mif") + " " + Quote(name + ".ntf"));
  fs::remove(dir.path() / (name + ".ntf"));

  EXPECT_EQ(std::to_string(r.exitCode) + "\n", ReadFile((expected / "exit.txt").string()));
  EXPECT_EQ(r.err, ReadFile((expected / "stderr.txt").string()));

  std::vector<std::string> produced, wanted;
  for (const auto& e : fs::directory_iterator(dir.path())) produced.push_back(e.path().filename().string());
  for (const auto& e : fs::directory_iterator(expected)) {
    const std::string f = e.path().filename().string();
    if (f != "exit.txt" && f != "stderr.txt") wanted.push_back(f);
  }
  std::sort(produced.begin(), produced.end());
  std::sort(wanted.begin(), wanted.end());
  ASSERT_EQ(produced, wanted);
  for (const std::string& f : wanted) {
    const std::string got = ReadFile((dir.path() / f).string());
    const std::string want = ReadFile((expected / f).string());
    if (got == want) continue;
    const auto a = CrLfLines(got), b = CrLfLines(want);
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    ADD_FAILURE() << f << " differs first at line " << i + 1 << ":\n  got:  " << (i < a.size() ? a[i] : "<end>")
                  << "\n  want: " << (i < b.size() ? b[i] : "<end>");
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleTile, ::testing::ValuesIn(ExampleTiles()),
                         [](const auto& info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

// The sample tiles are the generator's small tiles with seed 1: a change to
// a generator shows here until `make examples` is run.
TEST(ExampleTiles, AreWhatTheGeneratorMakes) {
  for (const std::string& name : ExampleTiles()) {
    const std::string product = name.substr(0, name.rfind("_small"));
    const ntfgen::Generator* g = ntfgen::FindGenerator(product);
    ASSERT_NE(g, nullptr) << name;
    ntfgen::Options options;
    EXPECT_EQ(g->generate(options), ReadFile(QUORVEL_SOURCE_DIR "/examples/" + name + ".ntf")) << name;
  }
}

}  // namespace
