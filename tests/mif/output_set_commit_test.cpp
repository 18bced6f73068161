// Ending an output set: the members named by the naming rule, the account
// of what was put in place, stale members of earlier output, and the
// failures between sealing and renaming that must leave the earlier set and
// no temporary behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "mif/output_set.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// Files in `dir` whose names do not start with a dot (temporaries do).
std::size_t VisibleFiles(const std::filesystem::path& dir) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.path().filename().string()[0] != '.';
  return n;
}

std::size_t HiddenFiles(const std::filesystem::path& dir) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.path().filename().string()[0] == '.';
  return n;
}

// One object with its row in `layer`.
void WriteObject(MifLayer& layer) {
  if (!layer.HasHeader()) layer.WriteHeader("HEADER\r\n", "Test", 1);
  layer.WritePoint("1", "2");
  layer.WriteRow("a");
}

}  // namespace

TEST(SetNaming, EveryMemberIsNamedFromTheMifNameInOneOrder) {
  const std::vector<std::string> pairs{"_poly", "_pline"};
  const std::vector<SetMember> m = SetMemberNames("/o/roads.mif", pairs);
  ASSERT_EQ(m.size(), 9u);
  const std::pair<const char*, MemberKind> expected[] = {
      {"/o/roads.mif", MemberKind::Main},         {"/o/roads.mid", MemberKind::Main},
      {"/o/roads_Text.mif", MemberKind::Text},    {"/o/roads_Text.mid", MemberKind::Text},
      {"/o/roads_Network.txt", MemberKind::Network}, {"/o/roads_poly.mif", MemberKind::Pair},
      {"/o/roads_poly.mid", MemberKind::Pair},    {"/o/roads_pline.mif", MemberKind::Pair},
      {"/o/roads_pline.mid", MemberKind::Pair}};
  for (std::size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].path, expected[i].first);
    EXPECT_EQ(m[i].kind, expected[i].second) << m[i].path;
  }
  EXPECT_EQ(m[2].suffix, "_Text");
  EXPECT_EQ(m[7].suffix, "_pline");
  EXPECT_TRUE(m[0].IsMif());
  EXPECT_FALSE(m[1].IsMif());
  EXPECT_FALSE(m[4].IsMif());
  // The name as given is the main MIF, whatever its letter case.
  EXPECT_EQ(SetMemberNames("A.MIF", {})[0].path, "A.MIF");
  EXPECT_EQ(SetMemberNames("A.MIF", {})[1].path, "A.mid");
}

TEST(OutputSetCommit, TheAccountListsWhatWasPutInPlaceWithItsObjects) {
  test::ScratchDir dir;
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, true, {"_poly", "_pline"});
  ASSERT_TRUE(set.CreateOutputSet());
  WriteObject(set.main);
  WriteObject(set.main);
  WriteObject(set.text);
  MifLayer* poly = set.OpenLayer("_poly");
  ASSERT_NE(poly, nullptr);
  WriteObject(*poly);
  set.HeadNetwork("NETWORK");
  ASSERT_TRUE(set.CommitOutputSet());

  std::vector<std::pair<std::string, std::int64_t>> got;
  for (const SetMember& m : set.committed()) {
    got.emplace_back(std::filesystem::path(m.path).filename().string(), m.objects);
    EXPECT_TRUE(test::Exists(m.path)) << m.path;
  }
  const std::vector<std::pair<std::string, std::int64_t>> expected{
      {"out.mif", 2},      {"out.mid", 2},      {"out_Text.mif", 1}, {"out_Text.mid", 1},
      {"out_poly.mif", 1}, {"out_poly.mid", 1}, {"out_Network.txt", 0}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(VisibleFiles(dir.path()), 7u) << "the unused _pline pair is not made";
  EXPECT_EQ(HiddenFiles(dir.path()), 0u);
}

#ifndef _WIN32
TEST(OutputSetCommit, StaleMembersOfEarlierOutputGoOnlyWhenTheSetIsInPlace) {
  test::ScratchDir dir;
  for (const char* f : {"out.mif", "out.mid", "out_Text.mif", "out_Text.mid", "out_Network.txt", "out_poly.mif",
                        "out_poly.mid", "other.mif"})
    test::WriteFile(dir / f, "earlier");
  // A folder and a link under a member's name are the user's own.
  std::filesystem::create_directory(dir / "out_pline.mif");
  std::filesystem::create_symlink(dir / "other.mif", dir / "out_pline.mid");

  OutputSet set(dir / "out.mif", TextRouting::WithObjects, false, {"_poly", "_pline"});
  ASSERT_TRUE(set.CreateOutputSet());
  WriteObject(set.main);
  ASSERT_TRUE(set.CommitOutputSet());
  EXPECT_EQ(test::ReadFile(dir / "out.mif"), "HEADER\r\nPOINT 1 2\r\n");
  for (const char* f : {"out_Text.mif", "out_Text.mid", "out_Network.txt", "out_poly.mif", "out_poly.mid"})
    EXPECT_FALSE(test::Exists(dir / f)) << f << " is stale and goes";
  EXPECT_TRUE(std::filesystem::is_directory(dir / "out_pline.mif"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "out_pline.mid"));
  EXPECT_EQ(test::ReadFile(dir / "other.mif"), "earlier");
  ASSERT_EQ(set.committed().size(), 2u);
}
#endif

// A set whose member cannot reach the disk (a file size limit, as on a full
// disk found only when the set is sealed) puts nothing in place and removes
// no stale member.
#ifndef _WIN32
TEST(OutputSetCommit, AMemberThatCannotBeSealedLeavesTheWholeEarlierSet) {
  test::ScratchDir dir;
  for (const char* f : {"out.mif", "out.mid", "out_Text.mif", "out_Text.mid", "out_Network.txt"})
    test::WriteFile(dir / f, "earlier");
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, false);
  ASSERT_TRUE(set.CreateOutputSet());
  WriteObject(set.main);
  set.text.WriteHeader("HEADER\r\n", "Test", 1);
  set.text.mif.Write(std::string(100000, 't'));  // held in the buffer until the seal

  const bool committed = test::UnderFileSizeLimit(50000, [&] { return set.CommitOutputSet(); });

  EXPECT_FALSE(committed);
  EXPECT_TRUE(set.WriteFailed());
  EXPECT_NE(set.FailureText().find("out_Text.mif"), std::string::npos) << set.FailureText();
  EXPECT_TRUE(set.committed().empty());
  for (const char* f : {"out.mif", "out.mid", "out_Text.mif", "out_Text.mid", "out_Network.txt"})
    EXPECT_EQ(test::ReadFile(dir / f), "earlier") << f;
  EXPECT_EQ(HiddenFiles(dir.path()), 0u) << "no temporary is left";
}
#endif

// A member whose rename fails (its name taken by a folder made after the
// set was created) makes the commit fail: no temporary stays, the folder is
// untouched and the account lists nothing.
TEST(OutputSetCommit, ARenameFailingBetweenTwoMembersIsReportedAndLeavesNoTemporary) {
  test::ScratchDir dir;
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, false);
  ASSERT_TRUE(set.CreateOutputSet());
  WriteObject(set.main);
  WriteObject(set.text);
  std::filesystem::create_directory(dir / "out_Text.mif");
  test::WriteFile(dir / "out_Text.mif/keep", "the user's");
  EXPECT_FALSE(set.CommitOutputSet());
  EXPECT_TRUE(set.WriteFailed());
  EXPECT_NE(set.FailureText().find("out_Text.mif"), std::string::npos) << set.FailureText();
  EXPECT_TRUE(set.committed().empty());
  EXPECT_EQ(test::ReadFile(dir / "out_Text.mif/keep"), "the user's");
  EXPECT_EQ(HiddenFiles(dir.path()), 0u);
}

// A batch of sets, as the committer of a parallel run takes them: one whose
// member cannot reach the disk (the file size limit, as a full disk found
// when the batch is synced) keeps its earlier set and reports its file; a
// set that received nothing changes nothing; the others are put in place
// with their accounts, also one whose writes were ended before the commit.
#ifndef _WIN32
TEST(OutputSetCommit, ASetThatCannotBeWrittenInABatchLeavesTheOthersToCommit) {
  test::ScratchDir dir;
  for (const char* f : {"big.mif", "big.mid", "big_Text.mif", "empty.mif"}) test::WriteFile(dir / f, "earlier");
  OutputSet a(dir / "a.mif", TextRouting::OwnPair, false), big(dir / "big.mif", TextRouting::OwnPair, false),
      empty(dir / "empty.mif", TextRouting::OwnPair, false), ended(dir / "ended.mif", TextRouting::OwnPair, false);
  for (OutputSet* set : {&a, &big, &empty, &ended}) ASSERT_TRUE(set->CreateOutputSet()) << set->mifName();
  WriteObject(a.main);
  WriteObject(a.text);
  WriteObject(big.main);
  big.text.WriteHeader("HEADER\r\n", "Test", 1);
  big.text.mif.Write(std::string(100000, 't'));  // held in the buffer until the writes end
  WriteObject(ended.main);
  ASSERT_TRUE(ended.EndWrites());

  std::vector<bool> placed;
  test::UnderFileSizeLimit(50000, [&] {
    const std::vector<OutputSet*> batch{&a, &big, &empty, &ended};
    placed = OutputSet::CommitOutputSets(batch);
    return true;
  });

  EXPECT_EQ(placed, (std::vector<bool>{true, false, true, true}));
  EXPECT_EQ(test::ReadFile(dir / "a_Text.mif"), "HEADER\r\nPOINT 1 2\r\n");
  EXPECT_EQ(a.committed().size(), 4u);
  EXPECT_TRUE(big.WriteFailed());
  EXPECT_NE(big.FailureText().find("big_Text.mif"), std::string::npos) << big.FailureText();
  EXPECT_TRUE(big.committed().empty());
  for (const char* f : {"big.mif", "big.mid", "big_Text.mif", "empty.mif"})
    EXPECT_EQ(test::ReadFile(dir / f), "earlier") << f;
  EXPECT_TRUE(empty.committed().empty());
  ASSERT_EQ(ended.committed().size(), 2u);
  EXPECT_EQ(ended.committed()[0].objects, 1);
  EXPECT_EQ(test::ReadFile(dir / "ended.mid"), "a\r\n");
  EXPECT_EQ(VisibleFiles(dir.path()), 10u);
  EXPECT_EQ(HiddenFiles(dir.path()), 0u) << "no temporary, journal or lock";
}
#endif
