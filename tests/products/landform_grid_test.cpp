// Land-Form height grids: one point per grid node, the height characters as
// its row.
#include <gtest/gtest.h>

#include <algorithm>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Lines = std::vector<std::string>;

std::string Num(std::int64_t v, std::size_t width) {
  std::string s = std::to_string(v);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

// A section header line with the origins at columns 47-66.
std::string Section(std::int64_t x, std::int64_t y) {
  return "07SK20      2100010200000010000000" + Num(0, 12) + Num(x, 10) + Num(y, 10) + "1%\r\n00continued0%";
}

struct Column {
  std::vector<std::string> heights;  // one per row
  bool lastLineIs99 = false;
};

// The lines of one PANORAMA column: the "51" line and the line after it
// hold no heights, then 21 lines of 19 and a last line of 2.
std::string PanoramaColumn(const Column& c) {
  auto take = [&](std::size_t from, std::size_t n) {
    std::string s;
    for (std::size_t i = from; i < from + n; ++i) s += c.heights[i];
    return s;
  };
  std::string t = "51000001000100004200000000300000000000000050000000000000001%\r\n00004011%\r\n";
  for (std::size_t line = 0; line < 21; ++line) t += "00" + take(line * 19, 19) + "1%\r\n";
  t += c.lastLineIs99 ? "99\r\n" : "00" + take(399, 2) + "0%\r\n";
  return t;
}

// PROFILE: 12 heights on the "51" line from column 19, 32 lines of 15 and a
// last line of 9.
std::string ProfileColumn(const Column& c) {
  auto take = [&](std::size_t from, std::size_t n) {
    std::string s;
    for (std::size_t i = from; i < from + n; ++i) s += c.heights[i];
    return s;
  };
  std::string t = "510000010001000501" + take(0, 12) + "1%\r\n";
  for (std::size_t line = 0; line < 32; ++line) t += "00" + take(12 + line * 15, 15) + "1%\r\n";
  t += c.lastLineIs99 ? "99\r\n" : "00" + take(492, 9) + "0%\r\n";
  return t;
}

Column Heights(std::size_t rows, std::size_t width, int column) {
  Column c;
  for (std::size_t r = 0; r < rows; ++r) c.heights.push_back(Num(column * 1000 + static_cast<std::int64_t>(r), width));
  return c;
}

struct Grid : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  RunResult result;

  std::pair<Lines, Lines> Run(const std::string& text) {
    test::WriteFile(dir / "t.ntf", text);
    test::RemoveSet(dir / "t.mif");
    result = quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    Lines mif = test::CrLfLines(test::ReadFile(dir / "t.mif"));
    const auto data = std::find(mif.begin(), mif.end(), "Data");
    Lines body(data == mif.end() ? mif.end() : data + 2, mif.end());
    return {body, test::CrLfLines(test::ReadFile(dir / "t.mid"))};
  }

  std::string Panorama(std::int64_t x, std::int64_t y, const std::string& columns) {
    return test::Ntf({"01V0%", "02OS_LANDRANGER_DTM   1%", "00more0%", Section(x, y), "50grid0%"}) + columns;
  }
  std::string Profile(std::int64_t x, std::int64_t y, const std::string& columns) {
    return test::Ntf({"01V0%", "02L-F_PROFILE_DTM     0%", Section(x, y), "50grid0%"}) + columns;
  }
};

TEST_F(Grid, PanoramaNodesLieFiftyMetresApartFromTheOrigin) {
  Column first = Heights(401, 4, 0);
  first.heights[5] = " 123";  // written with its blank
  first.heights[6] = "1,2\"";  // a value a reader would split is quoted
  auto [mif, mid] = Run(Panorama(0, 0, PanoramaColumn(first) + PanoramaColumn(Heights(401, 4, 1)) + "99\r\n"));
  ASSERT_EQ(mif.size(), 2u * 802);
  EXPECT_EQ(mif[0], "Point 0 0");
  EXPECT_EQ(mif[1], "     Symbol (49,0,8)");
  EXPECT_EQ(mif[2], "Point 0 50");
  EXPECT_EQ(mif[2 * 400], "Point 0 20000");
  EXPECT_EQ(mif[2 * 401], "Point 50 0");
  EXPECT_EQ(mif[2 * 801], "Point 50 20000");
  ASSERT_EQ(mid.size(), 802u);
  EXPECT_EQ(mid[0], "0000");
  EXPECT_EQ(mid[5], " 123");
  EXPECT_EQ(mid[6], "\"1,2\"\"\"");
  EXPECT_EQ(mid[398], "0398");  // last of the full lines
  EXPECT_EQ(mid[400], "0400");  // the last line
  EXPECT_EQ(mid[401], "1000");
  // A grid that ends early ends without a message.
  EXPECT_TRUE(observer.messages.empty());
  EXPECT_EQ(result.filesTranslated, 1u);
  EXPECT_EQ(result.recordsRead, 2 * 23);  // 21 full lines and two heights per column
}

TEST_F(Grid, ProfileKeepsLeadingZerosAndReadsTwelveHeightsFromTheColumnLine) {
  Column first = Heights(501, 5, 0);
  first.heights[0] = "01234";
  auto [mif, mid] = Run(Profile(455000, 325000, ProfileColumn(first) + "99\r\n"));
  ASSERT_EQ(mid.size(), 501u);
  EXPECT_EQ(mid[0], "01234");
  EXPECT_EQ(mid[11], "00011");
  EXPECT_EQ(mid[12], "00012");
  EXPECT_EQ(mid[492], "00492");
  EXPECT_EQ(mid[500], "00500");
  EXPECT_EQ(mif[0], "Point 455000 325000");
  EXPECT_EQ(mif[2 * 12], "Point 455000 325120");
  EXPECT_EQ(mif[2 * 500], "Point 455000 330000");
  EXPECT_EQ(result.recordsRead, 32);
}

TEST_F(Grid, ALastLineOfNinetyNineEndsTheTileWithoutItsHeights) {
  Column cut = Heights(401, 4, 1);
  cut.lastLineIs99 = true;
  auto [mif, mid] = Run(Panorama(0, 0, PanoramaColumn(Heights(401, 4, 0)) + PanoramaColumn(cut)));
  EXPECT_EQ(mid.size(), 401u + 399u);
  EXPECT_EQ(mif.back(), "     Symbol (49,0,8)");
  EXPECT_EQ(mif[mif.size() - 2], "Point 50 19900");
  EXPECT_TRUE(observer.messages.empty());

  Column profileCut = Heights(501, 5, 0);
  profileCut.lastLineIs99 = true;
  auto [pmif, pmid] = Run(Profile(0, 0, ProfileColumn(profileCut)));
  EXPECT_EQ(pmid.size(), 492u);
  EXPECT_EQ(pmid.back(), "00491");
  EXPECT_TRUE(observer.messages.empty());
}

TEST_F(Grid, AListThatEndsInsideAColumnKeepsTheColumnsBeforeIt) {
  const std::string second = PanoramaColumn(Heights(401, 4, 1));
  auto [mif, mid] = Run(Panorama(0, 0, PanoramaColumn(Heights(401, 4, 0)) + second.substr(0, second.size() / 2)));
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 43"});
  EXPECT_EQ(mid.size(), 401u);
  EXPECT_EQ(mif.size(), 802u);
  EXPECT_EQ(result.filesCutShort, 1u);

  // No "99" where the next column was looked for: the same message, once.
  observer.messages.clear();
  Run(Profile(0, 0, ProfileColumn(Heights(501, 5, 0))));
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 39"});
}

TEST_F(Grid, ASectionHeaderThatCannotBeReadWritesNothing) {
  // No "07" at all (the search does not stop at "99").
  auto [mif, mid] = Run(test::Ntf({"01V0%", "02OS_LANDRANGER_DTM   0%", "99"}) + PanoramaColumn(Heights(401, 4, 0)));
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 27"});
  EXPECT_TRUE(mid.empty());

  observer.messages.clear();
  Run(test::Ntf({"01V0%", "02L-F_PROFILE_DTM     0%", "07SK20      21000102000000100000000000000000000000X0%"}) +
      ProfileColumn(Heights(501, 5, 0)));
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 2"});
}

TEST_F(Grid, FullTilesCoverTheWholeGrid) {
  ntfgen::Options full;
  full.size = ntfgen::Size::Full;
  {
    auto [mif, mid] = Run(ntfgen::GenerateProfileDtm(full));
    EXPECT_EQ(mid.size(), 251001u);
    EXPECT_EQ(mif[0], "Point 455000 325000");
    EXPECT_EQ(mif[mif.size() - 2], "Point 460000 330000");  // 500 spacings east and north
    EXPECT_EQ(result.objectsCreated, 251001);
    EXPECT_TRUE(observer.messages.empty());
  }
  {
    auto [mif, mid] = Run(ntfgen::GeneratePanoramaDtm(full));
    EXPECT_EQ(mid.size(), 160801u);
    EXPECT_EQ(mif[mif.size() - 2], "Point 440000 320000");  // 400 spacings
    EXPECT_TRUE(observer.messages.empty());
  }
}

}  // namespace
