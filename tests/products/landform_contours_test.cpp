// Land-Form contours: PANORAMA rows from the feature records, PROFILE rows
// from attribute records (two-dimensional) or geometry records (three-
// dimensional), styles from the shared contour table.
#include <gtest/gtest.h>

#include <algorithm>

#include "products/landform/landform.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Lines = std::vector<std::string>;

std::string Num(std::int64_t v, std::size_t width) {
  std::string s = std::to_string(v);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

// A section header; only its first line is read.
std::string Section(std::int64_t x, std::int64_t y, std::string multiplier = "0000000010") {
  return "07SK52NE    21000062" + multiplier + Num(0, 16) + Num(x, 10) + Num(y, 10) + "1%\r\n00rest0%";
}

constexpr const char* kPanorama = "OS_LANDRANGER_CONT  ";
constexpr const char* kProfile = "L-F_PROFILE_CON     ";

struct Contours : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  RunResult result;

  static std::string Tile(const char* database, const std::string& section, std::initializer_list<std::string> records,
                          bool end = true) {
    std::string text = test::Ntf({"01V0%", std::string("02") + database + "0%", section});
    for (const auto& r : records) text += r + "\r\n";
    return end ? text + "99\r\n" : text;
  }

  std::pair<Lines, Lines> Run(const std::vector<std::string>& tiles) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
      files.push_back(dir / ("t" + std::to_string(i) + ".ntf"));
      test::WriteFile(files.back(), tiles[i]);
    }
    test::RemoveSet(dir / "out.mif");
    result = quorvel::Translate(RunRequest{files, dir / "out.mif"}, settings, observer);
    Lines mif = test::CrLfLines(test::ReadFile(dir / "out.mif"));
    const auto data = std::find(mif.begin(), mif.end(), "DATA");
    Lines body(data == mif.end() ? mif.end() : data + 2, mif.end());
    return {body, test::CrLfLines(test::ReadFile(dir / "out.mid"))};
  }

  std::pair<Lines, Lines> Panorama(std::initializer_list<std::string> records, bool end = true) {
    return Run({Tile(kPanorama, Section(420000, 300000), records, end)});
  }
  std::pair<Lines, Lines> Profile(std::initializer_list<std::string> records, bool end = true) {
    return Run({Tile(kProfile, Section(0, 0), records, end)});
  }
};

TEST_F(Contours, PanoramaSpotHeightsBeforeTheFirstContourAreTranslated) {
  auto [mif, mid] = Panorama({
      "05not a feature0%",
      "15000001HT00012502000%",
      "210000011000100000054130000002436 0%",
      "23000002HT00012002010%",
      "210000022000300000064130000003436 00000069130000004036 00000074130000003836 0%",
  });
  EXPECT_EQ(mif, (Lines{"POINT 425413 302436", "  SYMBOL (36,0,5)", "PLINE 3", "426413 303436", "426913 304036",
                        "427413 303836", "  PEN (1,2,16744448)"}));
  // The height 000125 is written as 125.
  EXPECT_EQ(mid, (Lines{"125,SK52NE,000001,0200,SpotHeight", "120,SK52NE,000002,0201,Line"}));
  EXPECT_TRUE(observer.messages.empty());
  // Lines read after the first feature line, and records handled.
  EXPECT_EQ(result.recordsRead, 4 + 4);
}

TEST_F(Contours, PanoramaStylesCarryOverUnlistedCodes) {
  auto [mif, mid] = Panorama({
      "23000001HT00010009990%",  // nothing matched yet: an empty style line
      "210000012000200000000010000000001 00000000020000000002 0%",
      "23000002HT00010002070%",
      "210000022000200000000010000000001 00000000020000000002 0%",
      "15000003HT00010012990%",  // unlisted: the pen of 0207 stays
      "210000031000100000000010000000001 0%",
  });
  EXPECT_EQ(mif, (Lines{"PLINE 2", "420001 300001", "420002 300002", "", "PLINE 2", "420001 300001",
                        "420002 300002", "  PEN (1,12,1045760)", "POINT 420001 300001", "  PEN (1,12,1045760)"}));
  EXPECT_EQ(mid[2], "100,SK52NE,000003,1299,SpotHeight");
}

TEST_F(Contours, PanoramaObjectsAndRowsStayInStep) {
  auto [mif, mid] = Panorama({
      "15000001HT00000102000%",  // no geometry follows
      "23000002HT00000202010%",
      "210000022000100000000050000000006 0%",  // one vertex: twice
      "210000032000200000000010000000001 00000000020000000002 0%",  // no feature record
      "15000004HT00000402000%",
      // Several points of a point geometry are one object.
      "210000041000200000000010000000001 00000000020000000002 0%",
      "15000005HT00000502000%",
      "210000055000100000000010000000001 0%",  // another type: nothing to draw
      "23000006HT00000602010%",
      "210000062000000%",  // no points
      "15000007HT00000702000%",  // the tile ends before its geometry
  });
  EXPECT_EQ(mif, (Lines{"NONE", "PLINE 2", "420005 300006", "420005 300006", "  PEN (1,2,16744448)", "PLINE 2",
                        "420001 300001", "420002 300002", "  PEN (1,2,16744448)", "MULTIPOINT 2", "420001 300001",
                        "420002 300002", "  SYMBOL (36,0,5)", "NONE", "NONE", "NONE"}));
  EXPECT_EQ(mid, (Lines{"1,SK52NE,000001,0200,SpotHeight", "2,SK52NE,000002,0201,Line", ",,,,",
                        "4,SK52NE,000004,0200,SpotHeight", "5,SK52NE,000005,0200,SpotHeight",
                        "6,SK52NE,000006,0201,Line", "7,SK52NE,000007,0200,SpotHeight"}));
}

TEST_F(Contours, RecordsAreAssembledFromTheirLines) {
  auto [mif, mid] = Panorama({
      "23000001HT0011%",
      "0000002000%",  // continuation: its "00" is dropped
      "2100000120002000000000100000000011%",
      "00 00000000020000000002 0%",
      "23000002HT000002",  // no mark: the next line is appended as it stands
      "02010%",
      "210000022000200000000010000000001 00000000020000000002 0%",
  });
  EXPECT_EQ(mid, (Lines{"1000,SK52NE,000001,0200,Line", "2,SK52NE,000002,0201,Line"}));
  EXPECT_EQ(mif[1], "420001 300001");
}

TEST_F(Contours, PanoramaFailures) {
  // A count that does not convert: the message with a full stop; what was
  // written stays, evened up.
  auto [mif, mid] = Panorama({
      "15000001HT00000102000%",
      "210000011000100000000010000000001 0%",
      "23000002HT00000202010%",
      "21000002200X00000000010000000001 0%",
  });
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 7"});
  EXPECT_EQ(mif, (Lines{"POINT 420001 300001", "  SYMBOL (36,0,5)", "NONE"}));
  EXPECT_EQ(mid.size(), 2u);
  EXPECT_EQ(result.filesCutShort, 1u);

  // No "99": the list runs out.
  observer.messages.clear();
  Panorama({"15000001HT00000102000%"}, false);
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 5"});

  // A height that is no number.
  observer.messages.clear();
  Panorama({"15000001HT00A00102000%"});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});

  // No section header at all (the search does not stop at "99").
  observer.messages.clear();
  Run({test::Ntf({"01V0%", std::string("02") + kPanorama + "0%", "99", "15000001HT00000102000%"})});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 4"});

  // "99" before any feature record: nothing, silently.
  observer.messages.clear();
  auto [none, noneMid] = Panorama({"05header0%"});
  EXPECT_TRUE(observer.messages.empty());
  EXPECT_TRUE(noneMid.empty());
  EXPECT_EQ(result.filesTranslated, 1u);
}

TEST_F(Contours, ProfileDescriptionsStylesAndRawHeights) {
  auto [mif, mid] = Profile({
      "15000001        00270%",
      "2200000110001012345021124 012500 0%",
      "23000002        00720%",
      "2200000220002000100000200 000350 000300000400 000360 0%",
      "15000003        09990%",  // in neither table: description and style stay
      "2200000310001000500000600 001000 0%",
  });
  EXPECT_EQ(mif, (Lines{"POINT 123.45 211.24", "  SYMBOL (36,0,5)", "PLINE 2", "1.00 2.00", "3.00 4.00",
                        "  PEN (1,12,255)", "POINT 5.00 6.00", "  PEN (1,12,255)"}));
  EXPECT_EQ(mid, (Lines{"012500,SK52NE,000001,0027,Spot height", "000350,SK52NE,000002,0072,Low water level",
                        "001000,SK52NE,000003,0999,Low water level"}));
}

TEST_F(Contours, ProfileTwoDimensionalFeaturesTakeTheirRowsFromAttributeRecords) {
  auto [mif, mid] = Profile({
      "23000001        13610%",
      "2100000120002000100000200 000300000400 0%",
      "14000001HT0125000%",
      "15000002        00270%",
      "2100000210001000500000600 0%",  // type 1: a point
      "14000002HT0099500%",
      "23000003        00750%",
      "2100000320001000700000800 0%",  // one vertex: twice
      "14000003HT0100000%",
      "23000004        00750%",
      "2100000420002000100000200 000300000400 0%",  // its attribute record never comes
  });
  EXPECT_EQ(mif, (Lines{"PLINE 2", "1.00 2.00", "3.00 4.00", "  PEN (1,2,16744448)", "POINT 5.00 6.00",
                        "  SYMBOL (36,0,5)", "PLINE 2", "7.00 8.00", "7.00 8.00", "  PEN (1,2,16744448)", "PLINE 2",
                        "1.00 2.00", "3.00 4.00", "  PEN (1,2,16744448)"}));
  EXPECT_EQ(mid, (Lines{"012500,SK52NE,000001,1361,Index contour", "009950,SK52NE,000002,0027,Spot height",
                        "010000,SK52NE,000003,0075,Standard contour", ",,,,"}));
  EXPECT_EQ(result.objectsCreated, 4);
}

TEST_F(Contours, ProfilePointGeometries) {
  auto [mif, mid] = Profile({
      "15000001        00270%",
      // A three-dimensional point is its first point, whatever the count.
      "2200000110002000100000200 000100 000300000400 000200 0%",
      "15000002        13720%",
      // Several points of a two-dimensional point geometry: one object.
      "2100000210002000100000200 000300000400 0%",
      "14000002HT0002000%",
      "23000003        00750%",
      "2200000320000 0%",  // a line without points: a placeholder with its row
  });
  EXPECT_EQ(mif, (Lines{"POINT 1.00 2.00", "  SYMBOL (36,0,5)", "MULTIPOINT 2", "1.00 2.00", "3.00 4.00",
                        "  SYMBOL (36,0,5)", "NONE"}));
  EXPECT_EQ(mid, (Lines{"000100,SK52NE,000001,0027,Spot height", "000200,SK52NE,000002,1372,Air height",
                        ",SK52NE,000003,0075,Standard contour"}));
}

TEST_F(Contours, ProfileFailuresAndTheHeaderMultiplier) {
  auto [mif, mid] = Profile({
      "15000001        00270%",
      "2200000110001000100000200 000100 0%",
      "23000002        00750%",
      "220000022000200010000020X 000100 000300000400 000100 0%",
  });
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 7"});
  EXPECT_EQ(mid.size(), 1u);

  observer.messages.clear();
  Run({Tile(kProfile, Section(0, 0, "0000000X10"), {"15000001        00270%"})});
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 2"});
}

TEST_F(Contours, StyleAndFeatureStateCarryWithinAnOutputSetOnly) {
  const std::string first = Tile(kProfile, Section(0, 0), {"23000001        00720%", "14000001HT0001000%"});
  const std::string second = Tile(kProfile, Section(0, 0), {"15000009        09990%", "2200000110001000100000200 000100 0%"});
  auto [mif, mid] = Run({first, second});
  EXPECT_EQ(mid.back(), "000100,SK52NE,000009,0999,Low water level");
  EXPECT_EQ(mif.back(), "  PEN (1,12,255)");

  auto [alone, aloneMid] = Run({second});
  EXPECT_EQ(aloneMid, Lines{"000100,SK52NE,000009,0999,"});
  EXPECT_EQ(alone, (Lines{"POINT 1.00 2.00", ""}));
}

TEST(ContourStyle, TableAndUnlistedCodes) {
  std::string_view clause = "before";
  EXPECT_FALSE(LookupContourStyle("0206", clause));
  EXPECT_EQ(clause, "before");
  EXPECT_TRUE(LookupContourStyle("0207", clause));
  EXPECT_EQ(clause, "  PEN (1,12,1045760)");
  EXPECT_TRUE(LookupContourStyle("1372", clause));
  EXPECT_EQ(clause, "  SYMBOL (36,0,5)");
}

}  // namespace
