// The output set when its files cannot be created: only files it made itself
// are removed, never whatever stood at a name it could not open.
#include <gtest/gtest.h>

#include <filesystem>

#include "mif/output_set.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

TEST(OutputSetFaults, ASetThatCannotBeCreatedRemovesOnlyTheFilesItMade) {
  // Each file of the set in turn is blocked by an empty folder of its name.
  for (const char* blocked : {"x_Network.txt", "x.mif", "x.mid", "x_Text.mif", "x_Text.mid"}) {
    SCOPED_TRACE(blocked);
    test::ScratchDir dir;
    fs::create_directory(dir.path() / blocked);
    OutputSet set(dir / "x.mif", TextRouting::OwnPair, true);
    std::string failed;
    EXPECT_FALSE(set.CreateOutputSet(&failed));
    EXPECT_EQ(failed, dir / blocked);
    EXPECT_TRUE(fs::is_directory(dir.path() / blocked));
    std::size_t left = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) left += e.path().filename() != blocked;
    EXPECT_EQ(left, 0u);
    EXPECT_TRUE(set.CommitOutputSet());
    EXPECT_TRUE(fs::is_directory(dir.path() / blocked));
  }
}

TEST(OutputSetFaults, BoundaryLineFilesThatCannotBeCreatedLeaveTheBlockingFolder) {
  test::ScratchDir dir;
  fs::create_directory(dir.path() / "x_pline.mif");
  OutputSet set(dir / "x.mif", TextRouting::WithObjects, false);
  ASSERT_TRUE(set.CreateOutputSet());
  std::string failed;
  EXPECT_NE(set.OpenLayer("_poly", &failed), nullptr);
  EXPECT_EQ(set.OpenLayer("_pline", &failed), nullptr);
  EXPECT_EQ(failed, dir / "x_pline.mif");
  set.DiscardOutputSet();
  EXPECT_TRUE(fs::is_directory(dir.path() / "x_pline.mif"));
  EXPECT_FALSE(test::Exists(dir / "x_poly.mif"));
  EXPECT_FALSE(test::Exists(dir / "x.mif"));
}

TEST(OutputSetFaults, AFileRemovedAfterAFailedCreateDeletesNothing) {
  test::ScratchDir dir;
  fs::create_directory(dir.path() / "d.mif");
  OutputFile file;
  EXPECT_FALSE(file.Create(dir / "d.mif"));
  EXPECT_EQ(file.error(), "is a folder");
  file.Discard();
  EXPECT_TRUE(fs::is_directory(dir.path() / "d.mif"));
  // A file discarded leaves nothing, and an earlier file of its name stays.
  test::WriteFile(dir / "e.mif", "mine");
  ASSERT_TRUE(file.Create(dir / "e.mif"));
  file.WriteLine("new");
  file.Discard();
  EXPECT_EQ(test::ReadFile(dir / "e.mif"), "mine");
  std::size_t left = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) left += e.path().filename().string()[0] == '.';
  EXPECT_EQ(left, 0u);
}

}  // namespace
