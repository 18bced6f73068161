// Record list loading, continuation joining, fields and number conversion.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ntf/cursor.hpp"
#include "ntf/record.hpp"
#include "ntf/record_list.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

NtfRecordList ListOf(std::string text) {
  NtfRecordList list;
  list.Assign(std::move(text));
  return list;
}

TEST(RecordList, LineEndsCrLfLfAndCrGiveTheSameLines) {
  const auto crlf = ListOf("01A\r\n02B\r\n\r\n99");
  const auto lf = ListOf("01A\n02B\n\n99\n");
  const auto cr = ListOf("01A\r02B\r\r99\r");
  for (const NtfRecordList* l : {&crlf, &lf, &cr}) {
    ASSERT_EQ(l->size(), 4u);
    EXPECT_EQ(l->line(0), "01A");
    EXPECT_EQ(l->line(1), "02B");
    EXPECT_EQ(l->line(2), "");
    EXPECT_EQ(l->line(3), "99");
  }
  // Mixed terminators in one file, and LF CR read as two line ends.
  const auto mixed = ListOf("a\r\nb\nc\rd\n\re");
  ASSERT_EQ(mixed.size(), 6u);
  EXPECT_EQ(mixed.line(3), "d");
  EXPECT_EQ(mixed.line(4), "");
  EXPECT_EQ(mixed.line(5), "e");
}

// The lines of `text` split a byte at a time: a line ends at CR or LF, CR LF
// is one end, the text after the last end is the last line.
std::vector<std::string> LinesByteByByte(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      current.push_back(text[i]);
      continue;
    }
    lines.push_back(current);
    current.clear();
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

// Splits with 16-byte compares, then with 32-byte ones where the processor
// has them, each with line starts held in 32 bits and in 64 (as for a text
// of 4 GiB or more); the settings as they were afterwards.
class EachSplitWay {
 public:
  template <class Check>
  static void Run(const Check& check) {
    const bool was = NtfRecordList::WideSteps();
    for (bool wide : {false, true}) {
      for (bool longOffsets : {false, true}) {
        NtfRecordList::SetWideSteps(wide);
        NtfRecordList::SetLongOffsetsAlways(longOffsets);
        check(std::string(NtfRecordList::WideSteps() ? "wide, " : "narrow, ") + (longOffsets ? "64: " : "32: "));
      }
    }
    NtfRecordList::SetWideSteps(was);
    NtfRecordList::SetLongOffsetsAlways(false);
  }
};

void ExpectLinesByteByByte(const std::string& text, const std::string& label) {
  const std::vector<std::string> expected = LinesByteByByte(text);
  EachSplitWay::Run([&](const std::string& width) {
    const NtfRecordList list = ListOf(text);
    ASSERT_EQ(list.size(), expected.size()) << width << label;
    for (std::size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(list.line(i), expected[i]) << width << label << " line " << i;
  });
}

// The splitter goes 64 bytes a step and sizes its list for 80-column
// lines: long files of lines of every length (0 to 100, or 0 to 3, many
// ends in one step and far more lines than the list was sized for) with
// every kind of end give the lines a byte-by-byte split does (a line ends at
// CR or LF, CR LF is one end), wherever a step boundary falls, a CR LF
// across one included.
TEST(RecordList, LongFilesOfMixedLineEndsSplitAsByteByByte) {
  std::uint64_t state = 5;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  for (int round = 0; round < 4; ++round) {
    std::string text;
    for (int line = 0; line < 3000; ++line) {
      for (std::uint64_t k = next(round < 2 ? 101 : 4); k > 0; --k) text.push_back(static_cast<char>('0' + next(40)));
      const std::uint64_t end = next(4);
      text += end == 0 ? "\r\n" : end == 1 ? "\n" : end == 2 ? "\r" : "\n\r";
    }
    if (round % 2 == 1) text += "tail without an end";
    ExpectLinesByteByByte(text, "round " + std::to_string(round));
  }
}

// The steps are split in blocks of 16 KB, with room made first for a line
// in every byte: files of nothing but line ends (the most lines a block can
// hold, far more than the list is sized for), and ends of every kind on
// both sides of each block's edge.
TEST(RecordList, BlocksOfOnlyLineEndsAndEndsAcrossBlockEdges) {
  for (const std::string end : {"\n", "\r", "\r\n", "\n\r"}) {
    std::string text;
    while (text.size() < 50000) text += end;
    ExpectLinesByteByByte(text, "only line ends");
  }
  for (const std::string end : {"\r\n", "\r", "\n", "\r\r\n"}) {
    for (std::size_t at = 16380; at <= 16386; ++at) {
      std::string text(at, 'a');
      text += end;
      text += std::string(33000 - text.size(), 'b');
      text[32767] = '\r';  // the second edge: a CR LF across it
      text[32768] = '\n';
      ExpectLinesByteByByte(text, "edge at " + std::to_string(at));
    }
  }
}

// One list takes file after file: a file of many short lines after a
// short file grows its block, a short file after that reuses it (each
// file's starts held in 32 bits or in 64, the way changing from file to
// file), and a list moved away leaves an empty one.
TEST(RecordList, AListReusedAndMovedKeepsEachFilesLines) {
  std::string many;
  for (int i = 0; i < 5000; ++i) many += std::to_string(i % 10) + "\n";
  NtfRecordList list;
  bool longOffsets = false;
  for (const std::string& text : {std::string("01A\r\n02B\r\n"), many, std::string("x\ny\nz"), many, many,
                                  std::string("01A\r\n02B\r\n")}) {
    longOffsets = !longOffsets;
    NtfRecordList::SetLongOffsetsAlways(longOffsets);
    list.Assign(text);
    const std::vector<std::string> expected = LinesByteByByte(text);
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(list.line(i), expected[i]) << i;
  }
  NtfRecordList::SetLongOffsetsAlways(true);
  list.Assign(many);
  NtfRecordList::SetLongOffsetsAlways(false);
  NtfRecordList moved = std::move(list);
  EXPECT_EQ(moved.size(), 5000u);
  EXPECT_EQ(moved.line(4999), "9");
  EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): moved from on purpose
  EXPECT_EQ(list.size(), 0u);
  list.Assign("a\nb\n");
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.line(1), "b");
}

// The ends that need the byte after them: a CR with an LF, a CR or another
// CR after it, at every place around the end of a 64-byte step and at the
// end of the file.
TEST(RecordList, CarriageReturnsAtStepEdgesAndFileEnd) {
  for (const std::string end : {"\r\n", "\r\r\n", "\r", "\n\r", "\r\rx"}) {
    for (std::size_t at = 56; at <= 72; ++at) {
      std::string text(at, 'a');
      text += end;
      const std::string label = "end at " + std::to_string(at);
      ExpectLinesByteByByte(text, label);
      ExpectLinesByteByByte(text + std::string(140 - text.size(), 'b'), label + " then text");
      ExpectLinesByteByByte(text + std::string(140 - text.size(), 'b') + "\r\n", label + " then a line");
    }
  }
}

TEST(ShortFields, HoldTheFieldAsGivenUpToTheirLength) {
  ShortField<4> code;
  EXPECT_TRUE(code.empty());
  code.assign(Field("15000001OR00236100110%", 17, 4));
  EXPECT_EQ(std::string_view(code), "0011");
  code.assign(Field("1500", 3, 4));  // cut short by the record's end
  EXPECT_EQ(std::string_view(code), "00");
  code.assign("LONGER");
  EXPECT_EQ(std::string_view(code), "LONG");
  code.clear();
  EXPECT_EQ(std::string_view(code), "");
}

// Fields compared: whole ones at once, a shorter one by its characters only
// (what lies past its end is left from earlier fields and differs here).
TEST(ShortFields, SameAsComparesTheHeldCharactersOnly) {
  ShortField<4> a, b;
  a.assign("0026");
  b.assign("0026");
  EXPECT_TRUE(a.SameAs(b));
  b.assign("0027");
  EXPECT_FALSE(a.SameAs(b));
  a.assign("00");
  b.assign("00");
  EXPECT_TRUE(a.SameAs(b));  // "26" and "27" still lie past the ends
  b.assign("001");
  EXPECT_FALSE(a.SameAs(b));
  a.clear();
  b.clear();
  EXPECT_TRUE(a.SameAs(b));
}

TEST(RecordList, DatabaseNameIsColumns3To22OfTheSecondLine) {
  EXPECT_EQ(ListOf("01\r\n02CODE_POINT_1999.01  19990401\r\n").DatabaseName(), "CODE_POINT_1999.01  ");
  EXPECT_EQ(ListOf("01\r\n02Short\r\n").DatabaseName(), "Short");
  EXPECT_EQ(ListOf("01\r\n").DatabaseName(), "");
}

TEST(RecordList, LoadRefusesMissingFilesFoldersAndOneLineFiles) {
  test::ScratchDir dir;
  NtfRecordList list;
  InputError error;
  EXPECT_FALSE(list.Load(dir / "missing.ntf", &error));
  EXPECT_EQ(error, (InputError{InputError::Fault::Described, test::NoSuchFile()}));
  EXPECT_FALSE(list.Load(dir.path().string(), &error));
  EXPECT_EQ(error, (InputError{InputError::Fault::IsAFolder, {}}));
  test::WriteFile(dir / "one.ntf", "01ONE LINE ONLY0%\r\n");
  EXPECT_FALSE(list.Load(dir / "one.ntf", &error));
  EXPECT_EQ(error, (InputError{InputError::Fault::TooFewLines, {}}));
  test::WriteFile(dir / "empty.ntf", "");
  error = {};
  EXPECT_FALSE(list.Load(dir / "empty.ntf", &error));
  EXPECT_EQ(error, (InputError{InputError::Fault::TooFewLines, {}}));
  test::WriteFile(dir / "two.ntf", "01A\r\n02B");
  EXPECT_TRUE(list.Load(dir / "two.ntf", &error));
  EXPECT_EQ(list.size(), 2u);
}

TEST(Fields, AreCutFromOneBasedColumnsAndClippedAtTheEnd) {
  const std::string_view rec = "07SK12      rest";
  EXPECT_EQ(RecordId(rec), "07");
  EXPECT_EQ(RecordId("9"), "9");
  EXPECT_EQ(Field(rec, 3, 10), "SK12      ");
  EXPECT_EQ(TrimRight(Field(rec, 3, 10)), "SK12");
  EXPECT_EQ(Field(rec, 13, 10), "rest");
  EXPECT_EQ(Field(rec, 16, 10), "t");
  EXPECT_EQ(Field(rec, 17, 10), "");
  EXPECT_EQ(Field(rec, 500, 2), "");
}

TEST(Join, ContinuationLinesAreJoinedUpToTheEndMark) {
  const auto list = ListOf(
      "01\r\n"
      "21AAA1%\r\n"   // 1: record over two lines
      "00BBB0%\r\n"
      "21CCC1%\r\n"   // 3: over three lines
      "00DDD1%\r\n"
      "00EEE0%\r\n"
      "21FFF1% \r\n"  // 6: a mark followed by a blank is no mark
      "21GGG1%\r\n"   // 7: a middle line without any mark goes on
      "00HHH\r\n"
      "00III0%\r\n"
      "21JJJ1%\r\n"); // 11: never ends
  RecordCursor c(list);
  std::string buf;
  c.currentLine = 1;
  EXPECT_EQ(c.JoinRecord(buf), "21AAABBB0%");
  EXPECT_EQ(c.currentLine, 2u);
  EXPECT_EQ(c.NextRecord(buf), "21CCCDDDEEE0%");
  EXPECT_EQ(c.currentLine, 5u);
  EXPECT_EQ(c.NextRecord(buf), "21FFF1% ");
  EXPECT_EQ(c.currentLine, 6u);
  // The unmarked middle line still loses its last two characters.
  EXPECT_EQ(c.NextRecord(buf), "21GGGHIII0%");
  EXPECT_EQ(c.currentLine, 9u);
  c.currentLine = 10;
  EXPECT_THROW(c.JoinRecord(buf), NtfReadFailure);
  EXPECT_EQ(c.currentLine, 11u);
}

TEST(Join, ShortContinuationLinesDoNotUnderflow) {
  const auto list = ListOf("01\r\n1%\r\n0\r\n%\r\n000%\r\n");
  RecordCursor c(list);
  std::string buf;
  EXPECT_EQ(c.JoinRecord(buf), "0%");
  EXPECT_EQ(c.currentLine, 4u);
}

TEST(Numbers, IntegersAllowLeadingBlanksAndASignOnly) {
  std::int64_t v = 0;
  EXPECT_TRUE(TryToInteger("  42", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(TryToInteger("-0017", v));
  EXPECT_EQ(v, -17);
  EXPECT_TRUE(TryToInteger("+5", v));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(TryToInteger("-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_TRUE(TryToInteger("999999999999999999", v));  // eighteen digits
  EXPECT_EQ(v, 999999999999999999);
  EXPECT_TRUE(TryToInteger("0009223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  for (std::string_view bad : {"", "   ", "12 ", "1.0", "x1", "-", "1e3", "99999999999999999999",
                               "9223372036854775808", "1/2", "1:2"})
    EXPECT_FALSE(TryToInteger(bad, v)) << bad;
  EXPECT_THROW(ToInteger(""), NtfReadFailure);
}

TEST(Numbers, RealsAllowBlanksAroundAnExponentAndNoInfinity) {
  double v = 0;
  EXPECT_TRUE(TryToReal(" 0.010 ", v));
  EXPECT_DOUBLE_EQ(v, 0.01);
  EXPECT_TRUE(TryToReal("+1.5E2", v));
  EXPECT_DOUBLE_EQ(v, 150);
  EXPECT_TRUE(TryToReal("-.5", v));
  EXPECT_DOUBLE_EQ(v, -0.5);
  EXPECT_TRUE(TryToReal("7.", v));
  EXPECT_DOUBLE_EQ(v, 7);
  for (std::string_view bad : {"", " ", ".", "1,5", "inf", "nan", "1e", "1 2", "0x10"})
    EXPECT_FALSE(TryToReal(bad, v)) << bad;
  long double lv = 0;
  EXPECT_TRUE(TryToReal("123456.785", lv));
  EXPECT_EQ(lv, 123456.785L);
}

// Short decimals are read without the library; every one must be the value
// std::from_chars (strtold for long double) gives, to the last bit,
// including the sign of zero.
TEST(Numbers, ShortDecimalsMatchTheLibraryConversionExactly) {
  std::vector<std::string> fields = {"0", "-0", "+0", "-0.000", "0.1", "0.3", "-.5", "5.", "123456.785",
                                     "999999999999999", "9999999999999999", "0.000000000000001",
                                     "1234567.8901234", "12345678.90123456", "00000000000000000001"};
  std::uint64_t state = 99;
  for (int i = 0; i < 50000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    std::string digits = std::to_string(state >> (state % 40));
    const std::size_t point = (state >> 8) % (digits.size() + 1);
    if (point < digits.size()) digits.insert(point, ".");
    fields.push_back(((state >> 16) % 3 == 0 ? "-" : "") + digits);
  }
  for (const std::string& f : fields) {
    double quick = 0;
    ASSERT_TRUE(TryToReal(f, quick)) << f;
    std::string_view text = f;
    if (text.front() == '+') text.remove_prefix(1);
    double exact = 0;
    std::from_chars(text.data(), text.data() + text.size(), exact);
    ASSERT_EQ(std::signbit(quick), std::signbit(exact)) << f;
    ASSERT_EQ(quick, exact) << f;
    long double quickLong = 0;
    ASSERT_TRUE(TryToReal(f, quickLong)) << f;
    const long double exactLong = std::strtold(std::string(text).c_str(), nullptr);
    ASSERT_EQ(std::signbit(quickLong), std::signbit(exactLong)) << f;
    ASSERT_EQ(quickLong, exactLong) << f;
  }
}

// The eight-bytes-at-once reading of all-digit fields accepts exactly what
// TryToInteger accepts among such fields and gives the same value.
template <std::size_t N>
void CheckFixedDigits(std::uint64_t seed) {
  const std::string alphabet = std::string("0123456789 +-./:") + '\x00' + '\xff' + '\x06' + '\xf9';
  std::uint64_t state = seed;
  for (int i = 0; i < 20000; ++i) {
    std::string field;
    for (std::size_t k = 0; k < N; ++k) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      // Mostly digits, sometimes anything from the alphabet.
      const std::size_t pick = (state >> 33) % 64;
      field.push_back(pick < 10 ? alphabet[pick] : pick < 40 ? static_cast<char>('0' + pick % 10) : alphabet[pick % alphabet.size()]);
    }
    std::int64_t fast = -1, general = -1;
    const bool allDigits = field.find_first_not_of("0123456789") == std::string::npos;
    ASSERT_EQ(TryToFixedDigits<N>(field, fast), allDigits) << field;
    if (allDigits) {
      ASSERT_TRUE(TryToInteger(field, general));
      ASSERT_EQ(fast, general) << field;
    }
    // The long double reading of the field agrees with the general one bit
    // for bit, and fails where it fails.
    long double generalReal = 0;
    if (TryToReal(field, generalReal)) {
      const long double fastReal = ToFixedLongReal<N>(field);
      ASSERT_EQ(std::memcmp(&fastReal, &generalReal, 10), 0) << field;
    } else {
      ASSERT_THROW(ToFixedLongReal<N>(field), NtfReadFailure) << field;
    }
  }
  std::int64_t v = -1;
  EXPECT_TRUE(TryToFixedDigits<N>(std::string(N, '9'), v));
  EXPECT_EQ(std::to_string(v), std::string(N, '9'));
  EXPECT_TRUE(TryToFixedDigits<N>(std::string(N, '0'), v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(TryToFixedDigits<N>(std::string(N - 1, '1'), v));  // cut short
  EXPECT_FALSE(TryToFixedDigits<N>(std::string(N + 1, '1'), v));
}

TEST(Numbers, FixedWidthDigitFieldsReadAsTheGeneralIntegerDoes) {
  CheckFixedDigits<1>(1);
  CheckFixedDigits<2>(7);
  CheckFixedDigits<3>(8);
  CheckFixedDigits<4>(2);
  CheckFixedDigits<5>(3);
  CheckFixedDigits<6>(4);
  CheckFixedDigits<7>(5);
  CheckFixedDigits<8>(6);
}

}  // namespace
