// Reading MIF/MID back: every object form and style clause this program
// writes, the members of a set, and broken files that must give an error
// naming the file and line rather than a crash, a hang or a huge allocation.
#include <QDir>
#include <QFileInfo>
#include <bit>
#include <charconv>
#include <chrono>
#include <cstdint>

#include "preview_support.hpp"

namespace quorvel::preview::test {
namespace {

bool Parse(const std::string& mif, const std::string& mid, PreviewLayer& layer, std::string& error) {
  // No MID text stands for no MID file.
  return ParseLayer(mif, mid, "t.mif", mid.empty() ? "" : "t.mid", Layer::Main, layer, error);
}

PreviewLayer ParseOk(const std::string& mif, const std::string& mid = "") {
  PreviewLayer layer;
  std::string error;
  EXPECT_TRUE(Parse(mif, mid, layer, error)) << error;
  return layer;
}

TEST(PreviewReader, HeaderKeywordsInAnyCase) {
  const std::string mif =
      "vErSiOn 300\r\ncharset \"Neutral\"\r\nDELIMITER \";\"\r\nCoordSys NonEarth Units \"m\"\r\n"
      "COLUMNS 3\r\n  \"Quoted Name\" char (10)\r\n  Id Integer\r\n  Height decimal(5,1)\r\ndata\r\n\r\npoint 1 2\r\n";
  const PreviewLayer l = ParseOk(mif, "a;1;2.5\r\n");
  EXPECT_EQ(l.delimiter, ';');
  EXPECT_EQ(l.charset, "Neutral");
  ASSERT_EQ(l.columns.size(), 3u);
  EXPECT_EQ(l.columns[0], "Quoted Name");
  EXPECT_EQ(l.columns[2], "Height");
  ASSERT_EQ(l.objects.size(), 1u);
  EXPECT_EQ(SplitRow(l.rows[0], l.delimiter), (std::vector<std::string>{"a", "1", "2.5"}));
}

// Coordinates in every form a number can take read as the standard
// library reads them, bit for bit: the plain decimals this program writes
// (read a quicker way) and everything else.
TEST(PreviewReader, NumbersReadAsTheStandardLibraryReadsThem) {
  const std::vector<std::string> numbers = {
      "0", "-0", "7", "530075.41", "-530075.41", "0.1", "0.3", "1.", ".5", "-.5", "+2.25", "180926.86",
      "123456789012345", "1234567890123456", "12345678901234567890", "0.000000000000001", "9007199254740993",
      "99999999.99999999", "1e3", "-2.5E-3", "1.7976931348623157e308", "000000000000000000012.5"};
  std::string body;
  for (const std::string& n : numbers) body += "POINT " + n + " " + n + "\n";
  const PreviewLayer l = ParseOk(Mif(body), Rows(numbers.size()));
  ASSERT_EQ(l.objects.size(), numbers.size());
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    const std::string& n = numbers[k];
    double expected = 0;
    const char* first = n.data() + (n[0] == '+' ? 1 : 0);
    std::from_chars(first, n.data() + n.size(), expected);
    const XY p = l.objects[k].parts.at(0).at(0);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(expected)) << n;
    EXPECT_EQ(p.x, p.y) << n;
  }
  // Not numbers: no digits, a second point, letters after the digits.
  for (const char* bad : {"POINT - 1\n", "POINT 1.2.3 4\n", "POINT 12ab 4\n", "POINT . 4\n", "POINT inf 4\n"}) {
    PreviewLayer layer;
    std::string error;
    EXPECT_FALSE(Parse(Mif(bad), Rows(1), layer, error)) << bad;
    EXPECT_NE(error.find("line "), std::string::npos) << error;
  }
}

TEST(PreviewReader, EveryObjectFormWithItsStyle) {
  const std::string body =
      "POINT 10 20\n  SYMBOL (34,16711680,12)\n"
      "Point 11 21\n     Symbol (67,255,10,\"MapInfo Cartographic\",0,-450.0)\n"
      "PLINE 3\n0 0\n5 5\n10 0\n  pen (2,5,65280)\n"
      "PLINE\n2\n1 1\n2 2\n"
      "PLINE MULTIPLE 2\n  2\n0 0\n1 1\n  3\n2 2\n3 3\n4 4\n"
      "REGION  2\n  4\n0 0\n10 0\n10 10\n0 10\n  3\n2 2\n4 2\n3 4\n  Pen (1,2,0)\n  Brush (2,255,16777215)\n"
      "Text\n\"Say \\\"hi\\\" \\\\ bye\"\n5 6 25 9\nFONT (\"Arial\",1,0,8421504)\nAngle 90.0\n"
      "TEXT \"Same line\"\n100 50 100 40\n  FONT (\"Arial\",0,0,0)\nANGLE 0.0\n"
      "NONE\n"
      "MULTIPOINT 2\n7 8\n9 10\n  SYMBOL (32,0,6)\n"
      "LINE 0 0 3 4\n";
  const PreviewLayer l = ParseOk(Mif(body), Rows(11));
  ASSERT_EQ(l.objects.size(), 11u);
  const auto& o = l.objects;
  EXPECT_EQ(o[0].kind, ObjectKind::Point);
  EXPECT_EQ(o[0].symbol.shape, 34);
  EXPECT_EQ(o[0].symbol.colour, 0xFF0000u);
  EXPECT_EQ(o[0].symbol.size, 12);
  EXPECT_FALSE(o[0].symbol.trueType);
  EXPECT_TRUE(o[1].symbol.trueType);
  EXPECT_EQ(o[1].symbol.font, "MapInfo Cartographic");
  EXPECT_DOUBLE_EQ(o[1].symbol.rotation, -450.0);
  EXPECT_EQ(o[2].kind, ObjectKind::Pline);
  ASSERT_EQ(o[2].parts.size(), 1u);
  EXPECT_EQ(o[2].parts[0].size(), 3u);
  EXPECT_EQ(o[2].pen.width, 2);
  EXPECT_EQ(o[2].pen.pattern, 5);
  EXPECT_EQ(o[2].pen.colour, 0x00FF00u);
  EXPECT_EQ(o[3].parts[0].size(), 2u) << "count on the next line";
  ASSERT_EQ(o[4].parts.size(), 2u);
  EXPECT_EQ(o[4].parts[1].size(), 3u);
  EXPECT_EQ(o[5].kind, ObjectKind::Region);
  ASSERT_EQ(o[5].parts.size(), 2u);
  EXPECT_EQ(o[5].parts[1].size(), 3u);
  EXPECT_EQ(o[5].brush.pattern, 2);
  EXPECT_EQ(o[5].brush.foreground, 255u);
  EXPECT_TRUE(o[5].brush.hasBackground);
  EXPECT_EQ(o[6].kind, ObjectKind::Text);
  EXPECT_EQ(o[6].text, "Say \"hi\" \\ bye");
  EXPECT_DOUBLE_EQ(o[6].angle, 90.0);
  EXPECT_EQ(o[6].font.style, 1);
  EXPECT_EQ(o[6].font.foreground, 8421504u);
  EXPECT_EQ(o[7].text, "Same line");
  // A box written top first is the same box.
  EXPECT_DOUBLE_EQ(o[7].boxMin.y, 40);
  EXPECT_DOUBLE_EQ(o[7].boxMax.y, 50);
  EXPECT_EQ(o[8].kind, ObjectKind::None);
  EXPECT_TRUE(o[8].extent.empty);
  EXPECT_EQ(o[9].kind, ObjectKind::MultiPoint);
  EXPECT_EQ(o[9].parts[0].size(), 2u);
  EXPECT_EQ(o[10].kind, ObjectKind::Line);
  // The layer's extent covers every object; the rotated text reaches left
  // of its box corner.
  EXPECT_LT(l.extent.minX, 5);
  EXPECT_DOUBLE_EQ(l.extent.maxX, 100);
  EXPECT_NEAR(o[6].extent.minX, 5 - 3, 1e-9);
}

TEST(PreviewReader, StylesDefaultAndOutOfRangeColoursAreMasked) {
  const PreviewLayer l = ParseOk(Mif("PLINE 2\n0 0\n1 1\nPOINT 0 0\n  SYMBOL (34,167116960,5)\n"), Rows(2));
  EXPECT_EQ(l.objects[0].pen.pattern, 2);
  EXPECT_EQ(l.objects[0].pen.colour, 0u);
  EXPECT_EQ(l.objects[1].symbol.colour, 167116960u & 0xFFFFFFu);
}

TEST(PreviewReader, MidRowsWithQuotesAndDelimiters) {
  EXPECT_EQ(SplitRow("188009,\"St. Ann's, \"\"Old Town\"\" Ward\",,NCP", ','),
            (std::vector<std::string>{"188009", "St. Ann's, \"Old Town\" Ward", "", "NCP"}));
  EXPECT_EQ(SplitRow("", ','), std::vector<std::string>{""});
  EXPECT_EQ(SplitRow("a\tb", '\t'), (std::vector<std::string>{"a", "b"}));
  // An empty line is a row (one empty value), not the end of the file.
  const PreviewLayer l = ParseOk(Mif("NONE\nNONE\nNONE\n", "Columns 1\n  A char (5)\n"), "x\r\n\r\ny\r\n");
  ASSERT_EQ(l.rows.size(), 3u);
  EXPECT_EQ(l.rows[1], "");
}

struct Broken {
  const char* name;
  std::string mif;
  std::string mid;
  int line;          // expected line in the message
  const char* text;  // expected in the message
};

TEST(PreviewReader, BrokenFilesNameTheLineAndReason) {
  const int data = 10;  // the first line after "Data" and its blank line in Mif()
  const std::vector<Broken> cases = {
      {"empty", "", "", 1, "ends before its Data line"},
      {"garbage", std::string("\x7f\x01ELF\0\0\x02", 8), "", 1, "expected a header keyword"},
      {"no version", "Columns 0\r\nData\r\n", "", 1, "does not start with a Version"},
      {"unknown header", "Version 300\r\nColour 5\r\nData\r\n", "", 2, "unknown header keyword 'Colour'"},
      {"long delimiter", "Version 300\r\nDelimiter \",,\"\r\nData\r\n", "", 2, "one quoted character"},
      {"columns cut", "Version 300\r\nColumns 5\r\n  A char (1)\r\n", "", 4, "ends inside the column list"},
      {"columns absurd", "Version 300\r\nColumns 999999999\r\n", "", 2, "too many columns"},
      {"column without type", "Version 300\r\nColumns 1\r\n  A\r\nData\r\n", "", 3, "a name and a type"},
      {"cut pline", Mif("PLINE 3\n1 2\n3 4\n"), "", data + 3, "ends inside the PLINE begun at line 10"},
      {"pline count too high", Mif("PLINE 3\n1 2\n3 4\nPOINT 5 6\n"), "", data + 3, "found 'POINT'"},
      {"pline count too low", Mif("PLINE 1\n1 2\n3 4\n"), "", data + 2, "expected an object, found '3'"},
      {"huge pline", Mif("PLINE 99999999\n1 2\n"), "", data + 2, "ends inside the PLINE"},
      {"absurd count", Mif("PLINE 999999999\n1 2\n"), "", data, "the point count is too large"},
      {"absurd pline", Mif("PLINE 1e12\n"), "", data, "too large"},
      {"negative count", Mif("MULTIPOINT -3\n"), "", data, "not a count"},
      {"huge region", Mif("REGION 99999999\n 2\n0 0\n1 1\n"), "", data + 4, "ends inside the REGION"},
      {"ring cut", Mif("REGION 1\n 4\n0 0\n1 1\n"), "", data + 4, "ends inside the REGION"},
      {"point half", Mif("POINT 1\n"), "", data + 1, "ends inside the POINT"},
      {"point text", Mif("POINT 1 abc\n"), "", data, "found 'abc'"},
      {"point overflow", Mif("POINT 1e999 2\n"), "", data, "expected a coordinate"},
      {"point extra", Mif("POINT 1 2 3\n"), "", data, "unexpected '3'"},
      {"unknown object", Mif("CIRCLE 1 2 3\n"), "", data, "unknown object 'CIRCLE'"},
      {"junk in data", Mif("NONE\n%%% 1\n"), "", data + 1, "expected an object, found '%%%'"},
      {"style first", Mif("  PEN (1,2,0)\nNONE\n"), "", data, "before any object"},
      {"pen arity", Mif("NONE\n  PEN (1,2)\n"), "", data + 1, "Pen needs 3 values"},
      {"pen unclosed", Mif("NONE\n  PEN (1,2,3\n"), "", data + 1, "expected ',' or ')'"},
      {"brush word", Mif("NONE\n  BRUSH (a,2)\n"), "", data + 1, "expected a value in Brush"},
      {"font no name", Mif("NONE\n  FONT (1,2,3,4)\n"), "", data + 1, "Font needs a quoted name"},
      {"symbol arity", Mif("NONE\n  SYMBOL (1,2)\n"), "", data + 1, "Symbol needs"},
      {"text unclosed", Mif("TEXT\n\"open\n1 2 3 4\n"), "", data + 1, "not closed"},
      {"text no string", Mif("TEXT\n1 2 3 4\n"), "", data + 1, "quoted string of a TEXT"},
      {"text cut", Mif("TEXT\n\n"), "", data + 2, "ends inside the TEXT"},
      {"text box cut", Mif("TEXT \"a\"\n1 2 3\n"), "", data + 2, "ends inside the TEXT"},
      {"too few rows", Mif("NONE\nNONE\n"), "1,a\r\n", 2, "ends after 1 rows for 2 objects"},
      {"too many rows", Mif("NONE\n"), "1,a\r\n2,b\r\n", 2, "more rows than the 1 objects"},
  };
  for (const Broken& c : cases) {
    PreviewLayer layer;
    std::string error;
    EXPECT_FALSE(Parse(c.mif, c.mid, layer, error)) << c.name;
    const std::string file = std::string(c.text).find("rows") != std::string::npos ? "t.mid" : "t.mif";
    EXPECT_NE(error.find(file + ": line " + std::to_string(c.line) + ": "), std::string::npos) << c.name << ": " << error;
    EXPECT_NE(error.find(c.text), std::string::npos) << c.name << ": " << error;
    EXPECT_TRUE(layer.objects.empty()) << c.name;
  }
}

TEST(PreviewReader, EveryLineCutShortFailsCleanlyOrReadsAPrefix) {
  const std::string mif = Mif(
      "PLINE 3\n0 0\n5 5\n10 0\n  PEN (1,2,255)\nREGION 1\n 4\n0 0\n1 0\n1 1\n0 0\n Brush (2,255)\n"
      "Text\n\"abc\"\n0 0 3 1\nFONT (\"Arial\",0,0,0)\nPOINT 1 1\n SYMBOL (35,0,12)\n");
  for (std::size_t cut = 0; cut < mif.size(); ++cut) {
    PreviewLayer layer;
    std::string error;
    if (!Parse(mif.substr(0, cut), "", layer, error)) {
      EXPECT_EQ(error.rfind("t.mif: line ", 0), 0u) << cut << ": " << error;
    }
  }
}

TEST_F(ScratchTest, SetMembersAreReadWhenPresent) {
  WriteSet("tile", "PLINE 2\n0 0\n1 1\n", 1);
  WriteSet("tile_Text", "TEXT \"a\"\n0 0 1 1\n", 1);
  const PreviewSet set = Read(Path("tile.mif"));
  ASSERT_EQ(set.layers.size(), 2u);
  EXPECT_EQ(set.layers[0].layer, Layer::Main);
  EXPECT_EQ(set.layers[1].layer, Layer::Text);
  // A Boundary-Line set: only polygons and links.
  WriteSet("bl_poly", "REGION 1\n 3\n0 0\n1 0\n0 1\n", 1);
  WriteSet("bl_pline", "PLINE 2\n0 0\n1 1\n", 1);
  const PreviewSet bl = Read(Path("bl.mif"));
  ASSERT_EQ(bl.layers.size(), 2u);
  EXPECT_EQ(bl.layers[0].layer, Layer::Polygons);
  EXPECT_EQ(bl.layers[1].layer, Layer::Links);
  // A member's name names its set.
  EXPECT_EQ(Read(Path("bl_poly.mif")).layers.size(), 2u);
  // A set without its MID still draws; its rows are empty.
  Write("nomid.mif", Mif("NONE\n"));
  EXPECT_TRUE(Read(Path("nomid.mif")).layers[0].rows.empty());
}

TEST_F(ScratchTest, MissingSetsAndBadMembersAreNamed) {
  PreviewSet set;
  std::string error;
  EXPECT_FALSE(ReadSet(Path("none.mif"), set, error));
  EXPECT_NE(error.find(Path("none.mif") + ": no such output set"), std::string::npos) << error;
  WriteSet("bad", "NONE\n", 1);
  Write("bad_Text.mif", Mif("TEXT\n"));
  EXPECT_FALSE(ReadSet(Path("bad.mif"), set, error));
  EXPECT_NE(error.find(Path("bad_Text.mif") + ": line 11: "), std::string::npos) << error;
  // An empty MID beside objects is a cut file, not a missing one.
  Write("cut.mif", Mif("NONE\n"));
  Write("cut.mid", "");
  EXPECT_FALSE(ReadSet(Path("cut.mif"), set, error));
  EXPECT_NE(error.find(Path("cut.mid") + ": line 1: the file ends after 0 rows for 1 objects"), std::string::npos) << error;
  ASSERT_TRUE(QDir(scratch.path()).mkdir(QStringLiteral("dir.mif")));
  EXPECT_FALSE(ReadSet(Path("dir.mif"), set, error));
}

TEST(PreviewReader, EveryExpectedOutputReads) {
  const QDir root(QStringLiteral(QUORVEL_SOURCE_DIR "/tests/e2e/expected"));
  int sets = 0;
  for (const QFileInfo& dir : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
    for (const QFileInfo& mif : QDir(dir.filePath()).entryInfoList({QStringLiteral("*.mif")})) {
      PreviewLayer layer;
      std::string error;
      ASSERT_TRUE(ReadLayer(mif.filePath().toStdString(), Layer::Main, layer, error)) << error;
      EXPECT_FALSE(layer.objects.empty()) << mif.fileName().toStdString();
      EXPECT_EQ(layer.rows.size(), layer.objects.size()) << mif.fileName().toStdString();
      ++sets;
    }
  EXPECT_GE(sets, 15);
}

// A set's files are read whole however large (past any first guess of
// their size); a missing MIF and one that is a folder are refused with the
// path and the reason.
using PreviewFiles = ScratchTest;
TEST_F(PreviewFiles, ReadWholeOrRefusedWithThePathAndTheReason) {
  std::string body;
  for (int k = 0; k < 20000; ++k) body += "Point " + std::to_string(k) + " 1\r\n";
  const PreviewSet big = Read(WriteSet("big", body, 20000));
  std::size_t objects = 0;
  for (const PreviewLayer& layer : big.layers) objects += layer.objects.size();
  EXPECT_EQ(objects, 20000u);

  PreviewLayer layer;
  std::string error;
  EXPECT_FALSE(ReadLayer(Path("missing.mif"), Layer::Main, layer, error));
  EXPECT_EQ(error, Path("missing.mif") + ": cannot open the file");
  ASSERT_TRUE(QDir(QString::fromStdString(Path(""))).mkdir("folder.mif"));
  EXPECT_FALSE(ReadLayer(Path("folder.mif"), Layer::Main, layer, error));
  EXPECT_EQ(error, Path("folder.mif") + ": not a regular file");
}

}  // namespace
}  // namespace quorvel::preview::test
