// Placement of a Strategi text: from the digitised point, the text height,
// the digit position (where on the text the point lies, 0 to 9) and the
// orientation to the rectangle line of a MIF TEXT object. The first corner
// is the upper left one; the second lies 300 units below it.
#pragma once

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

}  // namespace quorvel
