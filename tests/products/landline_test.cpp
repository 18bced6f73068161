// Land-Line: the feature style table and the translator, run on small tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "mif/format.hpp"
#include "products/landline/landline_entries.hpp"
#include "products/landline/landline_style.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

// ---------------------------------------------------------------- style table

TEST(LandLineStyleTable, RowsGuardsAndTextCodes) {
  const auto table = LandLineStyleTable();
  ASSERT_EQ(table.size(), 63u);
  std::set<std::string_view> codes;
  std::set<int> guards;
  int texts = 0;
  for (const LandLineStyleRow& row : table) {
    EXPECT_EQ(row.code.size(), 4u);
    // The translator writes descriptions into MID rows unchecked.
    EXPECT_TRUE(IsPlainMidValue(row.description)) << row.code;
    EXPECT_TRUE(codes.insert(row.code).second) << row.code;
    EXPECT_EQ(FindLandLineStyleRow(row.code), &row);
    if (row.guard == 0) {
      ++texts;
      EXPECT_EQ(row.standard.substr(0, 6), "FONT (") << row.code;
      EXPECT_EQ(LandLineEntryForFeatureCode(row.code), 0);
    } else {
      EXPECT_TRUE(guards.insert(row.guard).second) << row.code;
      EXPECT_EQ(LandLineEntryForFeatureCode(row.code), row.guard);
    }
  }
  EXPECT_EQ(texts, 6);
  EXPECT_TRUE(IsPlainMidValue(kNoMatchDescription));
  EXPECT_EQ(guards.size(), 57u);
  EXPECT_EQ(guards.count(8), 0u);
  EXPECT_EQ(*guards.begin(), 1);
  EXPECT_EQ(*guards.rbegin(), 58);
  EXPECT_EQ(LandLineEntryForFeatureCode("0395"), 52);
  EXPECT_EQ(LandLineEntryForFeatureCode("0392"), 51);
  EXPECT_EQ(LandLineEntryForFeatureCode("9999"), 0);
}

struct StyleLookup : ::testing::Test {
  TranslationSettings settings;
  LandLineStyle style;
  void Lookup(std::string_view code, bool trueType = true) { LookupLandLineStyle(code, trueType, settings.productOptions.View(kLandLineFeatureOption), style); }
};

TEST_F(StyleLookup, CodesMatchOnAllFourCharacters) {
  Lookup("0035");
  EXPECT_EQ(style.clause, "  PEN (1,8,32768)");
  EXPECT_EQ(style.description, "Vegetation/landform limit");
  Lookup("35");
  EXPECT_EQ(style.clause, "");
  EXPECT_EQ(style.description, "no match");
  Lookup("0035 ");
  EXPECT_EQ(style.description, "no match");
  Lookup("");
  EXPECT_EQ(style.description, "no match");
  Lookup(std::string_view("\0\0\0\0", 4));
  EXPECT_EQ(style.description, "no match");
  // Any code one character away from a listed one finds the row of that
  // very code or none.
  for (const LandLineStyleRow& row : LandLineStyleTable()) {
    for (std::size_t at = 0; at < 4; ++at) {
      for (int c = 0; c < 256; ++c) {
        std::string code(row.code);
        code[at] = static_cast<char>(c);
        const LandLineStyleRow* found = FindLandLineStyleRow(code);
        if (found) EXPECT_EQ(found->code, code);
        else EXPECT_NE(code, row.code);
      }
    }
  }
}

TEST_F(StyleLookup, UnmatchedAndTextCodesKeepFeatureEnabled) {
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, false);
  Lookup("0001");
  EXPECT_FALSE(style.featureEnabled);
  Lookup("0555");
  EXPECT_FALSE(style.featureEnabled);
  Lookup("1005");
  EXPECT_FALSE(style.featureEnabled);
  EXPECT_EQ(style.clause, "FONT (\"Arial\",0,0,12632256)");
  EXPECT_EQ(style.description, "Administrative boundary text");
  Lookup("0021");
  EXPECT_TRUE(style.featureEnabled);
  Lookup("0555");
  EXPECT_TRUE(style.featureEnabled);
}

TEST_F(StyleLookup, EachCheckBoxGuardsItsOwnCodeOnly) {
  settings.productOptions.SetEntry(kLandLineFeatureOption, 52, false);  // "Upper level of comm"
  settings.productOptions.SetEntry(kLandLineFeatureOption, 51, false);  // "Scrub"
  for (const LandLineStyleRow& row : LandLineStyleTable()) {
    style.featureEnabled = true;
    Lookup(row.code);
    EXPECT_EQ(style.featureEnabled, row.code != "0395" && row.code != "0392") << row.code;
  }
}

TEST_F(StyleLookup, RotatedTrueTypeSymbolsCarryTheRotation) {
  style.symbolRotation = 270;  // a point with orientation 90.0
  Lookup("0013");
  EXPECT_EQ(style.clause, "  SYMBOL (99,8421504,12,\"MapInfo Cartographic\",0,270.0)");
  style.symbolRotation = 0;
  Lookup("0013");
  EXPECT_EQ(style.clause, "  SYMBOL (99,8421504,12,\"MapInfo Cartographic\",0,0.0)");
  style.symbolRotation = 225.5L;
  Lookup("0069");
  EXPECT_EQ(style.clause, "  SYMBOL (73,255,10,\"MapInfo Cartographic\",0,225.5)");
  // Not rotated, but a TrueType clause of its own.
  Lookup("0378");
  EXPECT_EQ(style.clause, "  SYMBOL (103,8388608,10,\"MapInfo Cartographic\",1,0)");
  EXPECT_EQ(style.symbolRotation, 225.5L);
}

TEST_F(StyleLookup, BenchmarkLowersTheRotationAtEveryLookup) {
  Lookup("0026");
  EXPECT_EQ(style.clause, "  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,-225.0)");
  Lookup("0026");
  EXPECT_EQ(style.clause, "  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,-450.0)");
  EXPECT_EQ(style.symbolRotation, -450);
}

TEST_F(StyleLookup, StandardSymbolsGiveTheStandardClauseAndLeaveTheRotation) {
  style.symbolRotation = 270;
  for (const LandLineStyleRow& row : LandLineStyleTable()) {
    Lookup(row.code, false);
    EXPECT_EQ(style.clause, row.standard) << row.code;
  }
  EXPECT_EQ(style.symbolRotation, 270);
  Lookup("0049", false);
  EXPECT_EQ(style.clause, "  SYMBOL (38,126322256,12)");
}

TEST(LandLineOff, EntriesByNumberOrFeatureCode) {
  TranslationSettings settings;
  std::string error;
  ASSERT_TRUE(ParseOptionText(kLandLineFeatureOption, "0395, 51,1212", settings.productOptions.Slot(kLandLineFeatureOption), error)) << error;
  for (int entry = 1; entry <= 58; ++entry)
    EXPECT_EQ(settings.productOptions.EntryOn(kLandLineFeatureOption, entry), entry != 52 && entry != 51 && entry != 58) << entry;
  // Entry 8 has no check box; text codes and unknown codes name no entry.
  for (const char* bad : {"8", "0", "59", "123", "1000", "0555", "abc"}) {
    TranslationSettings s;
    EXPECT_FALSE(ParseOptionText(kLandLineFeatureOption, bad, s.productOptions.Slot(kLandLineFeatureOption), error)) << bad;
    EXPECT_NE(error.find(bad), std::string::npos) << error;
    EXPECT_TRUE(s.productOptions.EntryOn(kLandLineFeatureOption, 8));
  }
}

// ----------------------------------------------------------------- translator

// The "07" record: by default multiplier 10 (0.01 m), origin 500000 200000,
// scale 1250 at columns 179-187.
std::string Section(std::string_view ref = "TQ12", int scale = 1250, std::string_view multiplier = "0000000010",
                    std::string_view origins = "00005000000000200000") {
  std::string r = "07" + std::string(ref) + std::string(10 - ref.size(), ' ') + "21000062" + std::string(multiplier) +
                  "0000010000000000" + std::string(origins);
  r.resize(178, '0');
  const std::string s = std::to_string(scale);
  r += std::string(9 - s.size(), '0') + s + "0%";
  return r;
}

struct Tile {
  std::vector<std::string> mif, mid, textMif, textMid;
};

struct LandLine : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;

  static std::vector<std::string> Body(const std::string& path) {
    if (!test::Exists(path)) return {};
    auto lines = test::CrLfLines(test::ReadFile(path));
    const auto data = std::find(lines.begin(), lines.end(), "DATA");
    return {data == lines.end() ? lines.end() : data + 2, lines.end()};
  }
  static std::vector<std::string> AllLines(const std::string& path) {
    return test::Exists(path) ? test::CrLfLines(test::ReadFile(path)) : std::vector<std::string>{};
  }

  static std::string TileText(std::initializer_list<std::string> records, bool end = true) {
    std::string text = test::Ntf({"01V0%", "02LAND-LINE.93        0%", Section()});
    for (const auto& r : records) text += r + "\r\n";
    if (end) text += "99\r\n";
    return text;
  }

  Tile Translate(std::initializer_list<std::string> records, bool end = true) {
    test::WriteFile(dir / "t.ntf", TileText(records, end));
    test::RemoveSet(dir / "t.mif");
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    return Tile{Body(dir / "t.mif"), AllLines(dir / "t.mid"), Body(dir / "t_Text.mif"), AllLines(dir / "t_Text.mid")};
  }
};

using Lines = std::vector<std::string>;

TEST_F(LandLine, LinesPointsAndRowsWithScaledCoordinates) {
  const Tile t = Translate({
      "23000001        00010%",
      "2100000120003000100000200 000300000400 000500000600 0%",
      "15000002        00250%",
      "2100000210001012345067890 0%",
      "14000002DT0012500%",  // attribute records are passed over
  });
  EXPECT_EQ(t.mif, (Lines{"PLINE 3", "500001.00 200002.00", "500003.00 200004.00", "500005.00 200006.00",
                          "  PEN (1,2,16711680)", "POINT 500123.45 200678.90", "  SYMBOL (42,255,9)"}));
  EXPECT_EQ(t.mid, (Lines{"TQ12,000001,0001,Building outline,0.0,0.0", "TQ12,000002,0025,Triangulation point,0.0,0.0"}));
  EXPECT_EQ(observer.Texts(), Lines{});
}

// Coordinates are formatted from the long double sum c * multiplier +
// origin. At a multiplier of 0.005 m every odd coordinate lies a hair from a
// half cent, where a sum in double could round the other way; multipliers
// of whole hundredths (0.01 to 1000 m) take integers, up to the largest
// six-digit coordinate, and must give the same digits. So must the digits
// of 0.01 m fields copied after origins in whole tens of kilometres.
TEST_F(LandLine, GroundCoordinatesRoundAsTheLongDoubleSumNearHalfCents) {
  struct Case {
    const char* multiplier;
    const char* origins;
    long double x0, y0;
  };
  for (const Case& c : {Case{"0000000005", "00005000000000200000", 500000, 200000},
                        Case{"0000000010", "00005000000000200000", 500000, 200000},
                        Case{"0000000010", "00005305000000180250", 530500, 180250},
                        Case{"0000000010", "00000000000000000000", 0, 0},
                        Case{"0000000010", "09999900000000010000", 999990000, 10000},
                        Case{"0000000130", "00005000000000200000", 500000, 200000},
                        Case{"0000001000", "00005000000000200000", 500000, 200000},
                        Case{"0001000000", "00005000000000200000", 500000, 200000}}) {
    const std::string multiplier = c.multiplier;
    SCOPED_TRACE(c.origins);
    std::string record = "2100000120200";
    std::vector<std::string> expected = {"PLINE 200"};
    const long double m = std::stold(multiplier) / 1000;
    for (int i = 1; i <= 200; ++i) {
      const int x = i == 200 ? 999999 : i * 7919 % 1000000, y = i * 13 + 1;
      char field[16];
      std::snprintf(field, sizeof field, "%06d%06d ", x, y);
      record += field;
      expected.push_back(FormatFixed(x * m + c.x0, 2) + " " + FormatFixed(y * m + c.y0, 2));
    }
    record += "0%";
    test::WriteFile(dir / "t.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%", Section("TQ12", 1250, multiplier, c.origins),
                                              "23000001        00010%", record, "99"}));
    test::RemoveSet(dir / "t.mif");
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    Lines mif = Body(dir / "t.mif");
    ASSERT_EQ(mif.size(), 202u) << multiplier;
    mif.pop_back();  // the style clause
    EXPECT_EQ(mif, expected) << multiplier;
  }
}

// Two fields of twelve digits are checked as two words at once where the
// record holds them whole: a blank or sign in either field, in any of the
// twelve places, sends the vertex the general way, with the same digits as
// before; a vertex at the very end of the record (no qualifier, no end
// mark) is read whole.
TEST_F(LandLine, VerticesWithAnythingButDigitsTakeTheGeneralWay) {
  std::string record = "2100000120006";
  Lines expected = {"PLINE 6"};
  const char* fields[] = {"000100000200", " 00100000200", "00010 000200", "000100-00200", "000100 00200", "00010000020 "};
  const char* ground[] = {"500001.00 200002.00", "500001.00 200002.00", "500000.10 200002.00",
                          "500001.00 199998.00", "500001.00 200002.00", "500001.00 200000.20"};
  for (int i = 0; i < 6; ++i) {
    record += fields[i];
    if (i < 5) record += " ";
    expected.push_back(ground[i]);
  }
  const Tile t = Translate({"23000001        00010%", record});
  ASSERT_EQ(t.mif.size(), 8u) << ::testing::PrintToString(t.mif);
  EXPECT_EQ(Lines(t.mif.begin(), t.mif.end() - 1), expected);
}

// A line whose vertices are all twelve digits goes straight to the file; a
// blank anywhere sends the whole record the general way. Both give the
// same lines, and a large line (more than the output buffer holds at once)
// comes out whole.
TEST_F(LandLine, UsualAndGeneralLineRecordsGiveTheSameLines) {
  const std::string usual = "2100000120003000100000200 000300000400 000500000600 0%";
  const std::string blankFirst = "2100000120003 00100000200 000300000400 000500000600 0%";
  const std::string blankLast = "2100000120003000100000200 000300000400 000500 00600 0%";
  std::string large = "2100000129999";
  for (int i = 0; i < 9999; ++i) large += "123456654321 ";
  large += "0%";
  const Tile t = Translate({"23000001        00010%", usual, "23000001        00010%", blankFirst,
                            "23000001        00010%", blankLast, "23000001        00010%", large});
  const Lines line = {"PLINE 3", "500001.00 200002.00", "500003.00 200004.00", "500005.00 200006.00",
                      "  PEN (1,2,16711680)"};
  ASSERT_EQ(t.mif.size(), 3 * line.size() + 9999 + 2);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Lines(t.mif.begin() + 5 * k, t.mif.begin() + 5 * k + 5), line) << k;
  EXPECT_EQ(t.mif[15], "PLINE 9999");
  EXPECT_EQ(t.mif[16], "501234.56 206543.21");
  EXPECT_EQ(t.mif[15 + 9999], "501234.56 206543.21");
  EXPECT_EQ(t.mid.size(), 4u);
}

TEST_F(LandLine, OneCoordinateIsWrittenTwiceAndNoneIsAPlaceholder) {
  const Tile t = Translate({
      "23000001        00300%",
      "2100000120001000100000200 0%",
      "23000002        00300%",
      "21000002200000%",
  });
  EXPECT_EQ(t.mif, (Lines{"PLINE 2", "500001.00 200002.00", "500001.00 200002.00", "  PEN (1,2,0)", "NONE"}));
  EXPECT_EQ(t.mid.size(), 2u);
  EXPECT_EQ(t.mid[1], "TQ12,000002,0030,General line/minor building detail,0.0,0.0");
}

TEST_F(LandLine, OrientedPointsAndTheBenchmark) {
  const Tile t = Translate({
      "15000001OR00090000130%",
      "2100000110001000100000100 0%",
      "15000002        00130%",
      "2100000210001000100000100 0%",
      "15000003        00260%",
      "2100000310001000100000100 0%",
      "15000004OR00090000260%",
      "2100000410001000100000100 0%",
  });
  ASSERT_EQ(t.mif.size(), 8u);
  EXPECT_EQ(t.mif[1], "  SYMBOL (99,8421504,12,\"MapInfo Cartographic\",0,270.0)");
  EXPECT_EQ(t.mif[3], "  SYMBOL (99,8421504,12,\"MapInfo Cartographic\",0,0.0)");
  EXPECT_EQ(t.mif[5], "  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,-450.0)");
  EXPECT_EQ(t.mif[7], "  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,-180.0)");
  EXPECT_EQ(t.mid[0], "TQ12,000001,0013,Boundary mereing change symbol,90.0,0.0");
  EXPECT_EQ(t.mid[1], "TQ12,000002,0013,Boundary mereing change symbol,0.0,0.0");
  EXPECT_EQ(t.mid[3], "TQ12,000004,0026,Benchmark,90.0,0.0");
}

// A point whose fields are twelve digits is written the integer way, with
// the same digits the general reading gives a blank, a sign or a field at
// the very end of its record. An orientation of four digits is written from
// them; any other field is read as a number and formatted.
TEST_F(LandLine, PointsAndOrientationsOfEveryShape) {
  const Tile t = Translate({
      "15000001        00250%", "2100000110001000100000200 0%",
      "15000002        00250%", "2100000210001 00100000200 0%",
      "15000003        00250%", "2100000310001000100-00200 0%",
      "15000004        00250%", "2100000410001000100000200",  // no qualifier, no end mark
      "15000005OR00000500250%", "2100000510001000100000200 0%",
      "15000006OR00 90000250%", "2100000610001000100000200 0%",
      "15000007OR00-45000250%", "2100000710001000100000200 0%",
      "15000008OR00000000250%", "2100000810001000100000200 0%",
      "15000009OR00359900250%", "2100000910001000100000200 0%",
      "15000010OR0012.500250%", "2100001010001000100000200 0%",
  });
  ASSERT_EQ(t.mif.size(), 20u);
  const char* points[] = {"POINT 500001.00 200002.00", "POINT 500001.00 200002.00", "POINT 500001.00 199998.00",
                          "POINT 500001.00 200002.00"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t.mif[2 * i], points[i]) << i;
  for (int i = 4; i < 10; ++i) EXPECT_EQ(t.mif[2 * i], points[0]) << i;
  const std::string orientations[] = {"0.0", "0.0", "0.0", "0.0", "0.5", "90.0", "-45.0", "0.0", "359.9",
                                      FormatFixed(12.5L / 10, 1)};
  ASSERT_EQ(t.mid.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    char id[8];
    std::snprintf(id, sizeof id, "%06d", i + 1);
    EXPECT_EQ(t.mid[static_cast<std::size_t>(i)],
              "TQ12," + std::string(id) + ",0025,Triangulation point," + orientations[i] + ",0.0");
  }

  // A point left out by the feature option still has its coordinates read.
  observer.messages.clear();
  settings.productOptions.SetEntry(kLandLineFeatureOption, 13, false);
  const Tile off = Translate({"15000001        00250%", "2100000110001000100000200 0%",
                              "15000002        00250%", "2100000210001000100-X0200 0%"});
  EXPECT_EQ(off.mif, Lines{});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 6"});
}

TEST_F(LandLine, StandardSymbolsIgnoreTheRotation) {
  settings.useTrueTypeSymbols = false;
  const Tile t = Translate({"15000001OR00090000260%", "2100000110001000100000100 0%"});
  EXPECT_EQ(t.mif, (Lines{"POINT 500001.00 200001.00", "  SYMBOL (51,255,8)"}));
}

TEST_F(LandLine, DisabledFeaturesAreConsumedAndUnmatchedCodesFollowTheLastLookup) {
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, false);
  const Tile t = Translate({
      "23000009        05550%",  // unmatched at the start: written
      "2100000120001000100000100 0%",
      "23000001        00010%",  // disabled
      "2100000220002000100000100 000200000200 0%",
      "23000002        05550%",  // unmatched after a disabled one: left out too
      "2100000320001000100000100 0%",
      "11000003100003Elm0%",     // texts are never left out
      "120001020000000%",
      "2100000410001000100000100 0%",
      "15000004        00270%",
      "2100000510001000300000300 0%",
  });
  EXPECT_EQ(t.mif, (Lines{"PLINE 2", "500001.00 200001.00", "500001.00 200001.00", "", "POINT 500003.00 200003.00",
                          "  SYMBOL (49,255,8)"}));
  EXPECT_EQ(t.mid, (Lines{"TQ12,000009,0555,no match,0.0,0.0", "TQ12,000004,0027,Spot height,0.0,0.0"}));
  EXPECT_EQ(t.textMid, (Lines{"TQ12,000003,1000,Road name/number,0.0,0.0"}));
  ASSERT_FALSE(observer.objectsLabel.empty());
  EXPECT_EQ(observer.objectsLabel.back(), 3);  // the left-out ones are not counted
}

// A number too large to write is a read error only in a feature that is
// written: a line or point left out is skipped whatever it holds, and the
// features after it are written. A field that is no number at all still
// fails, written or not.
TEST_F(LandLine, NumbersTooLargeToWriteFailOnlyFeaturesThatAreWritten) {
  const int pointEntry = LandLineEntryForFeatureCode("0025");
  const std::initializer_list<std::string> records = {
      "23000001        00010%",
      "2100000120002000100000100 1E+200000100 0%",  // line index 4: a vertex of 1e200
      "15000002        00250%",
      "21000002100011E+200000100 0%",               // line index 6: a point at 1e200
      "23000003        00300%",
      "2100000320002000100000100 000200000200 0%",
  };
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, false);
  settings.productOptions.SetEntry(kLandLineFeatureOption, pointEntry, false);
  Tile t = Translate(records);
  EXPECT_EQ(observer.Texts(), Lines{});
  EXPECT_EQ(t.mif, (Lines{"PLINE 2", "500001.00 200001.00", "500002.00 200002.00", "  PEN (1,2,0)"}));
  EXPECT_EQ(t.mid, (Lines{"TQ12,000003,0030,General line/minor building detail,0.0,0.0"}));

  // Switched on, each fails at its own line; nothing of it is written.
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, true);
  t = Translate(records);
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});
  EXPECT_EQ(t.mif, Lines{});
  EXPECT_EQ(t.mid, Lines{});
  observer.messages.clear();
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, false);
  settings.productOptions.SetEntry(kLandLineFeatureOption, pointEntry, true);
  t = Translate(records);
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 6"});
  EXPECT_EQ(t.mif, Lines{});

  // An origin too large to write makes every coordinate so: the lines left
  // out pass, the first one written fails.
  observer.messages.clear();
  settings.productOptions.SetEntry(kLandLineFeatureOption, pointEntry, false);
  const auto hugeOrigin = [&] {
    test::WriteFile(dir / "h.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%",
                                              Section("TQ12", 1250, "0000000010", "1.0E+125  0000200000"),
                                              "23000001        00010%", "2100000120002000100000100 000200000200 0%",
                                              "23000002        00300%", "2100000220002000100000100 000200000200 0%",
                                              "99"}));
    test::RemoveSet(dir / "h.mif");
    quorvel::Translate(RunRequest{{dir / "h.ntf"}, {}}, settings, observer);
    return Body(dir / "h.mif");
  };
  EXPECT_EQ(hugeOrigin(), Lines{});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 6"});
  observer.messages.clear();
  settings.productOptions.SetEntry(kLandLineFeatureOption, LandLineEntryForFeatureCode("0030"), false);
  hugeOrigin();
  EXPECT_EQ(observer.Texts(), Lines{});

  // A field that is no number fails a line left out all the same.
  Translate({"23000001        00010%", "2100000120002000100000100 00X100000100 0%"});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});
}

// A lookup that would repeat the last one is left out; one that follows
// anything the last left changeable is made. Each tile starts with every
// feature enabled again: a disabled feature at the start of a second tile
// must be looked up afresh, not taken from the first tile's last lookup.
TEST_F(LandLine, RepeatedCodesAcrossFeaturesAndTiles) {
  settings.productOptions.SetEntry(kLandLineFeatureOption, 1, false);
  const std::string tile = TileText({
      "23000001        00010%",  // disabled, twice in a row
      "2100000120001000100000100 0%",
      "23000002        00010%",
      "2100000220001000200000200 0%",
      "23000003        00300%",  // enabled, twice in a row
      "2100000320001000300000300 0%",
      "23000004        00300%",
      "2100000420001000400000400 0%",
      "23000005        00010%",  // disabled again at the tile's end
      "2100000520001000500000500 0%",
  });
  test::WriteFile(dir / "a.ntf", tile);
  test::WriteFile(dir / "b.ntf", tile);
  quorvel::Translate(RunRequest{{dir / "a.ntf", dir / "b.ntf"}, dir / "m.mif"}, settings, observer);
  EXPECT_EQ(AllLines(dir / "m.mid"), (Lines{"TQ12,000003,0030,General line/minor building detail,0.0,0.0",
                                            "TQ12,000004,0030,General line/minor building detail,0.0,0.0",
                                            "TQ12,000003,0030,General line/minor building detail,0.0,0.0",
                                            "TQ12,000004,0030,General line/minor building detail,0.0,0.0"}));
}

TEST_F(LandLine, TextObjectsWithRectangleFontAngleAndEmptyLine) {
  // The worked example ("AB" 2.0 mm, centre, scale 200, digitised at 100,
  // 200) at a multiplier of 1, then a text turned a quarter.
  test::WriteFile(dir / "t.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%", Section("TQ12", 200, "0000001000"),
                                            "11000001100002AB0%", "120001020400000%", "2100000110001000100000200 0%",
                                            "11000002100908Say \"hi\"0%", "120001025009000%",
                                            "2100000210001000100000200 0%", "99"}));
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  EXPECT_EQ(Body(dir / "t_Text.mif"),
            (Lines{"Text", "\"AB\"", "500063.10 200179.50 500210.70 200261.50", "FONT (\"Arial\",0,0,0)", "",
                   "Text", "\"Say \\\"hi\\\"\"", "500000.00 200100.00 500620.00 200200.00",
                   "FONT (\"Arial\",0,0,0)", "Angle 90.0", ""}));
  EXPECT_EQ(AllLines(dir / "t_Text.mid"), (Lines{"TQ12,000001,1000,Road name/number,0.0,0.0",
                                               "TQ12,000002,1009,Miscellaneous text,0.0,0.0"}));
  EXPECT_EQ(Body(dir / "t.mif"), Lines{});
}

// Corners of ten digits before the point are beyond the quick form: the
// object is written whole the general way, its lines in order.
TEST_F(LandLine, TextCornersBeyondTheQuickFormAreWrittenWhole) {
  test::WriteFile(dir / "t.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%",
                                            Section("TQ12", 200, "0000001000", "99990000000000200000"),
                                            "11000001100002AB0%", "120001020400000%", "2100000110001000100000200 0%",
                                            "11000002100003Elm0%", "120001020000000%", "2100000210001000100000200 0%",
                                            "99"}));
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  const Lines text = Body(dir / "t_Text.mif");
  ASSERT_EQ(text.size(), 10u) << ::testing::PrintToString(text);
  EXPECT_EQ(Lines(text.begin(), text.begin() + 4),
            (Lines{"Text", "\"AB\"", "9999000063.10 200179.50 9999000210.70 200261.50", "FONT (\"Arial\",0,0,0)"}));
  EXPECT_EQ(text[5], "Text");
  EXPECT_EQ(text[6], "\"Elm\"");
  EXPECT_EQ(AllLines(dir / "t_Text.mid").size(), 2u);
}

// The angle line from an orientation of four digits and from one the
// general reading takes (a leading blank) is the same.
TEST_F(LandLine, AngleLinesFromDigitsAndFromOtherFields) {
  const Tile t = Translate({"11000001100003Elm0%", "120001020404090%", "2100000110001000100000200 0%",
                            "11000002100003Elm0%", "1200010204 9000%", "2100000210001000100000200 0%",
                            "11000003100003Elm0%", "1200010204-0050%", "2100000310001000100000200 0%"});
  ASSERT_EQ(t.textMif.size(), 18u) << ::testing::PrintToString(t.textMif);
  EXPECT_EQ(t.textMif[4], "Angle 40.9");
  EXPECT_EQ(t.textMif[10], "Angle 90.0");
  EXPECT_EQ(t.textMif[16], "Angle -0.5");
}

TEST_F(LandLine, TextOptions) {
  const auto records = {
      std::string("11000001100003Elm0%"), std::string("120001025000000%"),
      std::string("2100000110001000100000100 0%"), std::string("15000002        00270%"),
      std::string("2100000210001000300000300 0%"),
  };
  {
    settings.text = TextOption::Include;
    test::WriteFile(dir / "t.ntf", TileText(records));
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    EXPECT_EQ(Body(dir / "t.mif"), (Lines{"Text", "\"Elm\"", "500001.00 200001.00 500015.58 200007.25",
                                          "FONT (\"Arial\",0,0,0)", "", "POINT 500003.00 200003.00",
                                          "  SYMBOL (49,255,8)"}));
    EXPECT_EQ(AllLines(dir / "t.mid").size(), 2u);
    EXPECT_FALSE(test::Exists(dir / "t_Text.mif"));
  }
  {
    settings.text = TextOption::Ignore;
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    // The point after the ignored text is written as usual.
    EXPECT_EQ(Body(dir / "t.mif"), (Lines{"POINT 500003.00 200003.00", "  SYMBOL (49,255,8)"}));
    EXPECT_EQ(AllLines(dir / "t.mid"), (Lines{"TQ12,000002,0027,Spot height,0.0,0.0"}));
    EXPECT_FALSE(test::Exists(dir / "t_Text.mif"));
  }
}

TEST_F(LandLine, TextRowsCarryThePointOrientationAndTheTextLengthStopsAtTheEndMark) {
  const Tile t = Translate({
      "15000001OR00090000270%",  // a point record without its geometry
      "11000002100020Short0%",   // a length past the end of the text
      "120001020000000%",
      "2100000210001000100000100 0%",
  });
  ASSERT_EQ(t.textMif.size(), 5u);
  EXPECT_EQ(t.textMif[1], "\"Short\"");
  EXPECT_EQ(t.textMid, (Lines{"TQ12,000002,1000,Road name/number,90.0,0.0"}));
}

// The usual row (a plain section, an id of six digits, a code of four, no
// orientation) is written side by side; every other takes the general way:
// quoted where it must be, cut short fields as they are, the orientation.
TEST_F(LandLine, RowsOfEveryShapeHaveTheirColumnsAndQuotes) {
  const std::string line = "2100000120001000100000200 0%";
  const Tile t = Translate({
      "23000001        00010%", line,   // the usual row
      "2300,001        00010%", line,   // the delimiter in the id
      "23\"00001        00010%", line,  // a double quote in the id
      "23 00001        00010%", line,   // a blank
      "23000001        00A10%", line,   // a code without a row
      "23000001        000", line,      // a record cut inside the code
      "23000001", line,                 // a record of its id alone
      "15000002OR00090000250%", "2100000210001012345067890 0%",
  });
  EXPECT_EQ(t.mid, (Lines{
                       "TQ12,000001,0001,Building outline,0.0,0.0",
                       "TQ12,\"00,001\",0001,Building outline,0.0,0.0",
                       "TQ12,\"\"\"00001\",0001,Building outline,0.0,0.0",
                       "TQ12, 00001,0001,Building outline,0.0,0.0",
                       "TQ12,000001,00A1,no match,0.0,0.0",
                       "TQ12,000001,000,no match,0.0,0.0",
                       "TQ12,000001,,no match,0.0,0.0",
                       "TQ12,000002,0025,Triangulation point,90.0,0.0",
                   }));

  // A section reference with the delimiter is quoted in every row.
  test::WriteFile(dir / "s.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%", Section("TQ,12"),
                                            "23000001        00010%", line, "99"}));
  quorvel::Translate(RunRequest{{dir / "s.ntf"}, {}}, settings, observer);
  EXPECT_EQ(AllLines(dir / "s.mid"), (Lines{"\"TQ,12\",000001,0001,Building outline,0.0,0.0"}));
}

TEST_F(LandLine, OtherGeometryTypesAndDisorderedGeometry) {
  const Tile t = Translate({
      "23000001        00300%",
      "2100000150003000100000100 000200000200 000300000100 0%",  // an arc: nothing
      "2100000220002000100000100 000200000200 0%",               // follows nothing
  });
  EXPECT_EQ(t.mif, (Lines{"PLINE 2", "500001.00 200001.00", "500002.00 200002.00", "  PEN (1,2,0)"}));
  // The arc left the line record's Id and code to the next geometry.
  EXPECT_EQ(t.mid, (Lines{"TQ12,000001,0030,General line/minor building detail,0.0,0.0"}));
  const Tile u = Translate({"2100000220002000100000100 000200000200 0%"});
  EXPECT_EQ(u.mid, (Lines{"TQ12,,,no match,0.0,0.0"}));
  EXPECT_EQ(u.mif.back(), "");
}

TEST_F(LandLine, NoSectionBeforeTheEndWritesNothing) {
  test::WriteFile(dir / "t.ntf", test::Ntf({"01V0%", "02LAND-LINE.93        0%", "99", Section(),
                                            "2100000110001000100000100 0%", "99"}));
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  EXPECT_EQ(Body(dir / "t.mif"), Lines{});
  EXPECT_EQ(observer.Texts(), Lines{});
}

TEST_F(LandLine, ReadErrorsKeepWhatWasWrittenAndLeaveNoHalfObject) {
  {
    // Missing "99": every record is translated, then the list runs out.
    const Tile t = Translate({"15000001        00270%", "2100000110001000100000100 0%"}, false);
    EXPECT_EQ(t.mif.size(), 2u);
    EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 5"});
  }
  {
    observer.messages.clear();
    const Tile t = Translate({
        "15000001        00270%",
        "2100000110001000100000100 0%",
        "11000002100003Elm0%",
        "120001020000000%",
        "21000002100010001000001X0 0%",  // a bad coordinate under a text
    });
    EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 7"});
    EXPECT_EQ(t.mif.size(), 2u);
    EXPECT_EQ(t.mid.size(), 1u);
    EXPECT_EQ(t.textMif, Lines{});
    EXPECT_EQ(t.textMid, Lines{});
  }
  {
    observer.messages.clear();
    // A coordinate cut short by the end of its record.
    const Tile t = Translate({"23000001        00300%", "2100000120002000100000100 00020000"});
    EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});
    EXPECT_EQ(t.mif, Lines{});
  }
  {
    observer.messages.clear();
    const Tile t = Translate({"11000002100003Elm0%", "120001020X00000%"});
    EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});
  }
}

// The text offset and the feature state last within one output set: a
// merged run hands them from tile to tile, a tile on its own starts afresh.
TEST_F(LandLine, CarriedStateStaysWithinOneOutputSet) {
  const std::string first = TileText({"11000001100002AB0%", "120001020400000%", "2100000110001000100000200 0%"});
  const std::string second = TileText({"11000002100002AB0%", "120001020900000%", "2100000210001000100000200 0%"});
  test::WriteFile(dir / "a.ntf", first);
  test::WriteFile(dir / "b.ntf", second);
  quorvel::Translate(RunRequest{{dir / "a.ntf", dir / "b.ntf"}, dir / "m.mif"}, settings, observer);
  const Lines merged = Body(dir / "m_Text.mif");
  ASSERT_EQ(merged.size(), 10u);
  EXPECT_EQ(merged[2], merged[7]);  // position 9 reused the centre offset of the first tile

  quorvel::Translate(RunRequest{{dir / "b.ntf"}, {}}, settings, observer);
  const Lines alone = Body(dir / "b_Text.mif");
  ASSERT_EQ(alone.size(), 5u);
  EXPECT_EQ(alone[2].substr(0, 20), "500001.00 200002.00 ");  // no offset yet

  // Separate tiles give each tile the bytes it gets alone.
  test::ScratchDir other;
  test::WriteFile(other / "a.ntf", first);
  test::WriteFile(other / "b.ntf", second);
  quorvel::Translate(RunRequest{{other / "a.ntf", other / "b.ntf"}, {}, false}, settings, observer);
  EXPECT_EQ(test::ReadFile(other / "b_Text.mif"), test::ReadFile(dir / "b_Text.mif"));
}

}  // namespace
