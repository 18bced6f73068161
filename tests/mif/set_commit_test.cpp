// Replacing a set all or nothing: a process killed at every step of a
// commit, a rename that fails half way, a set that appeared since the run
// began, leftovers of dead runs, and side names that fit any target name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "mif/output_set.hpp"
#include "mif/set_commit.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

const char* const kEarlier[] = {"out.mif", "out.mid", "out_Text.mif", "out_Text.mid", "out_Network.txt"};

// The files of `dir` by name with their contents (hidden ones apart).
std::map<std::string, std::string> Contents(const test::ScratchDir& dir, bool hidden = false) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    if ((name[0] == '.') == hidden && e.is_regular_file()) files[name] = test::ReadFile(e.path().string());
  }
  return files;
}

void WriteEarlierSet(const test::ScratchDir& dir) {
  for (const char* f : kEarlier) test::WriteFile(dir / f, std::string("earlier ") + f);
}

// A new set that writes the main and text pairs (the network file of the
// earlier set is stale and goes).
bool CommitNewSet(const test::ScratchDir& dir) {
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, false);
  if (!set.CreateOutputSet()) return false;
  set.main.WriteHeader("NEW\r\n", "Test", 1);
  set.main.WritePoint("1", "2");
  set.main.WriteRow("a");
  set.text.WriteHeader("NEW\r\n", "Test", 1);
  set.text.WritePoint("3", "4");
  set.text.WriteRow("b");
  return set.CommitOutputSet();
}

const std::map<std::string, std::string> kNewSet = {{"out.mif", "NEW\r\nPOINT 1 2\r\n"},
                                                    {"out.mid", "a\r\n"},
                                                    {"out_Text.mif", "NEW\r\nPOINT 3 4\r\n"},
                                                    {"out_Text.mid", "b\r\n"}};

std::map<std::string, std::string> EarlierSet() {
  std::map<std::string, std::string> files;
  for (const char* f : kEarlier) files[f] = std::string("earlier ") + f;
  return files;
}

}  // namespace

// A process killed after each rename of its commit (and after the commit
// point): the next run's clean-up leaves either the whole earlier set or the
// whole new one, and nothing hidden.
TEST(SetCommit, AKillAtAnyStepLeavesOneWholeSetAfterTheNextRunsCleanUp) {
  for (int killAfter = 0; killAfter <= 12; ++killAfter) {
    test::ScratchDir dir;
    WriteEarlierSet(dir);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      gKillAfterRenames = killAfter;
      ::_exit(CommitNewSet(dir) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    const FolderRecovery r = RecoverFolder(dir.path().string());
    const auto files = Contents(dir);
    if (killed) {
      EXPECT_TRUE(files == EarlierSet() || files == kNewSet) << "killed after " << killAfter << " renames";
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      EXPECT_EQ(files, kNewSet) << "finished before " << killAfter << " renames";
      EXPECT_EQ(r.commitsUndone + r.filesRemoved, 0u);
    }
    EXPECT_TRUE(Contents(dir, true).empty()) << "killed after " << killAfter;
    // Killed before the commit point, the earlier set is back.
    if (killed && killAfter <= 9) {
      EXPECT_EQ(files, EarlierSet()) << killAfter;
      EXPECT_EQ(r.commitsUndone, 1u);
    }
  }
}

TEST(SetCommit, ARenameFailingHalfWayPutsTheWholeEarlierSetBack) {
  test::ScratchDir dir;
  WriteEarlierSet(dir);
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, false);
  ASSERT_TRUE(set.CreateOutputSet());
  set.main.WriteHeader("NEW\r\n", "Test", 1);
  set.text.WriteHeader("NEW\r\n", "Test", 1);
  // The text MID's name is taken by a folder holding a file: the earlier
  // main pair has been moved aside and the new one renamed in by the time
  // that rename fails.
  std::filesystem::remove(dir / "out_Text.mid");
  std::filesystem::create_directory(dir / "out_Text.mid");
  test::WriteFile(dir / "out_Text.mid/keep", "the user's");
  EXPECT_FALSE(set.CommitOutputSet());
  EXPECT_NE(set.FailureText().find("out_Text.mid"), std::string::npos) << set.FailureText();
  auto expected = EarlierSet();
  expected.erase("out_Text.mid");
  EXPECT_EQ(Contents(dir), expected);
  EXPECT_EQ(test::ReadFile(dir / "out_Text.mid/keep"), "the user's");
  EXPECT_TRUE(Contents(dir, true).empty()) << "no temporary and no lock";
}

TEST(SetCommit, ASetThatAppearedIsNotReplacedAndTheRuleSeesEveryMemberThere) {
  test::ScratchDir dir;
  WriteEarlierSet(dir);
  OutputSet set(dir / "out.mif", TextRouting::WithObjects, false);
  ASSERT_TRUE(set.CreateOutputSet());
  set.main.WriteHeader("NEW\r\n", "Test", 1);
  std::vector<std::string> asked;
  set.SetMayReplace([&](const std::string& path) -> const char* {
    asked.push_back(std::filesystem::path(path).filename().string());
    return path.ends_with("out_Text.mif") ? "appeared" : nullptr;
  });
  EXPECT_FALSE(set.CommitOutputSet());
  EXPECT_EQ(set.FailureText(), dir / "out_Text.mif" + ": appeared");
  EXPECT_EQ(Contents(dir), EarlierSet());
  // Asked in the set's order, up to the refusal: the new pair's targets,
  // then the stale members.
  EXPECT_EQ(asked, (std::vector<std::string>{"out.mif", "out.mid", "out_Text.mif"}));
  EXPECT_TRUE(Contents(dir, true).empty());
}

// Temporaries of a process that died are removed by the next clean-up,
// with their bytes counted; those of a live one stay.
TEST(SetCommit, LeftoversOfDeadRunsGoAndThoseOfLiveOnesStay) {
  test::ScratchDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto* left = new OutputSet(dir / "dead.mif", TextRouting::OwnPair, false);  // never ended
    if (!left->CreateOutputSet()) ::_exit(1);
    left->main.mif.Write(std::string(300000, 'x'));  // past the buffer: on the disk
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(Contents(dir, true).size(), 4u);  // four temporaries

  OutputSet live(dir / "live.mif", TextRouting::WithObjects, false);
  ASSERT_TRUE(live.CreateOutputSet());
  live.main.mif.Write(std::string(300000, 'y'));
  const FolderRecovery r = RecoverFolder(dir.path().string());
  EXPECT_EQ(r.filesRemoved, 4u);
  EXPECT_GE(r.bytesFreed, 262144u);
  EXPECT_EQ(r.commitsUndone, 0u);
  EXPECT_EQ(Contents(dir, true).size(), 2u) << "the live run's two temporaries";
  live.main.WriteHeader("H\r\n", "Test", 1);
  EXPECT_TRUE(live.CommitOutputSet());
  EXPECT_TRUE(test::Exists(dir / "live.mif"));
  EXPECT_TRUE(Contents(dir, true).empty());
}

TEST(SetCommit, SideNamesFitAnyTargetNameAndAreKnownAgain) {
  // 240 bytes of name, the longest part a UTF-8 one ("é" is two bytes).
  std::string name = "a";
  while (name.size() < 236) name += "\xc3\xa9";
  name.resize(236);
  name += ".mif";
  std::set<std::string> made;
  for (const char* role : {"tmp", "old", "journal"})
    for (std::uint64_t serial : {0ull, 1ull, 18446744073709551615ull}) {
      const std::string side = SideName("/some/folder/" + name, role, serial);
      ASSERT_EQ(side.rfind("/some/folder/.", 0), 0u) << side;
      const std::string last = side.substr(side.rfind('/') + 1);
      EXPECT_LE(last.size(), 200u) << last;
      EXPECT_TRUE(IsSideName(last, role)) << last;
      // Cut at a character's first byte: no lone half of a character.
      const std::string kept = last.substr(1, last.find(".quorvel-") - 1);
      ASSERT_FALSE(kept.empty());
      EXPECT_NE(static_cast<unsigned char>(kept.back()) & 0xC0, 0xC0u) << last;
      EXPECT_LT(kept.size(), name.size());
      made.insert(side);
    }
  EXPECT_EQ(made.size(), 9u);
  EXPECT_FALSE(IsSideName("out.mif", "tmp"));
  EXPECT_FALSE(IsSideName(".out.mif.tmp", "tmp"));
  EXPECT_FALSE(IsSideName(".x.quorvel-1-2.old", "tmp"));

  // A tile name of 240 characters translates: its temporaries fit.
  test::ScratchDir dir;
  OutputFile f;
  const std::string target = dir / name;
  ASSERT_TRUE(f.Create(target)) << f.error();
  f.WriteLine("x");
  EXPECT_TRUE(f.Commit());
  EXPECT_EQ(test::ReadFile(target), "x\r\n");
}
