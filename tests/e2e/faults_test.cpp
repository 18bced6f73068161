// The command under faults of the disk and of the input: output sets that
// cannot be created, writes that fail part of the way through, NTF files that
// cannot be read or vanish before their turn, files cut short and binary
// garbage. Each gives its message and exit status, never claims a complete
// translation and keeps what was already written, with every MIF in step
// with its MID.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#ifdef _WIN32
#include <windows.h>
#endif
#ifndef _WIN32
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ntfgen/generators.hpp"
#include "support/test_support.hpp"

namespace fs = std::filesystem;
using namespace quorvel::test;

namespace {


std::string Example(const std::string& name) {
  return (fs::path(QUORVEL_SOURCE_DIR) / "examples" / (name + ".ntf")).string();
}

// Objects after the "Data" line: lines whose first word names an object.
std::size_t MifObjects(const std::string& mif) {
  std::size_t objects = 0;
  bool data = false;
  for (const std::string& line : CrLfLines(mif)) {
    const std::size_t w = line.find_first_not_of(' ');
    if (w == std::string::npos) continue;
    std::string word = line.substr(w, line.find(' ', w) - w);
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
    if (!data) {
      data = word == "data";
      continue;
    }
    for (const char* k : {"point", "pline", "region", "text", "none", "line"})
      if (word == k) ++objects;
  }
  return objects;
}

// Every MIF in the folder has its MID beside it with one row per object.
void ExpectPairsInStep(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() != ".mif" || !e.is_regular_file()) continue;
    fs::path mid = e.path();
    mid.replace_extension(".mid");
    ASSERT_TRUE(fs::exists(mid)) << e.path();
    EXPECT_EQ(MifObjects(ReadFile(e.path().string())), CrLfLines(ReadFile(mid.string())).size()) << e.path();
  }
}

void ExpectNoCompletion(const CommandResult& r) {
  EXPECT_EQ((r.out + r.err).find("Translation complete"), std::string::npos) << r.out << r.err;
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---------------------------------------------------------------------------
// Output sets that cannot be created

struct Blocked {
  const char* what;
  const char* tile;     // example tile translated
  const char* options;  // extra options
  const char* blocker;  // a folder where a file of the set x.mif would go
};

TEST(Faults, AnOutputSetThatCannotBeCreatedEndsTheRunAndLeavesWhatWasThere) {
  for (const Blocked& c : {
           Blocked{"the MID is a folder", "codepoint_small", "", "x.mid"},
           Blocked{"the text MIF is a folder", "landline_small", "", "x_Text.mif"},
           Blocked{"the text MID is a folder", "meridian2_small", "", "x_Text.mid"},
           Blocked{"the network file is a folder", "meridian2_small", "--network", "x_Network.txt"},
           Blocked{"a Boundary-Line polygon MIF is a folder", "boundaryline_small", "", "x_poly.mif"},
           Blocked{"a Boundary-Line link MID is a folder", "boundaryline_small", "", "x_pline.mid"},
       }) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    fs::create_directory(dir.path() / c.blocker);
    WriteFile(dir / "keep.txt", "not ours");
    const CommandResult r =
        RunQuorvel(std::string("-q ") + c.options + " -o " + Quote(dir / "x.mif") + " " + Quote(Example(c.tile)));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("quorvel: " + (dir / c.blocker) + ": Unable to open MIF file: is a folder\n", 0), 0u) << r.err;
    ExpectNoCompletion(r);
    // The folder in the way and everything else that was there is untouched;
    // the set's files that were made for nothing are gone.
    EXPECT_TRUE(fs::is_directory(dir.path() / c.blocker));
    EXPECT_EQ(ReadFile(dir / "keep.txt"), "not ours");
    std::vector<std::string> left = {c.blocker, "keep.txt"};
    std::sort(left.begin(), left.end());
    EXPECT_EQ(Names(dir.path()), left);
  }
}

TEST(Faults, AMifNameUnderAFileOrAMissingFolderCannotBeCreated) {
  ScratchDir dir;
  WriteFile(dir / "plain", "a file, not a folder");
  for (const std::string& name : {dir / "plain/x.mif", dir / "no/such/folder/x.mif", std::string("/proc/x.mif")}) {
    SCOPED_TRACE(name);
    const CommandResult r = RunQuorvel("-q -o " + Quote(name) + " " + Quote(Example("codepoint_small")));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("quorvel: " + name + ": Unable to open MIF file: ", 0), 0u) << r.err;
    ExpectNoCompletion(r);
  }
  EXPECT_EQ(ReadFile(dir / "plain"), "a file, not a folder");
}

TEST(Faults, SeparateTilesEndAtTheFirstSetThatCannotBeCreatedAndKeepTheEarlierOnes) {
  ScratchDir dir, alone;
  for (const char* t : {"a", "b", "c"}) fs::copy_file(Example("codepoint_small"), dir.path() / (std::string(t) + ".ntf"));
  fs::copy_file(Example("codepoint_small"), alone.path() / "a.ntf");
  ASSERT_EQ(RunQuorvel("-q " + Quote(alone / "a.ntf")).exitCode, 0);
  fs::create_directory(dir.path() / "b.mid");
  const CommandResult r =
      RunQuorvel("-q --separate " + Quote(dir / "a.ntf") + " " + Quote(dir / "b.ntf") + " " + Quote(dir / "c.ntf"));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "b.mid") + ": Unable to open MIF file: is a folder\n" +
                       "quorvel: stopped; 1 of 3 output sets written\n");
  ExpectNoCompletion(r);
  EXPECT_EQ(ReadFile(dir / "a.mif"), ReadFile(alone / "a.mif"));
  EXPECT_EQ(ReadFile(dir / "a.mid"), ReadFile(alone / "a.mid"));
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.mid", "a.mif", "a.ntf", "b.mid", "b.ntf", "c.ntf"}));
}

// ---------------------------------------------------------------------------
// Earlier output and sets that would share a file

std::string ExistsAlready(const std::string& path) {
  return "quorvel: " + path + ": exists already; use --overwrite to replace it\n";
}

// Earlier output, a whole set or a single file of one, stays as it is unless
// --overwrite is given, and the run writes nothing beside it.
TEST(Faults, EarlierOutputIsKeptWithoutOverwrite) {
  ScratchDir dir;
  fs::copy_file(Example("landline_small"), dir.path() / "ll.ntf");
  ASSERT_EQ(RunQuorvel("-q " + Quote(dir / "ll.ntf")).exitCode, 0);
  const std::vector<std::string> set = {"ll.mif", "ll.mid", "ll_Text.mif", "ll_Text.mid"};
  std::vector<std::string> first;
  for (const std::string& f : set) first.push_back(ReadFile(dir / f));
  WriteFile(dir / "ll.mif", "edited by hand");
  const CommandResult kept = RunQuorvel("-q " + Quote(dir / "ll.ntf"));
  EXPECT_EQ(kept.exitCode, 3);
  std::string err;
  for (const std::string& f : set) err += ExistsAlready(dir / f);
  EXPECT_EQ(kept.err, err);
  ExpectNoCompletion(kept);
  EXPECT_EQ(ReadFile(dir / "ll.mif"), "edited by hand");
  for (std::size_t i = 1; i < set.size(); ++i) EXPECT_EQ(ReadFile(dir / set[i]), first[i]) << set[i];
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ll.mid", "ll.mif", "ll.ntf", "ll_Text.mid", "ll_Text.mif"}));
  EXPECT_EQ(RunQuorvel("-q --overwrite " + Quote(dir / "ll.ntf")).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "ll.mif"), first[0]);

  // One file of a set is enough to keep the whole set from being written.
  ScratchDir part;
  fs::copy_file(Example("landline_small"), part.path() / "ll.ntf");
  WriteFile(part / "ll_Text.mid", "not a set's");
  const CommandResult one = RunQuorvel("-q " + Quote(part / "ll.ntf"));
  EXPECT_EQ(one.exitCode, 3);
  EXPECT_EQ(one.err, ExistsAlready(part / "ll_Text.mid"));
  EXPECT_EQ(ReadFile(part / "ll_Text.mid"), "not a set's");
  EXPECT_EQ(Names(part.path()), (std::vector<std::string>{"ll.ntf", "ll_Text.mid"}));
}

#ifdef _WIN32
// MapInfo keeps the tables it has open locked: a member of the earlier set
// that another program holds open cannot be replaced. The run says so,
// naming the file, and the whole earlier set stays (exit 3).
TEST(Faults, AMemberHeldOpenByAnotherProgramKeepsTheWholeEarlierSet) {
  ScratchDir dir;
  fs::copy_file(Example("landline_small"), dir.path() / "ll.ntf");
  for (const char* f : {"ll.mif", "ll.mid", "ll_Text.mif", "ll_Text.mid"}) WriteFile(dir / f, std::string("old ") + f);
  const std::wstring held = (dir.path() / "ll.mid").wstring();
  const HANDLE h = ::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const CommandResult r = RunQuorvel("-q --overwrite " + Quote(dir / "ll.ntf"));
  ::CloseHandle(h);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find("ll.mid"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("in use by another program"), std::string::npos) << r.err;
  for (const char* f : {"ll.mif", "ll.mid", "ll_Text.mif", "ll_Text.mid"})
    EXPECT_EQ(ReadFile(dir / f), std::string("old ") + f) << f;
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ll.mid", "ll.mif", "ll.ntf", "ll_Text.mid", "ll_Text.mif"}));
}
#endif

// Two sets that would write one file are refused before anything is
// written. Where case does not count in names (Windows), two names that
// differ only in case are one file.
TEST(Faults, SetsThatWouldShareAFileAreRefusedWithNothingWritten) {
  ScratchDir dir;
  fs::copy_file(Example("landline_small"), dir.path() / "ll.ntf");
  fs::copy_file(Example("codepoint_small"), dir.path() / "ll_Text.ntf");
  const CommandResult shared = RunQuorvel("-q --separate " + Quote(dir / "ll.ntf") + " " + Quote(dir / "ll_Text.ntf"));
  EXPECT_EQ(shared.exitCode, 2);
  EXPECT_EQ(shared.err, "quorvel: " + (dir / "ll_Text.mif") + ": would be written by two output sets, from " +
                            (dir / "ll.ntf") + " and " + (dir / "ll_Text.ntf") + "; nothing written\n");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ll.ntf", "ll_Text.ntf"}));

  ScratchDir cased;
  fs::create_directory(cased.path() / "a");
  fs::create_directory(cased.path() / "b");
  fs::create_directory(cased.path() / "out");
  fs::copy_file(Example("codepoint_small"), cased.path() / "a/t.ntf");
  fs::copy_file(Example("codepoint_small"), cased.path() / "b/T.ntf");
  const CommandResult r = RunQuorvel("-q --separate -d " + Quote(cased / "out") + " " + Quote(cased / "a/t.ntf") + " " +
                                     Quote(cased / "b/T.ntf"));
#ifdef _WIN32
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "quorvel: " + (cased / "out/t.mif") + ": would be written by two output sets, from " +
                       (cased / "a/t.ntf") + " and " + (cased / "b/T.ntf") + "; nothing written\n");
  EXPECT_EQ(Names(cased.path() / "out"), std::vector<std::string>{});
#else
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(cased.path() / "out"), (std::vector<std::string>{"T.mid", "T.mif", "t.mid", "t.mif"}));
#endif
}

// ---------------------------------------------------------------------------
// Writes that fail part of the way through

// A write that fails part of the way through leaves every file that was
// there before as it was, and no temporary behind. (The shell's file size
// limit: POSIX only.)
#ifndef _WIN32
TEST(Faults, AFileSizeLimitReachedPartWayLeavesTheEarlierSetWhole) {
  ScratchDir dir;
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  WriteFile(dir / "big.ntf", ntfgen::GenerateCodePoint(options));
  WriteFile(dir / "cut.mif", "an earlier set");
  WriteFile(dir / "cut.mid", "its rows");
  // 400 blocks of 512 bytes: the write beyond is refused (the signal is
  // ignored, so the write fails with EFBIG instead of ending the process).
  const CommandResult r = RunCommand("ulimit -f 400; trap '' XFSZ; " + Quote(QUORVEL_CLI) + " -q --overwrite -o " +
                                     Quote(dir / "cut.mif") + " " + Quote(dir / "big.ntf") + " </dev/null");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err.rfind("quorvel: " + (dir / "cut.mi"), 0), 0u) << r.err;
  EXPECT_NE(r.err.find(": Error writing file: File too large\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quorvel: stopped; 0 of 1 output sets written\n"), std::string::npos) << r.err;
  ExpectNoCompletion(r);
  EXPECT_EQ(ReadFile(dir / "cut.mif"), "an earlier set");
  EXPECT_EQ(ReadFile(dir / "cut.mid"), "its rows");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"big.ntf", "cut.mid", "cut.mif"}));
}
#endif

// A full device (/dev/full): POSIX only.
#ifndef _WIN32
TEST(Faults, ANetworkFileThatRefusesDataEndsTheRunWithTheObjectsWrittenSoFar) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchDir dir;
  fs::create_symlink("/dev/full", dir.path() / "x_Network.txt");
  const CommandResult r = RunQuorvel("-q --network -o " + Quote(dir / "x.mif") + " " + Quote(Example("meridian2_small")) +
                                     " " + Quote(Example("codepoint_small")));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "x_Network.txt") + ": Error writing file: No space left on device\n" +
                       "quorvel: stopped; 0 of 1 output sets written\n");
  ExpectNoCompletion(r);
  // The run ended inside the first tile: nothing of the set is put in place.
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"x_Network.txt"});
}

TEST(Faults, ATextPairThatRefusesDataFailsTheRun) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScratchDir dir;
  fs::create_symlink("/dev/full", dir.path() / "x_Text.mif");
  const CommandResult r = RunQuorvel("-q -o " + Quote(dir / "x.mif") + " " + Quote(Example("landline_small")));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "x_Text.mif") + ": Error writing file: No space left on device\n" +
                       "quorvel: stopped; 0 of 1 output sets written\n");
  ExpectNoCompletion(r);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"x_Text.mif"});
}
#endif

// ---------------------------------------------------------------------------
// NTF files that cannot be read

TEST(Faults, NtfFilesThatCannotBeReadAreSkippedAndTheRunGoesOn) {
  ScratchDir dir;
  fs::copy_file(Example("codepoint_small"), dir.path() / "a.ntf");
  fs::create_directory(dir.path() / "folder.ntf");
  WriteFile(dir / "one.ntf", "01VOLUME HEADER ONLY0%\r\n");
  WriteFile(dir / "empty.ntf", "");
  fs::copy_file(Example("codepoint_small"), dir.path() / "c.ntf");
  std::vector<std::pair<std::string, std::string>> bad = {{dir / "folder.ntf", "is a folder"},
                                                           {dir / "one.ntf", "fewer than two lines"},
                                                           {dir / "empty.ntf", "fewer than two lines"}};
#ifndef _WIN32
  // A link to nothing (links need privileges on Windows).
  fs::create_symlink(dir.path() / "gone.ntf", dir.path() / "dangling.ntf");
  bad.insert(bad.begin() + 1, {dir / "dangling.ntf", "No such file or directory"});
#endif
  std::string args = "-q -o " + Quote(dir / "all.mif") + " " + Quote(dir / "a.ntf");
  std::string err;
  for (const auto& [b, reason] : bad) {
    args += " " + Quote(b);
    err += "quorvel: " + b + ": Unable to open NTF file: " + reason + "\n";
  }
  const CommandResult r = RunQuorvel(args + " " + Quote(dir / "c.ntf"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, err);
  ExpectNoCompletion(r);
  ScratchDir alone;
  fs::copy_file(Example("codepoint_small"), alone.path() / "a.ntf");
  ASSERT_EQ(RunQuorvel("-q " + Quote(alone / "a.ntf")).exitCode, 0);
  EXPECT_EQ(CrLfLines(ReadFile(dir / "all.mid")).size(), 2 * CrLfLines(ReadFile(alone / "a.mid")).size());
  ExpectPairsInStep(dir.path());
}

// The FIFO that holds the command back is POSIX only.
#ifndef _WIN32
TEST(Faults, AFileThatVanishesBeforeItsTurnIsSkipped) {
  ScratchDir dir;
  // The first file is a FIFO: the command waits on it while the second file
  // is removed, so the second is gone by the time its turn comes.
  ASSERT_EQ(::mkfifo((dir / "first.ntf").c_str(), 0600), 0);
  fs::copy_file(Example("codepoint_small"), dir.path() / "second.ntf");
  fs::copy_file(Example("codepoint_small"), dir.path() / "third.ntf");
  auto run = std::async(std::launch::async, [&] {
    return RunQuorvel("-q -o " + Quote(dir / "all.mif") + " " + Quote(dir / "first.ntf") + " " +
                      Quote(dir / "second.ntf") + " " + Quote(dir / "third.ntf"));
  });
  const int fd = ::open((dir / "first.ntf").c_str(), O_WRONLY);  // waits for the command to open it
  ASSERT_GE(fd, 0);
  fs::remove(dir.path() / "second.ntf");
  const std::string tile = ReadFile(Example("codepoint_small"));
  ASSERT_EQ(::write(fd, tile.data(), tile.size()), static_cast<ssize_t>(tile.size()));
  ::close(fd);
  const CommandResult r = run.get();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quorvel: " + (dir / "second.ntf") + ": Unable to open NTF file: No such file or directory\n");
  ExpectNoCompletion(r);
  ScratchDir alone;
  fs::copy_file(Example("codepoint_small"), alone.path() / "a.ntf");
  ASSERT_EQ(RunQuorvel("-q " + Quote(alone / "a.ntf")).exitCode, 0);
  // The first and the third tile are both there.
  EXPECT_EQ(CrLfLines(ReadFile(dir / "all.mid")).size(), 2 * CrLfLines(ReadFile(alone / "a.mid")).size());
  ExpectPairsInStep(dir.path());
}
#endif

// ---------------------------------------------------------------------------
// Files cut short and garbage

const char* const kTranslatedTiles[] = {
    "boundaryline_small", "codepoint_small",         "landline_small",   "meridian2_small",
    "oscar-asset_small",  "oscar-traffic_small",     "panorama-dtm_small", "panorama-contours_small",
    "profile-dtm_small",  "profile-contours_small",  "strategi_small",
};

TEST(Faults, EveryProductReportsAFileWithoutItsEndRecordAndKeepsItsOutput) {
  for (const char* name : kTranslatedTiles) {
    SCOPED_TRACE(name);
    ScratchDir whole, cut;
    const std::string text = ReadFile(Example(name));
    const std::size_t end = text.rfind("\r\n99");
    ASSERT_NE(end, std::string::npos);
    WriteFile(whole / "t.ntf", text);
    WriteFile(cut / "t.ntf", text.substr(0, end + 2));
    ASSERT_EQ(RunQuorvel("-q " + Quote(whole / "t.ntf")).exitCode, 0);
    const CommandResult r = RunQuorvel("-q " + Quote(cut / "t.ntf"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("quorvel: " + (cut / "t.ntf") + ": Error reading NTF file", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    ExpectNoCompletion(r);
    // Every file the whole tile gives is there, with no more objects.
    for (const std::string& f : Names(whole.path())) {
      if (f == "t.ntf") continue;
      ASSERT_TRUE(Exists(cut / f)) << f;
      if (f.ends_with(".mif")) {
        EXPECT_LE(MifObjects(ReadFile(cut / f)), MifObjects(ReadFile(whole / f))) << f;
      }
    }
    ExpectPairsInStep(cut.path());
  }
}

TEST(Faults, BinaryGarbageIsNotTranslatedAndLeavesNothing) {
  std::mt19937 random(9);
  ScratchDir dir;
  std::string args = "-q -o " + Quote(dir / "g.mif");
  for (int i = 0; i < 4; ++i) {
    std::string bytes(1000 + 3000 * i, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string path = dir / ("g" + std::to_string(i) + ".ntf");
    WriteFile(path, bytes);
    args += " " + Quote(path);
  }
  const CommandResult r = RunQuorvel(args);
  EXPECT_EQ(r.exitCode, 1);
  // One message per file: not loadable or not a known product.
  std::size_t messages = 0;
  for (std::size_t p = r.err.find("quorvel: "); p != std::string::npos; p = r.err.find("quorvel: ", p + 1)) ++messages;
  EXPECT_EQ(messages, 4u) << r.err;
  for (int i = 0; i < 4; ++i) EXPECT_NE(r.err.find("g" + std::to_string(i) + ".ntf"), std::string::npos) << r.err;
  ExpectNoCompletion(r);
  EXPECT_FALSE(Exists(dir / "g.mif"));
  EXPECT_FALSE(Exists(dir / "g.mid"));
}

TEST(Faults, GarbageAfterAProductsSectionHeaderEndsCleanly) {
  std::mt19937 random(17);
  for (const char* name : kTranslatedTiles) {
    SCOPED_TRACE(name);
    const std::string text = ReadFile(Example(name));
    // Everything up to and including the section header, then garbage:
    // short lines of random bytes, some with the end marks.
    const std::size_t section = text.find("\r\n07");
    ASSERT_NE(section, std::string::npos);
    std::string tile = text.substr(0, text.find("\r\n", section + 2) + 2);
    for (int line = 0; line < 300; ++line) {
      std::string l(random() % 90, ' ');
      for (char& c : l) {
        c = static_cast<char>(random());
        if (c == '\r' || c == '\n') c = ' ';
      }
      const int end = static_cast<int>(random() % 4);
      tile += l + (end == 0 ? "1%" : end == 1 ? "0%" : "") + "\r\n";
    }
    ScratchDir dir;
    WriteFile(dir / "t.ntf", tile);
    const CommandResult r = RunQuorvel("-q " + Quote(dir / "t.ntf"));
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << "\n" << r.err;
    if (!r.err.empty()) {
      EXPECT_EQ(r.err.rfind("quorvel: ", 0), 0u) << r.err;
    }
    ExpectNoCompletion(r);
    ExpectPairsInStep(dir.path());
  }
}

// Geometry records that claim 9999 coordinate pairs and nodes that claim
// 9999 links, with the few they really hold: the translation ends with a
// read error or goes on, never reads past the record and never allocates by
// the claimed count.
TEST(Faults, RecordsThatClaimHugeCountsEndCleanly) {
  for (const char* name : kTranslatedTiles) {
    SCOPED_TRACE(name);
    std::string tile;
    int changed = 0;
    for (std::string line : CrLfLines(ReadFile(Example(name)))) {
      const std::string id = line.substr(0, 2);
      if ((id == "21" || id == "22") && line.size() >= 13) {
        line.replace(9, 4, "9999");
        ++changed;
      } else if (id == "16" && line.size() >= 18) {
        line.replace(14, 4, "9999");
        ++changed;
      }
      tile += line + "\r\n";
    }
    if (changed == 0) continue;  // a height grid: no geometry records
    ScratchDir dir;
    WriteFile(dir / "t.ntf", tile);
    const CommandResult r = RunQuorvel("-q --network " + Quote(dir / "t.ntf"));
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << "\n" << r.err;
    if (!r.err.empty()) {
      EXPECT_EQ(r.err.rfind("quorvel: ", 0), 0u) << r.err;
    }
    ExpectNoCompletion(r);
    ExpectPairsInStep(dir.path());
  }
}

}  // namespace

// Archives and the shell's memory limit: POSIX only.
#ifndef _WIN32
namespace {

// A Land-Line tile of about `megabytes` MB: a full tile's records repeated
// between its section header and its end record.
std::string LargeTile(std::size_t megabytes) {
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  const std::string full = ntfgen::FindGenerator("landline")->generate(options);
  std::size_t bodyAt = 0;
  for (int line = 0; line < 7; ++line) bodyAt = full.find('\n', bodyAt) + 1;
  const std::size_t endAt = full.rfind("99");
  const std::string body = full.substr(bodyAt, endAt - bodyAt);
  std::string tile = full.substr(0, bodyAt);
  while (tile.size() < (megabytes << 20)) tile += body;
  return tile + full.substr(endAt);
}

// An archive member is never held whole: a member larger than the memory
// the command may take (its address space limited, as `ulimit -v` does) is
// spooled beside its output and read a window at a time, and gives the set
// the same tile gives loose, where it is mapped.
TEST(Faults, AnArchiveMemberLargerThanTheMemoryAllowedTranslatesWhole) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's shadow memory needs an address space without a limit";
#endif
  ScratchDir dir;
  const std::string tile = LargeTile(160);
  WriteArchive(dir / "big.tar", Kind::Tar, {{"big.ntf", tile}});
  WriteFile(dir / "big.ntf", tile);
  fs::create_directory(dir.path() / "spooled");
  fs::create_directory(dir.path() / "loose");
  const CommandResult limited =
      RunCommand("ulimit -v 120000 && " + Quote(QUORVEL_CLI) + " -q -d " + Quote(dir / "spooled") + " " +
                 Quote(dir / "big.tar"));
  ASSERT_EQ(limited.exitCode, 0) << limited.err;
  const CommandResult loose = RunQuorvel("-q -d " + Quote(dir / "loose") + " " + Quote(dir / "big.ntf"));
  ASSERT_EQ(loose.exitCode, 0) << loose.err;
  for (const std::string name : {"big.mif", "big.mid", "big_Text.mif", "big_Text.mid"})
    EXPECT_TRUE(ReadFile(dir / ("spooled/" + name)) == ReadFile(dir / ("loose/" + name))) << name;
  EXPECT_EQ(Names(dir.path() / "spooled"), Names(dir.path() / "loose"));
}

}  // namespace
#endif
