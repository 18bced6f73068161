// Replacing a set all or nothing: a process killed at every step of a
// commit, a rename that fails half way, a set that appeared since the run
// began, leftovers of dead runs, and side names that fit any target name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
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

// The new set's main and text pairs, written into `set`.
void WriteNewPairs(OutputSet& set) {
  set.main.WriteHeader("NEW\r\n", "Test", 1);
  set.main.WritePoint("1", "2");
  set.main.WriteRow("a");
  set.text.WriteHeader("NEW\r\n", "Test", 1);
  set.text.WritePoint("3", "4");
  set.text.WriteRow("b");
}

// A new set that writes the main and text pairs (the network file of the
// earlier set is stale and goes).
bool CommitNewSet(const test::ScratchDir& dir) {
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, false);
  if (!set.CreateOutputSet()) return false;
  WriteNewPairs(set);
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

// Sets committed together: each named `name`.mif in its folder, over an
// earlier set of the five members, writing the main and text pairs.
struct Batch {
  std::vector<std::pair<const test::ScratchDir*, std::string>> names;
  std::vector<std::unique_ptr<OutputSet>> sets;

  void Add(const test::ScratchDir& dir, const std::string& name) {
    for (const char* f : kEarlier) test::WriteFile(dir / (name + std::string(f).substr(3)), std::string("earlier ") + f);
    names.emplace_back(&dir, name);
  }
  // Creates and writes every set; false when one cannot be created.
  bool Write() {
    for (const auto& [dir, name] : names) {
      sets.push_back(std::make_unique<OutputSet>(*dir / (name + ".mif"), TextRouting::OwnPair, false));
      OutputSet& set = *sets.back();
      if (!set.CreateOutputSet()) return false;
      WriteNewPairs(set);
    }
    return true;
  }
  std::vector<bool> Commit() {
    std::vector<OutputSet*> all;
    for (const auto& set : sets) all.push_back(set.get());
    return OutputSet::CommitOutputSets(all);
  }
};

// The members of the set `name` in `dir`, by the names kEarlier gives "out".
std::map<std::string, std::string> SetIn(const test::ScratchDir& dir, const std::string& name) {
  std::map<std::string, std::string> files;
  for (const auto& [file, text] : Contents(dir))
    if (file.rfind(name, 0) == 0 && file.find_first_of("._", name.size()) == name.size())
      files["out" + file.substr(name.size())] = text;
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

// Sets that are ready together are committed as one batch: every one is put
// in place whole, stale members of each earlier set go, and nothing hidden
// (a journal, a lock, a file set aside) is left.
TEST(SetCommit, ABatchOfSetsPutsEachInPlaceWhole) {
  test::ScratchDir dir, other;
  Batch batch;
  batch.Add(dir, "a");
  batch.Add(dir, "b");
  batch.Add(other, "c");
  ASSERT_TRUE(batch.Write());
  EXPECT_EQ(batch.Commit(), std::vector<bool>(3, true));
  EXPECT_EQ(SetIn(dir, "a"), kNewSet);
  EXPECT_EQ(SetIn(dir, "b"), kNewSet);
  EXPECT_EQ(SetIn(other, "c"), kNewSet);
  EXPECT_EQ(Contents(dir).size() + Contents(other).size(), 12u);
  EXPECT_TRUE(Contents(dir, true).empty());
  EXPECT_TRUE(Contents(other, true).empty());
  for (const auto& set : batch.sets) {
    ASSERT_EQ(set->committed().size(), 4u) << set->mifName();
    EXPECT_FALSE(set->WriteFailed());
  }
}

// One set of a batch refused by its rule and another whose rename fails
// half way: both keep their whole earlier sets, the others are put in
// place, and each says how it went.
TEST(SetCommit, ARefusedSetAndAFailedRenameInABatchLeaveTheOthersToCommit) {
  test::ScratchDir dir;
  Batch batch;
  for (const char* name : {"a", "refused", "blocked", "d"}) batch.Add(dir, name);
  ASSERT_TRUE(batch.Write());
  batch.sets[1]->SetMayReplace([](const std::string& path) -> const char* {
    return path.ends_with("refused.mid") ? "appeared" : nullptr;
  });
  // The blocked set's text MID is a folder holding a file by the time of
  // the commit: its earlier main pair has been moved aside and its new one
  // renamed in when that rename fails.
  std::filesystem::remove(dir / "blocked_Text.mid");
  std::filesystem::create_directory(dir / "blocked_Text.mid");
  test::WriteFile(dir / "blocked_Text.mid/keep", "the user's");

  EXPECT_EQ(batch.Commit(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(SetIn(dir, "a"), kNewSet);
  EXPECT_EQ(SetIn(dir, "d"), kNewSet);
  EXPECT_EQ(SetIn(dir, "refused"), EarlierSet());
  EXPECT_EQ(batch.sets[1]->FailureText(), dir / "refused.mid" + ": appeared");
  auto blocked = EarlierSet();
  blocked.erase("out_Text.mid");
  EXPECT_EQ(SetIn(dir, "blocked"), blocked);
  EXPECT_EQ(test::ReadFile(dir / "blocked_Text.mid/keep"), "the user's");
  EXPECT_NE(batch.sets[2]->FailureText().find("blocked_Text.mid"), std::string::npos) << batch.sets[2]->FailureText();
  for (std::size_t i : {1u, 2u}) EXPECT_TRUE(batch.sets[i]->committed().empty()) << i;
  EXPECT_EQ(batch.sets[3]->committed().size(), 4u);
  EXPECT_TRUE(Contents(dir, true).empty()) << "no temporary, journal or lock";
}

// A process killed at every step of a batch's commit, over two folders:
// once the next run's clean-up has been through both, every set is whole,
// and all of them are the earlier ones until the batch's commit point.
TEST(SetCommit, AKillAtAnyStepOfABatchLeavesEverySetWholeAfterTheCleanUp) {
  // Three sets of nine renames each (five earlier members aside, four new
  // ones in), then the point after the renames and the one after the
  // journals have gone.
  constexpr int kRenames = 27;
  for (int killAfter = 0; killAfter <= kRenames + 2; ++killAfter) {
    test::ScratchDir one, two;
    Batch batch;
    batch.Add(one, "x");
    batch.Add(two, "y");
    batch.Add(two, "z");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      gKillAfterRenames = killAfter;
      if (!batch.Write()) ::_exit(1);
      ::_exit(batch.Commit() == std::vector<bool>(3, true) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_EQ(killed, killAfter <= kRenames + 1) << killAfter;
    if (!killed) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << killAfter;
    }
    const FolderRecovery r1 = RecoverFolder(one.path().string());
    const FolderRecovery r2 = RecoverFolder(two.path().string());
    const auto expected = killAfter <= kRenames ? EarlierSet() : kNewSet;
    EXPECT_EQ(SetIn(one, "x"), expected) << "killed after " << killAfter << " renames";
    EXPECT_EQ(SetIn(two, "y"), expected) << "killed after " << killAfter << " renames";
    EXPECT_EQ(SetIn(two, "z"), expected) << "killed after " << killAfter << " renames";
    // One journal for each folder's sets, rolled back before the point.
    EXPECT_EQ(r1.commitsUndone + r2.commitsUndone, killAfter <= kRenames ? 2u : 0u) << killAfter;
    EXPECT_TRUE(Contents(one, true).empty()) << killAfter;
    EXPECT_TRUE(Contents(two, true).empty()) << killAfter;
  }
}

// A run started in one folder writes its set by a relative name and is
// killed midway through its commit; the clean-up runs from another folder
// (`quorvel --recover DIR` from anywhere): the earlier set is back whole,
// and nothing of the same names beside the clean-up's own folder is touched.
TEST(SetCommit, AnInterruptedCommitIsUndoneFromAnyWorkingFolder) {
  test::ScratchDir dir, elsewhere;
  WriteEarlierSet(dir);
  WriteEarlierSet(elsewhere);  // the same names, relative to the clean-up's folder
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(2);
    gKillAfterRenames = 3;
    OutputSet set("out.mif", TextRouting::OwnPair, false);
    if (!set.CreateOutputSet()) ::_exit(1);
    WriteNewPairs(set);
    ::_exit(set.CommitOutputSet() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.path());
  const FolderRecovery r = RecoverFolder(dir.path().string());
  std::filesystem::current_path(before);
  EXPECT_EQ(r.commitsUndone, 1u);
  EXPECT_EQ(Contents(dir), EarlierSet());
  EXPECT_TRUE(Contents(dir, true).empty());
  EXPECT_EQ(Contents(elsewhere), EarlierSet());
}
