// Meridian 2: the style table and the translator, run on small tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "mif/format.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------- style table

TEST(Meridian2StyleTable, RowsCodesAndLayers) {
  const auto rows = Meridian2StyleRows();
  ASSERT_EQ(rows.size(), 50u);
  std::set<std::string_view> codes;
  std::map<int, int> perLayer;
  for (const auto& row : rows) {
    EXPECT_EQ(row.code.size(), 4u);
    EXPECT_TRUE(codes.insert(row.code).second) << row.code;
    ++perLayer[row.layer];
    Meridian2Style style;
    ASSERT_TRUE(LookupMeridian2Style(row.code, false, style)) << row.code;
    EXPECT_EQ(style.description, row.description);
    EXPECT_EQ(style.layer, row.layer);
    EXPECT_EQ(style.clause.substr(0, 2), "  ") << row.code;
    // Rows carry the description as it stands.
    EXPECT_TRUE(IsPlainMidValue(row.description)) << row.code;
  }
  EXPECT_EQ(perLayer, (std::map<int, int>{{1, 6}, {2, 5}, {3, 11}, {4, 5}, {5, 2}, {6, 15}, {7, 5}, {8, 1}}));
}

TEST(Meridian2StyleTable, HeightsNeatLinesAndWaterText) {
  Meridian2Style style;
  ASSERT_TRUE(LookupMeridian2Style("6762", false, style));
  EXPECT_EQ(style.clause, "  SYMBOL (31,12632256,5)");
  EXPECT_EQ(style.layer, 8);
  ASSERT_TRUE(LookupMeridian2Style("6762", true, style));
  EXPECT_EQ(style.clause, "  SYMBOL (49,12632256,5)");
  // The height setting touches nothing else.
  ASSERT_TRUE(LookupMeridian2Style("6292", true, style));
  EXPECT_EQ(style.clause, "  SYMBOL (31,0,1)");

  ASSERT_TRUE(LookupMeridian2Style("6800", false, style));
  EXPECT_EQ(style.description, "Neat line");
  EXPECT_EQ(style.clause, "  PEN (1,1,0)");
  EXPECT_EQ(style.layer, 3);
  ASSERT_TRUE(LookupMeridian2Style("6801", false, style));
  EXPECT_EQ(style.description, "Neat line");
  EXPECT_EQ(style.layer, 4);

  ASSERT_TRUE(LookupMeridian2Style("6552", false, style));
  EXPECT_EQ(style.clause, "  SYMBOL (31,0,1)");
  EXPECT_EQ(style.layer, 6);
  ASSERT_TRUE(LookupMeridian2Style("6500", false, style));
  EXPECT_EQ(style.clause, "  FONT (\"Arial\",0,0,0)");
}

TEST(Meridian2StyleTable, UnmatchedCodesChangeNothing) {
  Meridian2Style style;
  ASSERT_TRUE(LookupMeridian2Style("3001", false, style));
  for (std::string_view code : {"6999", "300", "3001 ", "", "30010"}) {
    EXPECT_FALSE(LookupMeridian2Style(code, false, style)) << code;
    EXPECT_EQ(style.description, "A road");
    EXPECT_EQ(style.clause, "  PEN (1,2,16711680)");
    EXPECT_EQ(style.layer, 1);
  }
}

// ---------------------------------------------------------------- translator

struct Tile {
  Lines mif, mid, textMif, textMid, network;
};

// A row split into its 27 values (no value in these tests holds a comma).
Lines Values(const std::string& row) {
  Lines v;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = row.find(',', start);
    v.push_back(row.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return v;
    start = comma + 1;
  }
}

enum Col { kSection, kId, kFCode, kDescription, kLL, kOD, kRN, kTR, kRT, kJN, kLC, kRC, kLD, kRD, kPI, kDA, kPN,
           kRI, kSN, kSI, kNM, kTX, kFA, kWA, kWI, kHT, kLayer };

struct Meridian2 : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;

  static std::string Section(const std::string& ref = "ST57", const std::string& origins = "00003500000000170000") {
    std::string s = "07" + ref;
    s.resize(46, ' ');
    return s + origins + "0%";
  }
  static Lines Body(const std::string& path) {
    if (!test::Exists(path)) return {};
    auto lines = test::CrLfLines(test::ReadFile(path));
    const auto data = std::find(lines.begin(), lines.end(), "DATA");
    return {data == lines.end() ? lines.end() : data + 2, lines.end()};
  }
  static Lines AllLines(const std::string& path) {
    return test::Exists(path) ? test::CrLfLines(test::ReadFile(path)) : Lines{};
  }
  static std::string TileText(std::initializer_list<std::string> records, const std::string& ref = "ST57",
                              const std::string& origins = "00003500000000170000") {
    std::string text = test::Ntf({"01V0%", "02Meridian_02.01      0%", Section(ref, origins)});
    for (const auto& r : records) text += r + "\r\n";
    return text + "99\r\n";
  }
  Tile Read(const std::string& base) {
    return Tile{Body(dir / (base + ".mif")), AllLines(dir / (base + ".mid")), Body(dir / (base + "_Text.mif")),
                AllLines(dir / (base + "_Text.mid")), AllLines(dir / (base + "_Network.txt"))};
  }
  Tile Translate(std::initializer_list<std::string> records) {
    test::WriteFile(dir / "t.ntf", TileText(records));
    test::RemoveSet(dir / "t.mif");
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    return Read("t");
  }
};

// Ordinates other than five digits (a sign, a leading blank) are added to
// the origin, not copied after its digits; a record holding the delimiter
// has its values quoted, and the others stay as they are.
TEST_F(Meridian2, PointsLinesStylesAndRows) {
  const Tile t = Translate({
      "15000001000001010000010%",
      "21000001100010500005000 0%",
      "14000001ODST00000000001FC3500RTY0%",
      "23000001000002010000020%",
      "21000002200030100001200 0160001712 0228102140 0%",
      "14000002ODST00000000010FC3001LL053000%",
      "21000003200030000100002  0012-0001 0000300004 0%",
      "14000003FC6500TXSt Ives, \"Cornwall\"0%",
      "2100000410001 0010-0002 0%",
      "14000004FC67400%",
  });
  EXPECT_EQ(t.mif, (Lines{"POINT 355000 175000", "  SYMBOL (31,0,10)", "PLINE 3", "351000 171200", "351600 171712",
                          "352281 172140", "  PEN (1,2,16711680)", "PLINE 3", "350001 170002", "350012 169999",
                          "350003 170004", "  FONT (\"Arial\",0,0,0)", "POINT 350010 169998", "  SYMBOL (31,0,1)"}));
  ASSERT_EQ(t.mid.size(), 4u);
  EXPECT_EQ(t.mid[0], "ST57,000001,3500,Road node,,ST00000000001,,,Y,,,,,,,,,,,,,,,,,,1");
  EXPECT_EQ(t.mid[1], "ST57,000002,3001,A road,05300,ST00000000010,,,,,,,,,,,,,,,,,,,,,1");
  EXPECT_EQ(t.mid[2], "ST57,000003,6500,Place name,,,,,,,,,,,,,,,,,,\"St Ives, \"\"Cornwall\"\"\",,,,,5");
  EXPECT_EQ(t.mid[3], "ST57,000004,6740,Coastline node,,,,,,,,,,,,,,,,,,,,,,,3");
  EXPECT_EQ(observer.Texts(), Lines{});
}

TEST_F(Meridian2, RoadScanReadsRoadNumbersAndSkipsParents) {
  const Tile t = Translate({
      // Road number after two parents, then trunk flag and name.
      "21000001200020500005000 0510005100 0%",
      "14000001ODST00000000010FC3001LL05300NP02POST00000000090POST00000000091RNA474\\1%",
      "00TRYPNNeath Road\\0%",
      // Road number first, then every other value; a parent without a count.
      "21000002200020500005000 0510005100 0%",
      "14000002ODST00000000011FC3002RNB4282\\LL04900POST00000000092\\SNPentest\\JNCross Inn\\RTNTRN0%",
      // A name running to the end of the record without a separator.
      "21000003200020500005000 0510005100 0%",
      "14000003ODST00000000012FC3004PNLong Lane0%",
  });
  ASSERT_EQ(t.mid.size(), 3u);
  Lines v = Values(t.mid[0]);
  ASSERT_EQ(v.size(), 27u);
  EXPECT_EQ(v[kLL], "05300");
  EXPECT_EQ(v[kRN], "A474");
  EXPECT_EQ(v[kTR], "Y");
  EXPECT_EQ(v[kPN], "Neath Road");
  EXPECT_EQ(t.mid[0].find("ST00000000090"), std::string::npos);  // parents are not stored
  v = Values(t.mid[1]);
  EXPECT_EQ(v[kRN], "B4282");
  EXPECT_EQ(v[kLL], "04900");
  EXPECT_EQ(v[kSN], "Pentest");
  EXPECT_EQ(v[kJN], "Cross Inn");
  EXPECT_EQ(v[kRT], "N");
  EXPECT_EQ(v[kTR], "N");
  EXPECT_EQ(t.mid[1].find("ST00000000092"), std::string::npos);
  EXPECT_EQ(Values(t.mid[2])[kPN], "Long Lane");  // the end mark's 0 is not part of it
}

TEST_F(Meridian2, CodedValuesByFeatureCode) {
  const Tile t = Translate({
      "21000001200020500005000 0510005100 0%", "14000001FC6140RIRL000000005010%",
      "21000002100010450007200 0%", "14000002FC6155SIST00000000077PNTestford Parkway\\0%",
      "21000003200020500005000 0510005100 0%", "14000003FC6403LC000017RC000018LD001701RD0017020%",
      "21000004100010120006000 0%", "14000004FC6415PI001701NMTestford District\\0%",
      "21000005100010200000000 0%", "14000005FC6711PI0017010%",
      "21000006200020500005000 0510005100 0%", "14000006FC6224WIWL00000003001PNAfon Nedd\\0%",
      "21000007100010700005500 0%", "14000007FC6292WA000044PNLlyn%",
      "21000008100010850001500 0%", "14000008FC6310DADL00000000071PNUrban Area0%",
      "21000009100010100008600 0%", "14000009FC6663FAFR000000000610%",
      "21000010100010200003000 0%", "14000010FC6762HT000000600%",
  });
  ASSERT_EQ(t.mid.size(), 10u);
  auto v = [&](std::size_t row) { return Values(t.mid[row]); };
  EXPECT_EQ(v(0)[kRI], "RL00000000501");
  EXPECT_EQ(v(1)[kSI], "ST00000000077");
  EXPECT_EQ(v(1)[kPN], "Testford Parkway");
  EXPECT_EQ((Lines{v(2)[kLC], v(2)[kRC], v(2)[kLD], v(2)[kRD]}), (Lines{"000017", "000018", "001701", "001702"}));
  EXPECT_EQ(v(3)[kPI], "001701");
  EXPECT_EQ(v(3)[kNM], "Testford District");
  EXPECT_EQ(v(4)[kPI], "001701");
  EXPECT_EQ(v(4)[kNM], "");
  EXPECT_EQ(v(5)[kWI], "WL00000003001");
  EXPECT_EQ(v(5)[kPN], "Afon Nedd");
  EXPECT_EQ(v(6)[kWA], "000044");
  EXPECT_EQ(v(6)[kPN], "Llyn");
  EXPECT_EQ(v(7)[kDA], "DL00000000071");
  EXPECT_EQ(v(7)[kPN], "Urban Area");
  EXPECT_EQ(v(8)[kFA], "FR00000000061");
  EXPECT_EQ(v(9)[kHT], "00000060");
  EXPECT_EQ(v(9)[kLayer], "8");
  for (std::size_t i = 0; i < t.mid.size(); ++i) EXPECT_EQ(v(i).size(), 27u) << i;
}

TEST_F(Meridian2, UnmatchedCodeRepeatsPreviousStyleWithLayerZero) {
  settings.productOptions.SetFlag(kMeridianHeightsOption, true);
  const Tile t = Translate({
      "21000001100010200003000 0%", "14000001FC6762HT000000600%",
      "21000002100010400004000 0%", "14000002FC69990%",
      "21000003100010400004000 0%", "14000003FC67400%",
  });
  EXPECT_EQ(t.mif, (Lines{"POINT 352000 173000", "  SYMBOL (49,12632256,5)", "POINT 354000 174000",
                          "  SYMBOL (49,12632256,5)", "POINT 354000 174000", "  SYMBOL (31,0,1)"}));
  EXPECT_EQ(t.mid[1], "ST57,000002,6999,Gridded height,,,,,,,,,,,,,,,,,,,,,,,0");
  EXPECT_EQ(Values(t.mid[2])[kLayer], "3");
}

TEST_F(Meridian2, StyleCarriesBetweenTilesOfOneSetOnly) {
  test::WriteFile(dir / "a.ntf", TileText({"21000001100010200003000 0%", "14000001FC6762HT000000600%"}));
  test::WriteFile(dir / "b.ntf", TileText({"21000002100010400004000 0%", "14000002FC69990%"}, "ST58"));
  quorvel::Translate(RunRequest{{dir / "a.ntf", dir / "b.ntf"}, dir / "m.mif"}, settings, observer);
  const Tile merged = Read("m");
  ASSERT_EQ(merged.mid.size(), 2u);
  EXPECT_EQ(merged.mid[1], "ST58,000002,6999,Gridded height,,,,,,,,,,,,,,,,,,,,,,,0");
  EXPECT_EQ(merged.mif.back(), "  SYMBOL (31,12632256,5)");

  // Alone, the second tile starts from nothing: no description, no style line.
  quorvel::Translate(RunRequest{{dir / "b.ntf"}, {}}, settings, observer);
  const Tile alone = Read("b");
  EXPECT_EQ(alone.mif, (Lines{"POINT 354000 174000"}));
  EXPECT_EQ(alone.mid, (Lines{"ST58,000002,6999,,,,,,,,,,,,,,,,,,,,,,,,0"}));
}

TEST_F(Meridian2, TextsMovedByPositionCode) {
  // A text of `name` with position code `pos`, anchored at 352000 173000.
  auto text = [](char pos, const std::string& id, const std::string& name) {
    return std::vector<std::string>{"43" + id + "0%", "44" + id + "0%", "45" + id + "0001020" + std::string(1, pos) + "09000%",
                                    "21" + id + "100010200003000 0%", "14" + id + "FC6500TX" + name + "\\0%"};
  };
  std::vector<std::string> records;
  for (const auto& [pos, id, name] : std::vector<std::tuple<char, std::string, std::string>>{
           {'4', "000001", "Abcde"}, {'7', "000002", "Abcde"}, {'0', "000003", "Abcde"}, {'2', "000004", "Abcde"},
           {'5', "000005", "Cwm \"Bach\", Upper"}}) {
    for (auto& r : text(pos, id, name)) records.push_back(r);
  }
  std::string ntf = test::Ntf({"01V0%", "02Meridian_02.01      0%", Section()});
  for (const auto& r : records) ntf += r + "\r\n";
  test::WriteFile(dir / "t.ntf", ntf + "99\r\n");
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  const Tile t = Read("t");
  EXPECT_EQ(t.mif, Lines{});
  ASSERT_EQ(t.textMif.size(), 15u);
  EXPECT_EQ(t.textMif[0], "TEXT \"Abcde\"");
  EXPECT_EQ(t.textMif[1], "351500.00 173000.00 351500.00 172800.00");  // 500 west
  EXPECT_EQ(t.textMif[2], "  FONT (\"Arial\",0,0,0)");
  EXPECT_EQ(t.textMif[4], "351000.00 173000.00 351000.00 172800.00");  // 1000 west
  EXPECT_EQ(t.textMif[7], "352000.00 173000.00 352000.00 172800.00");
  EXPECT_EQ(t.textMif[10], "352000.00 173000.00 352000.00 172800.00");
  EXPECT_EQ(t.textMif[12], "TEXT \"Cwm \\\"Bach\\\", Upper\"");
  EXPECT_EQ(t.textMif[13], "350300.00 173000.00 350300.00 172800.00");  // 17 characters
  ASSERT_EQ(t.textMid.size(), 5u);
  EXPECT_EQ(t.textMid[0], "ST57,000001,6500,Place name,,,,,,,,,,,,,,,,,,Abcde,,,,,5");
  EXPECT_EQ(t.textMid[4], "ST57,000005,6500,Place name,,,,,,,,,,,,,,,,,,\"Cwm \"\"Bach\"\", Upper\",,,,,5");
}

TEST_F(Meridian2, TextsFollowTheTextOption) {
  const std::initializer_list<std::string> records = {
      "450000010001020409000%", "21000001100010200003000 0%", "14000001FC6500TXAbcde\\0%",
      "21000002100010400004000 0%", "14000002FC67400%",
  };
  settings.text = TextOption::Ignore;
  Tile t = Translate(records);
  EXPECT_EQ(t.mif, (Lines{"POINT 354000 174000", "  SYMBOL (31,0,1)"}));
  EXPECT_EQ(t.mid, (Lines{"ST57,000002,6740,Coastline node,,,,,,,,,,,,,,,,,,,,,,,3"}));
  EXPECT_FALSE(test::Exists(dir / "t_Text.mif"));

  settings.text = TextOption::Include;
  t = Translate(records);
  EXPECT_EQ(t.mif, (Lines{"TEXT \"Abcde\"", "351500.00 173000.00 351500.00 172800.00", "  FONT (\"Arial\",0,0,0)",
                          "POINT 354000 174000", "  SYMBOL (31,0,1)"}));
  ASSERT_EQ(t.mid.size(), 2u);
  EXPECT_EQ(Values(t.mid[0])[kTX], "Abcde");
}

TEST_F(Meridian2, TextWithoutAnchorIsAReadErrorAtItsLine) {
  const Tile t = Translate({
      "21000001100010200003000 0%", "14000001FC67400%",
      "450000010001020409000%",
      "14000002FC6500TXAbcde\\0%",  // line index 6
      "21000003100010200003000 0%", "14000003FC67400%",
  });
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 6"});
  EXPECT_EQ(t.mif, (Lines{"POINT 352000 173000", "  SYMBOL (31,0,1)"}));
  EXPECT_EQ(t.mid.size(), 1u);
}

TEST_F(Meridian2, ObjectsAndRowsStayPaired) {
  const Tile t = Translate({
      // An attribute record without geometry: placeholder object.
      "14000001FC67400%",
      // A line of one vertex, then a line with no vertices.
      "21000002200010500005000 0%", "14000002FC6664%",
      "21000003200000%", "14000003FC6664%",
      // A line written while a text is pending keeps an empty row.
      "450000010001020009000%", "21000004200020500005000 0510005100 0%", "21000005100010200003000 0%",
      "14000005FC6500TXAb\\0%",
      // Two geometries before one attribute record; a geometry at the end.
      "21000006100010100001000 0%", "21000007100010200002000 0%", "14000007FC67400%",
      "21000008100010300003000 0%",
  });
  EXPECT_EQ(t.mif, (Lines{"NONE", "PLINE 2", "355000 175000", "355000 175000", "  PEN (1,2,49152)", "NONE",
                          "  PEN (1,2,49152)", "PLINE 2", "355000 175000", "355100 175100", "POINT 351000 171000",
                          "POINT 352000 172000", "  SYMBOL (31,0,1)", "POINT 353000 173000"}));
  ASSERT_EQ(t.mid.size(), 7u);
  EXPECT_EQ(Values(t.mid[0])[kDescription], "Coastline node");
  EXPECT_EQ(t.mid[3], std::string(26, ','));
  EXPECT_EQ(t.mid[4], std::string(26, ','));
  EXPECT_EQ(Values(t.mid[5])[kId], "000007");
  EXPECT_EQ(t.mid[6], std::string(26, ','));
  EXPECT_EQ(t.textMid.size(), 1u);
}

TEST_F(Meridian2, NodesGoOnlyToTheNetworkFile) {
  const std::initializer_list<std::string> records = {
      "1600000100000100031000004090002000005000511000006359900%",
      "1600000200000200000%",
      "21000001100010200003000 0%", "14000001FC67400%",
  };
  Tile t = Translate(records);
  EXPECT_FALSE(test::Exists(dir / "t_Network.txt"));
  EXPECT_EQ(t.mid.size(), 1u);

  settings.extractNetworkData = true;
  t = Translate(records);
  EXPECT_EQ(t.mif, (Lines{"POINT 352000 173000", "  SYMBOL (31,0,1)"}));
  ASSERT_EQ(t.network.size(), 3u);
  EXPECT_EQ(t.network[0].substr(0, 24), "TILE_NAME,NODE_ID,PT_ID,");
  EXPECT_EQ(t.network[1], "ST57,000001,000001,0003,1,000004,90.0,0,2,000005,0.5,1,1,000006,359.9,0" + std::string(24, ','));
  EXPECT_EQ(t.network[2], "ST57,000002,000002,0000" + std::string(36, ','));
}

TEST_F(Meridian2, MergedTilesShareOneNetworkHeader) {
  settings.extractNetworkData = true;
  test::WriteFile(dir / "a.ntf", TileText({"1600000100000100000%"}));
  test::WriteFile(dir / "b.ntf", TileText({"1600000200000200000%"}, "ST58"));
  quorvel::Translate(RunRequest{{dir / "a.ntf", dir / "b.ntf"}, dir / "m.mif"}, settings, observer);
  const Tile t = Read("m");
  ASSERT_EQ(t.network.size(), 3u);
  EXPECT_EQ(t.network[0].rfind("TILE_NAME,", 0), 0u);
  EXPECT_EQ(t.network[1].substr(0, 12), "ST57,000001,");
  EXPECT_EQ(t.network[2].substr(0, 12), "ST58,000002,");
  // Nodes alone write no object: the MIF holds only its header.
  EXPECT_EQ(t.mif, Lines{});
  EXPECT_EQ(t.mid, Lines{});
}

// Origins in whole hundreds of kilometres put the five digits of an
// ordinate after the origin's own; any other origin, and fields that are
// not five digits, are added up.
TEST_F(Meridian2, LineOrdinatesAfterEveryKindOfOrigin) {
  const std::initializer_list<std::string> records = {"21000001200030000000000 9999999999 0001200340 0%",
                                                      "14000001FC67400%"};
  struct Case {
    const char* origins;
    Lines line;
  };
  for (const Case& c : {Case{"00003000000000200000", {"300000 200000", "399999 299999", "300012 200340"}},
                        Case{"00123000000000100000", {"12300000 100000", "12399999 199999", "12300012 100340"}},
                        Case{"00000000000000000000", {"0 0", "99999 99999", "12 340"}},
                        Case{"00003000000000170000", {"300000 170000", "399999 269999", "300012 170340"}},
                        Case{"-000100000-000200000", {"-100000 -200000", "-1 -100001", "-99988 -199660"}}}) {
    SCOPED_TRACE(c.origins);
    test::WriteFile(dir / "t.ntf", TileText(records, "ST57", c.origins));
    quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    const Tile t = Read("t");
    ASSERT_GE(t.mif.size(), 4u);
    EXPECT_EQ(t.mif[0], "PLINE 3");
    EXPECT_EQ(Lines(t.mif.begin() + 1, t.mif.begin() + 4), c.line);
  }
  // A field that is no number fails the record whatever the origin.
  test::WriteFile(dir / "t.ntf", TileText({"21000001200020000000000 0000X00000 0%"}, "ST57", "00003000000000200000"));
  test::RemoveSet(dir / "t.mif");
  quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 3"});
  EXPECT_EQ(Read("t").mif, Lines{});
}

TEST_F(Meridian2, BadFieldsEndTheFileAtTheirLine) {
  struct Case {
    std::string record;
    const char* why;
  };
  for (const Case& c : {Case{"21000001100010200X03000 0%", "coordinate"}, Case{"210000012000X", "count"},
                        Case{"2100000120003020000300 0%", "missing coordinate"}, Case{"14000001FC6X400%", "FC code"},
                        Case{"450000010001020X09000%", "position code"}, Case{"14000001ODST00000000001FC3001NPx10%", "parents"},
                        Case{"1600000100000100x10%", "link count"}}) {
    SCOPED_TRACE(c.why);
    observer.messages.clear();
    settings.extractNetworkData = true;
    const Tile t = Translate({"21000009100010100001000 0%", "14000009FC67400%", c.record, "14000002FC67400%"});
    EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 5"});
    EXPECT_EQ(t.mif, (Lines{"POINT 351000 171000", "  SYMBOL (31,0,1)"}));
    EXPECT_EQ(t.mid.size(), 1u);
  }
}

}  // namespace

namespace {

TEST(Meridian2Command, HeightSymbolsFollowTheOption) {
  test::ScratchDir dir;
  std::string ntf = test::Ntf({"01V0%", "02Meridian_02.01      0%", "07ST57" + std::string(40, ' ') + "0000350000" + "0000170000" + "0%",
                               "21000001100010200003000 0%", "14000001FC6762HT000000600%", "99"});
  test::WriteFile(dir / "t.ntf", ntf);
  for (const bool shown : {false, true}) {
    const auto r = test::RunQuorvel(std::string("-q --overwrite") + (shown ? " --meridian-heights" : "") + " " + test::Quote(dir / "t.ntf"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto lines = test::CrLfLines(test::ReadFile(dir / "t.mif"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), shown ? "  SYMBOL (49,12632256,5)" : "  SYMBOL (31,12632256,5)");
  }
}

}  // namespace
