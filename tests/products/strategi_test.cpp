// Strategi: the style table, the attribute groups, text placement and whole
// translations of small tiles written inline.
#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "mif/format.hpp"
#include "products/strategi/strategi.hpp"
#include "products/strategi/strategi_ordinates.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "products/strategi/strategi_text.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

std::string Clause(const StrategiStyleRow& row, bool trueType) {
  std::string s;
  AppendStrategiStyleClause(s, row, trueType, 0.0);
  return s;
}

// ---------------------------------------------------------------- style table

TEST(StrategiStyleTable, HoldsEveryRowOncePerLayerAsListed) {
  const auto table = StrategiStyleTable();
  ASSERT_EQ(table.size(), 231u);
  std::map<int, int> perLayer;
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].code.size(), 4u) << table[i].code;
    if (i > 0) {
      EXPECT_LT(table[i - 1].code, table[i].code) << "codes sorted and distinct";
    }
    ++perLayer[table[i].layer];
    // Graphic text rows alone have no check box, and they use a FONT clause.
    EXPECT_EQ(table[i].enabledBy == 0, table[i].layer == 9) << table[i].code;
    EXPECT_EQ(table[i].standardStyle.rfind(table[i].layer == 9 ? "  FONT (\"Arial\",0,0," : "  ", 0), 0u)
        << table[i].code;
    EXPECT_EQ(FindStrategiStyle(table[i].code), &table[i]);
  }
  EXPECT_EQ(perLayer, (std::map<int, int>{{1, 96}, {2, 26}, {3, 11}, {4, 13}, {5, 9}, {6, 40}, {7, 2}, {8, 1}, {9, 33}}));
  EXPECT_EQ(FindStrategiStyle("9999"), nullptr);
  EXPECT_EQ(FindStrategiStyle("531"), nullptr);
  EXPECT_EQ(FindStrategiStyle("55392"), nullptr);
  // The search goes by packed codes: neighbours in that packing find nothing.
  for (std::string_view code : {"", "5", "5006 ", "500", "0000", "5901\x01", "59010000", "\xff\xff\xff\xff"})
    EXPECT_EQ(FindStrategiStyle(code), nullptr) << code;
  EXPECT_EQ(FindStrategiStyle(std::string_view("5006\0", 5)), nullptr);
  // Four digits go by their value: every one of them finds what a plain
  // scan of the table finds; signs and blanks in four characters find nothing.
  for (int value = 0; value < 10000; ++value) {
    char code[5];
    std::snprintf(code, sizeof code, "%04d", value);
    const StrategiStyleRow* scanned = nullptr;
    for (const StrategiStyleRow& row : table)
      if (row.code == code) scanned = &row;
    ASSERT_EQ(FindStrategiStyle(code), scanned) << code;
  }
  for (std::string_view code : {"+531", " 531", "531 ", "5 31", "-001"}) EXPECT_EQ(FindStrategiStyle(code), nullptr);
}

TEST(StrategiStyleTable, CheckBoxesThatDifferFromTheRowsLayer) {
  std::map<std::string_view, int> odd;
  for (const StrategiStyleRow& row : StrategiStyleTable())
    if (row.enabledBy != 0 && row.enabledBy != row.layer) odd[row.code] = row.enabledBy;
  EXPECT_EQ(odd, (std::map<std::string_view, int>{{"5243", 3}, {"5389", 8}, {"5427", 5}, {"5725", 5}, {"5810", 5},
                                                  {"5815", 5}, {"5816", 5}, {"5837", 5}, {"5838", 5}}));
}

TEST(StrategiStyleTable, DescriptionsAreKeptExactlyAsListed) {
  EXPECT_EQ(FindStrategiStyle("5340")->description, "B road, D/C)");
  EXPECT_EQ(FindStrategiStyle("5301")->description, "Motorway (U/C, over");
  EXPECT_EQ(FindStrategiStyle("5230")->description, "River (other and drains");
  EXPECT_EQ(FindStrategiStyle("5419")->description, "Landmark attribute point ");
  EXPECT_EQ(FindStrategiStyle("5820")->standardStyle, "  PEN (1,3,25516711680)");
}

TEST(StrategiStyleTable, TrueTypeSymbolsReplaceTheStandardClauseOnlyWhereListed) {
  EXPECT_EQ(Clause(*FindStrategiStyle("5612"), true), "  SYMBOL (106,16711680,10,\"MapInfo Cartographic\",0,0)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5612"), false), "  SYMBOL (31,0,1)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5806"), true), "  SYMBOL (31,0,10)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5841"), true), "  SYMBOL (85,16711680,10,\"MapInfo Transportation\",1,0)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5892"), true), "  SYMBOL (107,16711680,10,\"Transportation\",0,0)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5881"), true), "  SYMBOL (135,16711680,10,\"MapInfo Miscellaneous\",0,0.0)");
  EXPECT_EQ(Clause(*FindStrategiStyle("5033"), true), "  FONT (\"Arial\",0,0,16711680)");
  // Only 35 of the 36 rows drawn with "SYMBOL (31,0,10)" under check box 6
  // (all but 5806 and 5868) have a symbol of their own.
  int tourist = 0, withSymbol = 0;
  for (const StrategiStyleRow& row : StrategiStyleTable()) {
    if (row.enabledBy != 6 || row.standardStyle != "  SYMBOL (31,0,10)") continue;
    ++tourist;
    if (row.trueType.shape != 0) ++withSymbol;
  }
  EXPECT_EQ(tourist, 35);
  EXPECT_EQ(withSymbol, 33);
}

TEST(StrategiStyleLookup, ReadsTheCheckBoxesAtEveryLookupAndKeepsTheLastRowFound) {
  TranslationSettings settings;
  StrategiStyleResult r;
  LookupStrategiStyle("5310", settings.productOptions.View(kStrategiLayerOption), r);
  EXPECT_TRUE(r.featureEnabled);
  EXPECT_EQ(r.description(), "Motorway");
  EXPECT_EQ(r.layer(), 1);
  settings.productOptions.SetEntry(kStrategiLayerOption, 1, false);
  LookupStrategiStyle("5310", settings.productOptions.View(kStrategiLayerOption), r);
  EXPECT_FALSE(r.featureEnabled);
  EXPECT_EQ(r.row->standardStyle, "  PEN (2,2,255)");

  // 5427 is a layer 3 row switched by check box 5.
  settings.productOptions.SetEntry(kStrategiLayerOption, 3, false);
  LookupStrategiStyle("5427", settings.productOptions.View(kStrategiLayerOption), r);
  EXPECT_TRUE(r.featureEnabled);
  settings.productOptions.SetEntry(kStrategiLayerOption, 3, true);
  settings.productOptions.SetEntry(kStrategiLayerOption, 5, false);
  LookupStrategiStyle("5427", settings.productOptions.View(kStrategiLayerOption), r);
  EXPECT_FALSE(r.featureEnabled);
  EXPECT_EQ(r.layer(), 3);

  // Graphic text is never a point or line to write.
  LookupStrategiStyle("5033", OptionView(nullptr), r);
  EXPECT_FALSE(r.featureEnabled);
  EXPECT_EQ(r.layer(), 9);

  // An unlisted code changes nothing but the enabled flag.
  LookupStrategiStyle("5310", OptionView(nullptr), r);
  LookupStrategiStyle("9999", OptionView(nullptr), r);
  EXPECT_FALSE(r.featureEnabled);
  EXPECT_EQ(r.description(), "Motorway");

  StrategiStyleResult fresh;
  LookupStrategiStyle("9999", OptionView(nullptr), fresh);
  EXPECT_EQ(fresh.row, nullptr);
  EXPECT_EQ(fresh.description(), "");
  EXPECT_EQ(fresh.layer(), 0);
}

// A four-digit code looked up by its number finds what its text finds,
// with the same check boxes; numbers outside four digits find nothing.
TEST(StrategiStyleLookup, ByNumberAsByText) {
  TranslationSettings settings;
  settings.productOptions.SetEntry(kStrategiLayerOption, 2, false);
  settings.productOptions.SetEntry(kStrategiLayerOption, 5, false);
  const OptionView layers = settings.productOptions.View(kStrategiLayerOption);
  const StrategiStyleRow* start = FindStrategiStyle("5310");
  for (int value = 0; value <= 9999; ++value) {
    char code[8];
    std::snprintf(code, sizeof code, "%04d", value);
    StrategiStyleResult byText, byNumber;
    byText.row = byNumber.row = start;
    byText.featureEnabled = byNumber.featureEnabled = true;
    LookupStrategiStyle(code, layers, byText);
    LookupStrategiStyle(std::int64_t{value}, layers, byNumber);
    ASSERT_EQ(byNumber.row, byText.row) << code;
    ASSERT_EQ(byNumber.featureEnabled, byText.featureEnabled) << code;
  }
  for (std::int64_t value : {std::int64_t{-1}, std::int64_t{10000}, std::int64_t{-5310}}) {
    StrategiStyleResult r;
    r.row = start;
    r.featureEnabled = true;
    LookupStrategiStyle(value, layers, r);
    EXPECT_EQ(r.row, start) << value;
    EXPECT_FALSE(r.featureEnabled) << value;
  }
}

TEST(StrategiAttributeGroups, EveryGroupedCodeIsInTheStyleTable) {
  int grouped = 0;
  for (int code = 0; code < 10000; ++code) {
    if (StrategiAttributeGroup(code) == 0) continue;
    ++grouped;
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04d", code);
    EXPECT_NE(FindStrategiStyle(digits), nullptr) << code;
  }
  EXPECT_EQ(grouped, 142);
  EXPECT_EQ(StrategiAttributeGroup(5036), 'A');
  EXPECT_EQ(StrategiAttributeGroup(5035), 0);
  EXPECT_EQ(StrategiAttributeGroup(5337), 'E');
  EXPECT_EQ(StrategiAttributeGroup(5885), 'I');
  EXPECT_EQ(StrategiAttributeGroup(5901), 'R');
  EXPECT_EQ(StrategiAttributeGroup(-5), 0);
}

// ------------------------------------------------------------ attribute scan

// The attributes of an attribute record whose tagged part (from column 25)
// is `tail`; the end mark is already removed, as the translator does.
StrategiAttributes Read(char group, const std::string& tail) {
  static std::string record;  // the views point into it
  record = "14000001FC0000DE19960401" + tail;
  StrategiAttributes a;
  ReadStrategiAttributes(record, group, a);
  return a;
}

TEST(StrategiAttributeScan, TerminatorSetsDecideWhereADoubleQuoteBelongs) {
  EXPECT_EQ(Read('A', "TXLand's \"End\"\\").TX, "Land's ");
  EXPECT_EQ(Read('F', "FMAfon \"Nedd\" Fach\\").FM, "Afon \"Nedd\" Fach");
  EXPECT_EQ(Read('A', "TX\\").TX, "");
  EXPECT_EQ(Read('A', "XX Name\\").TX, "");
  // A value that runs to the end of the record keeps everything it read.
  EXPECT_EQ(Read('E', "NUA4067").NU, "A4067");
  EXPECT_EQ(Read('E', "NU").NU, "");
}

// Values are scanned eight bytes a step: a terminator in every position of
// a word and of the bytes left over, after bytes next to the terminators.
TEST(StrategiAttributeScan, TerminatorsInEveryPositionOfLongValues) {
  for (std::size_t length = 0; length <= 26; ++length) {
    const std::string value = std::string("#$&[]!'\x80\xdc\xa5\x01~{|}", 15).substr(0, length % 15) +
                              std::string(length > 15 ? length - 15 : 0, 'x');
    for (char terminator : {'\\', '%', '"'}) {
      for (const std::string& after : {std::string(), std::string("\\GSSS 1\\"), std::string(20, 'y')}) {
        const std::string tail = value + terminator + after;
        SCOPED_TRACE(tail);
        // T1 ends at any of the three; T2 keeps a double quote.
        EXPECT_EQ(Read('A', "TX" + tail).TX, value);
        const std::string t2 = tail.substr(0, tail.find_first_of("\\%"));
        EXPECT_EQ(Read('F', "FM" + tail).FM, t2);
      }
    }
    // No terminator: the value runs to the end of the record.
    EXPECT_EQ(Read('A', "TX" + value).TX, value);
  }
}

TEST(StrategiAttributeScan, GroupIWantsFmFirstAndLooksForGsOneColumnOn) {
  StrategiAttributes a = Read('I', "FMMumbles Head\\GSSS 629 872\\");
  EXPECT_EQ(a.FM, "Mumbles Head");
  EXPECT_EQ(a.GS, "SS 629 872");
  a = Read('I', "GSSS 629 872\\");
  EXPECT_EQ(a.FM, "");
  EXPECT_EQ(a.GS, "");
  // T2: a double quote stays in both values.
  a = Read('I', "FMSt \"Mary\"\\GSSS 1\"2\\");
  EXPECT_EQ(a.FM, "St \"Mary\"");
  EXPECT_EQ(a.GS, "SS 1\"2");
}

TEST(StrategiAttributeScan, SecondTagsTwoColumnsOnAfterAQuoteTerminator) {
  StrategiAttributes a = Read('Q', "FMBelockash Park\"\\OWNational Trust\\");
  EXPECT_EQ(a.FM, "Belockash Park");
  EXPECT_EQ(a.OW, "National Trust");
  // OW directly after the backslash is one column too early.
  a = Read('Q', "FMOckridge\\OWNational Trust\\");
  EXPECT_EQ(a.FM, "Ockridge");
  EXPECT_EQ(a.OW, "");

  a = Read('J', "LO2UE1OR0210NUM46\"\\GSST 115 765\\");
  EXPECT_EQ(a.LO, "2");
  EXPECT_EQ(a.UE, "1");
  EXPECT_EQ(a.NU, "M46");
  EXPECT_EQ(a.GS, "ST 115 765");

  a = Read('K', "NUM61\\GSST 636 248\\");
  EXPECT_EQ(a.NU, "M61");
  EXPECT_EQ(a.GS, "ST 636 248");

  a = Read('O', "RU1CMErellshire\"\\DNWalwin District\\");
  EXPECT_EQ(a.RU, "1");
  EXPECT_EQ(a.CM, "Erellshire");
  EXPECT_EQ(a.DN, "Walwin District");
}

TEST(StrategiAttributeScan, GroupsMAndNFindUnAfterCmOrWhereCmWasLookedFor) {
  StrategiAttributes a = Read('M', "LO2FMPenmor Park\"\\CMNewstead\\UNWorthcombe\\");
  EXPECT_EQ(a.LO, "2");
  EXPECT_EQ(a.FM, "Penmor Park");
  EXPECT_EQ(a.CM, "Newstead");
  EXPECT_EQ(a.UN, "Worthcombe");
  a = Read('M', "LO1FMLowdal Castle\"\\UNMinburgate\\");
  EXPECT_EQ(a.CM, "");
  EXPECT_EQ(a.UN, "Minburgate");
  // CM right after the backslash is not seen; UN is then looked for there too.
  a = Read('M', "LO3FMCalcliff\\CMHurst\\UNCombe\\");
  EXPECT_EQ(a.FM, "Calcliff");
  EXPECT_EQ(a.CM, "");
  EXPECT_EQ(a.UN, "");
  a = Read('N', "FMGravethorp\"\\CMHolmden\\UNStokeing\\");
  EXPECT_EQ(a.FM, "Gravethorp");
  EXPECT_EQ(a.CM, "Holmden");
  EXPECT_EQ(a.UN, "Stokeing");
}

TEST(StrategiAttributeScan, FixedColumnGroupsAndGroupPInBothOrders) {
  StrategiAttributes a = Read('R', "HI0028HM0100");
  EXPECT_EQ(a.HI, "0028");
  EXPECT_EQ(a.HM, "0100");
  a = Read('G', "RU2FMWelllin Hall\\");
  EXPECT_EQ(a.RU, "2");
  EXPECT_EQ(a.FM, "Welllin Hall");
  a = Read('H', "RB2XXCotlin\\");
  EXPECT_EQ(a.RB, "2");
  EXPECT_EQ(a.FM, "");
  EXPECT_EQ(Read('L', "OR2275GSSN 934 890\\").GS, "SN 934 890");
  EXPECT_EQ(Read('B', "RU2").RU, "2");
  EXPECT_EQ(Read('C', "RB1").RB, "1");
  a = Read('P', "FMBranwick\"\\GSSS 003 828\\");
  EXPECT_EQ(a.FM, "Branwick");
  EXPECT_EQ(a.GS, "SS 003 828");
  a = Read('P', "GSSN 484 709\"\\FMWellches Hall\\");
  EXPECT_EQ(a.FM, "Wellches Hall");
  EXPECT_EQ(a.GS, "SN 484 709");
  // Nothing at all after the fixed part.
  a = Read('M', "");
  EXPECT_EQ(a.FM, "");
  EXPECT_EQ(a.UN, "");
}

// Rows are written from the attributes a group can fill: any record of the
// group must leave every other attribute empty.
TEST(StrategiAttributeScan, EachGroupFillsOnlyItsSlots) {
  const std::vector<std::string> pieces = {"TX", "RU", "RB", "GS", "NU", "FM", "CM", "UN", "DN", "OW", "HI", "HM",
                                           "LO", "UE", "OR", "1",  "0028", "ab", "\\", "\"", "%", " "};
  unsigned seed = 12345;
  for (char group = 'A'; group <= 'S'; ++group) {
    const unsigned slots = StrategiAttributeSlots(group);
    for (int n = 0; n < 400; ++n) {
      std::string tail;
      for (int k = 0; k < 12; ++k) {
        seed = seed * 1103515245u + 12345u;
        tail += pieces[(seed >> 16) % pieces.size()];
      }
      const StrategiAttributes a = Read(group, tail);
      for (std::size_t i = 0; i < std::size(kStrategiRowOrder); ++i)
        if ((slots >> i & 1) == 0) {
          EXPECT_EQ(a.*kStrategiRowOrder[i], "") << group << " " << tail << " " << i;
        }
    }
  }
  EXPECT_EQ(StrategiAttributeSlots(0), 0u);
}

// ------------------------------------------------------------ text placement

std::string Place(long double x, long double y, long double h, int p, long double a, std::string_view text,
                  TextOffsets& offsets) {
  StrategiTextPlacement placement{x, y, h, p, a};
  std::string out;
  AppendTextRectangle(out, PlaceStrategiText(placement, text, offsets));
  return out;
}

// ------------------------------------------------------------ decimal ordinates

// "x y" as WritePair gives it from the bytes at `from`, or "refused".
std::string DecimalPair(const DecimalOrigin& x, const DecimalOrigin& y, const std::string& from, int decimals) {
  char out[kMaxDecimalPair];
  const char* end = decimals == 0   ? DecimalOrigin::WritePair<0>(x, y, out, from.data())
                    : decimals == 2 ? DecimalOrigin::WritePair<2>(x, y, out, from.data())
                                    : DecimalOrigin::WritePair<3>(x, y, out, from.data());
  return end ? std::string(out, static_cast<std::size_t>(end - out)) : std::string("refused");
}

// The sum as Write gives it from a view of the field. Taken from the
// field's bytes (followed by any byte) as the X or the Y of a pair whose
// other field is zero on a zero origin, it must be the same.
std::string DecimalSum(const DecimalOrigin& origin, std::string_view field, int decimals) {
  char out[kMaxDecimalOrdinate];
  const char* end = origin.Write(out, field, decimals);
  const std::string sum = end ? std::string(out, static_cast<std::size_t>(end - out)) : std::string("refused");
  if (field.size() == 7) {
    const DecimalOrigin zero(0);
    const std::string zeroText = decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
    for (char after : {'0', '9', ' ', '\xff', '\0'}) {
      const std::string asX = DecimalPair(origin, zero, std::string(field) + "0000000" + after, decimals);
      const std::string asY = DecimalPair(zero, origin, "0000000" + std::string(field) + after, decimals);
      EXPECT_EQ(asX, end ? sum + " " + zeroText : sum) << field << " then " << static_cast<int>(after);
      EXPECT_EQ(asY, end ? zeroText + " " + sum : sum) << field << " then " << static_cast<int>(after);
    }
  }
  return sum;
}

std::string WholeFixed(std::int64_t value, int decimals) {
  char out[kMaxWholeFixed];
  return std::string(out, static_cast<std::size_t>(WriteWholeFixed(out, value, decimals) - out));
}

TEST(DecimalOrigin, WritesWhatWholeFixedWritesForTheSum) {
  // Carries through every digit, none at all, the largest sum, zero.
  const std::int64_t origins[] = {0,       1,        9,        200000,   999999,   1000000,  8999999,
                                  9000000, 9999999,  10000000, 12345678, 89999999, 90000000, 50000001};
  const char* fields[] = {"0000000", "0000001", "0000009", "0000010", "0999999", "1000000",
                          "8146000", "9000001", "9999999", "0081460", "5000000", "1234567"};
  for (std::int64_t origin : origins) {
    const DecimalOrigin digits(origin);
    ASSERT_TRUE(digits.usable()) << origin;
    for (const char* field : fields) {
      const std::int64_t value = origin + std::stoll(field);
      for (int decimals : {0, 2, 3})
        ASSERT_EQ(DecimalSum(digits, field, decimals), WholeFixed(value, decimals)) << origin << " + " << field;
    }
  }
  // Every sum of a few origins and a sweep of fields.
  for (std::int64_t origin : {0, 700000, 89999999}) {
    const DecimalOrigin digits(origin);
    for (int v = 0; v <= 9999999; v += 997) {
      char field[8];
      std::snprintf(field, sizeof field, "%07d", v);
      ASSERT_EQ(DecimalSum(digits, field, 2), WholeFixed(origin + v, 2)) << origin << " + " << field;
    }
  }
}

TEST(DecimalOrigin, RefusesOriginsAndFieldsItCannotAdd) {
  // Negative origins, and those a seven-digit field could take past eight digits.
  for (std::int64_t origin : {-1, -200000, 90000001, 99999999, 100000000}) {
    EXPECT_FALSE(DecimalOrigin(origin).usable()) << origin;
    EXPECT_EQ(DecimalSum(DecimalOrigin(origin), "0000000", 2), "refused");
  }
  EXPECT_EQ(DecimalSum(DecimalOrigin(), "0000000", 2), "refused");
  // Anything but exactly seven digits: blanks, signs, the bytes next to the
  // digits, bytes with the top bit set, other lengths.
  const DecimalOrigin digits(200000);
  for (std::string_view field : {"", "000000", "00000000", " 000001", "000001 ", "-000001", "+000001", "00/0000",
                                 "00:0000", "000\xb0" "000", "000\xff" "000", "000\x80" "000", "000\x7f" "000",
                                 "0000 00", "a000000", "000000a"})
    EXPECT_EQ(DecimalSum(digits, field, 2), "refused") << field;
  EXPECT_EQ(DecimalSum(digits, std::string_view("000\0" "000", 7), 2), "refused");
}

std::string QuickPlace(long double x, long double y, long double h, int p, int tenths, std::string_view text,
                       TextOffsets& offsets) {
  StrategiTextPlacement placement{x, y, h, p, static_cast<long double>(tenths) / 10};
  char line[kMaxTextRectangle];
  const char* end = WriteStrategiTextRectangle(line, placement, tenths, text, offsets);
  return end ? std::string(static_cast<const char*>(line), end) : std::string();
}

// The quick way in double writes what the long double way does, or
// nothing; the offsets it defers are those the long double way sets, for a
// Strategi text or a Land-Line one that reuses them.
TEST(WriteStrategiTextRectangle, SameCornersAsTheLongDoubleWayOrNone) {
  std::mt19937_64 random(29);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::vector<std::string> texts = {"Hill", "AB", "", " Lower Farm ", "W", "$5", "Church (remains)"};
  int written = 0;
  TextOffsets quick, slow;
  for (int i = 0; i < 30000; ++i) {
    const std::string& text = texts[static_cast<std::size_t>(pick(static_cast<int>(texts.size())))];
    const long double h = static_cast<long double>(pick(100)) / 10;
    const int p = pick(10);
    const int tenths = pick(2) == 0 ? 900 * pick(4) + pick(3) - 1 + 3600 * (pick(8) == 0) : pick(3600);
    // Points with seven decimals, origins added, as the reader makes them.
    const long double x = static_cast<long double>(pick(100000000)) / 10000000 * 1000 + 400000;
    const long double y = static_cast<long double>(pick(100000000)) / 10000000 * 1000 + 100000;
    const std::string expected = Place(x, y, h, p, static_cast<long double>(tenths) / 10, text, slow);
    const std::string got = QuickPlace(x, y, h, p, tenths, text, quick);
    if (got.empty()) {
      EXPECT_EQ(Place(x, y, h, p, static_cast<long double>(tenths) / 10, text, quick), expected) << i;
    } else {
      ++written;
      EXPECT_EQ(got, expected) << "'" << text << "' h " << static_cast<double>(h) << " p " << p << " tenths "
                               << tenths;
    }
    ASSERT_FALSE(HasFailure()) << i;
  }
  EXPECT_GT(written, 30000 / 2);
  // Refused: angles not read as tenths or of a full turn, positions that
  // reuse offsets; the offsets stay as they were.
  TextOffsets o;
  o.dx = 7;
  for (const auto& [tenths, p] : std::vector<std::pair<int, int>>{{-1, 4}, {3600, 4}, {0, 9}, {0, -1}}) {
    EXPECT_EQ(QuickPlace(500, 800, 2.0L, p, tenths, "AB", o), "") << tenths << " " << p;
    EXPECT_FALSE(o.isDeferred);
    EXPECT_EQ(o.dx, 7);
  }
  // Deferred offsets reused by a Strategi text and by a Land-Line one.
  for (int p = 0; p <= 8; ++p) {
    TextOffsets q, l;
    ASSERT_NE(QuickPlace(500.25L, 800.5L, 2.4L, p, 1234, "Hill", q), "");
    Place(500.25L, 800.5L, 2.4L, p, 123.4L, "Hill", l);
    EXPECT_EQ(Place(10, 20, 1.7L, 9, 90, "Other", q), Place(10, 20, 1.7L, 9, 90, "Other", l)) << p;
    ASSERT_NE(QuickPlace(500.25L, 800.5L, 2.4L, p, 1234, "Hill", q), "");
    Place(500.25L, 800.5L, 2.4L, p, 123.4L, "Hill", l);
    std::string viaLandLine, expected;
    AppendTextRectangle(viaLandLine, PlaceLandLineText(10, 20, "Other", 1.7L, 90, 9, TextSection{1, 0, 0, 200}, q));
    AppendTextRectangle(expected, PlaceLandLineText(10, 20, "Other", 1.7L, 90, 9, TextSection{1, 0, 0, 200}, l));
    EXPECT_EQ(viaLandLine, expected) << p;
  }
}

TEST(PlaceStrategiText, WorkedExamples) {
  TextOffsets o;
  EXPECT_EQ(Place(500, 800, 2.0L, 4, 0, "AB", o), "463.10 779.50 863.10 479.50");
  EXPECT_NEAR(static_cast<double>(o.dx), -18.45, 1e-9);
  EXPECT_NEAR(static_cast<double>(o.dy), -10.25, 1e-9);
  EXPECT_EQ(Place(500, 800, 2.0L, 2, 45, "AB", o), "485.50 789.75 885.50 489.75");
  EXPECT_EQ(Place(500, 800, 2.0L, 0, 0, "AB", o), "500.00 841.00 900.00 541.00");
}

TEST(PlaceStrategiText, OrientationCorrectionsAndPositionNine) {
  TextOffsets o;
  // P = 2, A = 0: no offsets; the box is 200 per character and 300 high.
  EXPECT_EQ(Place(100, 200, 1.3L, 2, 0, "ABCDE", o), "100.00 200.00 1100.00 -100.00");
  // A = 90: only the first Y correction (Hs = 13); X moves back by Hs.
  EXPECT_EQ(Place(100, 200, 1.3L, 2, 90, "A", o), "87.00 187.00 287.00 -113.00");
  // A = 90.05 meets two: 200 - 90.05 / 90 x 13 - (0.15 / 90 + 1) x 13.
  EXPECT_EQ(Place(100, 200, 1.3L, 2, 90.05L, "A", o), "87.00 173.97 287.00 -126.03");
  // 360 and beyond: no Y correction.
  EXPECT_EQ(Place(100, 200, 1.3L, 2, 360, "A", o).substr(0, 13), "100.00 200.00");
  // 1.2 is measured as 1.25, 1.3 as it stands: P = 0 moves up by 2 Hs.
  EXPECT_EQ(Place(0, 0, 1.2L, 0, 0, "", o), "0.00 25.00 0.00 -275.00");
  EXPECT_EQ(Place(0, 0, 1.3L, 0, 0, "", o), "0.00 26.00 0.00 -274.00");
  // P = 9 reuses the offsets of the text before, whatever its own values.
  Place(500, 800, 2.0L, 5, 30, "Hill", o);
  const TextOffsets kept = o;
  Place(0, 0, 4.4L, 9, 0, "Other text", o);
  EXPECT_EQ(o.dx, kept.dx);
  EXPECT_EQ(o.dy, kept.dy);
  EXPECT_EQ(Place(0, 0, 2.5L, 9, 0, "X", o),
            FormatFixed(static_cast<double>(2 * kept.dx), 2) + " " + FormatFixed(static_cast<double>(2 * kept.dy), 2) +
                " " + FormatFixed(static_cast<double>(2 * kept.dx + 200), 2) + " " +
                FormatFixed(static_cast<double>(2 * kept.dy - 300), 2));
}

// ------------------------------------------------------- whole translations

std::string Section(long xOrigin, long yOrigin) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%010ld%010ld", xOrigin, yOrigin);
  // Columns 13-46 are not read by the translator; the origins are at 47-66.
  return "07SS        " + std::string(34, '0') + buf + "0%";
}

struct Strategi : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  RunResult result;
  std::string section = Section(200000, 100000);

  void Run(const std::vector<std::string>& records, bool end = true) {
    std::string text = test::Ntf({"01V0%", "02Strategi_02.96      0%", section});
    for (const auto& r : records) text += r + "\r\n";
    if (end) text += "99\r\n";
    test::WriteFile(dir / "t.ntf", text);
    test::RemoveSet(dir / "t.mif");
    result = quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
  }

  // The lines after the header of a MIF file ("" when it does not exist).
  std::vector<std::string> Body(const std::string& name) {
    if (!test::Exists(dir / name)) return {};
    auto lines = test::CrLfLines(test::ReadFile(dir / name));
    const auto data = std::find(lines.begin(), lines.end(), "DATA");
    return std::vector<std::string>(data == lines.end() ? lines.end() : data + 2, lines.end());
  }
  std::vector<std::string> Lines(const std::string& name) {
    return test::Exists(dir / name) ? test::CrLfLines(test::ReadFile(dir / name)) : std::vector<std::string>{};
  }
};

const std::string kPoint = "210000011000100030000003000 0%";

TEST_F(Strategi, LinesAndPointsWithTheirOriginsDecimalsStylesAndRows) {
  Run({"23000001000001010000010%", "210000012000300030000003000 00037610003057 00045110003181 0%",
       "14000001FC5330DE19960401NUA4067\\0%", "15000001000002010000020%", kPoint, "14000002FC5200DE199604010%"});
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"PLINE 3", "203000.000 103000.000", "203761.00 103057.00",
                                                     "204511.00 103181.00", "  PEN (2,2,16711680)",
                                                     "POINT 203000.00 103000.00", "  SYMBOL (31,0,1)"}));
  const auto mid = Lines("t.mid");
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[0], "SS,000001,5330,\"A road, D/C\",19960401,,,,,0.0,5330,A4067,,,,,,,,,,,,,,,,,,,,,,1");
  EXPECT_EQ(mid[1], "SS,000002,5200,Unspecified node,19960401,,,,,0.0,5200,,,,,,,,,,,,,,,,,,,,,,,3");
  EXPECT_EQ(result.objectsCreated, 2);
}

// Whole origins and fields of seven digits are added in integers; any
// other origin or field in double. Both write the same digits.
TEST_F(Strategi, OrdinatesAfterWholeFractionalNegativeAndLargeOrigins) {
  struct Case {
    const char* origins;
    std::vector<std::string> body;
  };
  for (const Case& c : {Case{"00200000.5-000100000", {"PLINE 2", "203000.500 -97000.000", "199239.50 -96943.00",
                                                      "  PEN (2,2,16711680)", "POINT 203000.50 -97000.00"}},
                        Case{"-000200000-000100000", {"PLINE 2", "-197000.000 -97000.000", "-200761.00 -96943.00",
                                                      "  PEN (2,2,16711680)", "POINT -197000.00 -97000.00"}},
                        Case{"09999999990000000000",
                             {"PLINE 2", "1000002999.000 3000.000", "999999238.00 3057.00", "  PEN (2,2,16711680)",
                              "POINT 1000002999.00 3000.00"}}}) {
    SCOPED_TRACE(c.origins);
    section = "07SS        " + std::string(34, '0') + c.origins + "0%";
    Run({"23000001000001010000010%", "210000012000200030000003000 -0007610003057 0%", "14000001FC5330DE199604010%",
         "15000001000002010000020%", kPoint, "14000002FC5200DE199604010%"});
    EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
    auto body = Body("t.mif");
    body.pop_back();  // the point's symbol
    EXPECT_EQ(body, c.body);
  }
}

// Vertices are read with one load each where the record goes on past the
// Y field; a record that ends with it, and fields that are not seven
// digits, take the general reading.
TEST_F(Strategi, VerticesAtTheRecordEndAndAmongOtherFields) {
  Run({"23000001000001010000010%", "210000012000400030000003000 0003761 003057 -0004510003181 00099990009999",
       "14000001FC5330DE199604010%"});
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"PLINE 4", "203000.000 103000.000", "203761.00 103057.00",
                                                     "199549.00 103181.00", "209999.00 109999.00",
                                                     "  PEN (2,2,16711680)"}));
}

// A long line, past the room of one vertex at a time, where every seventh
// vertex has a field with a blank (read the general way) among ones read
// the quick way.
TEST_F(Strategi, LongLinesMixingQuickAndGeneralVertices) {
  const int count = 60;
  char head[32];
  std::snprintf(head, sizeof head, "210000012%04d", count);
  std::string record = head;
  std::vector<std::string> expected = {"PLINE " + std::to_string(count)};
  for (int k = 0; k < count; ++k) {
    char x[16], y[16];
    std::snprintf(x, sizeof x, k % 7 == 3 ? "%7d" : "%07d", 1000 + 37 * k);
    std::snprintf(y, sizeof y, k % 7 == 5 ? "%7d" : "%07d", 2000 + 41 * k);
    record += std::string(x) + y + " ";
    const int decimals = k == 0 ? 3 : 2;
    expected.push_back(FormatFixed(201000.0 + 37 * k, decimals) + " " + FormatFixed(102000.0 + 41 * k, decimals));
  }
  expected.push_back("  PEN (2,2,16711680)");
  // Lines of 80: "1%" ends all but the last, "00" starts all but the first.
  std::vector<std::string> records = {"23000001000001010000010%"};
  for (std::size_t at = 0; at < record.size(); at += 76) {
    const std::string part = record.substr(at, 76);
    records.push_back((at == 0 ? "" : "00") + part + (at + 76 < record.size() ? "1%" : "0%"));
  }
  records.push_back("14000001FC5330DE199604010%");
  Run(records);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  EXPECT_EQ(Body("t.mif"), expected);
}

TEST_F(Strategi, EveryRowHasThirtyFourValues) {
  Run({"15000001000001010000010%", kPoint, "14000001FC5212DE19960401FMA, \"B\"\\0%",
       "15000002000002010000020%", kPoint, "14000002FC5901DE19960401HI0028HM01000%",
       "15000003000003010000030%", kPoint, "14000003FC5360DE19960401LO2UE1OR0210NUM46\"\\GSST 1\\0%"});
  const auto mid = Lines("t.mid");
  ASSERT_EQ(mid.size(), 3u);
  // The first row quotes its FM value (a comma and quotes), so count
  // commas outside quotes.
  for (const auto& row : mid) {
    int commas = 0;
    bool quoted = false;
    for (char c : row) {
      if (c == '"') quoted = !quoted;
      else if (c == ',' && !quoted) ++commas;
    }
    EXPECT_EQ(commas, 33) << row;
  }
  EXPECT_NE(mid[0].find(",\"A, \"\"B\"\"\","), std::string::npos) << mid[0];
  EXPECT_NE(mid[1].find(",,0028,0100,0.0,5901,"), std::string::npos) << mid[1];
}

// Rows of plain values are written straight; a value that needs marks
// anywhere in the row sends the whole row the general way. Both give the
// same values in the same columns.
TEST_F(Strategi, RowsWithAndWithoutMarksAndQuotesThatOnlyEndValues) {
  Run({"15000001000001010000010%", kPoint, "14000001FC5360DE19960401LO2UE1OR0210NUM46\"\\GSST 1\\0%",
       "15000002000002010000020%", kPoint, "14000002FC5883DE19960401FMMorford\"\\OWNat, Trust\\0%",
       "15000003000003010000030%", kPoint, "14000003FC5340DE19960401NUB1\"\\0%",
       "15000004000004010000040%", kPoint, "14000004FC5212DE1996,401FMA\"B\\0%",
       "15000005000005010000050%", kPoint, "14000005FC5901DE19960401HI0028HM01000%"});
  EXPECT_EQ(Lines("t.mid"),
            (std::vector<std::string>{
                "SS,000001,5360,Service station (full access),19960401,2,1,,,0.0,5360,M46,,,,ST 1,,,,,,,,,,,,,,,,,,1",
                "SS,000002,5883,Other tourist attraction (open to the public),19960401,,,,,0.0,5883,,,,,,Morford,\"Nat, Trust\",,,,,,,,,,,,,,,,6",
                "SS,000003,5340,\"B road, D/C)\",19960401,,,,,0.0,5340,B1,,,,,,,,,,,,,,,,,,,,,,1",
                "SS,000004,5212,\"River (primary), middle\",\"1996,401\",,,,,0.0,5212,,,,,,\"A\"\"B\",,,,,,,,,,,,,,,,,2",
                "SS,000005,5901,Spot height dot,19960401,,,0028,0100,0.0,5901,,,,,,,,,,,,,,,,,,,,,,,8"}));
  // A section reference that needs marks marks it in every row.
  section = "07S,        " + std::string(34, '0') + "00200000000010000000%";
  Run({"15000001000001010000010%", kPoint, "14000001FC5901DE19960401HI0028HM01000%"});
  EXPECT_EQ(Lines("t.mid"), (std::vector<std::string>{
                                "\"S,\",000001,5901,Spot height dot,19960401,,,0028,0100,0.0,5901,,,,,,,,,,,,,,,,,,,,,,,8"}));
}

// The section reference heads every row, whatever its length (up to ten
// characters, trailing blanks dropped).
TEST_F(Strategi, SectionReferencesOfEveryLengthHeadTheRows) {
  for (std::string ref : {"A", "AB", "ABCDEFGHIJ", "NZ 12", "X Y Z  "}) {
    section = "07" + (ref + "          ").substr(0, 10) + std::string(34, '0') + "00200000000010000000%";
    Run({"15000001000001010000010%", kPoint, "14000001FC5901DE19960401HI0028HM01000%"});
    while (!ref.empty() && ref.back() == ' ') ref.pop_back();
    EXPECT_EQ(Lines("t.mid"), (std::vector<std::string>{
                                  ref + ",000001,5901,Spot height dot,19960401,,,0028,0100,0.0,5901,,,,,,,,,,,,,,,,,,,,,,,8"}));
  }
}

// Plain values are copied in words: every length, ended by a terminator or
// by the record, and a record that ends inside its date.
TEST_F(Strategi, PlainRowValuesOfEveryLengthAtAndBeforeTheRecordEnd) {
  std::vector<std::string> records, expected;
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (std::size_t length = 1; length <= 18; ++length) {
    const std::string value = alphabet.substr(length % 5, length);
    for (const char* end : {"\\0%", "0%"}) {
      char id[24];
      std::snprintf(id, sizeof id, "%06zu", records.size() / 3 + 1);
      records.push_back(std::string("15") + id + "000001010000010%");
      records.push_back(kPoint);
      records.push_back(std::string("14") + id + "FC5353DE19960401FM" + value + end);
      expected.push_back(std::string("SS,") + id + ",5353,Minor road over 4 metres wide tunnel,19960401,,,,,0.0,5353,,,,,," +
                         value + ",,,,,,,,,,,,,,,,,1");
    }
  }
  records.insert(records.end(), {"15000099000001010000010%", kPoint, "14000099FC5353DE1996"});
  expected.push_back("SS,000099,5353,Minor road over 4 metres wide tunnel,1996,,,,,0.0,5353,,,,,,,,,,,,,,,,,,,,,,,1");
  Run(records);
  EXPECT_EQ(Lines("t.mid"), expected);
}

// A section reference that needs marks sends every row the general way:
// past their first value, the rows must be the quick way's. Every group
// with its values at their longest and shortest, records cut short in
// their fixed columns, and codes with no style row.
TEST_F(Strategi, QuickRowsAreTheGeneralRows) {
  const std::vector<std::string> tails = {
      "TXAbcdefghijklmnopqrstuvwxyz Hall\\", "TXA\\", "RU2", "RB1", "GSSS 629 872\\", "NUA4067\\", "NUM",
      "FMRiver Avon\\", "RU2FMWelllin Hall\\", "RB2FMX\\", "FMMumbles Head\\GSSS 629 872\\",
      "LO2UE1OR0210NUM46\"\\GSST 115 765\\", "NUM61\\GSST 636 248\\", "OR2275GSSN 934 890\\",
      "LO2FMPenmor Park\"\\CMNewstead\\UNWorthcombe\\", "FMGravethorp\"\\CMHolmden\\UNStokeing\\",
      "RU1CMErellshire\"\\DNWalwin District\\", "FMBranwick\"\\GSSS 003 828\\",
      "FMBelockash Park\"\\OWNational Trust\\", "HI0028HM0100", "HI00", ""};
  const std::vector<int> codes = {5006, 5115, 5121, 5805, 5330, 5211, 5620, 5621, 5140, 5360, 5370,
                                  5380, 5413, 5419, 5733, 5879, 5883, 5901, 5200, 5999, 1234};
  std::vector<std::string> records;
  int id = 0;
  for (int code : codes) {
    for (const std::string& tail : tails) {
      char head[32];
      std::snprintf(head, sizeof head, "14%06dFC%04dDE19960401", ++id, code);
      records.push_back("15000001000001010000010%");
      records.push_back(kPoint);
      records.push_back(head + tail + "0%");
    }
    for (std::size_t cut : {14u, 15u, 16u, 17u, 20u, 23u}) {
      char head[32];
      std::snprintf(head, sizeof head, "14%06dFC%04dDE19960401", ++id, code);
      records.push_back("15000001000001010000010%");
      records.push_back(kPoint);
      records.push_back(std::string(head, cut) + "0%");
    }
  }
  Run(records);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});
  const auto quick = Lines("t.mid");
  section = "07S,        " + std::string(34, '0') + "00200000000010000000%";
  Run(records);
  const auto general = Lines("t.mid");
  ASSERT_EQ(quick.size(), general.size());
  ASSERT_GT(quick.size(), 300u);
  for (std::size_t i = 0; i < quick.size(); ++i) {
    ASSERT_EQ(quick[i].substr(0, 3), "SS,");
    ASSERT_EQ(general[i].substr(0, 5), "\"S,\",");
    EXPECT_EQ(quick[i].substr(3), general[i].substr(5)) << i;
  }
}

// Whether a value needs marks is read from marks of the whole record where
// it is 16 to 64 bytes long, value by value otherwise: a mark at every
// place of values of every length, records on both sides of 64 bytes, and
// marks outside the values, which leave them plain.
TEST_F(Strategi, ValuesWithMarksAreQuotedWhereverTheMarkIs) {
  std::vector<std::string> records, expected;
  int id = 0;
  const auto add = [&](const std::string& tail, const std::string& fm) {
    char head[32];
    std::snprintf(head, sizeof head, "14%06dFC5353DE19960401", ++id);
    records.insert(records.end(), {"15000001000001010000010%", kPoint, head + tail + "0%"});
    std::string value;
    AppendMidValue(value, fm);
    expected.push_back("SS," + std::string(head + 2, 6) + ",5353,Minor road over 4 metres wide tunnel,19960401,,,,,0.0,5353,,,,,," +
                       value + ",,,,,,,,,,,,,,,,,1");
  };
  for (std::size_t length = 1; length <= 45; length += 4) {
    for (char mark : {',', '"'}) {  // (the tile reader turns control bytes into blanks)
      for (std::size_t at = 0; at < length; at += 3) {
        std::string value(length, 'a');
        value[at] = mark;
        add("FM" + value + "\\", value);
        add("FM" + value + "\\" + std::string(20, 'z'), value);
      }
    }
    // Marks only after the value's terminator, or in the tag's place.
    const std::string value(length, 'b');
    add("FM" + value + "\\,\"", value);
    add("FM" + value + "\\" + std::string(30, 'z') + ",", value);
  }
  Run(records);
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{});
  EXPECT_EQ(Lines("t.mid"), expected);
}

TEST_F(Strategi, OneVertexLinesNoVertexLinesAndMissingGeometryKeepMifAndMidInStep) {
  Run({"23000001000001010000010%", "210000012000100030000003000 0%", "14000001FC5350DE199604010%",
       "23000002000002010000020%", "210000022000000030000003000 0%", "14000002FC5350DE199604010%",
       "14000003FC5310DE199604010%",  // no geometry since the last attribute record
       "210000043000100030000003000 0%", "14000004FC5310DE199604010%"});  // unknown geometry type
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"PLINE 2", "203000.000 103000.000", "203000.000 103000.000",
                                                     "  PEN (1,2,6316128)", "NONE", "NONE", "NONE"}));
  EXPECT_EQ(Lines("t.mid").size(), 4u);
}

TEST_F(Strategi, LayerCheckBoxesGatePointsAndLinesButNeverTexts) {
  for (int layer = 1; layer <= 8; ++layer) settings.productOptions.SetEntry(kStrategiLayerOption, layer, false);
  settings.productOptions.SetEntry(kStrategiLayerOption, 3, true);
  Run({"15000001000001010000010%", kPoint, "14000001FC5427DE19960401LO1FMA\\0%",  // layer 3, check box 5: dropped
       "15000002000002010000020%", kPoint, "14000002FC5413DE19960401LO1FMB\\0%",  // layer 3: written
       "15000003000003010000030%", kPoint, "14000003FC5243DE199604010%",           // layer 2, check box 3: written
       "4300000101000000000001010000040%", "450000010001020400000%", kPoint, "14000004FC5006DE19960401TXAB\\0%"});
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  const auto mid = Lines("t.mid");
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[0].substr(0, 15), "SS,000002,5413,");
  EXPECT_EQ(mid[1].substr(0, 15), "SS,000003,5243,");
  EXPECT_EQ(mid[1].substr(mid[1].size() - 2), ",2");
  EXPECT_EQ(Lines("t_Text.mid").size(), 1u);
  EXPECT_EQ(result.objectsCreated, 3);

  for (int layer = 1; layer <= 8; ++layer) settings.productOptions.SetEntry(kStrategiLayerOption, layer, false);
  Run({"4300000101000000000001010000040%", "450000010001020400000%", kPoint, "14000004FC5006DE19960401TXAB\\0%"});
  EXPECT_EQ(Body("t_Text.mif"), (std::vector<std::string>{"TEXT \"AB\"", "202963.10 102979.50 203363.10 102679.50",
                                                          "  FONT (\"Arial\",0,0,0)", "ANGLE 0.0"}));
  EXPECT_EQ(Body("t.mif"), std::vector<std::string>{});
}

// A number too large to write fails only an object that is written: a
// point or line of a layer left out, or a geometry the next one replaces
// before its attribute record, is skipped and the features after it are
// written. A written one fails at its geometry record's line.
TEST_F(Strategi, NumbersTooLargeToWriteFailOnlyObjectsThatAreWritten) {
  const std::vector<std::string> records = {
      "23000001000001010000010%",
      "210000012000200030000003000 1.0E2000003057 0%",  // line index 4: a vertex of 1e200
      "14000001FC5330DE199604010%",                     // layer 1
      "15000002000002010000020%",
      "21000002100011.0E2000003000 0%",                 // line index 7: a point at 1e200
      "14000002FC5200DE199604010%",                     // layer 3
      "15000003000003010000030%",
      "21000003100011.0E2000003000 0%",                 // replaced by the next geometry
      kPoint,
      "14000003FC5115DE199604010%",                     // layer 2
  };
  settings.productOptions.SetEntry(kStrategiLayerOption, 1, false);
  settings.productOptions.SetEntry(kStrategiLayerOption, 3, false);
  Run(records);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"POINT 203000.00 103000.00", "  SYMBOL (31,0,1)"}));
  const auto mid = Lines("t.mid");
  ASSERT_EQ(mid.size(), 1u);
  EXPECT_EQ(mid[0].substr(0, 15), "SS,000003,5115,");
  EXPECT_EQ(result.filesCutShort, 0u);

  for (const auto& [layer, line] : {std::pair{1, 4}, std::pair{3, 7}}) {
    observer.messages.clear();
    settings.productOptions.SetEntry(kStrategiLayerOption, 1, layer == 1);
    settings.productOptions.SetEntry(kStrategiLayerOption, 3, layer == 3);
    Run(records);
    EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Error reading NTF file at line " + std::to_string(line)});
    EXPECT_EQ(Body("t.mif"), std::vector<std::string>{}) << layer;
    EXPECT_EQ(Lines("t.mid"), std::vector<std::string>{}) << layer;
    EXPECT_EQ(result.filesCutShort, 1u);
  }

  // A field that is no number fails a feature left out all the same.
  observer.messages.clear();
  settings.productOptions.SetEntry(kStrategiLayerOption, 3, false);
  Run({"15000002000002010000020%", "2100000210001000X0000003000 0%", "14000002FC5200DE199604010%"});
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Error reading NTF file at line 4"});
}

// Height, angle and anchor are read quickly when they are all digits; the
// same values with blanks before them take the general reading and place
// the text alike.
TEST_F(Strategi, TextFieldsWithAndWithoutLeadingBlanks) {
  std::vector<std::vector<std::string>> bodies;
  for (const auto& [representation, point] :
       {std::pair<std::string, std::string>{"450000010001025409550%", "210000011000100030100003020 0%"},
        std::pair<std::string, std::string>{"450000010001 254 9550%", "2100000110001   3010   3020 0%"}}) {
    Run({"4300000101000000000001010000040%", representation, point, "14000004FC5006DE19960401TXAB\\0%"});
    bodies.push_back(Body("t_Text.mif"));
    EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  }
  ASSERT_EQ(bodies[0].size(), 4u);
  EXPECT_EQ(bodies[0][3], "ANGLE 95.5");
  EXPECT_EQ(bodies[1], bodies[0]);
}

TEST_F(Strategi, TextOptionsRouteOrDropTextsAndTheirPoints) {
  const std::initializer_list<std::string> tile = {
      "4300000101000000000001010000040%", "450000010001020400000%", kPoint, "14000001FC5044DE19960401TXSt \"Ives\"\\0%",
      "15000002000002010000020%", kPoint, "14000002FC5200DE199604010%"};
  settings.text = TextOption::Include;
  Run(tile);
  auto body = Body("t.mif");
  ASSERT_EQ(body.size(), 6u);
  EXPECT_EQ(body[0], "TEXT \"St \"");  // the double quote ends the text
  EXPECT_EQ(body[4], "POINT 203000.00 103000.00");
  EXPECT_EQ(Lines("t.mid").size(), 2u);
  EXPECT_FALSE(test::Exists(dir / "t_Text.mif"));

  settings.text = TextOption::Ignore;
  Run(tile);
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"POINT 203000.00 103000.00", "  SYMBOL (31,0,1)"}));
  EXPECT_EQ(Lines("t.mid").size(), 1u);
  EXPECT_EQ(result.objectsCreated, 1);

  settings.text = TextOption::Separate;
  Run(tile);
  EXPECT_EQ(Body("t.mif").size(), 2u);
  EXPECT_EQ(Body("t_Text.mif").size(), 4u);
  EXPECT_EQ(Lines("t_Text.mid").size(), 1u);
}

TEST_F(Strategi, TextsTakeTheLastStyleFoundAndCarryTheirPlacementAcrossTiles) {
  // An unlisted text code keeps the style, description and layer of the
  // code before it (and reads no text: it has no attribute group);
  // position 9 in the second tile of a merged run reuses the offsets of the
  // first tile's last text.
  const std::string first = test::Ntf({"01V0%", "02Strategi_02.96      0%", Section(200000, 100000),
                                       "4300000101000000000001010000040%", "450000010001020500000%", kPoint,
                                       "14000001FC5033DE19960401TXAB\\0%", "99"});
  const std::string second = test::Ntf({"01V0%", "02Strategi_02.96      0%", Section(200000, 100000),
                                        "4300000201000000000001010000040%", "450000020001020900000%", kPoint,
                                        "14000002FC5999DE19960401TXAB\\0%", "99"});
  test::WriteFile(dir / "a.ntf", first);
  test::WriteFile(dir / "b.ntf", second);
  quorvel::Translate(RunRequest{{dir / "a.ntf", dir / "b.ntf"}, dir / "m.mif"}, settings, observer);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  const auto body = Body("m_Text.mif");
  ASSERT_EQ(body.size(), 8u);
  EXPECT_EQ(body[1], "202963.10 102959.00 203363.10 102659.00");
  EXPECT_EQ(body[4], "TEXT \"\"");
  EXPECT_EQ(body[5], "202963.10 102959.00 202963.10 102659.00");
  EXPECT_EQ(body[6], "  FONT (\"Arial\",0,0,16711680)");
  const auto mid = Lines("m_Text.mid");
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[1], "SS,000002,5999,A road number graphic text,19960401,,,,,0.0,5999,,,,,,,,,,,,,,,,,,,,,,,9");

  // Translated alone, the second tile starts from zero offsets and no style.
  test::RecordingObserver alone;
  quorvel::Translate(RunRequest{{dir / "b.ntf"}, dir / "b.mif"}, settings, alone);
  const auto own = Body("b_Text.mif");
  // No code found yet: the style line is empty.
  EXPECT_EQ(own, (std::vector<std::string>{"TEXT \"\"", "203000.00 103000.00 203000.00 102700.00", "", "ANGLE 0.0"}));
  EXPECT_EQ(Lines("b_Text.mid")[0].substr(Lines("b_Text.mid")[0].size() - 2), ",0");
}

TEST_F(Strategi, NodeRowsOnlyWithNetworkExtraction) {
  const std::string threeLinks = "16000123000001" "0003" "1000003" "0900" "0" "2000004" "0005" "1" "1000123" "1824" "2";
  std::string twelve = "160000020000020012";
  for (int k = 1; k <= 12; ++k) twelve += "1" + std::string("00020") + std::to_string(k % 10) + "0300" + "0";
  Run({"1600000100000100000%", threeLinks + "0%", twelve + "0%"});
  EXPECT_FALSE(test::Exists(dir / "t_Network.txt"));

  settings.extractNetworkData = true;
  Run({"1600000100000100000%", threeLinks + "0%", twelve + "0%"});
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  const auto rows = Lines("t_Network.txt");
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(std::count(rows[i].begin(), rows[i].end(), ','), 39) << i;
  EXPECT_EQ(rows[1], "SS,000001,000001,0000" + std::string(36, ','));
  EXPECT_EQ(rows[2], "SS,000123,000001,0003,1,000003,90.0,0,2,000004,0.5,1,1,000123,182.4,2" + std::string(24, ','));
  const auto values = test::SplitRow(rows[3]);
  EXPECT_EQ(values[3], "0012");
  EXPECT_EQ(values[36], "1");
  EXPECT_EQ(values[37], "000209");
  EXPECT_EQ(values[39], "0");
}

TEST_F(Strategi, ReadFailuresEndTheFileAndKeepWhatWasWritten) {
  Run({"15000001000001010000010%", kPoint, "14000001FC5200DE199604010%",
       "23000002000002010000020%", "210000022000900030000003000 00037610003057 0%",  // claims 9 vertices, holds 2
       "15000003000003010000030%", kPoint, "14000003FC5200DE199604010%"});
  ASSERT_EQ(observer.Texts(), std::vector<std::string>{"Error reading NTF file at line 7"});
  EXPECT_EQ(result.filesCutShort, 1u);
  EXPECT_EQ(Body("t.mif"), (std::vector<std::string>{"POINT 203000.00 103000.00", "  SYMBOL (31,0,1)"}));
  EXPECT_EQ(Lines("t.mid").size(), 1u);

  // A text whose point never came, a bad feature code, a bad height.
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"4300000101000000000001010000040%", "14000001FC5006DE19960401TXAB\\0%"},
        std::vector<std::string>{"15000001000001010000010%", kPoint, "14000001FC52X0DE199604010%"},
        std::vector<std::string>{"450000010001A20400000%"},
        std::vector<std::string>{"210000012ABCD00030000003000 0%"}}) {
    observer.messages.clear();
    std::string text = test::Ntf({"01V0%", "02Strategi_02.96      0%", Section(0, 0)});
    for (const auto& r : bad) text += r + "\r\n";
    text += "99\r\n";
    test::WriteFile(dir / "t.ntf", text);
    test::RemoveSet(dir / "t.mif");
    result = quorvel::Translate(RunRequest{{dir / "t.ntf"}, {}}, settings, observer);
    ASSERT_EQ(observer.messages.size(), 1u) << bad.back();
    EXPECT_EQ(observer.messages[0].text.rfind("Error reading NTF file at line ", 0), 0u);
    EXPECT_EQ(Body("t_Text.mif"), std::vector<std::string>{}) << bad.back();
  }
}

TEST_F(Strategi, UnknownCodesWriteNoPointAndRecordsWithoutEndMarkStopAtTheirEnd) {
  Run({"15000001000001010000010%", kPoint, "14000001FC5999DE199604010%", "15000002000002010000020%", kPoint,
       "14000002FC5310DE19960401NUM4   "});  // no end mark: the scan keeps the blanks
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{});
  const auto mid = Lines("t.mid");
  ASSERT_EQ(mid.size(), 1u);
  EXPECT_EQ(test::SplitRow(mid[0])[11], "M4   ");
}

TEST(StrategiCommand, LayerAndNetworkOptions) {
  test::ScratchDir dir;
  test::WriteFile(dir / "t.ntf", test::ReadFile(QUORVEL_SOURCE_DIR "/examples/strategi_small.ntf"));
  test::CommandResult r = test::RunQuorvel("-q --network --strategi-layers 2,7 " + test::Quote(dir / "t.ntf"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::map<std::string, int> layers;
  for (const auto& row : test::CrLfLines(test::ReadFile(dir / "t.mid"))) ++layers[row.substr(row.rfind(',') + 1)];
  EXPECT_EQ(layers, (std::map<std::string, int>{{"2", 5}, {"7", 1}}));
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "t_Text.mid")).size(), 11u);
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "t_Network.txt")).size(), 4u);

  r = test::RunQuorvel("-q --strategi-layers 9 " + test::Quote(dir / "t.ntf"));
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
