// The plan of a run and its check before anything is written: the sets a
// request asks for, outputs that are inputs (by name, through a linked
// folder, as the same file), files two sets would share, names that differ
// only in letter case, and the earlier output a run would replace.
#include <gtest/gtest.h>

#include <filesystem>

#include "quorvel.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

struct PlanTest : ::testing::Test {
  test::ScratchDir dir;
  const std::vector<std::string> pairs = Products().PairSuffixes();

  std::string Tile(const std::string& name) {
    const std::string path = dir / name;
    test::WriteFile(path, "01\r\n");
    return path;
  }
  static std::vector<MessageId> Ids(const PlanCheck& check) {
    std::vector<MessageId> ids;
    for (const auto& p : check.problems) ids.push_back(p.id);
    return ids;
  }
};

}  // namespace

TEST_F(PlanTest, MergedSeparateAndOutputFolderSetsAreNamedByTheRule) {
  const std::string a = Tile("SK12.ntf"), b = Tile("SK13.NTF"), c = Tile("plain");
  RunRequest merged{{a, b, c}, "", true};
  RunPlan plan = PlanRun(merged);
  EXPECT_EQ(plan.mode, RunPlan::Mode::Merged);
  ASSERT_EQ(plan.sets.size(), 1u);
  EXPECT_EQ(plan.sets[0].mifName, dir / "SK12.mif");
  EXPECT_EQ(plan.sets[0].tiles, (std::vector<std::size_t>{0, 1, 2}));

  RunRequest separate{{a, b, c}, "", false, dir / "out"};
  plan = PlanRun(separate);
  EXPECT_EQ(plan.mode, RunPlan::Mode::Separate);
  ASSERT_EQ(plan.sets.size(), 3u);
  EXPECT_EQ(plan.sets[0].mifName, dir / "out/SK12.mif");
  EXPECT_EQ(plan.sets[1].mifName, dir / "out/SK13.mif");
  EXPECT_EQ(plan.sets[2].mifName, dir / "out/plain.mif");
  EXPECT_TRUE(plan.sets[2].makeFolder);

  // One file: its own set, named as asked.
  RunRequest one{{a}, "roads.mif", true, dir / "out"};
  plan = PlanRun(one);
  EXPECT_EQ(plan.mode, RunPlan::Mode::SingleFile);
  EXPECT_EQ(plan.sets[0].mifName, dir / "out/roads.mif");

  // A missing input is planned like any other: it is reported when read.
  RunRequest missing{{dir / "gone.ntf"}, "", true};
  plan = PlanRun(missing);
  ASSERT_EQ(plan.sets.size(), 1u);
  EXPECT_EQ(plan.sets[0].mifName, dir / "gone.mif");
}

TEST_F(PlanTest, AnInputNamedAsAnOutputIsRefusedByNameByLinkedFolderAndAsTheSameFile) {
  // An NTF tile that happens to carry a member's name.
  const std::string mid = Tile("roads.mid");
  RunRequest byName{{mid}, dir / "roads.mif", true};
  PlanCheck check = CheckRunPlan(byName, PlanRun(byName), pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::OutputIsInput});
  EXPECT_EQ(check.problems[0].path, dir / "roads.mid");
  EXPECT_EQ(check.problems[0].values, std::vector<std::string>{mid});
  EXPECT_TRUE(check.existing.empty()) << "nothing is offered for replacing once refused";

  // The same file reached through a linked folder.
  std::filesystem::create_directory_symlink(dir.path(), dir.path() / "linked");
  RunRequest throughLink{{mid}, dir / "linked/roads.mif", true};
  check = CheckRunPlan(throughLink, PlanRun(throughLink), pairs);
  EXPECT_EQ(Ids(check), std::vector<MessageId>{MessageId::OutputIsInput});

  // An input that is a link to a member of earlier output, under another name.
  test::WriteFile(dir / "old_Text.mid", "earlier");
  std::filesystem::create_symlink(dir / "old_Text.mid", dir / "tile.ntf");
  RunRequest sameFile{{dir / "tile.ntf"}, dir / "old.mif", true};
  check = CheckRunPlan(sameFile, PlanRun(sameFile), pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::OutputIsInput});
  EXPECT_EQ(check.problems[0].path, dir / "old_Text.mid");

  // A product pair's member is an output too.
  const std::string poly = Tile("b_poly.mif");
  RunRequest pair{{poly}, dir / "b.mif", true};
  EXPECT_EQ(Ids(CheckRunPlan(pair, PlanRun(pair), pairs)), std::vector<MessageId>{MessageId::OutputIsInput});
}

TEST_F(PlanTest, TwoSetsSharingAFileAreRefusedNamingBothSets) {
  // "x.ntf" and "x" are both named x.mif when translated separately.
  const std::string a = Tile("x.ntf"), b = Tile("x");
  RunRequest request{{a, b}, "", false};
  const PlanCheck check = CheckRunPlan(request, PlanRun(request), pairs);
  ASSERT_FALSE(check.problems.empty());
  for (const auto& p : check.problems) {
    EXPECT_EQ(p.id, MessageId::SharedOutput);
    EXPECT_EQ(p.values, (std::vector<std::string>{dir / "x.mif", dir / "x.mif"}));
  }
  // Every member of the set is shared: one problem each.
  EXPECT_EQ(check.problems.size(), SetMembers(dir / "x.mif", Products()).size());

  // Two output folders that are one folder through a link.
  std::filesystem::create_directory(dir / "out");
  std::filesystem::create_directory_symlink(dir / "out", dir / "alias");
  const std::string c = Tile("y.ntf");
  RunRequest two{{a, c}, "", false};
  RunPlan plan = PlanRun(two);
  plan.sets[0].mifName = dir / "out/z.mif";
  plan.sets[1].mifName = dir / "alias/z.mif";
  EXPECT_FALSE(CheckRunPlan(two, plan, pairs).problems.empty());
}

// On a file system that tells letter case apart, names that differ only in
// case are different files: separate sets, no clash.
TEST_F(PlanTest, NamesDifferingOnlyInCaseAreTwoSetsWhereCaseCounts) {
  const std::string lower = Tile("tile.ntf"), upper = Tile("TILE.NTF");
  if (test::ReadFile(lower) != "01\r\n" || !test::Exists(upper)) GTEST_SKIP() << "case-blind file system";
  test::WriteFile(upper, "02\r\n");
  if (test::ReadFile(lower) != "01\r\n") GTEST_SKIP() << "case-blind file system";
  RunRequest request{{lower, upper}, "", false};
  const RunPlan plan = PlanRun(request);
  ASSERT_EQ(plan.sets.size(), 2u);
  EXPECT_EQ(plan.sets[0].mifName, dir / "tile.mif");
  EXPECT_EQ(plan.sets[1].mifName, dir / "TILE.mif");
  EXPECT_TRUE(CheckRunPlan(request, plan, pairs).problems.empty());
}

TEST_F(PlanTest, EarlierOutputIsListedOnlyWhereItIsARegularFile) {
  const std::string a = Tile("t.ntf");
  test::WriteFile(dir / "t.mif", "earlier");
  test::WriteFile(dir / "t_pline.mid", "earlier");
  test::WriteFile(dir / "elsewhere.mid", "earlier");
  std::filesystem::create_symlink(dir / "elsewhere.mid", dir / "t.mid");  // a link to a file counts
  std::filesystem::create_directory(dir / "t_Text.mif");                 // a folder does not
  RunRequest request{{a}, "", true};
  const PlanCheck check = CheckRunPlan(request, PlanRun(request), pairs);
  EXPECT_TRUE(check.problems.empty());
  EXPECT_EQ(check.existing, (std::vector<std::string>{dir / "t.mif", dir / "t.mid", dir / "t_pline.mid"}));
}

TEST(SetNames, AMemberOfASetLeadsBackToTheSetInAnyLetterCase) {
  const ProductRegistry& products = Products();
  EXPECT_EQ(SetNameOf("/o/roads.mif", products), "/o/roads.mif");
  EXPECT_EQ(SetNameOf("/o/roads_Text.mif", products), "/o/roads.mif");
  EXPECT_EQ(SetNameOf("/o/roads_TEXT.MIF", products), "/o/roads.MIF");
  EXPECT_EQ(SetNameOf("/o/areas_poly.mif", products), "/o/areas.mif");
  EXPECT_EQ(SetNameOf("/o/areas_pline.mif", products), "/o/areas.mif");
  // A name that is only a suffix is a set of its own.
  EXPECT_EQ(SetNameOf("_poly.mif", products), "_poly.mif");
  EXPECT_EQ(SetNameOf("a.m", products), "a.m");
  // Every pair a product declares is a member of every set.
  std::vector<std::string> pairs;
  for (const SetMember& m : SetMembers("a.mif", products))
    if (m.kind == MemberKind::Pair) pairs.push_back(m.path);
  EXPECT_EQ(pairs, (std::vector<std::string>{"a_poly.mif", "a_poly.mid", "a_pline.mif", "a_pline.mid"}));
  const OutputLayer* poly = FindPair("_poly", products);
  ASSERT_NE(poly, nullptr);
  EXPECT_EQ(poly->content, LayerContent::Regions);
  EXPECT_EQ(FindPair("_nothing", products), nullptr);
}
