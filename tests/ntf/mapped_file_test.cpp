// Tiles mapped instead of read, and what happens when one shrinks while it
// is mapped.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/mapped_file.hpp"
#include "ntf/record_list.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// Five pages of lines "NNNNN...": every byte known.
std::string Pages() {
  std::string text;
  for (int i = 0; text.size() < 5 * 4096; ++i) text += std::to_string(100000 + i) + std::string(73, 'x') + "\r\n";
  return text;
}

struct MappedTile : ::testing::Test {
  test::ScratchDir dir;
  const std::string text = Pages();
  NtfRecordList list;
  void SetUp() override {
    test::WriteFile(dir / "a.ntf", text);
    ASSERT_TRUE(list.Load(dir / "a.ntf"));
  }
};

TEST_F(MappedTile, ReadsAsItsBytes) {
  EXPECT_EQ(list.bytes(), text.size());
  EXPECT_EQ(list.line(0), text.substr(0, 79));
  EXPECT_FALSE(list.Damaged());
  // A list moved keeps its text, mapped or read.
  NtfRecordList moved = std::move(list);
  EXPECT_EQ(moved.line(1), text.substr(81, 79));
  NtfRecordList small;
  small.Assign("01A\r\n02B\r\n");
  NtfRecordList movedSmall = std::move(small);
  EXPECT_EQ(movedSmall.line(1), "02B");
}

// Pages past the new end read as zeros, the mapping is marked, and the
// process goes on; the pages before the cut keep their bytes.
TEST_F(MappedTile, APageGoneWithTheFilesEndReadsAsZerosAndMarksTheMapping) {
  const std::size_t lines = list.size();
  ASSERT_EQ(::truncate((dir / "a.ntf").c_str(), 4096), 0);
  std::string last(list.line(lines - 1));
  EXPECT_EQ(last, std::string(last.size(), '\0'));
  EXPECT_TRUE(list.Damaged());
  // Every later read of the mapping is a zero too, without another signal.
  EXPECT_EQ(list.line(lines - 2).front(), '\0');
  // A new file loaded into the list starts unmarked.
  test::WriteFile(dir / "b.ntf", text);
  ASSERT_TRUE(list.Load(dir / "b.ntf"));
  EXPECT_FALSE(list.Damaged());
  EXPECT_EQ(list.line(lines - 1), text.substr(text.size() - 81, 79));
}

// A SIGBUS that is not about a mapped tile is left to the handler that was
// there before: the default (the process ends with the signal), or a
// sanitizer's (it reports and exits).
TEST(MappedFileDeathTest, ABusErrorElsewhereStillEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::ScratchDir dir;
  test::WriteFile(dir / "a.ntf", Pages());
  test::WriteFile(dir / "other", Pages());
  EXPECT_DEATH(
      {
        NtfRecordList list;  // the handler is installed with a first mapping
        if (!list.Load(dir / "a.ntf")) std::_Exit(3);
        const int fd = ::open((dir / "other").c_str(), O_RDONLY);
        auto* p = static_cast<const volatile char*>(::mmap(nullptr, 5 * 4096, PROT_READ, MAP_SHARED, fd, 0));
        if (::ftruncate(::open((dir / "other").c_str(), O_WRONLY), 0) != 0) std::_Exit(4);
        std::_Exit(p[3 * 4096]);
      },
      "");
}

}  // namespace
