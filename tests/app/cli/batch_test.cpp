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

namespace {

// Each line of the command's messages begins "quorvel: " and holds no byte
// a terminal acts on, nor a line end left over from a library's words.
::testing::AssertionResult CleanLines(const std::string& err) {
  std::size_t start = 0;
  while (start < err.size()) {
    const std::size_t end = err.find('\n', start);
    if (end == std::string::npos) return ::testing::AssertionFailure() << "unended line in " << err;
    const std::string line = err.substr(start, end - start);
    if (line.rfind("quorvel: ", 0) != 0) return ::testing::AssertionFailure() << "line not ours: " << line;
    for (const char c : line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return ::testing::AssertionFailure() << "raw byte: " << line;
    if (line.ends_with("\\x0a")) return ::testing::AssertionFailure() << "line end left in: " << line;
    start = end + 1;
  }
  return ::testing::AssertionSuccess();
}

// A zip whose member says it is 5 bytes longer than it is: the archive
// library's reason for it ends in a line end of its own.
void WriteZipOfWrongSize(const std::string& path, const std::string& bytes) {
  test::WriteArchive(path, test::Kind::Zip, {{"t.ntf", bytes}});
  std::string zip = ReadFile(path);
  const auto patch = [&](std::size_t at) {
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() + 5);
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xff);
  };
  patch(22);  // the local header
  for (std::size_t at = zip.find("PK\x07\x08"); at != std::string::npos; at = zip.find("PK\x07\x08", at + 4)) patch(at + 12);
  for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4)) patch(at + 24);
  WriteFile(path, zip);
}

// Whatever a name or a reason holds, each message is one line of its own on
// the terminal: paths of tiles, of outputs that exist already, members of
// archives, and the archive library's words.
TEST(Batch, EveryMessageIsOneLineWhateverTheNamesAndReasonsHold) {
  ScratchDir dir;
  const std::string odd = dir / "a\nb\x1b[2J.ntf";
  WriteFile(odd, ReadFile(Example("codepoint_small")));
  ASSERT_EQ(RunQuorvel("-q " + Quote(odd)).exitCode, 0);
  auto r = RunQuorvel("-q " + Quote(odd));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(CleanLines(r.err));
  EXPECT_EQ(r.err, "quorvel: " + (dir / "a\\x0ab\\x1b[2J.mif") + ": exists already; use --overwrite to replace it\n" +
                       "quorvel: " + (dir / "a\\x0ab\\x1b[2J.mid") + ": exists already; use --overwrite to replace it\n");

  test::WriteArchive(dir / "t.tar", test::Kind::Tar, {{"x\n\x1b[31m.txt", "no tile"}});
  r = RunQuorvel("-q --overwrite " + Quote(dir / "t.tar") + " " + Quote(odd));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(CleanLines(r.err));
  EXPECT_EQ(r.err, "quorvel: " + (dir / "t.tar") + "/x\\x0a\\x1b[31m.txt: not an NTF file; skipped\n");

  WriteZipOfWrongSize(dir / "w.zip", ReadFile(Example("codepoint_small")));
  r = RunQuorvel("-q " + Quote(dir / "w.zip"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(CleanLines(r.err));
  EXPECT_NE(r.err.find(dir / "w.zip/t.ntf: Unable to open NTF file: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("wrong size"), std::string::npos) << r.err;
  EXPECT_TRUE(r.err.ends_with(")\n")) << r.err;
}

// The links of a tar are no tiles: each is said so and counted as skipped.
TEST(Batch, LinkMembersAreReportedAndCountedAsSkipped) {
  ScratchDir dir, out;
  test::WriteArchive(dir / "t.tar.gz", test::Kind::TarGz,
                     {{"cp.ntf", ReadFile(Example("codepoint_small"))},
                      {"soft.ntf", "", false, "cp.ntf"},
                      {"hard.ntf", "", false, {}, "cp.ntf"}});
  const auto r = RunQuorvel("-d " + Quote(out.path().string()) + " " + Quote(dir / "t.tar.gz"));
  EXPECT_EQ(r.exitCode, 1);
  const std::string archive = dir / "t.tar.gz";
  EXPECT_EQ(r.err.rfind("quorvel: " + archive + "/soft.ntf: a symbolic link, not a file; skipped\n" + "quorvel: " +
                            archive + "/hard.ntf: a link to another member; skipped\n" +
                            "quorvel: 1 file translated, 2 skipped, 0 failed; ",
                        0),
            0u)
      << r.err;
  EXPECT_EQ(Names(out.path()), (std::vector<std::string>{"cp.mid", "cp.mif"}));
}

// A merged run given the same tile twice translates it once and says so;
// separate sets of one tile are refused once, naming both inputs.
TEST(Batch, ATileGivenTwiceAndTwoSetsOfOneName) {
  ScratchDir dir;
  const std::string tile = dir / "cp.ntf";
  WriteFile(tile, ReadFile(Example("codepoint_small")));
  auto r = RunQuorvel("-q -o " + Quote(dir / "all.mif") + " " + Quote(tile) + " " + Quote(tile));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "quorvel: " + tile + ": given twice; translated once\n");
  ASSERT_EQ(RunQuorvel("-q -o " + Quote(dir / "one.mif") + " " + Quote(tile)).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "all.mid"), ReadFile(dir / "one.mid"));

  WriteFile(dir / "cp", ReadFile(Example("codepoint_small")));
  r = RunQuorvel("-q --separate -d " + Quote(dir / "out") + " " + Quote(tile) + " " + Quote(dir / "cp"));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "out/cp.mif") + ": would be written by two output sets, from " + tile +
                       " and " + (dir / "cp") + "; nothing written\n");
}

// An output folder that cannot be made is said once, with the system's
// reason, before any tile is translated.
TEST(Batch, AnOutputFolderThatCannotBeMadeEndsTheRunFirst) {
  ScratchDir dir;
  WriteFile(dir / "file", "in the way");
  const auto r = RunQuorvel("-q --separate -d " + Quote(dir / "file/out") + " " + Quote(Example("codepoint_small")) +
                            " " + Quote(Example("landline_small")));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1),
            "quorvel: " + (dir / "file/out") + ": the output folder cannot be made: Not a directory; nothing written\n");
  EXPECT_EQ(r.err.find("Unable to open"), std::string::npos) << r.err;
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"file"});
}

}  // namespace
