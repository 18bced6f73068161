// Placement of a Strategi text: from the digitised point, the text height,
// the digit position (where on the text the point lies, 0 to 9) and the
// orientation to the rectangle line of a MIF TEXT object. The first corner
// is the upper left one; the second lies 300 units below it.
#pragma once

#include <cstdint>
#include <string_view>

#include "products/common/text_placement.hpp"

namespace quorvel {

struct StrategiTextPlacement {
  long double anchorX = 0;  // digitised point, section origin added
  long double anchorY = 0;
  long double height = 0;   // millimetres (stored tenths divided by 10)
  int position = 0;         // digit position 0-9
  long double angle = 0;    // degrees
};

// The text rectangle of `text`. Positions 0 to 8 set `offsets`; position 9
// (and any other) reuses the offsets last set, by this placement or the
// Land-Line one. The offsets enter the result twice, the box is 200 units
// wide per character (blanks included) and 300 units high.
TextRectangle PlaceStrategiText(const StrategiTextPlacement& placement, std::string_view text, TextOffsets& offsets);

// PlaceStrategiText and WriteTextRectangle at once, worked out in double,
// for an angle of `tenths` tenths of a degree (0 to 3599; the placement's
// angle is tenths / 10 in long double) and a position of 0-8: the four
// corners written at `out` (room for kMaxTextRectangle) as the long double
// way would, and the end returned; or nullptr, `offsets` unchanged, where a
// corner lies too near a rounding boundary or the text is not of that kind
// (the caller then takes the long double way). On success the offsets are
// left deferred.
char* WriteStrategiTextRectangle(char* out, const StrategiTextPlacement& placement, std::int64_t tenths,
                                 std::string_view text, TextOffsets& offsets);

}  // namespace quorvel
