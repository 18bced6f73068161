#include "products/strategi/strategi_text.hpp"

#include <algorithm>
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

// The offsets of a deferred Strategi text, as PlaceStrategiText makes them.
void SettleStrategiOffsets(const TextOffsets::Deferred& d, TextOffsets& offsets) {
  long double sinA, cosA;
  SineAndCosineOfDegrees(d.orientation, sinA, cosA);
  const TextMeasure m = MeasureWidthSum(d.widthSum, d.height);
  const long double hs = 10 * m.adjustedHeight;
  const long double ls = 10 * std::fabs(m.width);
  const AnchorFactors& k = kFactors[d.position];
  offsets.dx = -k.f * ls * cosA + k.g * hs * sinA;
  offsets.dy = -k.f * ls * sinA - k.g * hs * cosA;
}

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

char* WriteStrategiTextRectangle(char* out, const StrategiTextPlacement& p, std::int64_t tenths,
                                 std::string_view text, TextOffsets& offsets) {
  if (tenths < 0 || tenths >= 3600 || p.position < 0 || p.position > 8) return nullptr;
  const DoubleMeasure m = MeasureTextInDouble(text, p.height);
  const double hs = 10 * m.adjustedHeight;
  const double ls = 10 * std::fabs(m.width);
  double s, c;
  SineAndCosineOfTenthsInDouble(static_cast<int>(tenths), s, c);
  const AnchorFactors& k = kFactors[p.position];
  const double f = static_cast<double>(k.f);
  const double g = static_cast<double>(k.g);
  const double dx = -f * ls * c + g * hs * s;
  const double dy = -f * ls * s - g * hs * c;
  const double ax = static_cast<double>(p.anchorX);
  const double ay = static_cast<double>(p.anchorY);
  // The offsets twice, as the long double way applies them.
  const double x = ax + dx - s * hs + dx;
  const double y = ay + dy - TurnOfTenths(static_cast<int>(tenths)) * hs + dy;
  const double boxWidth = 200 * static_cast<double>(text.size());
  const double corners[4] = {x, y, x + boxWidth, y - 300};
  // The largest value on the way: the point, the offsets (twice) and the
  // turn (at most about 2) of the height, and the box.
  const double largest = std::max(std::fabs(ax), std::fabs(ay)) + 6 * (ls + hs) + boxWidth + 300;
  char* const end = WriteCornersWithin(out, corners, largest);
  if (!end) return nullptr;
  offsets.Defer({p.height, p.angle, 0, m.widthSum, p.position, SettleStrategiOffsets});
  return end;
}

}  // namespace quorvel
