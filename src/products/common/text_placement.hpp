// Text measurement and placement for products whose texts come as one
// digitised point, a position code, a height in millimetres at the source
// map's scale and an orientation: the character width table, the text width
// estimate, the anchor offsets and the rectangle of a Land-Line text.
//
// Everything is computed in long double and rounded only when formatted:
// many corners fall on a half cent, and the last bits of the width decide
// which way they round. A Land-Line or Strategi text at a whole number of
// tenths of a degree may take a quicker way in double, which writes a corner
// only where double's error cannot move it across a rounding boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mif/format.hpp"
#include "mif/output_set.hpp"

namespace quorvel {

// Degrees to radians.
inline constexpr long double kRadiansPerDegree = 0.017453292519943295769L;

// The sine and cosine of `degrees` turned into radians (times
// kRadiansPerDegree), as std::sin and std::cos give them for a long double;
// the pairs of whole tenths of a degree come from a table made when the
// program was built, with the same library.
void SineAndCosineOfDegrees(long double degrees, long double& s, long double& c);
// The table's pair for `degrees` when the table holds one for its very
// radians (false, setting nothing, otherwise).
bool SineAndCosineFromTable(long double degrees, long double& s, long double& c);
// Asks for the table's pair of an angle of `tenths` tenths of a degree to be
// brought into the cache (the table is larger than the cache keeps for long
// while a tile streams through it): a reader calls it where it reads an
// orientation, well before the text is placed. Any value may be given.
void PrefetchSineAndCosineOfTenths(std::int64_t tenths);

// The width of one character (a Windows Latin-1 byte, matched exactly) in
// width-table units, or no value for a character the table does not hold.
// A text of height h gains h / 60 millimetres per unit.
std::optional<int> CharWidth(char c);

struct TextMeasure {
  long double adjustedHeight = 0;  // h', millimetres
  long double width = 0;           // W, millimetres; negative when the width sum is below 20
};

// The adjusted height and estimated width of `text` drawn `height`
// millimetres high. Leading and trailing blanks and control characters are
// not measured; a character without a width counts as the one before it (0
// when it is the first). The heights 0.8, 1.2, 1.7, 2.0, 2.4, 3.2, 3.9 and
// 4.4 are raised by 0.05; they are recognised by their tenths, so a height
// read as a count of tenths and divided by 10 always matches.
TextMeasure MeasureText(std::string_view text, long double height);
// The width units MeasureText sums for `text` (trimmed as it trims).
long WidthSum(std::string_view text);
// MeasureText of a text whose width units are `sum`.
TextMeasure MeasureWidthSum(long sum, long double height);
// Whether `height` is one of the raised heights above.
bool IsAdjustedHeight(long double height);

// The offset from a text's digitised point to the lower-left corner of its
// box. It lasts from one text to the next within one output set: a position
// code that computes no offset reuses the last one (0, 0 at the start). The
// Land-Line and Strategi placements both set it.
//
// The quick ways (WriteLandLineTextRectangle, WriteStrategiTextRectangle)
// do not work the offsets out in long double: they keep what the offsets
// are made of, and SettleFor() makes them only when a later text reuses
// them. Every placement calls it first.
struct TextOffsets final : CarriedState {
  long double dx = 0;
  long double dy = 0;

  struct Deferred {
    long double height = 0;       // millimetres, as read
    long double orientation = 0;  // degrees
    long double sourceScale = 0;  // Land-Line's
    long widthSum = 0;            // the text's width units (WidthSum)
    int position = 0;             // 0-8
    // Makes dx and dy from the above as the placement that deferred them
    // would have.
    void (*settle)(const Deferred&, TextOffsets&) = nullptr;
  };
  Deferred deferred;
  bool isDeferred = false;

  void Defer(const Deferred& d) {
    deferred = d;
    isDeferred = true;
  }
  // Before a text with position code `position` is placed: where that code
  // reuses the offsets (any but 0-8), dx and dy as the long double placement
  // of the deferred text would have set them.
  void SettleFor(int position);
};

// Sets `offsets` for position code `position` (0-8: the digitised point is
// at fraction (P div 3) / 2 of the width and (P mod 3) / 2 of the height),
// with `theta` the orientation in radians and `hc`, `wc` the height and
// width in coordinate units. Any other position leaves `offsets` unchanged.
void TextAnchorOffset(long double theta, long double hc, long double wc, int position, TextOffsets& offsets);

// The section values a Land-Line text is placed with.
struct TextSection {
  long double multiplier = 1;   // ground units per stored coordinate unit
  long double xOrigin = 0;
  long double yOrigin = 0;
  long double sourceScale = 0;  // scale denominator of the source map
};

// A text rectangle in ground coordinates: first and second corner.
struct TextRectangle {
  long double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The rectangle of a Land-Line text digitised at stored (unscaled)
// coordinates x, y, with height `height` (millimetres), orientation
// `orientation` (degrees) and position code `position`. Updates `offsets`.
TextRectangle PlaceLandLineText(long double x, long double y, std::string_view text, long double height,
                                long double orientation, int position, const TextSection& section,
                                TextOffsets& offsets);

// Appends the four corner values with two decimals, separated by blanks.
void AppendTextRectangle(std::string& out, const TextRectangle& rectangle);
// The same written at `out`, which has room for kMaxTextRectangle bytes;
// returns the end, or nullptr (what was written is to be written over) when
// a corner is too large for the quick form and must be appended instead.
inline constexpr std::size_t kMaxTextRectangle = 4 * (kMaxFixedWithin + 1);
char* WriteTextRectangle(char* out, const TextRectangle& rectangle);

// The quick way in double, shared by the placements that have one.
//
// Where the long double way makes a corner from the same inputs in about
// thirty roundings, each off by at most half a unit in the last place of
// the value then in hand, double's are 2^11 times as coarse as long
// double's: together under 30 * 2^-53 (below 4e-15) of the largest value
// met on the way. A corner is written only where it lies further than
// 1e-13 of that from a point where its rounding to two decimals would
// change, so both ways round it alike (WriteFixedWithin refuses the rest).
inline constexpr double kQuickRelativeError = 1e-13;
// The sine and cosine of `tenths` (0 to 3599) tenths of a degree as the sum
// of its whole degrees and its tenths, from small tables taken from the
// long double table when the program is built: within a few units in the
// last place of double of the long double values (absolutely: near a zero
// the cosine's two terms cancel), well inside the error allowed.
void SineAndCosineOfTenthsInDouble(int tenths, double& s, double& c);
// The factor of the box height by which a text at `tenths` (0 to 3599) is
// moved down for the quarter of the turn it lies in.
double TurnOfTenths(int tenths);
// The four corners with two decimals, separated by blanks, at `out` (room
// for kMaxTextRectangle), where `largest` bounds the values met on the way;
// nullptr where any lies too near a rounding boundary.
char* WriteCornersWithin(char* out, const double (&corners)[4], double largest);
// MeasureText in double, with the width units it sums (for the deferred
// offsets, which are made the long double way from them).
struct DoubleMeasure {
  long widthSum = 0;
  double adjustedHeight = 0;
  double width = 0;
};
inline DoubleMeasure MeasureTextInDouble(std::string_view text, long double height) {
  DoubleMeasure m;
  m.widthSum = WidthSum(text);
  m.adjustedHeight = static_cast<double>(IsAdjustedHeight(height) ? height + 0.05L : height);
  m.width = static_cast<double>(m.widthSum - 20) * m.adjustedHeight / 60;
  return m;
}

// PlaceLandLineText and WriteTextRectangle at once, worked out in double, for
// a text whose orientation is `tenths` tenths of a degree (0 to 3599;
// `orientation` is tenths / 10 in long double) and whose position code is
// 0-8. Writes the four corners at `out` (room for kMaxTextRectangle) as the
// long double way would and returns the end; or returns nullptr, with
// `offsets` unchanged, where a corner lies too near a rounding boundary for
// double's error, or the text is not of that kind: the caller then takes the
// long double way. On success the offsets are left deferred.
char* WriteLandLineTextRectangle(char* out, long double x, long double y, std::string_view text, long double height,
                                 long double orientation, std::int64_t tenths, int position,
                                 const TextSection& section, TextOffsets& offsets);

}  // namespace quorvel
