// The plan of a run and its check before anything is written: the sets a
// request asks for, outputs that are inputs (by name, through a linked
// folder, as the same file), files two sets would share, a tile given twice
// to a merged set, names that differ only in letter case, and the earlier
// output a run would replace.
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

#ifndef _WIN32
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
#endif

#ifndef _WIN32
TEST_F(PlanTest, TwoSetsSharingFilesAreRefusedOnceNamingTheirInputs) {
  // "x.ntf" and "x" are both named x.mif when translated separately: every
  // member of the set is shared, and said once, at the set's MIF file.
  const std::string a = Tile("x.ntf"), b = Tile("x");
  RunRequest request{{a, b}, "", false};
  PlanCheck check = CheckRunPlan(request, PlanRun(request), pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::SharedOutput});
  EXPECT_EQ(check.problems[0].path, dir / "x.mif");
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{a, b}));
  EXPECT_TRUE(check.existing.empty());

  // Three sets of one name: a problem for each pair that shares, in plan
  // order; a set of another name beside them is no part of it.
  const std::string c = Tile("y.ntf"), d = Tile("x.NTF");
  RunRequest three{{a, c, b, d}, "", false};
  check = CheckRunPlan(three, PlanRun(three), pairs);
  ASSERT_EQ(check.problems.size(), 2u);
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{a, b}));
  EXPECT_EQ(check.problems[1].values, (std::vector<std::string>{b, d}));
  for (const auto& p : check.problems) EXPECT_EQ(p.path, dir / "x.mif");

  // A tile given twice to separate sets: two sets of one name, refused as
  // sharing their files (only a merged set translates it once).
  RunRequest twice{{a, a}, "", false};
  const RunPlan twicePlan = PlanRun(twice);
  EXPECT_EQ(twicePlan.sets.size(), 2u);
  EXPECT_TRUE(twicePlan.problems.empty());
  check = CheckRunPlan(twice, twicePlan, pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::SharedOutput});
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{a, a}));

  // Members of two archives, named alike: the inputs are the members.
  test::WriteArchive(dir / "one.zip", test::Kind::Zip, {{"t.ntf", "01\r\n"}});
  test::WriteArchive(dir / "two.zip", test::Kind::Zip, {{"t.ntf", "01\r\n"}});
  RunRequest members{{dir / "one.zip", dir / "two.zip"}, "", false, dir / "out"};
  check = CheckRunPlan(members, PlanRun(members), pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::SharedOutput});
  EXPECT_EQ(check.problems[0].path, dir / "out/t.mif");
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{dir / "one.zip/t.ntf", dir / "two.zip/t.ntf"}));

  // Two output folders that are one folder through a link.
  std::filesystem::create_directory(dir / "out");
  std::filesystem::create_directory_symlink(dir / "out", dir / "alias");
  RunRequest two{{a, c}, "", false};
  RunPlan plan = PlanRun(two);
  plan.sets[0].mifName = dir / "out/z.mif";
  plan.sets[1].mifName = dir / "alias/z.mif";
  check = CheckRunPlan(two, plan, pairs);
  ASSERT_EQ(Ids(check), std::vector<MessageId>{MessageId::SharedOutput});
  EXPECT_EQ(check.problems[0].path, dir / "out/z.mif");
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{a, c}));
}
#endif

// A merged set receives each tile once: the same file (by any name) or the
// same member of an archive given again is reported and dropped; other
// tiles keep their order.
#ifndef _WIN32
TEST_F(PlanTest, ATileGivenTwiceToAMergedSetIsTranslatedOnce) {
  const std::string a = Tile("a.ntf"), b = Tile("b.ntf");
  std::filesystem::create_symlink(a, dir / "again.ntf");
  test::WriteArchive(dir / "t.zip", test::Kind::Zip, {{"m.ntf", "01\r\n"}, {"n.ntf", "01\r\n"}});
  RunRequest request{{a, b, dir / "again.ntf", dir / "t.zip", a, dir / "t.zip", dir / "gone.ntf", dir / "gone.ntf"},
                     "all.mif", true};
  const RunPlan plan = PlanRun(request);
  EXPECT_EQ(plan.mode, RunPlan::Mode::Merged);
  std::vector<std::string> names;
  for (const TileInput& t : plan.tiles) names.push_back(t.DisplayName());
  EXPECT_EQ(names, (std::vector<std::string>{a, b, dir / "t.zip/m.ntf", dir / "t.zip/n.ntf", dir / "gone.ntf"}));
  ASSERT_EQ(plan.sets.size(), 1u);
  EXPECT_EQ(plan.sets[0].tiles, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  std::vector<std::string> repeated;
  for (const InputProblem& p : plan.problems) {
    EXPECT_EQ(p.error.fault, InputError::Fault::GivenTwice) << p.name;
    repeated.push_back(p.name);
  }
  EXPECT_EQ(repeated, (std::vector<std::string>{dir / "again.ntf", a, dir / "t.zip/m.ntf", dir / "t.zip/n.ntf",
                                                dir / "gone.ntf"}));

  // One tile twice is one tile: a single set.
  RunRequest one{{a, a}, "", true};
  EXPECT_EQ(PlanRun(one).mode, RunPlan::Mode::SingleFile);
  EXPECT_EQ(PlanRun(one).tiles.size(), 1u);
  // Two files of the same bytes are two tiles.
  RunRequest copies{{a, Tile("copy.ntf")}, "", true};
  EXPECT_EQ(PlanRun(copies).tiles.size(), 2u);
}
#endif

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

#ifndef _WIN32
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
#endif

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

// Windows' names, checked on any system: two tiles whose sets differ only
// in case clash in one folder, whichever folders they come from; a set
// named for a device or ending in a dot is refused, once per set, naming
// the tile; none of it applies under POSIX names.
TEST_F(PlanTest, WindowsNamesClashByCaseAndRefuseDevices) {
  std::filesystem::create_directories(dir.path() / "a");
  std::filesystem::create_directories(dir.path() / "b");
  const std::string lower = Tile("a/tile.ntf"), upper = Tile("b/TILE.NTF");
  RunRequest both{{lower, upper}, "", false, dir / "out"};
  PlanCheck check = CheckRunPlan(both, PlanRun(both), pairs, platform::NameRules::Windows);
  ASSERT_EQ(Ids(check), (std::vector<MessageId>{MessageId::SharedOutput}));
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{lower, upper}));
  EXPECT_TRUE(CheckRunPlan(both, PlanRun(both), pairs, platform::NameRules::Posix).problems.empty());

  const std::string device = Tile("aux.ntf"), dotted = Tile("com1.tile.ntf"), fine = Tile("console.ntf");
  RunRequest devices{{device, dotted, fine}, "", false, dir / "out"};
  check = CheckRunPlan(devices, PlanRun(devices), pairs, platform::NameRules::Windows);
  ASSERT_EQ(Ids(check), (std::vector<MessageId>{MessageId::NameIsADevice, MessageId::NameIsADevice}));
  EXPECT_EQ(check.problems[0].path, dir / "out/aux.mif");
  EXPECT_EQ(check.problems[0].values, (std::vector<std::string>{device}));
  EXPECT_TRUE(CheckRunPlan(devices, PlanRun(devices), pairs, platform::NameRules::Posix).problems.empty());

  RunRequest trailing{{fine}, "roads.", true, dir / "out"};
  check = CheckRunPlan(trailing, PlanRun(trailing), pairs, platform::NameRules::Windows);
  EXPECT_EQ(Ids(check), (std::vector<MessageId>{MessageId::NameEndsInDotOrBlank}));
}
