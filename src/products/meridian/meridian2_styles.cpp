#include "products/meridian/meridian2_styles.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvel {

namespace {

constexpr std::string_view kFont = "  FONT (\"Arial\",0,0,0)";

constexpr std::array<Meridian2StyleRow, 50> kRows{{
    {"3000", "Motorway", "  PEN (1,2,255)", 1},
    {"3001", "A road", "  PEN (1,2,16711680)", 1},
    {"3002", "B road", "  PEN (1,2,8421376)", 1},
    {"3004", "Minor road", "  PEN (1,2,12632256)", 1},
    {"3500", "Road node", "  SYMBOL (31,0,10)", 1},
    {"3501", "Road edge node", "  SYMBOL (31,0,10)", 1},
    {"6140", "Railway", "  PEN (1,28,0)", 2},
    {"6142", "Railway tunnel", "  PEN (1,12,0)", 2},
    {"6155", "Railway station", "  SYMBOL (34,16711680,10)", 2},
    {"6730", "Railway node", "  SYMBOL (31,0,1)", 2},
    {"6731", "Railway edge node", "  SYMBOL (31,0,1)", 2},
    {"6401", "County boundary", "  PEN (1,15,0)", 3},
    {"6403", "District boundary", "  PEN (1,11,0)", 3},
    {"6405", "County/district boundary", "  PEN (1,16,0)", 3},
    {"6800", "Neat line", "  PEN (1,1,0)", 3},
    {"6411", "County seed", "  SYMBOL (31,0,1)", 3},
    {"6415", "District seed", "  SYMBOL (31,0,1)", 3},
    {"6710", "Boundary node", "  SYMBOL (31,0,1)", 3},
    {"6711", "Boundary edge node", "  SYMBOL (31,0,1)", 3},
    {"6200", "Coastline", "  PEN (1,2,65535)", 3},
    {"6740", "Coastline node", "  SYMBOL (31,0,1)", 3},
    {"6741", "Coastline edge node", "  SYMBOL (31,0,1)", 3},
    {"6300", "DLUA boundary", "  PEN (1,2,8388736)", 4},
    {"6310", "DLUA seed", "  SYMBOL (31,0,1)", 4},
    {"6720", "DLUA node", "  SYMBOL (31,0,1)", 4},
    {"6721", "DLUA edge node", "  SYMBOL (31,0,1)", 4},
    {"6801", "Neat line", "  PEN (1,1,0)", 4},
    {"6500", "Place name", kFont, 5},
    {"6551", "Station name", kFont, 5},
    {"6223", "Water feature river small", "  PEN (1,2,65535)", 6},
    {"6224", "Water feature river medium", "  PEN (1,2,65535)", 6},
    {"6225", "Water feature river large", "  PEN (2,2,65535)", 6},
    {"6230", "Hidden water", "  PEN (1,0,0)", 6},
    {"6231", "Aqueduct", "  PEN (1,7,65535)", 6},
    {"6232", "Water feature dark link", "  PEN (1,0,0)", 6},
    {"6243", "Canal", "  PEN (1,50,65535)", 6},
    {"6255", "Water feature lake", "  PEN (1,2,65535)", 6},
    {"6292", "Water area seed", "  SYMBOL (31,0,1)", 6},
    {"6552", "Water text", "  SYMBOL (31,0,1)", 6},
    {"6770", "Water feature node", "  SYMBOL (31,0,1)", 6},
    {"6771", "Area water node", "  SYMBOL (31,0,1)", 6},
    {"6772", "Area water edge node", "  SYMBOL (31,0,1)", 6},
    {"6773", "Water feature edge node", "  SYMBOL (31,0,1)", 6},
    {"6803", "Area water neat line", "  PEN (1,1,0)", 6},
    {"6664", "Woodland boundary", "  PEN (1,2,49152)", 7},
    {"6663", "Woodland seed", "  SYMBOL (31,0,1)", 7},
    {"6750", "Woodland node", "  SYMBOL (31,0,1)", 7},
    {"6751", "Woodland edge node", "  SYMBOL (31,0,1)", 7},
    {"6802", "Woodland neat line", "  PEN (1,1,0)", 7},
    {"6762", "Gridded height", kMeridian2HiddenHeight, 8},
}};

// A description goes into MID rows as it stands: it may hold no delimiter,
// double quote or control character.
constexpr bool IsPlainDescription(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ',' || c == '"' || byte < 0x20 || byte == 0x7f) return false;
  }
  return true;
}

static_assert(std::all_of(kRows.begin(), kRows.end(),
                          [](const auto& row) { return IsPlainDescription(row.description); }),
              "descriptions written as they stand");

// The rows ordered by code, for a binary search.
constexpr std::array<Meridian2StyleRow, 50> SortedByCode() {
  std::array<Meridian2StyleRow, 50> rows = kRows;
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.code < b.code; });
  return rows;
}

constexpr std::array<Meridian2StyleRow, 50> kByCode = SortedByCode();

static_assert(std::adjacent_find(kByCode.begin(), kByCode.end(),
                                  [](const auto& a, const auto& b) { return a.code == b.code; }) == kByCode.end(),
              "each code once");
static_assert(std::all_of(kByCode.begin(), kByCode.end(), [](const auto& row) { return row.code.size() == 4; }),
              "four-character codes");

// A code of four characters as one number, the first character highest: codes
// compare as their numbers do, so the search compares numbers, not texts.
constexpr std::uint32_t PackCode(std::string_view code) {
  auto byte = [code](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(code[i])); };
  return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

constexpr std::array<std::uint32_t, 50> PackedCodes() {
  std::array<std::uint32_t, 50> keys{};
  for (std::size_t i = 0; i < kByCode.size(); ++i) keys[i] = PackCode(kByCode[i].code);
  return keys;
}

constexpr std::array<std::uint32_t, 50> kPackedByCode = PackedCodes();
constexpr std::uint32_t kGriddedHeight = PackCode("6762");

}  // namespace

std::span<const Meridian2StyleRow> Meridian2StyleRows() { return kRows; }

bool LookupMeridian2Style(std::string_view code, bool showMeridianHeights, Meridian2Style& style) {
  if (code.size() != 4) return false;
  const std::uint32_t key = PackCode(code);
  const auto it = std::lower_bound(kPackedByCode.begin(), kPackedByCode.end(), key);
  if (it == kPackedByCode.end() || *it != key) return false;
  const Meridian2StyleRow& row = kByCode[static_cast<std::size_t>(it - kPackedByCode.begin())];
  style.clause = row.clause;
  if (key == kGriddedHeight && showMeridianHeights) style.clause = kMeridian2ShownHeight;
  style.description = row.description;
  style.layer = row.layer;
  return true;
}

}  // namespace quorvel
