// Number formats, MID values, output names and the output set's files.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "mif/format.hpp"
#include "mif/header.hpp"
#include "mif/output_set.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

TEST(Formats, FixedDecimalsRoundAndNeverShowMinusZero) {
  EXPECT_EQ(FormatFixed(12.5, 2), "12.50");
  EXPECT_EQ(FormatFixed(7.0, 2), "7.00");
  EXPECT_EQ(FormatFixed(90.0, 1), "90.0");
  EXPECT_EQ(FormatFixed(0.1234, 3), "0.123");
  EXPECT_EQ(FormatFixed(-0.004, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.04, 1), "0.0");
  EXPECT_EQ(FormatFixed(-0.0, 3), "0.000");
  EXPECT_EQ(FormatFixed(-1.25, 1), "-1.2");  // the binary value is exactly -1.25: ties go to even
  EXPECT_EQ(FormatFixed(-0.006, 2), "-0.01");
  EXPECT_EQ(FormatFixed(1234567.891, 2), "1234567.89");  // no grouping
  EXPECT_EQ(FormatFixed(450000.125L, 2), "450000.12");
  EXPECT_EQ(FormatInteger(-42), "-42");
  EXPECT_EQ(FormatInteger(0), "0");
}

// AppendFixed of each value, and of the value rounded to double (alone and
// in a pair), against std::to_chars at every number of decimals.
void ExpectFixedAgreesWithToChars(const std::vector<long double>& values) {
  for (long double v : values) {
    for (int decimals : {0, 1, 2, 3}) {
      std::string quick, exact;
      AppendFixed(quick, v, decimals);
      AppendFixedExact(exact, v, decimals);
      ASSERT_EQ(quick, exact) << static_cast<double>(v) << " " << decimals;
      const double d = static_cast<double>(v);
      std::string fromDouble, exactDouble;
      AppendFixed(fromDouble, d, decimals);
      AppendFixedExact(exactDouble, d, decimals);
      ASSERT_EQ(fromDouble, exactDouble) << d << " " << decimals;
      std::string pair, exactNegative;
      AppendFixedPair(pair, d, -d, decimals);
      AppendFixedExact(exactNegative, -d, decimals);
      ASSERT_EQ(pair, exactDouble + " " + exactNegative) << d << " " << decimals;
    }
  }
}

// The quick path of AppendFixed must give std::to_chars' bytes for every value,
// including ties, values a hair either side of them, negatives and zero.
TEST(Formats, QuickFixedAgreesWithToChars) {
  std::vector<long double> values = {0, -0.0L, 0.004L, -0.004L, -0.005L, 0.125L, 0.375L, 2.5L, -2.5L, 12.5L,
                                     530193.025L, 180088.945L, 999999999.99L, 1e9L, -1e12L, 7, 90, 359.95L};
  std::uint64_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const long double base = static_cast<long double>(state >> 20) / 1000;  // thousandths: many ties
    values.push_back(base);
    values.push_back(-base);
    values.push_back(std::nextafter(base, 0.0L));
    values.push_back(std::nextafter(base, 1e30L));
    values.push_back(base * 0.01L + 530000);
  }
  ExpectFixedAgreesWithToChars(values);
}

// The exact formatting works on the binary value itself: ties of every
// binary fraction (k/2 ... k/1024) go to the even neighbour, a hair either
// side of a tie does not, and the edges of the quick range (1e9, tiny and
// subnormal values, the largest fraction rounding up to a new digit, both
// sides of 512, where long doubles take a 64-bit way) agree
// with std::to_chars for long double and double alike.
TEST(Formats, ExactFixedAgreesWithToCharsOnTiesAndEdges) {
  std::vector<long double> values = {999999999.5L, 999999999.995L, 99999999.9996L, 9999.9995L, 0.0005L, 0.0015L,
                                     std::numeric_limits<long double>::denorm_min(),
                                     -std::numeric_limits<long double>::denorm_min(),
                                     std::numeric_limits<long double>::min(), 1e-30L, -1e-30L,
                                     std::nextafter(1e9L, 0.0L), 4294967295.5L,
                                     // where long doubles leave the 64-bit way (below 512)
                                     511.995L, 511.9995L, 512.005L, 512.0005L, 512.125L, 511.875L,
                                     std::nextafter(512.0L, 0.0L), std::nextafter(512.0L, 1e9L), 1023.995L};
  std::uint64_t state = 99;
  for (int i = 0; i < 4000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    for (long double denominator = 2; denominator <= 1024; denominator *= 2) {
      const long double tie = static_cast<long double>(state >> 36) / denominator;
      for (long double v : {tie, -tie, std::nextafter(tie, 0.0L), std::nextafter(tie, 1e30L), tie + 530000})
        values.push_back(v);
    }
  }
  ExpectFixedAgreesWithToChars(values);
}

TEST(Formats, ScaledIntegersAtEveryDigitCount) {
  std::int64_t v = 1;
  for (int digits = 1; digits <= 12; ++digits, v *= 10) {
    for (std::int64_t n : {v, v - 1, 3 * v + 7, -v, -(v - 1), std::int64_t{0}}) {
      for (int decimals : {0, 1, 2, 3}) {
        if (std::abs(n) >= 1'000'000'000LL * (decimals == 0 ? 1 : decimals == 1 ? 10 : decimals == 2 ? 100 : 1000))
          continue;
        char line[kMaxFixedWithin];
        const char* end = WriteScaledInteger(line, n, decimals);
        std::string digitsText = std::to_string(std::abs(n));
        if (decimals > 0) {
          digitsText.insert(0, std::string(digitsText.size() <= static_cast<std::size_t>(decimals)
                                               ? decimals + 1 - digitsText.size()
                                               : 0,
                                           '0'));
          digitsText.insert(digitsText.size() - decimals, ".");
        }
        EXPECT_EQ(std::string(static_cast<const char*>(line), end), (n < 0 ? "-" : "") + digitsText) << n;
      }
    }
  }
}

// Orientations are read as a count of tenths and divided by 10 in long
// double; written with one decimal they give the count's own digits, which
// lets a writer take them from the count.
TEST(Formats, TenthsDividedByTenRoundBackToTheirDigits) {
  for (std::int64_t tenths = 0; tenths <= 9999; ++tenths) {
    std::string fixed;
    AppendFixed(fixed, static_cast<long double>(tenths) / 10, 1);
    char line[kMaxFixedWithin];
    ASSERT_EQ(fixed, std::string(line, WriteScaledInteger(line, tenths, 1))) << tenths;
  }
}

// A double known to within an error is written only where the error cannot
// change a digit; it then has the exact value's digits.
TEST(Formats, FixedWithinAnErrorRefusesNearTiesAndOtherwiseAgrees) {
  std::string out;
  EXPECT_FALSE(AppendFixedWithin(out, 0.125, 0, 2));  // an exact tie
  EXPECT_FALSE(AppendFixedWithin(out, 530000.0049, 1e-3, 2));
  EXPECT_FALSE(AppendFixedWithin(out, 1e8, 0, 2));  // too large for the quick way
  EXPECT_FALSE(AppendFixedWithin(out, std::nan(""), 0, 2));
  EXPECT_FALSE(AppendFixedWithin(out, 1, -1, 2));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(AppendFixedWithin(out, 530000.0049, 1e-6, 2));
  EXPECT_EQ(out, "530000.00");
  out.clear();
  EXPECT_TRUE(AppendFixedWithin(out, -0.0049, 1e-6, 2));
  EXPECT_EQ(out, "0.00");
  std::uint64_t state = 7;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double v = static_cast<double>(state >> 24) / 10000 - 5e5;  // ten-thousandths: ties and near ties
    for (int decimals : {0, 1, 2, 3}) {
      for (double error : {0.0, 1e-9, 1e-4}) {
        std::string quick, exact;
        if (!AppendFixedWithin(quick, v, error, decimals)) continue;
        // Any value within the error must give the same digits.
        AppendFixedExact(exact, static_cast<long double>(v) + error, decimals);
        ASSERT_EQ(quick, exact) << v << " " << decimals << " " << error;
        exact.clear();
        AppendFixedExact(exact, static_cast<long double>(v) - error, decimals);
        ASSERT_EQ(quick, exact) << v << " " << decimals << " " << error;
      }
    }
  }
}

TEST(Formats, IntegersAtEveryDigitCountAndTheExtremes) {
  std::int64_t v = 1;
  for (int digits = 1; digits <= 18; ++digits, v *= 10) {
    for (std::int64_t x : {v, v - 1, 3 * v + 7, -v, -(v - 1)}) {
      EXPECT_EQ(FormatInteger(x), std::to_string(x));
      char line[kMaxInteger + 1];
      line[kMaxInteger] = '#';
      const char* end = WriteInteger(line, x);
      EXPECT_EQ(std::string(static_cast<const char*>(line), end), std::to_string(x));
      EXPECT_EQ(line[kMaxInteger], '#');  // nothing written past the room asked for
    }
  }
  // The one- and two-digit counts have a way of their own.
  for (std::int64_t x = -120; x <= 120; ++x) {
    char line[kMaxInteger];
    const char* end = WriteInteger(line, x);
    EXPECT_EQ(std::string(static_cast<const char*>(line), end), std::to_string(x));
  }
  EXPECT_EQ(FormatInteger(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(FormatInteger(INT64_MAX), "9223372036854775807");
  char line[kMaxInteger];
  const char* end = WriteInteger(line, INT64_MIN);
  EXPECT_EQ(std::string(static_cast<const char*>(line), end), "-9223372036854775808");
}

// The plain-value scan goes eight or sixteen bytes at a time: a delimiter,
// quote or control byte in any position of a long value, and in the short
// tail, must be found.
TEST(Formats, MidValueQuotingFindsTheMarkAtEveryPosition) {
  for (char mark : {'\x01', '\x1f', '\x7f', '\0'}) {
    for (std::size_t length = 1; length <= 40; ++length) {
      for (std::size_t at = 0; at < length; ++at) {
        std::string value(length, '\xa0');
        value[at] = mark;
        ASSERT_FALSE(IsPlainMidValue(value)) << length << " " << at;
        value[at] = ' ';
        ASSERT_TRUE(IsPlainMidValue(value)) << length << " " << at;
      }
    }
  }
  for (char mark : {',', '"'}) {
    for (std::size_t length = 1; length <= 40; ++length) {
      for (std::size_t at = 0; at < length; ++at) {
        std::string value(length, 'a');
        value[at] = mark;
        std::string out;
        AppendMidValue(out, value);
        ASSERT_FALSE(IsPlainMidValue(value)) << value;
        ASSERT_EQ(out.front(), '"') << value;
        ASSERT_EQ(out.size(), length + 2 + (mark == '"' ? 1 : 0)) << value;
      }
    }
  }
  std::string out;
  AppendMidValue(out, "\x2b\x2d\xac\xa2 long value without marks\x7f");  // neighbours of the marks' bytes
  EXPECT_EQ(out.front(), '\x2b');
}

TEST(Formats, MidValuesAreQuotedOnlyWhenTheyWouldSplitTheRow) {
  MidRow row;
  row.Add("SK12").Add("").Add("a,b").Add("say \"hi\"").Add("plain text").AddInteger(-3).AddFixed(1.5, 1);
  EXPECT_EQ(row.str(), "SK12,,\"a,b\",\"say \"\"hi\"\"\",plain text,-3,1.5");
  EXPECT_EQ(row.count(), 7);
  row.Clear();
  row.AddEmpty(3);
  EXPECT_EQ(row.str(), ",,");
  row.Clear();
  row.Add("a").AddEmpty(2).Add("b").AddEmpty(0).AddFixed(2e9, 1).AddEmpty();
  EXPECT_EQ(row.str(), "a,,,b,2000000000.0,");
  EXPECT_EQ(row.count(), 6);
  std::string text;
  AppendQuotedText(text, "The \"Bull\", Inn");
  EXPECT_EQ(text, "\"The \\\"Bull\\\", Inn\"");
  text.clear();
  AppendQuotedText(text, "C:\\dir\\");
  EXPECT_EQ(text, "\"C:\\\\dir\\\\\"");
  text.clear();
  AppendQuotedText(text, "plain words");  // nothing to mark: copied whole
  AppendQuotedText(text, std::string_view("a\x01" "b\0c\"", 6));
  EXPECT_EQ(text, "\"plain words\"\"a b c\\\"\"");
}

// The quoted form of a text, a byte at a time: a double quote or a
// backslash escaped, a control byte (below 0x20, DEL) a blank.
std::string QuotedByteByByte(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') out += '\\';
    out += b < 0x20 || b == 0x7f ? ' ' : c;
  }
  return out + "\"";
}

// The first mark is looked for eight bytes at a time: each kind of mark at
// every place of texts up to 40 long, amid bytes next to the marks' values
// (and high bytes, whose top bit must not pass for a mark), gives the same
// text as a byte-by-byte quoting, as do two marks in one word.
TEST(Formats, QuotedTextsFindTheMarkAtEveryPosition) {
  const std::string filler = std::string("!#[]^_~ a") + '\x80' + '\xff' + '\x7e' + '\x21' + '\x1f' + '\x20';
  const char marks[] = {'"', '\\', '\x01', '\x1f', '\x7f', '\0', '\t'};
  for (std::size_t size = 0; size <= 40; ++size) {
    std::string base;
    for (std::size_t i = 0; i < size; ++i) base += filler[(i * 7) % 6];  // no marks among the first six
    for (std::size_t at = 0; at <= size; ++at) {
      for (char mark : marks) {
        std::string text = base;
        if (at < size) text[at] = mark;
        if (at + 3 < size) text[at + 3] = '"';
        std::string out(2 * text.size() + 2, '?');
        out.resize(static_cast<std::size_t>(WriteQuotedText(out.data(), text) - out.data()));
        ASSERT_EQ(out, QuotedByteByByte(text)) << size << " " << at << " " << int(mark);
      }
    }
    // High bytes and bytes next to the marks' values are copied as they are.
    std::string high;
    for (std::size_t i = 0; i < size; ++i) high += filler[i % filler.size()];
    std::string text = high;
    std::string appended;
    AppendQuotedText(appended, text);
    ASSERT_EQ(appended, QuotedByteByByte(text)) << size;
  }
}

// Short texts are copied inline as overlapping words: every length from 0
// to 40 copies exactly its bytes, from and to any alignment, and nothing
// either side of the destination changes.
TEST(Formats, CopyTextCopiesExactlyItsBytes) {
  std::string from(64, '\0');
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<char>('A' + i % 50);
  for (std::size_t n = 0; n <= 40; ++n) {
    for (std::size_t shift = 0; shift < 8; ++shift) {
      std::string to(64, '.');
      CopyText(to.data() + 8 + shift, from.data() + shift, n);
      EXPECT_EQ(to.substr(0, 8 + shift), std::string(8 + shift, '.')) << n;
      EXPECT_EQ(to.substr(8 + shift, n), from.substr(shift, n)) << n;
      EXPECT_EQ(to.substr(8 + shift + n), std::string(64 - 8 - shift - n, '.')) << n;
    }
  }
}

// A row longer than its first buffer, of values of every length with and
// without marks, reads as the values appended one by one.
TEST(Formats, LongMidRowsGrowAndMatchValueByValue) {
  MidRow row;
  for (int round = 0; round < 2; ++round) {
    row.Clear();
    std::string expected;
    for (std::size_t length = 0; length <= 40; ++length) {
      std::string value(length, static_cast<char>('a' + length % 26));
      if (length % 3 == 1) value[length / 2] = length % 2 ? ',' : '\x01';
      if (length > 0) expected.push_back(',');
      AppendMidValue(expected, value);
      row.Add(value);
      if (length % 10 == 0) {
        row.AddInteger(-static_cast<std::int64_t>(length) * 1000003);
        expected += "," + std::to_string(-static_cast<std::int64_t>(length) * 1000003);
      }
    }
    ASSERT_EQ(row.str(), expected);
  }
  // Plain values added without their check read the same.
  MidRow checked, unchecked;
  for (std::size_t length = 0; length <= 20; ++length) {
    const std::string value(length, static_cast<char>('A' + length));
    ASSERT_TRUE(IsPlainMidValue(value));
    checked.Add(value);
    unchecked.AddPlain(value);
  }
  EXPECT_EQ(unchecked.str(), checked.str());
}

// Pieces written in place and appended, across many growths of the
// buffer, read back as the same pieces appended to a string; what a writer
// puts beyond the end it keeps is not part of the text.
TEST(Formats, TextBufferKeepsWhatIsAdvancedOverAndGrows) {
  TextBuffer buffer;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    if (i % 3 == 0) {
      char* end = WriteInteger(buffer.Room(kMaxInteger), -i * 7919);
      buffer.Advance(end);
      expected += std::to_string(-i * 7919);
    } else if (i % 3 == 1) {
      AppendFixedPair(buffer, i / 8.0, 2e9 + i / 16.0, 2);  // the second one by std::to_chars
      AppendFixedPair(expected, i / 8.0, 2e9 + i / 16.0, 2);
    } else {
      buffer.Append(std::string(static_cast<std::size_t>(i % 50), 'a'));
      buffer.Append("");
      buffer.Push(';');
      expected += std::string(static_cast<std::size_t>(i % 50), 'a') + ";";
    }
  }
  EXPECT_EQ(buffer.view(), expected);
  buffer.clear();
  EXPECT_TRUE(buffer.empty());
  buffer.Append("x");
  EXPECT_EQ(buffer.view(), "x");
}

TEST(OutputNames, AreFormedByDroppingTheLastFourCharacters) {
  EXPECT_EQ(MemberPath("/out/roads.mif", "", ".mid"), "/out/roads.mid");
  EXPECT_EQ(MemberPath("/out/roads.mif", "_Text", ".mif"), "/out/roads_Text.mif");
  EXPECT_EQ(MemberPath("/out/roads.mif", "_Network", ".txt"), "/out/roads_Network.txt");
  EXPECT_EQ(MemberPath("/out/roads.mif", "_poly", ".mid"), "/out/roads_poly.mid");
  EXPECT_EQ(MemberPath("/out/roadmap", "", ".mid"), "/out/roa.mid");
  EXPECT_EQ(MemberPath("a", "", ".mid"), ".mid");
}

TEST(HeaderBlock, HasEveryLineInOrderAndEndsWithAnEmptyLine) {
  const std::string block = RenderHeaderBlock(kMixedCaseHeader, {"Height Integer"});
  EXPECT_EQ(test::CrLfLines(block),
            (std::vector<std::string>{"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                      std::string(kCoordSysLine), "Columns 1", "Height Integer", "Data", ""}));
  EXPECT_EQ(block.substr(block.size() - 8), "Data\r\n\r\n");
}

TEST(OutputSet, WritesAsideAndPutsOnlyTheFilesThatReceivedSomethingInPlace) {
  test::ScratchDir dir;
  // Earlier output under the set's names that this set does not write goes.
  test::WriteFile(dir / "out_Text.mif", "old");
  test::WriteFile(dir / "out_poly.mid", "old");
  OutputSet set(dir / "out.mif", TextRouting::OwnPair, true, {"_poly"});
  ASSERT_TRUE(set.CreateOutputSet());
  for (const char* f : {"out.mif", "out.mid", "out_Network.txt"})
    EXPECT_FALSE(test::Exists(dir / f)) << f << ": nothing is in place before the set ends";
  set.main.WriteHeader("HEADER\r\n", "Test", 2);
  ASSERT_TRUE(set.CommitOutputSet());
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.path().filename().string()[0] != '.';
  EXPECT_EQ(files, 2u);
  EXPECT_EQ(test::ReadFile(dir / "out.mif"), "HEADER\r\n");
  EXPECT_TRUE(test::Exists(dir / "out.mid"));  // kept: its MIF holds a header
  for (const char* f : {"out_Text.mif", "out_Text.mid", "out_Network.txt", "out_poly.mid"})
    EXPECT_FALSE(test::Exists(dir / f)) << f;
}

TEST(OutputSet, ADiscardedOrFailedSetLeavesEarlierOutputAsItWas) {
  test::ScratchDir dir;
  test::WriteFile(dir / "out.mif", "earlier");
  {
    OutputSet set(dir / "out.mif", TextRouting::WithObjects, false);
    ASSERT_TRUE(set.CreateOutputSet());
    set.main.WriteHeader("HEADER\r\n", "Test", 2);
    set.DiscardOutputSet();
  }
  EXPECT_EQ(test::ReadFile(dir / "out.mif"), "earlier");
  // A set that received nothing changes nothing either.
  OutputSet empty(dir / "out.mif", TextRouting::OwnPair, true);
  ASSERT_TRUE(empty.CreateOutputSet());
  EXPECT_TRUE(empty.CommitOutputSet());
  EXPECT_EQ(test::ReadFile(dir / "out.mif"), "earlier");
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += !e.path().empty();
  EXPECT_EQ(files, 1u) << "no temporary is left";
}

#ifndef _WIN32
TEST(OutputFile, ALinkIsWrittenThroughAndStays) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  test::WriteFile(dir / "real/target.mif", "old");
  std::filesystem::create_symlink(dir / "real/target.mif", dir / "link.mif");
  OutputFile f;
  ASSERT_TRUE(f.Create(dir / "link.mif"));
  f.WriteLine("new");
  ASSERT_TRUE(f.Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.mif"));
  EXPECT_EQ(test::ReadFile(dir / "real/target.mif"), "new\r\n");
}
#endif

TEST(OutputSet, CreationFailureLeavesNoEmptyFilesBehind) {
  test::ScratchDir dir;
  OutputSet set(dir / "no-such-folder/out.mif", TextRouting::OwnPair, false);
  std::string failed;
  EXPECT_FALSE(set.CreateOutputSet(&failed));
  EXPECT_EQ(failed, dir / "no-such-folder/out.mif");
  OutputSet other(dir / "x.mif", TextRouting::OwnPair, false);
  std::filesystem::create_directory(dir / "x_Text.mif");  // the text MIF cannot be created
  EXPECT_FALSE(other.CreateOutputSet(&failed));
  EXPECT_EQ(failed, dir / "x_Text.mif");
  EXPECT_FALSE(test::Exists(dir / "x.mif"));
  EXPECT_FALSE(test::Exists(dir / "x.mid"));
}

TEST(MifLayer, EvenUpWritesPlaceholdersUntilObjectsAndRowsAgree) {
  test::ScratchDir dir;
  MifLayer layer;
  ASSERT_TRUE(layer.Create(dir / "a.mif", dir / "a.mid"));
  layer.WriteHeader("H\r\n", "Test", 3);
  layer.WritePoint("1", "2");
  layer.WritePoint("3", "4");
  layer.WriteRow("a,b,c");
  layer.EvenUp();
  layer.WriteRow("d,e,f");
  layer.EvenUp();
  ASSERT_TRUE(layer.mif.Commit() && layer.mid.Commit());
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "H\r\nPOINT 1 2\r\nPOINT 3 4\r\nNONE\r\n");
  EXPECT_EQ(test::ReadFile(dir / "a.mid"), "a,b,c\r\n,,\r\nd,e,f\r\n");
}

// A set is put in place in two steps: every member sealed (on the disk,
// closed), then every member renamed. A member that fails to seal leaves
// its target and the other targets as they were, and no temporary.
#ifndef _WIN32
TEST(OutputFile, SealThenPutInPlaceAndAFailedSealRenamesNothing) {
  test::ScratchDir dir;
  test::WriteFile(dir / "a.mif", "earlier a");
  test::WriteFile(dir / "b.mif", "earlier b");
  OutputFile a, b;
  ASSERT_TRUE(a.Create(dir / "a.mif"));
  ASSERT_TRUE(b.Create(dir / "b.mif"));
  a.WriteLine("new a");
  b.WriteLine(std::string(100000, 'b'));  // still in the buffer
  EXPECT_TRUE(a.StartWriteback());
  EXPECT_TRUE(a.Seal());
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "earlier a") << "sealed, not yet in place";
  EXPECT_TRUE(test::Exists(a.writtenPath()));

  // b's data cannot reach the disk: a file size limit, as on a full disk.
  const bool sealed = test::UnderFileSizeLimit(1000, [&] { return b.Seal(); });
  EXPECT_FALSE(sealed);
  EXPECT_TRUE(b.failed());
  EXPECT_NE(b.error(), "");

  // The set's owner discards both; neither target changed.
  const std::string temporaryA = a.writtenPath(), temporaryB = b.writtenPath();
  a.Discard();
  EXPECT_FALSE(b.PutInPlace()) << "a failed file is never renamed";
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "earlier a");
  EXPECT_EQ(test::ReadFile(dir / "b.mif"), "earlier b");
  EXPECT_FALSE(test::Exists(temporaryA));
  EXPECT_FALSE(test::Exists(temporaryB));

  // The good path: sealed, then in place.
  OutputFile c;
  ASSERT_TRUE(c.Create(dir / "a.mif"));
  c.WriteLine("new a");
  EXPECT_TRUE(c.Seal());
  EXPECT_TRUE(c.PutInPlace());
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "new a\r\n");
}
#endif

// Writes of every size, in place and copied, across the points where the
// buffer is written out and where it must grow (a polyline larger than the
// buffer), give the file exactly the bytes written, also when the same
// object writes a second file.
TEST(OutputFile, WritesOfEverySizeReachTheFileWhole) {
  test::ScratchDir dir;
  OutputFile f;
  for (const char* name : {"a.mif", "b.mif"}) {
    std::string expected;
    ASSERT_TRUE(f.Create(dir / name));
    std::uint64_t state = name[0];
    for (int i = 0; i < 3000; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const std::size_t size = i == 1500 ? (1u << 20) + 3 : (state >> 33) % 700;
      const std::string text(size, static_cast<char>('a' + i % 26));
      switch (i % 4) {
        case 0: f.Write(text); expected += text; break;
        case 1: f.WriteLine(text); expected += text + "\r\n"; break;
        case 2: f.Write('x'); expected += 'x'; break;
        default: {
          char* p = f.Room(size + 1);
          std::memcpy(p, text.data(), size);
          p[size] = '|';
          f.Advance(p + size + 1);
          expected += text + "|";
        }
      }
    }
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(test::ReadFile(dir / name), expected) << name;
  }
}

TEST(OutputFile, AFailedWriteIsKeptAndReported) {
  if (!test::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  OutputFile f;
  ASSERT_TRUE(f.Create("/dev/full"));
  f.WriteLine("data");
  EXPECT_FALSE(f.failed());  // still in the buffer
  EXPECT_FALSE(f.Commit());
  EXPECT_TRUE(f.failed());
  EXPECT_NE(f.error(), "");
  // Many lines: the failure shows as soon as the buffer is written out.
  OutputFile g;
  ASSERT_TRUE(g.Create("/dev/full"));
  for (int i = 0; i < 100000 && !g.failed(); ++i) g.WriteLine("0123456789012345678901234567890123456789");
  EXPECT_TRUE(g.failed());
}

}  // namespace
