// Meridian 2 feature styles: per feature code the style clause that closes
// the object, the description for the MID row and the layer (1 roads,
// 2 railways, 3 administrative boundaries and coastline, 4 DLUA boundaries,
// 5 names, 6 water, 7 woodland, 8 gridded heights).
#pragma once

#include <span>
#include <string_view>

#include "run/options.hpp"

namespace quorvel {

struct Meridian2StyleRow {
  std::string_view code;  // four characters, compared exactly
  std::string_view description;  // a MID value that needs no quoting
  std::string_view clause;
  int layer;
};

// Every row, in table order.
std::span<const Meridian2StyleRow> Meridian2StyleRows();

// Gridded heights (code "6762") are drawn with an invisible symbol unless
// heights are to be shown.
inline constexpr std::string_view kMeridian2HiddenHeight = "  SYMBOL (31,12632256,5)";
inline constexpr std::string_view kMeridian2ShownHeight = "  SYMBOL (49,12632256,5)";

// The result of the lookups. The clause and the description keep their
// values when a code matches no row; the translator resets the layer after
// every attribute record.
struct Meridian2Style {
  std::string_view clause;
  std::string_view description;
  int layer = 0;
};

// Sets `style` from the row of `code`; with no matching row it changes
// nothing and returns false.
bool LookupMeridian2Style(std::string_view code, bool showMeridianHeights, Meridian2Style& style);

// Whether gridded heights are drawn visibly.
extern const ProductOption kMeridianHeightsOption;

}  // namespace quorvel
