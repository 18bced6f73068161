#include "products/common/text_placement.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "mif/format.hpp"

namespace quorvel {

namespace {

struct WidthGroup {
  int width;
  std::string_view characters;
};

// Windows Latin-1; "\xA3" is the pound sign.
constexpr WidthGroup kWidthGroups[] = {
    {20, "!"},
    {24, ":;',.l"},
    {28, "1iI"},
    {36, "\""},
    {40, "f"},
    {44, "()*+j"},
    {48, "-hntu"},
    {52, "?#&r"},
    {56, "023456789bcdegkLopqsvxyz"},
    {60, "<=>\xA3%/@aJ"},
    {64, " ABCDEFGHKNOPQRSTUXYZ"},
    {72, "mMV"},
    {88, "w"},
    {96, "W"},
};

// kNoWidth marks a character without an entry: a bit no width has, so that
// one test of four widths or-ed together finds it.
constexpr std::uint8_t kNoWidth = 0x80;
constexpr std::array<std::uint8_t, 256> BuildWidthTable() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kNoWidth);
  for (const WidthGroup& group : kWidthGroups) {
    if (group.width >= kNoWidth) throw "character width too large for the table";
    for (char c : group.characters) table[static_cast<unsigned char>(c)] = static_cast<std::uint8_t>(group.width);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kWidthTable = BuildWidthTable();

// Blanks and control characters are trimmed from both ends of a text.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The heights raised by 0.05, in tenths of a millimetre, as bits of a word.
constexpr int kAdjustedTenths[] = {8, 12, 17, 20, 24, 32, 39, 44};
constexpr std::uint64_t AdjustedMask() {
  std::uint64_t mask = 0;
  for (int t : kAdjustedTenths) mask |= std::uint64_t{1} << t;
  return mask;
}
constexpr std::uint64_t kAdjustedMask = AdjustedMask();

}  // namespace

bool IsAdjustedHeight(long double height) {
  const long double tenths = height * 10;
  // rint: the same whole number as nearbyint, one x87 instruction instead
  // of a library call that saves and restores the floating-point state.
  const long double whole = std::rint(tenths);
  // Only a whole number of tenths can be one of the listed heights.
  if (std::fabs(tenths - whole) > 1e-9L) return false;
  if (!(whole >= 0 && whole < 64)) return false;
  // A whole number this small by way of double: converting a long double
  // straight to an integer switches the x87 rounding mode twice.
  const int t = static_cast<int>(static_cast<double>(whole));
  return (kAdjustedMask >> t & 1) != 0;
}

std::optional<int> CharWidth(char c) {
  const std::uint8_t w = kWidthTable[static_cast<unsigned char>(c)];
  if (w == kNoWidth) return std::nullopt;
  return w;
}

long WidthSum(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  long sum = 0;
  std::size_t i = 0;
  // Four characters a step while each has a width (the usual text) ...
  for (; i + 4 <= n; i += 4) {
    const unsigned w0 = kWidthTable[p[i]], w1 = kWidthTable[p[i + 1]];
    const unsigned w2 = kWidthTable[p[i + 2]], w3 = kWidthTable[p[i + 3]];
    if ((w0 | w1 | w2 | w3) & kNoWidth) break;
    sum += w0 + w1 + w2 + w3;
  }
  // ... then one at a time, a character without a width counting as the
  // one before it.
  unsigned previous = i > 0 ? kWidthTable[p[i - 1]] : 0;
  for (; i < n; ++i) {
    const unsigned w = kWidthTable[p[i]];
    if (w != kNoWidth) previous = w;
    sum += previous;
  }
  return sum;
}

TextMeasure MeasureWidthSum(long sum, long double height) {
  TextMeasure m;
  m.adjustedHeight = IsAdjustedHeight(height) ? height + 0.05L : height;
  m.width = static_cast<long double>(sum - 20) * m.adjustedHeight / 60;
  return m;
}

TextMeasure MeasureText(std::string_view text, long double height) { return MeasureWidthSum(WidthSum(text), height); }

namespace {

// The sines and cosines of the angles in whole tenths of a degree below 360
// (how NTF stores orientations), worked out by the C library when the
// program was built (tools/sinetable): {radians, sine, cosine}. The library
// takes about a thousand instructions for one pair (its reduction by pi/2
// is done in many-word arithmetic), and nearly every orientation of a tile
// is a whole tenth. A slot answers only for its very radians.
struct SineSlot {
  long double theta, s, c;
};
constexpr int kTenths = 3600;
constexpr SineSlot kSines[kTenths] = {
#include "sine_table.inc"
};

}  // namespace

bool SineAndCosineFromTable(long double degrees, long double& s, long double& c) {
  const long double theta = degrees * kRadiansPerDegree;
  // The tenths as a whole number by way of double: a long double converted
  // straight to an integer switches the x87 rounding mode twice, which
  // costs more here than all the rest.
  const double near = static_cast<double>(degrees * 10);
  const int index = near > 0 && near < kTenths ? static_cast<int>(near) : 0;
  const SineSlot& slot = kSines[index];
  if (slot.theta != theta) return false;
  s = slot.s;
  c = slot.c;
  return true;
}

void SineAndCosineOfDegrees(long double degrees, long double& s, long double& c) {
  const long double theta = degrees * kRadiansPerDegree;
  // Most texts lie at orientation 0, whose sine and cosine need no library
  // call: sin(+-0) is the zero itself and cos(+-0) is 1, exactly.
  if (theta == 0) {
    s = theta;
    c = 1;
    return;
  }
  if (SineAndCosineFromTable(degrees, s, c)) return;
  s = std::sin(theta);
  c = std::cos(theta);
}

void PrefetchSineAndCosineOfTenths(std::int64_t tenths) {
  if (tenths > 0 && tenths < kTenths) __builtin_prefetch(&kSines[tenths]);
}

namespace {

// The offset with the sine and cosine of the orientation already at hand.
void AnchorOffset(long double s, long double c, long double hc, long double wc, int position, TextOffsets& offsets) {
  if (position < 0 || position > 8) return;
  const long double f = static_cast<long double>(position / 3) / 2;
  const long double g = static_cast<long double>(position % 3) / 2;
  offsets.dx = -f * wc * c + g * hc * s;
  offsets.dy = -f * wc * s - g * hc * c;
}

}  // namespace

void TextAnchorOffset(long double theta, long double hc, long double wc, int position, TextOffsets& offsets) {
  AnchorOffset(theta == 0 ? theta : std::sin(theta), theta == 0 ? 1.0L : std::cos(theta), hc, wc, position, offsets);
}

TextRectangle PlaceLandLineText(long double x, long double y, std::string_view text, long double height,
                                long double orientation, int position, const TextSection& section,
                                TextOffsets& offsets) {
  offsets.SettleFor(position);
  const long double a = orientation;
  const TextMeasure m = MeasureText(text, height);
  const long double hc = m.adjustedHeight * section.sourceScale / 10;
  const long double wc = m.width * section.sourceScale / 10;
  long double sinTheta, cosTheta;
  SineAndCosineOfDegrees(a, sinTheta, cosTheta);
  AnchorOffset(sinTheta, cosTheta, hc, wc, position, offsets);

  long double x1 = x + offsets.dx;
  long double y1 = y + offsets.dy;
  const long double h2 = 2 * hc;
  const long double w2 = 2 * wc;
  x1 = x1 - sinTheta * h2;

  // Made one after the other on the same orientation: a value just above
  // 90, 180 or 270 meets two of them.
  if (a < 90.1L) y1 = y1 - (a / 90) * h2;
  if (a > 90 && a < 180.1L) y1 = y1 - ((a - 90 + 0.1L) / 90 + 1) * h2;
  if (a > 180 && a < 270.1L) y1 = y1 - ((270 - a + 0.1L) / 90 + 1) * h2;
  if (a > 270 && a < 360) y1 = y1 - ((360 - a + 0.1L) / 90) * h2;

  const long double x2 = x1 + w2;
  const long double y2 = y1 + h2;

  TextRectangle r;
  r.x1 = x1 * section.multiplier + section.xOrigin;
  r.y1 = y1 * section.multiplier + section.yOrigin;
  r.x2 = x2 * section.multiplier + section.xOrigin;
  r.y2 = y2 * section.multiplier + section.yOrigin;
  return r;
}

void TextOffsets::SettleFor(int position) {
  if (!isDeferred) return;
  isDeferred = false;
  // A position of 0-8 sets new offsets: the deferred ones are never read.
  if (position >= 0 && position <= 8) return;
  deferred.settle(deferred, *this);
}

namespace {

// The offsets of a deferred Land-Line text, as PlaceLandLineText makes
// them, step for step.
void SettleLandLineOffsets(const TextOffsets::Deferred& d, TextOffsets& offsets) {
  const TextMeasure m = MeasureWidthSum(d.widthSum, d.height);
  const long double hc = m.adjustedHeight * d.sourceScale / 10;
  const long double wc = m.width * d.sourceScale / 10;
  long double s, c;
  SineAndCosineOfDegrees(d.orientation, s, c);
  AnchorOffset(s, c, hc, wc, d.position, offsets);
}

// The sines and cosines of whole degrees and of the tenths below one, in
// double, taken from the table above when the program is built: 5.8 KB
// that stay in the cache, where the whole table (169 KB) is met a few
// lines at a time, each a wait for memory.
struct DoublePair {
  double s, c;
};
template <int kCount, int kStep>
constexpr std::array<DoublePair, kCount> DoublePairs() {
  std::array<DoublePair, kCount> pairs{};
  for (int i = 0; i < kCount; ++i)
    pairs[static_cast<std::size_t>(i)] = {static_cast<double>(kSines[i * kStep].s),
                                          static_cast<double>(kSines[i * kStep].c)};
  return pairs;
}
constexpr std::array<DoublePair, 360> kDegrees = DoublePairs<360, 10>();
constexpr std::array<DoublePair, 10> kTenthsOfDegree = DoublePairs<10, 1>();

}  // namespace

void SineAndCosineOfTenthsInDouble(int tenths, double& s, double& c) {
  const DoublePair& a = kDegrees[static_cast<std::size_t>(tenths / 10)];
  const DoublePair& b = kTenthsOfDegree[static_cast<std::size_t>(tenths % 10)];
  s = a.s * b.c + a.c * b.s;
  c = a.c * b.c - a.s * b.s;
}

double TurnOfTenths(int tenths) {
  // For whole tenths exactly one of the long double way's tests holds.
  const double a = static_cast<double>(tenths) / 10;
  if (tenths <= 900) return a / 90;
  if (tenths <= 1800) return (a - 90 + 0.1) / 90 + 1;
  if (tenths <= 2700) return (270 - a + 0.1) / 90 + 1;
  return (360 - a + 0.1) / 90;
}

char* WriteCornersWithin(char* out, const double (&corners)[4], double largest) {
  const double error = kQuickRelativeError * largest;
  char* p = out;
  for (const double v : corners) {
    if (p != out) *p++ = ' ';
    p = WriteCentsWithin(p, v, error);
    if (!p) return nullptr;
  }
  return p;
}

char* WriteLandLineTextRectangle(char* out, long double x, long double y, std::string_view text, long double height,
                                 long double orientation, std::int64_t tenths, int position,
                                 const TextSection& section, TextOffsets& offsets) {
  if (tenths < 0 || tenths >= kTenths || position < 0 || position > 8) return nullptr;
  const DoubleMeasure m = MeasureTextInDouble(text, height);
  const double scale = static_cast<double>(section.sourceScale);
  const double hc = m.adjustedHeight * scale / 10;
  const double wc = m.width * scale / 10;
  double s, c;
  SineAndCosineOfTenthsInDouble(static_cast<int>(tenths), s, c);
  const double f = static_cast<double>(position / 3) / 2;
  const double g = static_cast<double>(position % 3) / 2;
  const double dx = -f * wc * c + g * hc * s;
  const double dy = -f * wc * s - g * hc * c;
  const double h2 = 2 * hc;
  const double w2 = 2 * wc;
  const double xd = static_cast<double>(x);
  const double yd = static_cast<double>(y);
  const double x1 = xd + dx - s * h2;
  const double y1 = yd + dy - TurnOfTenths(static_cast<int>(tenths)) * h2;
  const double x2 = x1 + w2;
  const double y2 = y1 + h2;

  const double multiplier = static_cast<double>(section.multiplier);
  const double xOrigin = static_cast<double>(section.xOrigin);
  const double yOrigin = static_cast<double>(section.yOrigin);
  // The largest value on the way: the coordinates, the offsets and the box
  // (the turn is at most about 2), scaled and moved.
  const double largest = (std::max(std::fabs(xd), std::fabs(yd)) + 8 * (std::fabs(hc) + std::fabs(wc))) *
                             std::fabs(multiplier) +
                         std::max(std::fabs(xOrigin), std::fabs(yOrigin));
  const double corners[4] = {x1 * multiplier + xOrigin, y1 * multiplier + yOrigin, x2 * multiplier + xOrigin,
                             y2 * multiplier + yOrigin};
  char* const p = WriteCornersWithin(out, corners, largest);
  if (!p) return nullptr;
  offsets.Defer({height, orientation, section.sourceScale, m.widthSum, position, SettleLandLineOffsets});
  return p;
}

char* WriteTextRectangle(char* out, const TextRectangle& r) {
  char* p = out;
  for (const long double* v : {&r.x1, &r.y1, &r.x2, &r.y2}) {
    if (p != out) *p++ = ' ';
    p = WriteFixed(p, *v, 2);
    if (!p) return nullptr;
  }
  return p;
}

void AppendTextRectangle(std::string& out, const TextRectangle& r) {
  // The four numbers written side by side, then appended at once; a corner
  // the quick form does not take sends all four the general way.
  char line[kMaxTextRectangle];
  if (const char* end = WriteTextRectangle(line, r)) {
    out.append(line, static_cast<std::size_t>(end - line));
    return;
  }
  AppendFixed(out, r.x1, 2);
  out.push_back(' ');
  AppendFixed(out, r.y1, 2);
  out.push_back(' ');
  AppendFixed(out, r.x2, 2);
  out.push_back(' ');
  AppendFixed(out, r.y2, 2);
}

}  // namespace quorvel
