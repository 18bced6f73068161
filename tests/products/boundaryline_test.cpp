// Boundary-Line: links from the link block, regions assembled ring by ring
// from the chains of the polygon block, complex polygons in one region, and
// polygon rows carrying the values of the last collection that lists them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <set>

#include "ntfgen/ntf_writer.hpp"
#include "products/boundaryline/boundaryline.hpp"
#include "products/boundaryline/boundaryline_indexes.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using Lines = std::vector<std::string>;

std::string N(std::int64_t v, std::size_t width) { return ntfgen::Num(v, width); }

// The geometry index sorts and searches by packed prefixes: texts of every
// length (short ones, NUL and high bytes included) and ids of every length
// give what a plain filter of the sorted texts gives. Texts all of a whole
// id or more take the search over packed ids; texts added in order skip the
// sort.
void CheckGeometryIndexAgainstAPlainSearch(std::size_t minLength, bool inOrder) {
  const std::string alphabet("01A\0\xff", 5);
  std::uint64_t state = 11;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  auto text = [&](std::size_t maxLength) {
    std::string t;
    for (std::uint64_t n = next(maxLength + 1); n > 0; --n) t.push_back(alphabet[next(3) == 0 ? next(5) : next(2)]);
    return t;
  };
  std::vector<std::string> added;
  std::set<std::string> all;
  for (int i = 0; i < 3000; ++i) {
    std::string t = "0" + text(11);
    while (t.size() < minLength) t += alphabet[next(5)];
    added.push_back(t);
    all.insert(t);
  }
  if (inOrder) std::sort(added.begin(), added.end());
  GeometryIndex index;
  // Room asked for ahead is only a hint: too little, or more than there is.
  index.Reserve(inOrder ? 64 : std::numeric_limits<std::size_t>::max());
  for (const std::string& t : added) index.Add(t);
  EXPECT_EQ(index.size(), all.size());
  const std::vector<std::string> texts(all.begin(), all.end());
  std::size_t hits = 0;
  for (int i = 0; i < 500; ++i) {
    // Half the ids are those of texts held, the rest anything.
    const std::string id = i % 2 ? text(7) : texts[next(texts.size())].substr(0, 6);
    std::vector<std::string> expected, found;
    for (const std::string& t : all)
      if (std::string_view(t).substr(0, std::min<std::size_t>(t.size(), 6)) == id) expected.push_back(t);
    index.ForEach(id, [&](std::string_view t) { found.emplace_back(t); });
    ASSERT_EQ(found, expected) << i;
    hits += found.size();
  }
  EXPECT_GT(hits, 250u);
}

TEST(BoundaryLineIndex, GeometriesOfAnIdComeInTextOrderAsAPlainSearchFindsThem) {
  for (std::size_t minLength : {0u, 6u, 9u}) {
    for (bool inOrder : {false, true}) {
      SCOPED_TRACE(testing::Message() << "min length " << minLength << (inOrder ? ", added in order" : ""));
      CheckGeometryIndexAgainstAPlainSearch(minLength, inOrder);
    }
  }
}

// Indexes of none to four whole ids, asked for ids before, between, on and
// after them: the search's halving ends right at either end.
TEST(BoundaryLineIndex, SmallIndexesFindEachIdAndNothingElse) {
  const std::vector<std::string> ids = {"000002", "000004", "000004", "000006"};
  for (std::size_t size = 0; size <= ids.size(); ++size) {
    GeometryIndex index;
    for (std::size_t i = 0; i < size; ++i) index.Add(ids[i] + "ABC" + std::to_string(i));
    for (const std::string id : {"000001", "000002", "000003", "000004", "000005", "000006", "000007"}) {
      std::size_t expected = 0;
      for (std::size_t i = 0; i < size; ++i) expected += ids[i] == id;
      std::size_t found = 0;
      index.ForEach(id, [&](std::string_view t) {
        EXPECT_EQ(t.substr(0, 6), id);
        ++found;
      });
      EXPECT_EQ(found, expected) << size << " " << id;
    }
  }
}

// A "21" record; points are given as their raw eight-digit fields.
std::string Geometry(std::int64_t id, const std::vector<std::pair<std::int64_t, std::int64_t>>& points,
                     std::int64_t count = -1) {
  std::string r = "21" + N(id, 6) + "2" + N(count < 0 ? static_cast<std::int64_t>(points.size()) : count, 4);
  for (auto [x, y] : points) r += N(x, 8) + N(y, 8) + " ";
  return r;
}
std::string LinkAttributes(std::int64_t attr, std::int64_t link) {
  return "14" + N(attr, 6) + "LK" + N(link, 10) + "FC0002";
}
std::string Polygon(std::int64_t id) { return "31" + N(id, 6) + N(id, 6) + "00000001" + N(0, 6); }
std::string PolygonAttributes(std::int64_t polygon, std::string hectares) {
  return "14000900PI" + N(polygon, 6) + "HA" + hectares;
}
std::string Chain(std::int64_t id, const std::vector<std::pair<std::int64_t, int>>& parts) {
  std::string r = "24" + N(id, 6) + N(static_cast<std::int64_t>(parts.size()), 4);
  for (auto [g, d] : parts) r += N(g, 6) + std::to_string(d);
  return r;
}
std::string Complex(std::int64_t id, const std::vector<std::int64_t>& members) {
  std::string r = "33" + N(id, 6) + N(static_cast<std::int64_t>(members.size()), 4);
  for (std::int64_t m : members) r += N(m, 6) + "1";
  return r + "00000001000999";
}
std::string Collection(std::int64_t id, const std::vector<std::int64_t>& polygons) {
  std::string r = "34" + N(id, 6) + N(static_cast<std::int64_t>(polygons.size()), 4);
  for (std::int64_t p : polygons) r += "31" + N(p, 6);
  return r + "01000999";
}
std::string CollectionAttributes(std::string admin, std::string name, std::string nonInland = "000000123456") {
  return "14000999AI" + admin + "NA" + nonInland + "OP47GHFA TYWAACWARNM" + name;
}

struct Output {
  Lines poly, polyMid, pline, plineMid;  // MIF bodies after the header
};

struct BoundaryLine : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  RunResult result;

  // Records are written through the tile generator's writer, so long ones
  // run over several lines with their continuation marks.
  static std::string Tile(std::initializer_list<std::string> records, std::string section = "TESTTILE") {
    ntfgen::NtfWriter w;
    w.Raw("01V0%");
    w.Record("02Boundary-Line       ");
    w.Record("07" + ntfgen::Pad(section, 10) + "2100008");
    for (const std::string& r : records) w.Record(r);
    w.End();
    return w.Take();
  }

  static Lines Body(const std::string& path) {
    Lines all = test::CrLfLines(test::ReadFile(path));
    const auto data = std::find(all.begin(), all.end(), "Data");
    return Lines(data == all.end() ? all.end() : data + 2, all.end());
  }

  Output Run(const std::vector<std::string>& tiles) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
      files.push_back(dir / ("t" + std::to_string(i) + ".ntf"));
      test::WriteFile(files.back(), tiles[i]);
    }
    test::RemoveSet(dir / "out.mif");
    result = quorvel::Translate(RunRequest{files, dir / "out.mif"}, settings, observer);
    return {Body(dir / "out_poly.mif"), test::CrLfLines(test::ReadFile(dir / "out_poly.mid")),
            Body(dir / "out_pline.mif"), test::CrLfLines(test::ReadFile(dir / "out_pline.mid"))};
  }
  Output Translate(std::initializer_list<std::string> records) { return Run({Tile(records)}); }
};

TEST_F(BoundaryLine, LinksOnlyLeaveThePolygonFilesWithTheirHeaders) {
  const Output out = Translate({
      "23000001000001010000010",
      Geometry(1, {{4310000, 2620000}, {4310123, 2620456}, {123, 45678901}}),
      LinkAttributes(11, 86210001),
      Geometry(2, {{4320001, 2630002}}),
      LinkAttributes(12, 86210002),
      Geometry(3, {}),
      LinkAttributes(13, 86210003),
  });
  EXPECT_EQ(out.pline, (Lines{"PLINE 3", "0431000.0 0262000.0", "0431012.3 0262045.6", "0000012.3 4567890.1",
                              "  PEN (1,2,16711680)", "", "PLINE 2", "0432000.1 0263000.2", "0432000.1 0263000.2",
                              "  PEN (1,2,16711680)", "", "NONE"}));
  EXPECT_EQ(out.plineMid, (Lines{"000011,Link,0086210001,,,,,,,0002,,,", "000012,Link,0086210002,,,,,,,0002,,,",
                                 "000013,Link,0086210003,,,,,,,0002,,,"}));
  EXPECT_EQ(out.poly, Lines{});
  EXPECT_EQ(out.polyMid, Lines{});
  const Lines header = test::CrLfLines(test::ReadFile(dir / "out_poly.mif"));
  ASSERT_GE(header.size(), 6u);
  EXPECT_EQ(header[4], "Columns 11");
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "out_pline.mif"))[4], "Columns 13");
  // Nothing goes to the main pair or the text pair.
  EXPECT_FALSE(test::Exists(dir / "out.mif"));
  EXPECT_FALSE(test::Exists(dir / "out_Text.mif"));
  EXPECT_EQ(observer.Texts(), Lines{});
  EXPECT_EQ(result.objectsCreated, 3);
  EXPECT_TRUE(result.AllTranslated());
}

// Coordinates other than eight digits (a sign, leading blanks) are read the
// general way; a link record holding the delimiter has its values quoted.
TEST_F(BoundaryLine, SignedCoordinatesAndALinkValueWithTheDelimiter) {
  const Output out = Translate({
      "2100000120002-0000012 1234567 0000010000000200 ",
      "14000001LK00000,0001FC0002",
  });
  EXPECT_EQ(out.pline, (Lines{"PLINE 2", "-000001.2  123456.7", "0000010.0 0000020.0", "  PEN (1,2,16711680)", ""}));
  EXPECT_EQ(out.plineMid, Lines{"000001,Link,\"00000,0001\",,,,,,,0002,,,"});
  EXPECT_EQ(observer.Texts(), Lines{});
}

TEST_F(BoundaryLine, SimplePolygonRowThenRingWithDirectionTwoReversed) {
  const Output out = Translate({
      Geometry(1, {{10, 20}, {30, 40}, {50, 60}}),
      LinkAttributes(1, 1),
      Geometry(2, {{10, 20}, {70, 80}, {50, 60}}),
      LinkAttributes(2, 2),
      Polygon(100),
      PolygonAttributes(100, "000000012500"),
      Chain(100, {{1, 1}, {2, 2}}),
      Collection(700, {100}),
      CollectionAttributes("000123", "Kings Norton, \"East\" Ward\\ NBNCP"),
  });
  EXPECT_EQ(out.poly, (Lines{"REGION  1", "  6", "0000001.0 0000002.0", "0000003.0 0000004.0", "0000005.0 0000006.0",
                             "0000005.0 0000006.0", "0000007.0 0000008.0", "0000001.0 0000002.0", "Brush (1,0,0)"}));
  // Hectares 12.500, Admin_area_ID without its leading zeros, the name
  // quoted because it holds a comma and double quotes.
  EXPECT_EQ(out.polyMid,
            Lines{"000100,Polygon,123,000100,123.456,12.500,47GHFA ,WA,WAR,\"Kings Norton, \"\"East\"\" Ward\",NCP"});
  EXPECT_NE(std::find(observer.statuses.begin(), observer.statuses.end(), std::string("Building polygons.....")),
            observer.statuses.end());
  // Two links and one polygon row.
  EXPECT_EQ(result.objectsCreated, 3);
}

TEST_F(BoundaryLine, MissingGeometriesLeaveRingsOutAndAnEmptyRegionIsNone) {
  const Output out = Translate({
      Geometry(1, {{10, 20}, {30, 40}, {10, 20}}),
      LinkAttributes(1, 1),
      Geometry(2, {{90, 90}}),
      LinkAttributes(2, 2),
      // A part whose geometry is missing contributes nothing.
      Polygon(100),
      PolygonAttributes(100, "000000001000"),
      Chain(100, {{5, 1}, {1, 1}}),
      // No part found: the region has no ring and is written as NONE.
      Polygon(101),
      PolygonAttributes(101, "000000002000"),
      Chain(101, {{6, 1}, {7, 2}}),
      // A direction other than 1 or 2 adds nothing; one point is too few.
      Polygon(102),
      PolygonAttributes(102, "000000003000"),
      Chain(102, {{1, 3}, {2, 1}}),
      // A complex polygon of three members keeps only its two real rings.
      Polygon(103),
      Chain(103, {{1, 1}}),
      Polygon(104),
      Chain(104, {{9, 1}}),
      Polygon(105),
      Chain(105, {{1, 2}}),
      Complex(110, {103, 104, 105}),
      PolygonAttributes(110, "000000004000"),
  });
  EXPECT_EQ(out.poly, (Lines{"REGION  1", "  3", "0000001.0 0000002.0", "0000003.0 0000004.0", "0000001.0 0000002.0",
                             "Brush (1,0,0)", "NONE", "NONE", "REGION  2", "  3", "0000001.0 0000002.0",
                             "0000003.0 0000004.0", "0000001.0 0000002.0", "  3", "0000001.0 0000002.0",
                             "0000003.0 0000004.0", "0000001.0 0000002.0", "Brush (1,0,0)"}));
  // Every region keeps its row; the complex polygon's row has the id of its
  // last member.
  ASSERT_EQ(out.polyMid.size(), 4u);
  EXPECT_EQ(out.polyMid[1], "000101,Polygon,,000101,,2.000,,,,,");
  EXPECT_EQ(out.polyMid[3], "000105,Polygon,,000110,,4.000,,,,,");
  EXPECT_EQ(observer.Texts(), Lines{});
}

TEST_F(BoundaryLine, TwelveMemberComplexPolygonOverTwoLinesIsOneRegion) {
  std::vector<std::string> records;
  std::vector<std::int64_t> members;
  for (std::int64_t k = 1; k <= 12; ++k) {
    records.push_back(Geometry(k, {{k, 0}, {k, 10}, {k + 5, 5}, {k, 0}}));
    records.push_back(LinkAttributes(k, k));
  }
  for (std::int64_t k = 1; k <= 12; ++k) {
    records.push_back(Polygon(200 + k));
    records.push_back(Chain(200 + k, {{k, 1}}));
    members.push_back(200 + k);
  }
  const std::string complex = Complex(300, members);
  ASSERT_GT(complex.size(), 78u);  // written over two lines
  records.push_back(complex);
  records.push_back(PolygonAttributes(300, "000000000500"));
  ntfgen::NtfWriter w;
  w.Raw("01V0%");
  w.Record("02Boundary-Line       ");
  w.Record("07TESTTILE  2100008");
  for (const auto& r : records) w.Record(r);
  w.End();
  ASSERT_NE(w.text().find("1%\r\n00"), std::string::npos);
  const Output out = Run({w.Take()});

  ASSERT_FALSE(out.poly.empty());
  EXPECT_EQ(out.poly.front(), "REGION  12");
  EXPECT_EQ(std::count(out.poly.begin(), out.poly.end(), "  4"), 12);
  EXPECT_EQ(std::count(out.poly.begin(), out.poly.end(), "Brush (1,0,0)"), 1);
  EXPECT_EQ(out.poly.back(), "Brush (1,0,0)");
  EXPECT_EQ(out.poly.size(), 1u + 12 * 5 + 1);
  EXPECT_EQ(out.polyMid, Lines{"000212,Polygon,,000300,,0.500,,,,,"});
  EXPECT_EQ(out.pline.size(), 12u * 7);
}

TEST_F(BoundaryLine, LaterCollectionWinsAndAContinuedOneIndexesItsLastPolygon) {
  std::vector<std::int64_t> many;
  for (std::int64_t k = 0; k < 10; ++k) many.push_back(k == 9 ? 102 : 150 + k);
  const Output out = Translate({
      Geometry(1, {{10, 20}, {30, 40}, {10, 20}}),
      LinkAttributes(1, 1),
      Polygon(100),
      PolygonAttributes(100, "000000001000"),
      Chain(100, {{1, 1}}),
      Polygon(101),
      PolygonAttributes(101, "000000002000"),
      Chain(101, {{1, 1}}),
      Polygon(102),
      PolygonAttributes(102, "000000003000"),
      Chain(102, {{1, 1}}),
      Collection(701, {100}),
      CollectionAttributes("000001", "First Ward\\ NBNCP"),
      // On one line: indexes its first polygon; the later entry wins.
      Collection(702, {100, 101}),
      CollectionAttributes("000002", "Second District\\ NB   "),
      // Continued: indexes the polygon whose id starts 15 characters before
      // its end (its last one), not its first.
      Collection(703, many),
      CollectionAttributes("000003", "Long County\\ NBNON"),
      // The attribute record of the last collection continues over lines,
      // and its name runs to the end of the record without a backslash.
      Collection(704, {101}),
      CollectionAttributes("000004", std::string(40, 'x') + " Ward"),
  });
  ASSERT_EQ(out.polyMid.size(), 3u);  // no row from a collection's attribute record
  EXPECT_EQ(out.polyMid[0], "000100,Polygon,2,000100,123.456,1.000,47GHFA ,WA,WAR,Second District,   ");
  EXPECT_EQ(out.polyMid[1], "000101,Polygon,4,000101,123.456,2.000,47GHFA ,WA,WAR," + std::string(40, 'x') + " Ward,");
  EXPECT_EQ(out.polyMid[2], "000102,Polygon,3,000102,123.456,3.000,47GHFA ,WA,WAR,Long County,NON");
  EXPECT_EQ(out.poly.size(), 3u * 6);
  EXPECT_EQ(out.pline.size(), 6u);  // the collections' attribute records are no links
  EXPECT_EQ(observer.Texts(), Lines{});
}

TEST_F(BoundaryLine, RegionOpenAtTheEndIsWrittenWithItsRingsAndAWarning) {
  const Output out = Translate({
      Geometry(1, {{10, 20}, {30, 40}, {10, 20}}),
      LinkAttributes(1, 1),
      Polygon(100),
      Chain(100, {{1, 1}}),
      Polygon(101),
      Chain(101, {{1, 1}}),
      // Three members listed, two present.
      Complex(110, {100, 101, 102}),
  });
  EXPECT_EQ(out.poly.front(), "REGION  2");
  EXPECT_EQ(out.poly.back(), "Brush (1,0,0)");
  // The region has no attribute record: an empty row keeps the files in step.
  EXPECT_EQ(out.polyMid, Lines{",,,,,,,,,,"});
  ASSERT_EQ(observer.messages.size(), 1u);
  EXPECT_EQ(observer.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(observer.messages[0].text, "Polygon 000100 is incomplete: its region is written with 2 of its 3 rings.");
}

TEST_F(BoundaryLine, BadRecordsAreReadErrorsAndKeepWhatWasWritten) {
  struct Case {
    std::string name;
    std::vector<std::string> records;
    std::size_t plineRows;
  };
  const std::vector<Case> cases = {
      {"attribute record before any geometry", {LinkAttributes(1, 1)}, 0},
      {"point count beyond the record", {Geometry(1, {{1, 2}}), LinkAttributes(1, 1), Geometry(2, {{1, 2}}, 9999),
                                         LinkAttributes(2, 2)}, 1},
      {"coordinate that is no number", {Geometry(1, {{1, 2}}), LinkAttributes(1, 1),
                                        "210000022000112345678ABCDEFGH ", LinkAttributes(2, 2)}, 1},
      {"part count beyond the record", {Geometry(1, {{1, 2}, {3, 4}}), LinkAttributes(1, 1), Polygon(100),
                                        "2400010099990000011"}, 1},
      {"hectares that are no number", {Geometry(1, {{1, 2}, {3, 4}}), LinkAttributes(1, 1), Polygon(100),
                                       PolygonAttributes(100, "00000001x500")}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    observer = {};
    ntfgen::NtfWriter w;
    w.Raw("01V0%");
    w.Record("02Boundary-Line       ");
    w.Record("07TESTTILE  2100008");
    for (const auto& r : c.records) w.Record(r);
    w.End();
    const std::size_t errorLine = 2 + c.records.size();  // the last record's line
    const Output out = Run({w.Take()});
    ASSERT_EQ(observer.Texts(), Lines{"Error reading NTF file at line " + std::to_string(errorLine)});
    EXPECT_EQ(out.plineMid.size(), c.plineRows);
    EXPECT_EQ(result.filesCutShort, 1u);
  }
}

TEST_F(BoundaryLine, ACollectionRightBeforeTheEndIsNoReadError) {
  const Output out = Translate({
      Geometry(1, {{10, 20}, {30, 40}, {10, 20}}),
      LinkAttributes(1, 1),
      Polygon(100),
      PolygonAttributes(100, "000000001000"),
      Chain(100, {{1, 1}}),
      Collection(701, {100}),
  });
  EXPECT_EQ(observer.Texts(), Lines{});
  EXPECT_EQ(out.polyMid, Lines{"000100,Polygon,,000100,,1.000,,,,,"});
  EXPECT_TRUE(result.AllTranslated());
}

TEST_F(BoundaryLine, MergedTilesShareOneHeaderAndKeepEveryTile) {
  const auto tile = [](std::int64_t id) {
    return Tile({Geometry(id, {{10, 20}, {30, 40}, {10, 20}}), LinkAttributes(id, id), Polygon(id),
                 PolygonAttributes(id, "000000001000"), Chain(id, {{id, 1}})});
  };
  const Output out = Run({tile(1), tile(2)});
  EXPECT_EQ(out.plineMid.size(), 2u);
  EXPECT_EQ(out.polyMid, (Lines{"000001,Polygon,,000001,,1.000,,,,,", "000002,Polygon,,000002,,1.000,,,,,"}));
  EXPECT_EQ(std::count(out.poly.begin(), out.poly.end(), "REGION  1"), 2);
  for (const char* f : {"out_poly.mif", "out_pline.mif"}) {
    const Lines all = test::CrLfLines(test::ReadFile(dir / f));
    EXPECT_EQ(std::count(all.begin(), all.end(), "Version 300"), 1) << f;
  }
  EXPECT_EQ(result.filesTranslated, 2u);
}

// The tile is not translated; the run goes on and fails at its end.
TEST_F(BoundaryLine, FilesThatCannotBeCreatedAreNotTranslated) {
  std::filesystem::create_directory(dir / "out_poly.mif");  // a folder where the file should go
  Translate({Geometry(1, {{10, 20}}), LinkAttributes(1, 1)});
  EXPECT_EQ(observer.Texts(), Lines{"Unable to open MIF file: is a folder"});
  EXPECT_EQ(observer.paths, Lines{dir / "out_poly.mif"});
  EXPECT_EQ(result.outputFailures, 1u);
  EXPECT_EQ(result.filesSkipped, 1u);
  EXPECT_FALSE(result.AllTranslated());
}

}  // namespace
