#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "mif/format.hpp"
#include "products/common/text_placement.hpp"

namespace quorvel {
namespace {

std::string Rect(const TextRectangle& r) {
  std::string s;
  AppendTextRectangle(s, r);
  return s;
}

const TextSection kUnitSection{1, 0, 0, 200};

TEST(CharWidth, TableEntriesAndGaps) {
  EXPECT_EQ(CharWidth('!'), 20);
  EXPECT_EQ(CharWidth('l'), 24);
  EXPECT_EQ(CharWidth('1'), 28);
  EXPECT_EQ(CharWidth('"'), 36);
  EXPECT_EQ(CharWidth('0'), 56);
  EXPECT_EQ(CharWidth('L'), 56);
  EXPECT_EQ(CharWidth('J'), 60);
  EXPECT_EQ(CharWidth('\xA3'), 60);  // pound sign
  EXPECT_EQ(CharWidth(' '), 64);
  EXPECT_EQ(CharWidth('I'), 28);
  EXPECT_EQ(CharWidth('V'), 72);
  EXPECT_EQ(CharWidth('w'), 88);
  EXPECT_EQ(CharWidth('W'), 96);
  for (char c : std::string("$[]^_{}~\\|`")) EXPECT_FALSE(CharWidth(c).has_value()) << c;
  EXPECT_FALSE(CharWidth('\xE9').has_value());
  EXPECT_FALSE(CharWidth('\0').has_value());
  int entries = 0;
  for (int c = 0; c < 256; ++c) entries += CharWidth(static_cast<char>(c)).has_value();
  EXPECT_EQ(entries, 85);
}

TEST(MeasureText, HeightAdjustedOnlyForListedTenths) {
  for (int tenths : {8, 12, 17, 20, 24, 32, 39, 44}) {
    const long double h = static_cast<long double>(tenths) / 10;
    EXPECT_NEAR(static_cast<double>(MeasureText("A", h).adjustedHeight), tenths / 10.0 + 0.05, 1e-12) << tenths;
  }
  for (int tenths : {0, 7, 9, 13, 25, 45, 63, 64, 100, 108, 1032, -8, -44}) {
    const long double h = static_cast<long double>(tenths) / 10;
    EXPECT_EQ(MeasureText("A", h).adjustedHeight, h) << tenths;
  }
  // An adjusted height is never adjusted again, and a height between tenths is
  // not one of the listed ones.
  EXPECT_EQ(MeasureText("A", 0.85L).adjustedHeight, 0.85L);
  EXPECT_EQ(MeasureText("A", 2.0001L).adjustedHeight, 2.0001L);
  for (long double h : {1e30L, -1e30L, std::numeric_limits<long double>::infinity()})
    EXPECT_EQ(MeasureText("A", h).adjustedHeight, h);
  EXPECT_TRUE(std::isnan(MeasureText("A", std::numeric_limits<long double>::quiet_NaN()).adjustedHeight));
}

TEST(MeasureText, WidthSumTrimmingAndMissingCharacters) {
  // "AB": 128 units at 2.05 mm.
  EXPECT_NEAR(static_cast<double>(MeasureText("AB", 2.0L).width), 3.69, 1e-12);
  // Blanks and control characters at the ends are not measured; inside they are.
  EXPECT_EQ(MeasureText(" \t AB\r ", 2.0L).width, MeasureText("AB", 2.0L).width);
  EXPECT_NEAR(static_cast<double>(MeasureText("A B", 6.0L).width), (192 - 20) / 10.0, 1e-12);
  // A character without entry repeats the one before it, or adds 0 first.
  EXPECT_NEAR(static_cast<double>(MeasureText("5$", 6.0L).width), (112 - 20) / 10.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(MeasureText("$5", 6.0L).width), (56 - 20) / 10.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(MeasureText("5$$\xE9", 6.0L).width), (224 - 20) / 10.0, 1e-12);
  // Sums below 20 give a negative width.
  EXPECT_NEAR(static_cast<double>(MeasureText("   ", 6.0L).width), -2.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(MeasureText("", 2.5L).width), -20 * 2.5 / 60, 1e-12);
}

// Widths are summed four characters a step while each has one: a
// character without a width at every place of texts up to 13 long (after
// blanks and control characters that are trimmed) sums as one character at
// a time does.
TEST(MeasureText, WidthSumAsCharacterByCharacter) {
  const auto oneByOne = [](std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    long sum = 0;
    int previous = 0;
    for (char c : text) {
      if (const auto w = CharWidth(c)) previous = *w;
      sum += previous;
    }
    return sum;
  };
  const std::string letters = "Wil1 mJ\xA3.";
  for (std::size_t size = 0; size <= 13; ++size) {
    std::string base;
    for (std::size_t i = 0; i < size; ++i) base += letters[(i * 5) % letters.size()];
    for (std::size_t at = 0; at <= size; ++at) {
      for (const char missing : {'$', '\xE9', '\x80', '|'}) {
        std::string text = base;
        if (at < size) text[at] = missing;
        if (at + 2 < size) text[at + 2] = missing;
        EXPECT_EQ(WidthSum(text), oneByOne(text)) << size << " " << at;
        EXPECT_EQ(WidthSum(" \t" + text + "\r "), oneByOne(text)) << size << " " << at;
      }
    }
  }
}

// The table made at build time gives the library's values for the same
// radians, bit for bit: every tenth of a degree (asked twice), the degrees
// next to a tenth (the next long double up, which the tenth's slot must not
// answer), angles outside the table, zeros, not-a-number, and another
// thread. Not on Windows: cross-built, the table is the native build's, so
// that both write the same bytes, and the Windows library's own values
// differ from it in the last bit for some angles.
#ifndef _WIN32
TEST(SineAndCosineOfDegrees, TheLibrarysValueForEveryAngle) {
  const auto expectSame = [](long double degrees) {
    const long double theta = degrees * kRadiansPerDegree;
    long double s = 0, c = 0;
    SineAndCosineOfDegrees(degrees, s, c);
    const long double ls = theta == 0 ? theta : std::sin(theta);
    const long double lc = theta == 0 ? 1.0L : std::cos(theta);
    if (std::isnan(ls)) {
      EXPECT_TRUE(std::isnan(s) && std::isnan(c)) << static_cast<double>(degrees);
      return;
    }
    EXPECT_TRUE(s == ls && c == lc && std::signbit(s) == std::signbit(ls)) << static_cast<double>(degrees);
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (int tenths = 0; tenths < 3600; ++tenths) {
      const long double degrees = static_cast<long double>(tenths) / 10;
      expectSame(degrees);
      expectSame(std::nextafter(degrees, 1e9L));
      expectSame(degrees);
    }
  }
  for (long double degrees : {-0.0L, -0.1L, -90.0L, 360.0L, 359.95L, 720.3L, 1e30L, 0.05L, 1e-30L})
    expectSame(degrees);
  expectSame(std::numeric_limits<long double>::quiet_NaN());
  expectSame(std::numeric_limits<long double>::infinity());
  std::thread other([&] {
    for (int tenths = 1; tenths < 3600; tenths += 7) expectSame(static_cast<long double>(tenths) / 10);
  });
  other.join();
}
#endif

// Every whole tenth, read the way the translators read an orientation field
// (its count of tenths divided by 10), finds its own slot in the table
// (a miss would be a library call of a thousand instructions); anything
// else does not.
TEST(SineAndCosineOfDegrees, EveryTenthIsAnsweredByTheTable) {
  int missed = 0;
  for (int tenths = 0; tenths < 3600; ++tenths) {
    long double s = 0, c = 0;
    if (!SineAndCosineFromTable(static_cast<long double>(tenths) / 10, s, c)) ++missed;
  }
  EXPECT_EQ(missed, 0);
  long double s = 0, c = 0;
  EXPECT_FALSE(SineAndCosineFromTable(std::nextafter(12.3L, 1e9L), s, c));
  EXPECT_FALSE(SineAndCosineFromTable(359.96L, s, c));
  EXPECT_FALSE(SineAndCosineFromTable(-0.1L, s, c));
  EXPECT_FALSE(SineAndCosineFromTable(1e30L, s, c));
  EXPECT_FALSE(SineAndCosineFromTable(std::numeric_limits<long double>::quiet_NaN(), s, c));
}

// The corners are written side by side and appended at once: the same as
// four AppendFixed calls joined by blanks, also with a corner too large for
// the quick form (1e9 and more), negative corners and -0.004 (reads 0.00).
TEST(AppendTextRectangle, TheFourCornersAsAppendFixedWritesThem) {
  const auto joined = [](const TextRectangle& r) {
    std::string s;
    for (long double v : {r.x1, r.y1, r.x2, r.y2}) {
      if (!s.empty()) s.push_back(' ');
      AppendFixed(s, v, 2);
    }
    return s;
  };
  const std::vector<TextRectangle> rectangles = {
      {0, 0, 0, 0},
      {-0.004L, 12.345L, -530075.415L, 999999999.994L},
      {1e9L, 2, 3, 4},
      {1, 2, 3, -4e12L},
      {123456.785L, 654321.125L, 0.005L, -0.005L},
  };
  for (const TextRectangle& r : rectangles) EXPECT_EQ(Rect(r), joined(r));
  std::string out = "TEXT ";
  AppendTextRectangle(out, rectangles[1]);
  EXPECT_EQ(out, "TEXT " + joined(rectangles[1]));  // appended after what was there
}

TEST(TextAnchorOffset, PositionsAndOutOfRangeKeepsLastOffset) {
  TextOffsets o;
  TextAnchorOffset(0, 40, 80, 8, o);
  EXPECT_NEAR(static_cast<double>(o.dx), -80, 1e-12);
  EXPECT_NEAR(static_cast<double>(o.dy), -40, 1e-12);
  TextAnchorOffset(0, 40, 80, 9, o);
  EXPECT_NEAR(static_cast<double>(o.dx), -80, 1e-12);
  TextAnchorOffset(0, 40, 80, -1, o);
  EXPECT_NEAR(static_cast<double>(o.dy), -40, 1e-12);
  TextAnchorOffset(90 * kRadiansPerDegree, 40, 80, 1, o);  // middle left, turned a quarter
  EXPECT_NEAR(static_cast<double>(o.dx), 20, 1e-12);
  EXPECT_NEAR(static_cast<double>(o.dy), 0, 1e-12);
  TextAnchorOffset(1.0L, 40, 80, 0, o);
  EXPECT_EQ(o.dx, 0);
  EXPECT_EQ(o.dy, 0);
}

TEST(PlaceLandLineText, WorkedExamples) {
  TextOffsets o;
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "AB", 2.0L, 0, 4, kUnitSection, o)), "63.10 179.50 210.70 261.50");
  EXPECT_NEAR(static_cast<double>(o.dx), -36.9, 1e-12);
  EXPECT_NEAR(static_cast<double>(o.dy), -20.5, 1e-12);
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "AB", 2.0L, 90, 0, kUnitSection, o)), "18.00 118.00 165.60 200.00");
}

TEST(PlaceLandLineText, ScalingAndOrigin) {
  TextOffsets o;
  const TextSection section{0.01L, 400000, 100000, 200};
  // The first worked example, scaled by 10 and moved: sizes and offsets are
  // in stored units, converted to ground with the corners.
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "AB", 2.0L, 0, 4, TextSection{10, 1000, 2000, 200}, o)),
            "1631.00 3795.00 3107.00 4615.00");
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "AB", 2.0L, 0, 0, section, o)), "400001.00 100002.00 400002.48 100002.82");
}

TEST(PlaceLandLineText, PositionOutsideRangeReusesPreviousOffset) {
  TextOffsets o;
  PlaceLandLineText(100, 200, "AB", 2.0L, 0, 4, kUnitSection, o);
  // Code 9 keeps dx -36.9 and dy -20.5 although the text differs.
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "ABCDEFG", 2.0L, 0, 9, kUnitSection, o)), "63.10 179.50 648.03 261.50");
  TextOffsets fresh;
  EXPECT_EQ(Rect(PlaceLandLineText(100, 200, "AB", 2.0L, 0, 9, kUnitSection, fresh)).substr(0, 13), "100.00 200.00");
}

// The y corrections for orientations at and just past the quarter turns.
TEST(PlaceLandLineText, OrientationCorrections) {
  TextOffsets o;
  const TextSection s{1, 0, 0, 100};
  // h 2.5 (not adjusted): Hc 25, H2 50. Text "!" has sum 20, so W is 0.
  auto y1 = [&](long double a) {
    const TextRectangle r = PlaceLandLineText(0, 1000, "!", 2.5L, a, 0, s, o);
    return static_cast<double>(r.y1);
  };
  EXPECT_NEAR(y1(0), 1000, 1e-9);
  EXPECT_NEAR(y1(45), 1000 - 25, 1e-9);
  EXPECT_NEAR(y1(90), 1000 - 50, 1e-9);
  // 90.05: both the first and the second correction.
  EXPECT_NEAR(y1(90.05L), 1000 - (90.05 / 90) * 50 - ((0.15) / 90 + 1) * 50, 1e-9);
  EXPECT_NEAR(y1(135), 1000 - ((45.1) / 90 + 1) * 50, 1e-9);
  EXPECT_NEAR(y1(180.05L), 1000 - ((90.15) / 90 + 1) * 50 - ((90.05) / 90 + 1) * 50, 1e-9);
  EXPECT_NEAR(y1(270.05L), 1000 - ((0.05) / 90 + 1) * 50 - ((90.05) / 90) * 50, 1e-9);
  EXPECT_NEAR(y1(300), 1000 - ((60.1) / 90) * 50, 1e-9);
  EXPECT_NEAR(y1(360), 1000, 1e-9);
  EXPECT_NEAR(y1(999.9L), 1000, 1e-9);
  // x is moved by sin(A) x H2; at 0 it is not moved at all.
  EXPECT_EQ(PlaceLandLineText(7, 1000, "!", 2.5L, 0, 0, s, o).x1, 7);
  EXPECT_NEAR(static_cast<double>(PlaceLandLineText(7, 1000, "!", 2.5L, 270, 0, s, o).x1), 57, 1e-9);
}

// The quick way in double against the long double way: every text it
// writes must read as the long double corners do, and the offsets it leaves
// deferred must be those the long double way sets.
std::string LongDoubleWay(long double x, long double y, const std::string& text, long double height, int tenths,
                          int position, const TextSection& section, TextOffsets& o) {
  return Rect(PlaceLandLineText(x, y, text, height, static_cast<long double>(tenths) / 10, position, section, o));
}

std::string QuickWay(long double x, long double y, const std::string& text, long double height, int tenths,
                     int position, const TextSection& section, TextOffsets& o) {
  char line[kMaxTextRectangle];
  const char* end = WriteLandLineTextRectangle(line, x, y, text, height, static_cast<long double>(tenths) / 10,
                                               tenths, position, section, o);
  return end ? std::string(static_cast<const char*>(line), end) : std::string();
}

TEST(WriteLandLineTextRectangle, SameCornersAsTheLongDoubleWayOrNone) {
  std::mt19937_64 random(17);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::vector<TextSection> sections = {
      {0.01L, 530000, 180000, 1250}, {0.01L, 400000, 100000, 2500}, {1, 0, 0, 200},
      {0.001L, 123456.5L, 654321.25L, 10000}, {10, 1000, 2000, 200}, {0.01L, 0, 0, 1250}};
  const std::vector<std::string> words = {"House", "Green", "Brook", "W", "!", "", " l ", "1a\xE9$", "Wood"};
  int written = 0, tried = 0;
  TextOffsets quick, slow;
  for (int i = 0; i < 40000; ++i) {
    const TextSection& section = sections[static_cast<std::size_t>(pick(static_cast<int>(sections.size())))];
    std::string text;
    for (int w = pick(4); w >= 0; --w) text += words[static_cast<std::size_t>(pick(static_cast<int>(words.size())))] + " ";
    const long double height = static_cast<long double>(pick(120)) / 10;  // every listed height among them
    // Mostly whole degrees and the quarter turns' neighbours, where the
    // corrections change.
    const int tenths = pick(3) == 0 ? 10 * pick(360) : pick(2) == 0 ? 900 * pick(4) + pick(3) - 1 + 3600 * (pick(8) == 0) : pick(3600);
    const int position = pick(10) == 0 ? 9 : pick(9);
    const long double x = pick(1000000), y = pick(1000000);
    const std::string expected = LongDoubleWay(x, y, text, height, tenths, position, section, slow);
    const std::string got = QuickWay(x, y, text, height, tenths, position, section, quick);
    ++tried;
    if (got.empty()) {
      // Refused: the caller takes the long double way with the same offsets.
      EXPECT_EQ(LongDoubleWay(x, y, text, height, tenths, position, section, quick), expected) << i;
    } else {
      ++written;
      EXPECT_EQ(got, expected) << "text '" << text << "' height " << static_cast<double>(height) << " tenths "
                               << tenths << " position " << position << " at " << static_cast<double>(x) << " "
                               << static_cast<double>(y);
    }
    ASSERT_FALSE(HasFailure()) << i;
  }
  // Most texts take the quick way; corners on a half cent do not.
  EXPECT_GT(written, tried / 2);
  EXPECT_LT(written, tried);
}

TEST(WriteLandLineTextRectangle, DeferredOffsetsAreReusedAsTheLongDoubleWaySetsThem) {
  const TextSection section{0.01L, 530000, 180000, 1250};
  int written = 0;
  for (int position = 0; position <= 8; ++position) {
    for (int tenths : {0, 1, 450, 901, 1799, 2700, 3599}) {
      TextOffsets quick, slow;
      const std::string got = QuickWay(12345, 67890, "House Green", 2.4L, tenths, position, section, quick);
      if (got.empty()) continue;  // a corner on a half cent
      ++written;
      EXPECT_TRUE(quick.isDeferred);
      EXPECT_EQ(got, LongDoubleWay(12345, 67890, "House Green", 2.4L, tenths, position, section, slow));
      // The next text reuses the offsets (code 9), the long double way.
      EXPECT_EQ(LongDoubleWay(500, 600, "W", 1.7L, 300, 9, section, quick),
                LongDoubleWay(500, 600, "W", 1.7L, 300, 9, section, slow));
      EXPECT_FALSE(quick.isDeferred);
      EXPECT_EQ(quick.dx, slow.dx);
      EXPECT_EQ(quick.dy, slow.dy);
      // A Strategi text reusing them sees them too; one of its own codes
      // drops the deferred ones.
      TextOffsets quick2;
      QuickWay(12345, 67890, "House Green", 2.4L, tenths, position, section, quick2);
      quick2.SettleFor(4);
      EXPECT_FALSE(quick2.isDeferred);
    }
  }
  EXPECT_GT(written, 50);
}

TEST(WriteLandLineTextRectangle, RefusesWhatItCannotWriteAndLeavesTheOffsets) {
  const TextSection section{0.01L, 530000, 180000, 1250};
  TextOffsets o;
  o.dx = 3;
  o.dy = 4;
  const auto refused = [&](long double x, long double y, long double height, int tenths, int position,
                           const TextSection& s) {
    const bool none = QuickWay(x, y, "House", height, tenths, position, s, o).empty();
    EXPECT_FALSE(o.isDeferred);
    EXPECT_EQ(o.dx, 3);
    EXPECT_EQ(o.dy, 4);
    return none;
  };
  EXPECT_TRUE(refused(100, 200, 2.0L, -1, 4, section));    // an orientation not read as tenths
  EXPECT_TRUE(refused(100, 200, 2.0L, 3600, 4, section));  // a full turn or more
  EXPECT_TRUE(refused(100, 200, 2.0L, 9999, 4, section));
  EXPECT_TRUE(refused(100, 200, 2.0L, 0, 9, section));  // reuses offsets
  EXPECT_TRUE(refused(100, 200, 2.0L, 0, -1, section));
  EXPECT_TRUE(refused(100, 200, std::numeric_limits<long double>::quiet_NaN(), 0, 4, section));
  EXPECT_TRUE(refused(100, 200, std::numeric_limits<long double>::infinity(), 0, 4, section));
  EXPECT_TRUE(refused(100, 200, 2.0L, 0, 4, TextSection{std::numeric_limits<long double>::infinity(), 0, 0, 1250}));
  EXPECT_TRUE(refused(1e12L, 200, 2.0L, 0, 4, section));  // too large for the quick form
  // A corner on a half cent exactly (100.125 at position 0 and orientation 0)
  // and one a long double unit from it.
  EXPECT_TRUE(refused(100, 200, 2.0L, 0, 0, TextSection{1, 0.125L, 0, 1250}));
  EXPECT_TRUE(refused(100, 200, 2.0L, 0, 0, TextSection{1, 0.125L + 0x1p-60L, 0, 1250}));
  TextOffsets slow;
  EXPECT_EQ(QuickWay(100, 200, "House", 2.0L, 0, 0, TextSection{1, 0.12L, 0, 1250}, o),
            LongDoubleWay(100, 200, "House", 2.0L, 0, 0, TextSection{1, 0.12L, 0, 1250}, slow));
  EXPECT_EQ(QuickWay(100, 200, "House", 2.0L, 0, 0, TextSection{1, 0.12L, 0, 1250}, o), "100.12 200.00 2320.95 712.50");
  EXPECT_TRUE(o.isDeferred);
}

}  // namespace
}  // namespace quorvel
