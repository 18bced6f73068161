// Code-Point: points from geometry records, rows from attribute records.
#include <gtest/gtest.h>

#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using test::Ntf;

namespace {

struct CodePoint : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;

  // Translates the records between the section header and "99"; returns
  // the MIF body (after the header) and the MID lines.
  std::pair<std::vector<std::string>, std::vector<std::string>> Translate(std::initializer_list<std::string> records,
                                                                          bool end = true,
                                                                          std::string section = "07NN        0%") {
    std::string text = Ntf({"01V0%", "02CODE_POINT_1999.01  0%", section});
    for (const auto& r : records) text += r + "\r\n";
    if (end) text += "99\r\n";
    test::WriteFile(dir / "t.ntf", text);
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    auto mif = test::CrLfLines(test::ReadFile(dir / "t.mif"));
    const auto data = std::find(mif.begin(), mif.end(), "Data");
    std::vector<std::string> body(data == mif.end() ? mif.end() : data + 2, mif.end());
    return {body, test::CrLfLines(test::ReadFile(dir / "t.mid"))};
  }
};

TEST_F(CodePoint, PointsKeepTheRawSevenCharacterCoordinates) {
  auto [mif, mid] = Translate({"15000001000001010000010%", "210000011000100478690026885 0%"});
  EXPECT_EQ(mif, (std::vector<std::string>{"POINT 0047869 0026885", "Symbol (34,16711680,6)"}));
  // No attribute record: the tile ends with an empty row for the point.
  EXPECT_EQ(mid, std::vector<std::string>{",,,,,,,,,,,,,,,,,"});
}

TEST_F(CodePoint, MnemonicsAreScannedInTableOrderFromColumnNine) {
  auto [mif, mid] = Translate({
      "14000001PCAB1 2CDPQ10PRSTP001DQ002RP003BP004PD005MP006UM007CY008RHQ34LHQK1CC11DCABWCCDLS10%",
      "14000002PCAB1 2CDPQ10TP001LS20%",       // gaps give empty values
      "14000003PQ10PRS0%",                     // no PC: still found
      "14000004PCAB1 2CDPRSPQ10TP0010%",       // PR before PQ: the rest reads empty
      "14000005PCAB1 2CDPQ1",                  // cut short: as far as it goes
      "14000006PCAB1 2CDLS0%",                 // LS without its value: the end mark is no value
  });
  EXPECT_EQ(mid, (std::vector<std::string>{
                     "NN,AB1 2CD,10,S,001,002,003,004,005,006,007,008,Q34,QK1,11,AB,CD,1",
                     "NN,AB1 2CD,10,,001,,,,,,,,,,,,,2",
                     "NN,,10,S,,,,,,,,,,,,,,",
                     "NN,AB1 2CD,,S,,,,,,,,,,,,,,",
                     "NN,AB1 2CD,1,,,,,,,,,,,,,,,",
                     "NN,AB1 2CD,,,,,,,,,,,,,,,,",
                 }));
  // Rows without points: the tile ends with placeholder objects.
  EXPECT_EQ(mif, std::vector<std::string>(6, "NONE"));
}

TEST_F(CodePoint, TheNthPointPairsWithTheNthRowAndFilesAreEvenedAtTheEnd) {
  auto [mif, mid] = Translate({
      "210000011000100000010000001 0%",
      "210000021000100000020000002 0%",
      "14000001PCA0%",
      "210000031000100000030000003 0%",
  });
  EXPECT_EQ(mif.size(), 6u);  // three points, each with its symbol
  ASSERT_EQ(mid.size(), 3u);
  EXPECT_EQ(mid[0].substr(0, 6), "NN,A,,");
  EXPECT_EQ(mid[1], ",,,,,,,,,,,,,,,,,");
  EXPECT_EQ(observer.objectsLabel.back(), 3);
}

TEST_F(CodePoint, ABadCoordinateIsAReadErrorAndKeepsWhatWasWritten) {
  auto [mif, mid] = Translate({
      "210000011000100000010000001 0%",
      "14000001PCA0%",
      "2100000210001000000X0000002 0%",
      "14000002PCB0%",
  });
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Error reading NTF file at line 5"});
  EXPECT_EQ(mif, (std::vector<std::string>{"POINT 0000001 0000001", "Symbol (34,16711680,6)"}));
  EXPECT_EQ(mid.size(), 1u);
}

TEST_F(CodePoint, ValuesThatWouldSplitARowAreQuoted) {
  auto [mif, mid] = Translate({"14000001PCA,\"B   0%"});
  ASSERT_EQ(mid.size(), 1u);
  EXPECT_EQ(mid[0], "NN,\"A,\"\"B   \",,,,,,,,,,,,,,,,");
}

// The section reference is checked once per file, the record's values once
// per record: either may need quoting without the other.
TEST_F(CodePoint, ASectionReferenceWithTheDelimiterIsQuotedInEveryRow) {
  auto [mif, mid] = Translate({"14000001PCAB1 0%", "14000002PCA,\"B   0%"}, true, "07N,N       0%");
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[0], "\"N,N\",AB1 ,,,,,,,,,,,,,,,,");
  EXPECT_EQ(mid[1], "\"N,N\",\"A,\"\"B   \",,,,,,,,,,,,,,,,");
}

// Records with every mnemonic at its full width take a quick way to the
// same row; anything off that layout reads the general way.
TEST_F(CodePoint, FullRecordsGiveTheSameRowsAsTheGeneralReading) {
  const std::string full = "14000001PCAB1 2CDPQ10PRSTP001DQ002RP003BP004PD005MP006UM007CY008RHQ34LHQK1CC11DCABWCCDLS1";
  const std::string row = "AB1 2CD,10,S,001,002,003,004,005,006,007,008,Q34,QK1,11,AB,CD,1";
  std::string commaInValue = full;
  commaInValue.replace(commaInValue.find("Q34"), 3, "Q,4");
  std::string swapped = full;  // DC and WC change places: DC and LS read empty
  swapped.replace(swapped.find("DCABWCCD"), 8, "WCCDDCAB");
  auto [mif, mid] = Translate({
      full + "0%",
      full + "XYZ0%",  // text past the last value is no value
      commaInValue + "0%",
      swapped + "0%",
      full.substr(0, full.size() - 1) + "0%",  // LS without its value
  }, true, "07N\"N       0%");
  EXPECT_EQ(mid, (std::vector<std::string>{
                     "\"N\"\"N\"," + row,
                     "\"N\"\"N\"," + row,
                     "\"N\"\"N\",AB1 2CD,10,S,001,002,003,004,005,006,007,008,\"Q,4\",QK1,11,AB,CD,1",
                     "\"N\"\"N\",AB1 2CD,10,S,001,002,003,004,005,006,007,008,Q34,QK1,11,,CD,",
                     "\"N\"\"N\",AB1 2CD,10,S,001,002,003,004,005,006,007,008,Q34,QK1,11,AB,CD,",
                 }));
}

TEST_F(CodePoint, PointsFollowOneAnotherEachWithItsSymbol) {
  auto [mif, mid] = Translate({"210000011000112345679876543 0%", "210000021000100000010000002 0%"});
  EXPECT_EQ(mif, (std::vector<std::string>{"POINT 1234567 9876543", "Symbol (34,16711680,6)", "POINT 0000001 0000002",
                                           "Symbol (34,16711680,6)"}));
  EXPECT_EQ(observer.objectsLabel.back(), 2);
}

}  // namespace
