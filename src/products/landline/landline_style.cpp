#include "products/landline/landline_style.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "mif/format.hpp"

namespace quorvel {

namespace {

// Colour and size values stand as they always have, also where one looks out
// of range.
constexpr LandLineStyleRow kRows[] = {
    {"0001", "Building outline", "  PEN (1,2,16711680)", "", false, 1, "Building outline"},
    {"0004", "Building outline (overhead)", "  PEN (1,4,167711935)", "", false, 2, "Building outline (o/h)"},
    {"0007", "Civil parish/community boundary", "  PEN (1,10,8421504)", "", false, 3, "CP/Comm bdy"},
    {"0008", "District/LB/UA boundary", "  PEN (1,08,8421504)", "", false, 4, "Dist/LB/UA bdy"},
    {"0009", "County boundary", "  PEN (1,40,8421504)", "", false, 5, "County bdy"},
    {"0010", "Electoral boundary", "  PEN (1,13,8421504)", "", false, 6, "Electoral bdy"},
    {"0011", "Boundary post/stone", "  SYMBOL (34,12632256,5)", "", false, 7, "Bdy post/stone"},
    {"0013", "Boundary mereing change symbol", "  SYMBOL (51,12632256,8)", "  SYMBOL (99,8421504,12,\"MapInfo Cartographic\",0,", true, 9, "Bdy mereing sym"},
    {"0014", "Railway (narrow gauge)", "  PEN (1,69,0)", "", false, 10, "Rly (NG)"},
    {"0015", "Railway (standard gauge)", "  PEN (1,63,0)", "", false, 11, "Rly (StdG)"},
    {"0021", "Road (public) edge of metalling", "  PEN (1,3,0)", "", false, 12, "Rd edge"},
    {"0025", "Triangulation point", "  SYMBOL (42,255,9)", "", false, 13, "Trg pt"},
    {"0026", "Benchmark", "  SYMBOL (51,255,8)", "  SYMBOL (67,255,10,\"MapInfo Cartographic\",0,", true, 14, "Benchmark"},
    {"0027", "Spot height", "  SYMBOL (49,255,8)", "", false, 15, "Spot ht"},
    {"0030", "General line/minor building detail", "  PEN (1,2,0)", "", false, 16, "Gen line/minor blg detail"},
    {"0032", "General ground level/minor ohead detail", "  PEN (1,12,8421504)", "", false, 17, "Gen grnd/o'head detail"},
    {"0033", "Underground detail/course", "  PEN (1,4,8421504)", "", false, 18, "Undgrnd detail"},
    {"0035", "Vegetation/landform limit", "  PEN (1,8,32768)", "", false, 19, "Veg/landform limit"},
    {"0036", "Vegetation/landform limit supp.", "  PEN (1,4,32768)", "", false, 20, "Veg/Lform limit supp."},
    {"0043", "Overhead detail", "  PEN (1,7,12632256)", "", false, 21, "O'head detail"},
    {"0049", "Pylon", "  SYMBOL (38,126322256,12)", "  SYMBOL (101,0,8,\"MapInfo Cartographic\",0,", true, 22, "Pylon"},
    {"0052", "Minor detail", "  Pen (1,7,12632256)", "", false, 23, "Minor detail"},
    {"0057", "Point feature", "  Symbol (48,0,8)", "", false, 24, "Point feature"},
    {"0059", "Water feature", "  Pen (1,2,255)", "", false, 25, "Water feature"},
    {"0069", "Flow arrow", "  Symbol (1,60,255)", "  SYMBOL (73,255,10,\"MapInfo Cartographic\",0,", true, 26, "Flow arrow"},
    {"0071", "Mean high water", "  Pen (1,2,255)", "", false, 27, "Mean HW"},
    {"0072", "Mean low water", "  Pen (1,2,65535)", "", false, 28, "Mean LW"},
    {"0079", "Parliamentary/Euro constituency boundary", "  Pen (1,8,9335183)", "", false, 29, "Parl/Euro const bdy"},
    {"0098", "Road centreline", "  Pen (1,3,8421504)", "", false, 30, "Road centreline"},
    {"0321", "Roofed building indicator", "  SYMBOL (31,0,1)", "  SYMBOL (71,16711680,4,\"MapInfo Cartographic\",0,0)", false, 31, "Roofed blg indicator"},
    {"0323", "Glasshouse indicator", "  SYMBOL (32,255,2)", "  SYMBOL (71,0,4,\"MapInfo Cartographic\",0,0)", false, 32, "Glasshouse indicator"},
    {"1000", "Road name/number", "FONT (\"Arial\",0,0,0)", "", false, 0, ""},
    {"1005", "Administrative boundary text", "FONT (\"Arial\",0,0,12632256)", "", false, 0, ""},
    {"1006", "House number/building name", "FONT (\"Arial\",0,0,0)", "", false, 0, ""},
    {"1009", "Miscellaneous text", "FONT (\"Arial\",0,0,0)", "", false, 0, ""},
    {"1010", "Water text", "FONT (\"Arial\",0,0,255)", "", false, 0, ""},
    {"1013", "Land parcel number", "FONT (\"Arial\",0,0,0)", "", false, 0, ""},
    {"0372", "Positioned coniferous tree", "  SYMBOL (34,32768,8)", "  SYMBOL (104,32768,10,\"MapInfo Cartographic\",0,0)", false, 33, "Pos coniferous tree"},
    {"0373", "Positioned non-coniferous tree", "  SYMBOL (34,32768,8)", "  SYMBOL (108,32768,10,\"MapInfo Cartographic\",0,0)", false, 34, "Pos non-conif tree"},
    {"0374", "Top of slope", "  PEN (1,49,0)", "", false, 35, "Top of slope"},
    {"0375", "Top of cliff", "  PEN (1,51,0)", "", false, 36, "Top of cliff"},
    {"0376", "Bottom of slope or cliff", "  PEN (1,47,0)", "", false, 37, "Bottom of slope/cliff"},
    {"0377", "Boulders", "  SYMBOL (34,0,2)", "  SYMBOL (103,8388608,10,\"MapInfo Cartographic\",0,0)", false, 38, "Boulders"},
    {"0378", "Boulders (scattered)", "  SYMBOL (34,0,2)", "  SYMBOL (103,8388608,10,\"MapInfo Cartographic\",1,0)", false, 39, "Boulders (scattered)"},
    {"0379", "Coniferous trees", "  SYMBOL (34,32768,2)", "  SYMBOL (104,32768,10,\"MapInfo Cartographic\",0,0)", false, 40, "Coniferous trees"},
    {"0380", "Coniferous trees (scattered)", "  SYMBOL (34,32768,2)", "  SYMBOL (104,32768,10,\"MapInfo Cartographic\",1,0)", false, 41, "Conif trees (scattered)"},
    {"0381", "Coppice/osiers", "  SYMBOL (51,32768,2)", "  SYMBOL (105,32768,10,\"MapInfo Cartographic\",0,0)", false, 42, "Coppice/Osiers"},
    {"0382", "Marsh/saltmarsh/reeds", "  SYMBOL (51,32768,2)", "  SYMBOL (106,32768,10,\"MapInfo Cartographic\",0,0)", false, 43, "Marsh/saltmarsh/reeds"},
    {"0384", "Non-coniferous trees", "  SYMBOL (33,32768,2)", "  SYMBOL (107,32768,10,\"MapInfo Cartographic\",0,0)", false, 44, "Non-conif trees"},
    {"0385", "Non-coniferous trees (scattered)", "  SYMBOL (33,32768,2)", "  SYMBOL (107,32768,10,\"MapInfo Cartographic\",0,0)", false, 45, "Non-coif trees (scattered)"},
    {"0386", "Orchard", "  SYMBOL (34,32768,1)", "  SYMBOL (107,32768,10,\"MapInfo Cartographic\",0,0)", false, 46, "Orchard"},
    {"0387", "Heath", "  SYMBOL (51,32768,1)", "  SYMBOL (109,32768,10,\"MapInfo Cartographic\",0,0)", false, 47, "Heath"},
    {"0388", "Rock", "  SYMBOL (34,8388606,1)", "  SYMBOL (110,8388608,10,\"MapInfo Cartographic\",0,0)", false, 48, "Rock"},
    {"0389", "Rock (scattered)", "  SYMBOL (34,8388608,1)", "  SYMBOL (110,8388608,10,\"MapInfo Cartographic\",0,0)", false, 49, "Rock (scattered)"},
    {"0390", "Rough grassland", "  SYMBOL (49,8421376,1)", "  SYMBOL (109,32768,10,\"MapInfo Cartographic\",0,0)", false, 50, "Rough grassland"},
    {"0392", "Scrub", "  SYMBOL (49,8421376,1)", "  SYMBOL (111,8388608,10,\"MapInfo Cartographic\",0,0)", false, 51, "Scrub"},
    {"0395", "Upper level of communication", "  SYMBOL (49,0,9)", "  SYMBOL (71,16711935,10,\"MapInfo Cartographic\",0,0)", false, 52, "Upper level of comm"},
    {"0396", "Cliff indicator", "  SYMBOL (31,0,1)", "", false, 53, "Cliff indicator"},
    {"0397", "Slope indicator", "  SYMBOL (31,0,1)", "", false, 54, "Slope indicator"},
    {"0400", "Water indicator", "  SYMBOL (31,0,1)", "", false, 55, "Water indicator"},
    {"1210", "Scree", "  SYMBOL (51,0,1)", "  SYMBOL (91,8388608,10,\"MapInfo Cartographic\",0,0)", false, 56, "Scree"},
    {"1211", "Positioned boulder", "  SYMBOL (34,0,2)", "  SYMBOL (103,8388608,10,\"MapInfo Cartographic\",0,0)", false, 57, "Pos boulder"},
    {"1212", "Ridge/rock line", "  PEN (1,3,0)", "", false, 58, "Ridge/rock line"},
};

constexpr std::size_t kRowCount = std::size(kRows);

// Every code in the table is four characters, looked up as the word they
// make: hashed into a table of slots, each the code's word and its row, a
// clash taking the next free slot. A word of 0 (four NULs, no table code)
// marks a free slot.
constexpr std::size_t kSlotCount = 256;
static_assert(kRowCount < kSlotCount / 2, "the slots stay mostly free, so a search ends soon");

struct CodeSlot {
  std::uint32_t word = 0;
  unsigned char row = 0;
};

// The word as a load of the four characters gives it, in this machine's
// byte order.
constexpr std::uint32_t CodeWord(std::string_view code) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t byte = std::endian::native == std::endian::little ? i : 3 - i;
    word |= static_cast<std::uint32_t>(static_cast<unsigned char>(code[i])) << (8 * byte);
  }
  return word;
}

constexpr std::size_t SlotOf(std::uint32_t word) { return (word * 0x9E3779B1u) >> 24; }

constexpr std::array<CodeSlot, kSlotCount> BuildSlots() {
  std::array<CodeSlot, kSlotCount> slots{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    // A code of another size, or one listed twice, stops the build here.
    if (kRows[i].code.size() != 4) throw "Land-Line style code is not four characters";
    const std::uint32_t word = CodeWord(kRows[i].code);
    if (word == 0) throw "Land-Line style code of four NULs";
    std::size_t at = SlotOf(word);
    while (slots[at].word != 0) {
      if (slots[at].word == word) throw "Land-Line style code listed twice";
      at = (at + 1) % kSlotCount;
    }
    slots[at] = {word, static_cast<unsigned char>(i)};
  }
  return slots;
}

constexpr std::array<CodeSlot, kSlotCount> kSlots = BuildSlots();

}  // namespace

std::span<const LandLineStyleRow> LandLineStyleTable() { return kRows; }

const LandLineStyleRow* FindLandLineStyleRow(std::string_view code) {
  if (code.size() != 4) return nullptr;
  std::uint32_t word;
  std::memcpy(&word, code.data(), 4);  // as CodeWord makes it
  if (word == 0) return nullptr;
  for (std::size_t at = SlotOf(word);; at = (at + 1) % kSlotCount) {
    if (kSlots[at].word == word) return &kRows[kSlots[at].row];
    if (kSlots[at].word == 0) return nullptr;
  }
}

bool LookupLandLineStyle(std::string_view code, bool useTrueTypeSymbols, const OptionView& features,
                         LandLineStyle& style) {
  style.clause = {};
  style.description = kNoMatchDescription;
  const LandLineStyleRow* row = FindLandLineStyleRow(code);
  if (!row) return true;

  bool repeatable = true;
  if (useTrueTypeSymbols && !row->trueType.empty()) {
    style.clause = row->trueType;
    if (row->rotated) {
      // The benchmark symbol's rotation is lowered at every lookup, and the
      // lowered value stays.
      if (row->code == "0026") style.symbolRotation -= 225;
      style.rotated.assign(row->trueType);
      AppendFixed(style.rotated, style.symbolRotation, 1);
      style.rotated.push_back(')');
      style.clause = style.rotated;
      repeatable = false;
    }
  } else {
    style.clause = row->standard;
  }
  style.description = row->description;
  if (row->guard != 0) style.featureEnabled = features.EntryOn(row->guard);
  return repeatable;
}

}  // namespace quorvel
