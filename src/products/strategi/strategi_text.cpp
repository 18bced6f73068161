#include "products/strategi/strategi_text.hpp"

#include <cmath>

namespace quorvel {

namespace {

// Fractions of the scaled width (f) and height (g) by digit position. From
// 3 to 8 they are the Land-Line anchor fractions; 0 to 2 are Strategi's own.
struct AnchorFactors {
  long double f, g;
};
constexpr AnchorFactors kFactors[9] = {
    {0, -1}, {0, 0.5L}, {0, 0}, {0.5L, 0}, {0.5L, 0.5L}, {0.5L, 1}, {1, 0}, {1, 0.5L}, {1, 1},
};

}  // namespace

TextRectangle PlaceStrategiText(const StrategiTextPlacement& p, std::string_view text, TextOffsets& offsets) {
  offsets.SettleFor(p.position);
  const long double a = p.angle;
  long double sinA, cosA;
  SineAndCosineOfDegrees(a, sinA, cosA);

  const TextMeasure m = MeasureText(text, p.height);
  const long double hs = 10 * m.adjustedHeight;
  const long double ls = 10 * std::fabs(m.width);

  if (p.position >= 0 && p.position <= 8) {
    const AnchorFactors& k = kFactors[p.position];
    offsets.dx = -k.f * ls * cosA + k.g * hs * sinA;
    offsets.dy = -k.f * ls * sinA - k.g * hs * cosA;
  }

  long double x = p.anchorX + offsets.dx;
  long double y = p.anchorY + offsets.dy;
  x -= sinA * hs;
  // Tested one after the other on the Y left by the previous test: an angle
  // just above 90, 180 or 270 meets two of them, one of 360 or more none.
  if (a < 90.1L) y -= (a / 90) * hs;
  if (a > 90 && a < 180.1L) y -= ((a - 90 + 0.1L) / 90 + 1) * hs;
  if (a > 180 && a < 270.1L) y -= ((270 - a + 0.1L) / 90 + 1) * hs;
  if (a > 270 && a < 360) y -= ((360 - a + 0.1L) / 90) * hs;
  // The offsets are applied a second time.
  x += offsets.dx;
  y += offsets.dy;

  TextRectangle r;
  r.x1 = x;
  r.y1 = y;
  r.x2 = x + 200 * static_cast<long double>(text.size());
  r.y2 = y - 300;
  return r;
}

}  // namespace quorvel
