// OSCAR: links and nodes from geometry records, rows and styles from the
// attribute records that follow them.
#include <gtest/gtest.h>

#include <algorithm>

#include "products/oscar/oscar.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using test::Ntf;

namespace {

using Lines = std::vector<std::string>;

// A section header with origins and a survey date at columns 127-134.
std::string Section(std::int64_t x, std::int64_t y, std::string date = "19981215") {
  auto num = [](std::int64_t v) {
    std::string s = std::to_string(v);
    return std::string(10 - s.size(), '0') + s;
  };
  std::string body = "07SK53      21000042" + std::string(26, '0') + num(x) + num(y) + std::string(60, '0') + date;
  // Cut over two lines like a real header.
  return body.substr(0, 78) + "1%\r\n00" + body.substr(78) + "0%";
}

struct Oscar : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  RunResult result;

  std::string Tile(const std::string& section, std::initializer_list<std::string> records,
                   std::string database = "OSCAR_ASSET_MAN.01  ") {
    std::string text = Ntf({"01V0%", "02" + database + "0%", section});
    for (const auto& r : records) text += r + "\r\n";
    return text + "99\r\n";
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
    const auto data = std::find(mif.begin(), mif.end(), "Data");
    Lines body(data == mif.end() ? mif.end() : data + 2, mif.end());
    return {body, test::CrLfLines(test::ReadFile(dir / "out.mid"))};
  }

  std::pair<Lines, Lines> Translate(std::initializer_list<std::string> records, std::int64_t x = 0,
                                    std::int64_t y = 0) {
    return Run({Tile(Section(x, y), records)});
  }
};

TEST_F(Oscar, LinksAndNodesWithTheirStylesAfterTheRows) {
  auto [mif, mid] = Translate(
      {
          "15000001000001010000010%",
          "210000011000101230456 0%",
          "14000001ODN000000000001FC3500JNJunction\\0%",
          "23000002000002010000020%",
          "210000022000301230456 08510929 15511629 0%",
          "14000002ODL000000000002FC3001SC1LL01950TRY0%",
      },
      0, 0);
  EXPECT_EQ(mif, (Lines{"POINT 123 456", "  SYMBOL (34,167116960,5)", "PLINE 3", "123 456", "851 929", "1551 1629",
                        "  PEN (1,2,16711680)"}));
  // Leading zeros dropped; SC, LL and TR "Y" only: Trunk "T", no names, no
  // form; a node has an empty Trunk.
  EXPECT_EQ(mid, (Lines{"SK53,000001,Standard node,3500,N000000000001,,,,,,,19981215",
                        "SK53,000002,A road,3001,L000000000002,,,,01950,T,1,19981215"}));
  EXPECT_EQ(observer.objectsLabel.back(), 2);
}

TEST_F(Oscar, OffsetsAreAddedToTheIntegerOrigins) {
  auto [mif, mid] = Translate({"210000012000200100020 00300004 0%", "14000001ODL000000000001FC30040%"}, 450000,
                              330000);
  EXPECT_EQ(mif, (Lines{"PLINE 2", "450010 330020", "450030 330004", "  PEN (1,2,0)"}));
  EXPECT_EQ(mid, (Lines{"SK53,000001,Minor road,3004,L000000000001,,,,,F,,19981215"}));
}

TEST_F(Oscar, OptionalLinkAttributesAreSearchedInOrder) {
  auto [mif, mid] = Translate({
      "210000012000200000000 00010001 0%",
      // Every attribute; the name holds a comma and double quotes.
      "14000001ODL000000000001FC3002SC2LL01980PNLondon Road, \"The Parade\"\\RNB4282\\TRNFW10%",
      "210000022000200000000 00010001 0%",
      "14000002ODL000000000002FC3004LL02790FW30%",  // no TR: "F"
      "210000032000200000000 00010001 0%",
      // The name runs to the end of the record: it stops before the end mark.
      "14000003ODL000000000003FC3009SC1LL02800PNLane 100%",
      "210000042000200000000 00010001 0%",
      // PN before LL: LL and everything after it is no longer found.
      "14000004ODL000000000004FC3000SC3PNM1 Spur\\LL00010TRX0%",
      "210000052000200000000 00010001 0%",
      // A name stopped by a "%" inside the record; TR "X" is kept.
      "14000005ODL000000000005FC3000PNFifty%TRXFW20%",
  });
  ASSERT_EQ(mid.size(), 5u);
  EXPECT_EQ(mid[0], "SK53,000001,B road,3002,L000000000001,B4282,\"London Road, \"\"The Parade\"\"\",1,01980,N,2,19981215");
  EXPECT_EQ(mid[1], "SK53,000002,Minor road,3004,L000000000002,,,3,02790,F,,19981215");
  EXPECT_EQ(mid[2], "SK53,000003,Private road accessible,3009,L000000000003,,Lane 10,,02800,F,1,19981215");
  EXPECT_EQ(mid[3], "SK53,000004,Motorway,3000,L000000000004,,M1 Spur,,,F,3,19981215");
  EXPECT_EQ(mid[4], "SK53,000005,Motorway,3000,L000000000005,,Fifty,2,,X,,19981215");
}

TEST_F(Oscar, UnlistedCodesRepeatThePreviousStyleAndDescription) {
  auto [mif, mid] = Translate({
      "210000011000100010001 0%",
      "14000001ODN000000000001FC35990%",  // nothing matched yet: an empty style line
      "210000021000100010001 0%",
      "14000002ODN000000000002FC35000%",
      "210000031000100010001 0%",
      "14000003ODN000000000003FC35010%",
      "210000041000100010001 0%",
      "14000004ODN000000000004FC35990%",
  });
  EXPECT_EQ(mif, (Lines{"POINT 1 1", "", "POINT 1 1", "  SYMBOL (34,167116960,5)", "POINT 1 1", "  SYMBOL (34,12632256,5)",
                        "POINT 1 1", "  SYMBOL (34,12632256,5)"}));
  EXPECT_EQ(mid[0], "SK53,000001,,3599,N000000000001,,,,,,,19981215");
  EXPECT_EQ(mid[3], "SK53,000004,Edge node,3599,N000000000004,,,,,,,19981215");
}

TEST_F(Oscar, ObjectsAndRowsStayInStep) {
  auto [mif, mid] = Translate({
      // A line of one vertex: the vertex twice.
      "210000012000100050006 0%",
      "14000001ODL000000000001FC30000%",
      // Another geometry type: no object; its row gets a placeholder.
      "210000025000300010001 00020002 00030003 0%",
      "14000002ODL000000000002FC3001SC10%",
      // A link without its attribute record gets an empty row.
      "210000032000200010001 00020002 0%",
      // An attribute record with no geometry before it.
      "210000041000100090009 0%",
      "14000004ODN000000000004FC35000%",
      "14000005ODN000000000005FC35010%",
      // The tile ends with a link still waiting for its row.
      "210000062000200010001 00020002 0%",
  });
  EXPECT_EQ(mif, (Lines{"PLINE 2", "5 6", "5 6", "  PEN (1,2,255)", "NONE", "PLINE 2", "1 1", "2 2", "POINT 9 9",
                        "  SYMBOL (34,167116960,5)", "NONE", "PLINE 2", "1 1", "2 2"}));
  ASSERT_EQ(mid.size(), 6u);
  EXPECT_EQ(mid[1], "SK53,000002,Motorway,,,,,,,,,19981215");  // only the ID is read
  EXPECT_EQ(mid[2], ",,,,,,,,,,,");
  EXPECT_EQ(mid[4], "SK53,000005,Edge node,3501,N000000000005,,,,,,,19981215");
  EXPECT_EQ(mid[5], ",,,,,,,,,,,");
}

TEST_F(Oscar, ABadOffsetIsAReadErrorAndKeepsWhatWasWritten) {
  auto [mif, mid] = Translate({
      "210000011000100010001 0%",
      "14000001ODN000000000001FC35000%",
      "210000022000300010001 0002000X 0%",
      "14000002ODL000000000002FC30010%",
  });
  EXPECT_EQ(observer.Texts(), Lines{"Error reading NTF file at line 6"});
  EXPECT_EQ(mif, (Lines{"POINT 1 1", "  SYMBOL (34,167116960,5)"}));
  EXPECT_EQ(mid.size(), 1u);
  EXPECT_EQ(result.filesCutShort, 1u);

  // More points claimed than the record holds: a read error, not a read
  // beyond the record.
  auto [mif2, mid2] = Translate({"210000012999900010001 0%"});
  EXPECT_EQ(observer.Texts().back(), "Error reading NTF file at line 4");
  EXPECT_TRUE(mif2.empty());
}

TEST_F(Oscar, StateCarriesBetweenTilesOfOneOutputSetOnly) {
  const std::string first = Tile(Section(0, 0), {"210000012000200010001 00020002 0%", "14000001ODL000000000001FC30010%"});
  // An unlisted code in the next tile keeps the last style and description.
  const std::string second =
      Tile(Section(0, 0, "20000101"), {"210000022000200030003 00040004 0%", "14000002ODL000000000002FC3999TRY0%"});
  auto [mif, mid] = Run({first, second});
  EXPECT_EQ(mid[1], "SK53,000002,A road,3999,L000000000002,,,,,T,,20000101");
  EXPECT_EQ(mif.back(), "  PEN (1,2,16711680)");

  // A fresh output set starts from nothing: no style, no description.
  auto [alone, aloneMid] = Run({second});
  EXPECT_EQ(aloneMid, Lines{"SK53,000002,,3999,L000000000002,,,,,T,,20000101"});
  EXPECT_EQ(alone, (Lines{"PLINE 2", "3 3", "4 4", ""}));
}

TEST_F(Oscar, BothEditionsTranslateAndAShortHeaderGivesAnEmptyDate) {
  auto [mif, mid] = Run({Tile("07SK53      21000042" + std::string(26, '0') + std::string(20, '0') + "0%",
                              {"210000011000100010001 0%", "14000001ODN000000000001FC35000%"},
                              "OSCAR_TRAFFIC_MAN.01")});
  EXPECT_EQ(mid, Lines{"SK53,000001,Standard node,3500,N000000000001,,,,,,,"});
  EXPECT_EQ(result.filesTranslated, 1u);
}

TEST(OscarStyle, LookupLeavesTheResultAloneForUnlistedCodes) {
  OscarStyleResult r;
  EXPECT_TRUE(LookupOscarStyle("3008", r));
  EXPECT_EQ(r.clause, "  PEN (1,5,0)");
  EXPECT_EQ(r.description, "Private road not accessible");
  EXPECT_FALSE(LookupOscarStyle("300", r));
  EXPECT_EQ(r.description, "Private road not accessible");
}

}  // namespace
