// The command in batch use: output folders, going on past a set that cannot
// be written, archives read in place, the summary line and the progress bar.
#include <gtest/gtest.h>

#include <filesystem>

#include "ntfgen/generators.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using test::Quote;
using test::ReadFile;
using test::RunQuorvel;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string Example(const std::string& name) { return std::string(QUORVEL_SOURCE_DIR) + "/examples/" + name + ".ntf"; }

const char* const kTiles[] = {"codepoint_small", "landline_small", "meridian2_small"};

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The loose tiles translated one set each into `out`.
void TranslateLoose(const ScratchDir& out) {
  std::string args = "-q --separate -d " + Quote(out.path().string());
  for (const char* t : kTiles) args += " " + Quote(Example(t));
  ASSERT_EQ(RunQuorvel(args).exitCode, 0);
}

TEST(Batch, OutputFolderAndAFolderNamedByDashO) {
  ScratchDir dir;
  const auto r = RunQuorvel("-q --separate -d " + Quote(dir / "new/out") + " " + Quote(Example("codepoint_small")) +
                            " " + Quote(Example("landline_small")));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(dir.path() / "new/out"), (std::vector<std::string>{"codepoint_small.mid", "codepoint_small.mif",
                                                                      "landline_small.mid", "landline_small.mif",
                                                                      "landline_small_Text.mid", "landline_small_Text.mif"}));
  // -o naming an existing folder, or ending in "/", is the output folder.
  fs::create_directory(dir.path() / "there");
  EXPECT_EQ(RunQuorvel("-q -o " + Quote(dir / "there") + " " + Quote(Example("codepoint_small"))).exitCode, 0);
  EXPECT_TRUE(test::Exists(dir / "there/codepoint_small.mif"));
  EXPECT_EQ(RunQuorvel("-q -o " + Quote(dir / "slash/") + " " + Quote(Example("codepoint_small"))).exitCode, 0);
  EXPECT_TRUE(test::Exists(dir / "slash/codepoint_small.mif"));
  EXPECT_FALSE(test::Exists(dir / "slash/.mif"));
  // A merged set is named relative to the folder.
  EXPECT_EQ(RunQuorvel("-q -d " + Quote(dir / "m") + " -o all " + Quote(Example("codepoint_small")) + " " +
                       Quote(Example("codepoint_small")))
                .exitCode,
            0);
  EXPECT_TRUE(test::Exists(dir / "m/all.mif"));
}

TEST(Batch, KeepGoingReportsTheBlockedSetAndTranslatesTheOthers) {
  ScratchDir dir;
  fs::create_directory(dir.path() / "landline_small.mid");  // this set cannot be created
  std::string args = "-q --separate -k -d " + Quote(dir.path().string());
  for (const char* t : kTiles) args += " " + Quote(Example(t));
  const auto r = RunQuorvel(args);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "landline_small.mid") + ": Unable to open MIF file: is a folder\n");
  EXPECT_TRUE(test::Exists(dir / "codepoint_small.mif"));
  EXPECT_TRUE(test::Exists(dir / "meridian2_small.mif"));
  // Without it the run ends there.
  ScratchDir other;
  fs::create_directory(other.path() / "landline_small.mid");
  std::string without = "-q --separate -d " + Quote(other.path().string());
  for (const char* t : kTiles) without += " " + Quote(Example(t));
  EXPECT_EQ(RunQuorvel(without).exitCode, 3);
  EXPECT_FALSE(test::Exists(other / "meridian2_small.mif"));
}

TEST(Batch, ArchivesGiveTheSameSetsAsTheLooseTiles) {
  ScratchDir loose;
  TranslateLoose(loose);
  std::vector<test::Member> members;
  for (const char* t : kTiles) members.push_back({std::string(t) + ".ntf", ReadFile(Example(t))});
  members.push_back({"README.txt", "not a tile"});
  for (const auto& [kind, name] : {std::pair{test::Kind::Zip, "tiles.zip"}, std::pair{test::Kind::TarGz, "tiles.tar.gz"}}) {
    SCOPED_TRACE(name);
    ScratchDir dir, out;
    test::WriteArchive(dir / name, kind, members);
    const auto r = RunQuorvel("-q --separate -d " + Quote(out.path().string()) + " " + Quote(dir / name));
    EXPECT_EQ(r.exitCode, 1);  // the member that is no tile is skipped
    EXPECT_EQ(r.err, "quorvel: " + (dir / name) + "/README.txt: not an NTF file; skipped\n");
    EXPECT_EQ(Names(out.path()), Names(loose.path()));
    for (const std::string& f : Names(loose.path())) EXPECT_TRUE(ReadFile(out / f) == ReadFile(loose / f)) << f;
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{name});  // nothing written beside the archive
  }
}

// libarchive is loaded only when an archive is given: the dynamic loader's
// own report (LD_DEBUG) names it for an archive and not for a loose tile.
TEST(Batch, ArchiveLibraryIsLoadedOnlyForArchives) {
  ScratchDir dir, out;
  test::WriteArchive(dir / "one.zip", test::Kind::Zip, {{"codepoint_small.ntf", ReadFile(Example("codepoint_small"))}});
  const auto loaded = [&](const std::string& input) {
    const auto r = test::RunCommand("LD_DEBUG=files " + Quote(QUORVEL_CLI) + " -q --overwrite -d " +
                                    Quote(out.path().string()) + " " + Quote(input) + " </dev/null");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.err.find("libarchive.so") != std::string::npos;
  };
  EXPECT_FALSE(loaded(Example("codepoint_small")));
  EXPECT_TRUE(loaded(dir / "one.zip"));
}

TEST(Batch, ASummaryLineUnlessQuiet) {
  ScratchDir dir;
  const auto r = RunQuorvel("-d " + Quote(dir.path().string()) + " " + Quote(Example("codepoint_small")));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err.rfind("quorvel: 1 file translated, 0 skipped, 0 failed; ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(" MB/s)\n"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

// The percentages a bar showed, in order.
std::vector<int> Percentages(const std::string& screen) {
  std::vector<int> shown;
  for (std::size_t at = screen.find("] "); at != std::string::npos; at = screen.find("] ", at + 2)) {
    const std::size_t percent = screen.find('%', at);
    if (percent != std::string::npos && percent - at <= 5) shown.push_back(std::stoi(screen.substr(at + 2, percent - at - 2)));
  }
  return shown;
}

// On a pseudo-terminal the run draws one bar that rises to the end.
TEST(Batch, OneProgressBarOnATerminal) {
  if (!test::Exists("/usr/bin/script")) GTEST_SKIP() << "no script(1)";
  ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  const std::string tile = ntfgen::GenerateLandLine(options);
  std::string tiles;
  for (int i = 0; i < 4; ++i) {
    test::WriteFile(dir / ("t" + std::to_string(i) + ".ntf"), tile);
    tiles += " " + Quote(dir / ("t" + std::to_string(i) + ".ntf"));
  }
  for (const char* jobs : {"-j 1", "-j 2"}) {
    SCOPED_TRACE(jobs);
    fs::remove_all(dir.path() / "out");
    const std::string command = std::string(QUORVEL_CLI) + " --separate " + jobs + " -d " + (dir / "out") + tiles;
    const auto r = test::RunCommand("script -qec " + Quote(command) + " /dev/null");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    // The bar is cleared before the summary, which is the last line.
    EXPECT_NE(r.out.find("quorvel: 4 files translated"), std::string::npos) << r.out;
    const std::vector<int> shown = Percentages(r.out);
    ASSERT_FALSE(shown.empty()) << r.out;
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << r.out;
    EXPECT_EQ(shown.back(), 100);
    // Without a terminal nothing is drawn.
    fs::remove_all(dir.path() / "out");
    EXPECT_EQ(test::RunCommand(command).err.find('%'), std::string::npos);
  }
}

}  // namespace

namespace {

TEST(Batch, APictureOfTheOutputAfterTheRun) {
  ScratchDir dir;
  const auto one = RunQuorvel("-q -d " + Quote(dir.path().string()) + " --preview " + Quote(dir / "map.png") +
                              " --preview-size 300x200 " + Quote(Example("landline_small")));
  ASSERT_EQ(one.exitCode, 0) << one.err;
  const std::string png = ReadFile(dir / "map.png");
  ASSERT_GT(png.size(), 100u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Separate tiles: one picture per set, beside it, named after it.
  ScratchDir sep;
  const auto two = RunQuorvel("-q --separate -d " + Quote(sep.path().string()) + " --preview x.png " +
                              Quote(Example("codepoint_small")) + " " + Quote(Example("strategi_small")));
  ASSERT_EQ(two.exitCode, 0) << two.err;
  EXPECT_TRUE(test::Exists(sep / "codepoint_small.png"));
  EXPECT_TRUE(test::Exists(sep / "strategi_small.png"));
  EXPECT_EQ(RunQuorvel("--preview-size big " + Quote(Example("codepoint_small"))).exitCode, 2);
}

// The picture is a file of the run, planned with its sets: never an input,
// an existing one replaced only with --overwrite, a name it cannot be drawn
// into refused; each before anything is translated.
TEST(Batch, ThePictureIsCheckedWithTheSetsBeforeAnythingIsWritten) {
  ScratchDir dir;
  const std::string tile = dir / "tile.ntf";
  WriteFile(tile, ReadFile(Example("codepoint_small")));
  WriteFile(dir / "map.png", "the user's picture");
  auto r = RunQuorvel("-q -o " + Quote(dir / "out.mif") + " --preview " + Quote(dir / "map.png") + " " + Quote(tile));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find(dir / "map.png" + ": exists already; use --overwrite to replace it"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "map.png"), "the user's picture");
  EXPECT_FALSE(test::Exists(dir / "out.mif"));

  // The picture named as the input: refused, the tile untouched.
  const std::string before = ReadFile(tile);
  r = RunQuorvel("-q --overwrite -o " + Quote(dir / "out.mif") + " --preview " + Quote(tile) + " " + Quote(tile));
  EXPECT_EQ(r.exitCode, 2);
  r = RunQuorvel("-q --overwrite -o " + Quote(dir / "out.mif") + " --preview " + Quote(dir / "tile.png") + " " +
                 Quote(dir / "tile.png"));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(ReadFile(tile), before);
  EXPECT_FALSE(test::Exists(dir / "out.mif"));

  r = RunQuorvel("-q -o " + Quote(dir / "out.mif") + " --preview " + Quote(dir / "map.jpg") + " " + Quote(tile));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("the picture's name must end in .png or .svg"), std::string::npos) << r.err;
  EXPECT_FALSE(test::Exists(dir / "out.mif"));

  // With --overwrite the earlier picture is replaced.
  r = RunQuorvel("-q --overwrite -o " + Quote(dir / "out.mif") + " --preview " + Quote(dir / "map.png") + " " +
                 Quote(tile));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "map.png").substr(1, 3), "PNG");
}

}  // namespace
