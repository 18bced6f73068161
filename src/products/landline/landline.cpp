#include "products/landline/landline.hpp"

#include <cmath>
#include <cstring>

#include "mif/format.hpp"
#include "products/common/origin_digits.hpp"
#include "products/common/text_placement.hpp"
#include "products/common/vertex_lines.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

// A coordinate is six characters; a record cut short inside one is a read
// failure rather than a smaller number.
long double ReadCoordinate(std::string_view record, std::size_t column) {
  const std::string_view field = Field(record, column, 6);
  if (field.size() != 6) throw NtfReadFailure("coordinate cut short");
  std::int64_t whole = 0;
  if (TryToFixedDigits<6>(field, whole) || TryToInteger(field, whole))
    return static_cast<long double>(whole);  // the usual digits
  return ToLongReal(field);
}

// An orientation field of four characters, tenths of a degree, in degrees;
// `tenths` is set to the count its four digits make, or -1 for a field of
// anything else.
long double ReadDegrees(std::string_view field, std::int64_t& tenths) {
  if (TryToFixedDigits<4>(field, tenths)) return static_cast<long double>(tenths) / 10;  // as ToLongReal reads the digits
  tenths = -1;
  return ToLongReal(field) / 10;
}

// Room for one "x y" line of a polyline.
constexpr std::size_t kMaxGroundLine = 2 * kMaxFixedWithin + 3;

// Column where coordinate i (from 1) of a geometry record starts.
constexpr std::size_t CoordinateColumn(std::int64_t i) { return 14 + 13 * static_cast<std::size_t>(i - 1); }

class LandLineTranslator final : public RecordLoopTranslator {
 public:
  explicit LandLineTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx),
        state_(ctx.out.Carried<LandLineState>()),
        offsets_(ctx.out.Carried<TextOffsets>()),
        features_(ctx.Option(kLandLineFeatureOption)) {
    state_.style.featureEnabled = true;
  }

 protected:
  void ReadSectionHeader(std::string_view header) override {
    section_.multiplier = ToLongReal(Field(header, 21, 10)) / 1000;
    section_.xOrigin = ToLongReal(Field(header, 47, 10));
    section_.yOrigin = ToLongReal(Field(header, 57, 10));
    section_.sourceScale = ToLongReal(Field(header, 179, 9));
    ground_ = GroundInDouble{static_cast<double>(section_.multiplier), static_cast<double>(section_.xOrigin),
                             static_cast<double>(section_.yOrigin)};
    hundredths_.usable = WholeHundredths(section_.multiplier, 1e6L, hundredths_.perUnit) &&
                         WholeHundredths(section_.xOrigin, 1e11L, hundredths_.xOrigin) &&
                         WholeHundredths(section_.yOrigin, 1e11L, hundredths_.yOrigin);
    // With the usual 0.01 and origins in whole tens of kilometres, a field's
    // six digits follow the origin's own, the point before the last two.
    // Below 1e5 such steps every sum stays below 1e9.
    const bool centimetres = hundredths_.usable && hundredths_.perUnit == 1;
    xDigits_ = centimetres ? OriginDigits(hundredths_.xOrigin, kFieldStep, 100000) : OriginDigits();
    yDigits_ = centimetres ? OriginDigits(hundredths_.yOrigin, kFieldStep, 100000) : OriginDigits();
    vertexLines_ = VertexLines(xDigits_, yDigits_, 6, 2);
  }

  void HandleRecord(std::string_view record) override { WriteLandLineRecord(record); }

 private:
  void WriteLandLineRecord(std::string_view record) {
    const std::string_view id = RecordId(record);
    if (id == "11") ReadName(record);
    else if (id == "12") ReadNamePosition(record);
    else if (id == "15") ReadPoint(record);
    else if (id == "23") ReadLine(record);
    else if (id == "21") WriteGeometry(record);
  }

  // A feature's code is looked up at its attribute record and again at its
  // geometry, and neighbouring features often share a code: a lookup that
  // would repeat the last one, with nothing in the style changed since, is
  // left out.
  void Lookup() {
    if (lastLookupRepeatable_ && state_.featureCode.SameAs(lastLookedUp_)) return;
    lastLookupRepeatable_ =
        LookupLandLineStyle(state_.featureCode, ctx_.runUsesTrueTypeSymbols, features_, state_.style);
    lastLookedUp_ = state_.featureCode;
  }

  void ReadName(std::string_view record) {
    state_.pendingText = true;
    std::int64_t length = ToFixedInteger<2>(Field(record, 13, 2));
    if (length < 0) length = 0;
    state_.featureId.assign(Field(record, 3, 6));
    state_.featureCode.assign(Field(record, 9, 4));
    // A length that runs past the text stops before the end mark.
    if (EndsWith(record, "0%")) record.remove_suffix(2);
    state_.text.assign(Field(record, 15, static_cast<std::size_t>(length)));
  }

  void ReadNamePosition(std::string_view record) {
    state_.textHeight = ToFixedLongReal<3>(Field(record, 7, 3)) / 10;
    state_.textPosition = static_cast<int>(ToFixedInteger<1>(Field(record, 10, 1)));
    state_.textOrientation = ReadDegrees(Field(record, 11, 4), state_.textOrientationTenths);
    PrefetchSineAndCosineOfTenths(state_.textOrientationTenths);
  }

  void ReadPoint(std::string_view record) {
    state_.orientation = 0;
    state_.orientationTenths = 0;
    state_.style.symbolRotation = 0;
    state_.featureId.assign(Field(record, 3, 6));
    if (Field(record, 9, 2) == "OR") {
      state_.orientation = ReadDegrees(Field(record, 13, 4), state_.orientationTenths);
      state_.style.symbolRotation = state_.orientation + 180;
    }
    state_.featureCode.assign(Field(record, 17, 4));
    Lookup();
  }

  void ReadLine(std::string_view record) {
    state_.featureId.assign(Field(record, 3, 6));
    state_.featureCode.assign(Field(record, 17, 4));
    Lookup();
  }

  void WriteGeometry(std::string_view record) {
    const std::string_view type = Field(record, 9, 1);
    if (type == "2") WriteLine(record);
    else if (type == "1" && state_.pendingText) WriteText(record);
    else if (type == "1") WritePoint(record);
  }

  void AppendGround(std::string& out, long double x, long double y) const {
    AppendGroundValue(out, x, section_.multiplier, section_.xOrigin, ground_.multiplier, ground_.xOrigin);
    out.push_back(' ');
    AppendGroundValue(out, y, section_.multiplier, section_.yOrigin, ground_.multiplier, ground_.yOrigin);
  }

  // "x y" and the line end, written in place when both values take the
  // quick way below.
  void AppendGroundLine(TextBuffer& out, long double x, long double y) const {
    char* p = WriteGroundQuick(out.Room(kMaxGroundLine), x, ground_.multiplier, ground_.xOrigin);
    if (p) {
      *p++ = ' ';
      p = WriteGroundQuick(p, y, ground_.multiplier, ground_.yOrigin);
    }
    if (p) {
      *p++ = '\r';
      *p++ = '\n';
      out.Advance(p);
      return;
    }
    std::string line;
    AppendGround(line, x, y);
    line.append("\r\n");
    out.Append(line);
  }

  // Writes c * multiplier + origin as the long double sum rounds. A whole c
  // (every usual coordinate) goes by way of the same sum in double: its
  // error from the long double one stays below (|c * m| + |o|) * 2^-50
  // (the double copies of m and o, the product and the sum each round by
  // at most 2^-53 of it), and AppendFixedWithin writes it only where that
  // error cannot change a digit.
  static void AppendGroundValue(std::string& out, long double c, long double multiplier, long double origin,
                                double multiplierD, double originD) {
    char text[kMaxFixedWithin];
    if (const char* end = WriteGroundQuick(text, c, multiplierD, originD)) {
      out.append(text, static_cast<std::size_t>(end - text));
      return;
    }
    AppendFixed(out, c * multiplier + origin, 2);
  }

  // The quick way of the above, or nullptr where it cannot be taken.
  static char* WriteGroundQuick(char* out, long double c, double multiplierD, double originD) {
    const double cD = static_cast<double>(c);
    if (cD != c) return nullptr;
    const double scaled = cD * multiplierD;
    const double error = (std::fabs(scaled) + std::fabs(originD)) * 0x1p-50;
    return WriteFixedWithin(out, scaled + originD, error, 2);
  }

  // A section whose multiplier and origins are whole numbers of hundredths
  // (the usual 0.01 and whole metres) lets a coordinate of six digits c go
  // in integers: c * multiplier + origin, in hundredths, is what the long
  // double sum rounds to at two decimals. The sum lies within 1e-8 of it:
  // the multiplier is taken to be within 1e-14 of its hundredths (times c,
  // below 1e6), an origin within 1e-11, and the long double rounding adds
  // under 1e-9; a hundredth's half is far off.
  static bool WholeHundredths(long double value, long double limit, std::int64_t& hundredths) {
    const long double scaled = value * 100;
    if (!(std::fabs(scaled) < limit)) return false;
    const long double whole = std::nearbyint(scaled);
    if (std::fabs(scaled - whole) > 1e-12L) return false;
    hundredths = static_cast<std::int64_t>(whole);
    return true;
  }

  // "x y" and the line end of vertex `column` the integer way above, or
  // false (nothing written) where it does not apply.
  bool AppendHundredthsLine(TextBuffer& out, std::string_view record, std::size_t column) const {
    if (const char* fields = UsualVertexFields(record, column)) {
      out.Advance(WriteHundredthsLine(out.Room(kMaxGroundLine), fields, fields + 6));
      return true;
    }
    const std::string_view fx = Field(record, column, 6);
    const std::string_view fy = Field(record, column + 6, 6);
    std::int64_t cx = 0, cy = 0;
    if (!hundredths_.usable || !TryToFixedDigits<6>(fx, cx) || !TryToFixedDigits<6>(fy, cy)) return false;
    const std::int64_t x = cx * hundredths_.perUnit + hundredths_.xOrigin;
    const std::int64_t y = cy * hundredths_.perUnit + hundredths_.yOrigin;
    constexpr std::int64_t kLimit = 100'000'000'000;  // 1e9 with two decimals
    if (x <= -kLimit || x >= kLimit || y <= -kLimit || y >= kLimit) return false;
    char* p = WriteScaledInteger(out.Room(kMaxGroundLine), x, 2);
    *p++ = ' ';
    p = WriteScaledInteger(p, y, 2);
    *p++ = '\r';
    *p++ = '\n';
    out.Advance(p);
    return true;
  }

  // The twelve bytes of a vertex's two fields at `fields` are digits,
  // checked as two overlapping words.
  static bool AreTwelveDigits(const char* fields) {
    std::uint64_t head, tail;
    std::memcpy(&head, fields, 8);
    std::memcpy(&tail, fields + 4, 8);
    return AreEightDigits(head) && AreEightDigits(tail);
  }

  // The usual vertex at `column`: both fields within the record and twelve
  // digits, after origin digits. Its fields, or nullptr for any other.
  const char* UsualVertexFields(std::string_view record, std::size_t column) const {
    if (!xDigits_.usable() || !yDigits_.usable() || column + 11 > record.size()) return nullptr;
    const char* fields = record.data() + column - 1;
    return AreTwelveDigits(fields) ? fields : nullptr;
  }

  // "x y" and the line end from two fields of six digits after the origins'
  // digits.
  char* WriteHundredthsLine(char* p, const char* fx, const char* fy) const {
    p = CopyHundredths(xDigits_.Write(p), fx);
    *p++ = ' ';
    p = CopyHundredths(yDigits_.Write(p), fy);
    *p++ = '\r';
    *p++ = '\n';
    return p;
  }

  // The usual line record: two or more vertices, all twelve digits within
  // the record, after origin digits. Its coordinate lines go straight into
  // the file (once checked, nothing in them can fail) when `layer` is
  // given; false, nothing written, for any other record.
  bool WriteUsualLine(std::string_view record, std::int64_t n, MifLayer* layer) const {
    if (n < 2 || !xDigits_.usable() || !yDigits_.usable()) return false;
    const std::size_t first = CoordinateColumn(1) - 1;  // 0-based
    if (CoordinateColumn(n) + 11 > record.size()) return false;
    const char* fields = record.data() + first;
    static_assert(CoordinateColumn(1) - 1 >= 16 - 12, "a vertex's look-behind stays within the record");
    if (vertexLines_.usable()) {
      const auto count = static_cast<std::size_t>(n);
      if (!vertexLines_.AllDigits(fields, count, 13)) return false;
      if (!layer) return true;
      layer->BeginPolyline(n);
      char* p = layer->mif.Room(count * vertexLines_.length() + VertexLines::kMaxLength);
      layer->mif.Advance(vertexLines_.Write(p, fields, count, 13));
      return true;
    }
    for (std::int64_t i = 0; i < n; ++i, fields += 13)
      if (!AreTwelveDigits(fields)) return false;
    if (!layer) return true;
    layer->BeginPolyline(n);
    char* p = layer->mif.Room(static_cast<std::size_t>(n) * kMaxGroundLine);
    fields = record.data() + first;
    for (std::int64_t i = 0; i < n; ++i, fields += 13) p = WriteHundredthsLine(p, fields, fields + 6);
    layer->mif.Advance(p);
    return true;
  }

  // Six digits of a field in hundredths, the point before the last two.
  static char* CopyHundredths(char* out, const char* field) {
    std::memcpy(out, field, 4);
    out[4] = '.';
    std::memcpy(out + 5, field + 4, 2);
    return out + 7;
  }

  void WriteLine(std::string_view record) {
    const std::int64_t n = ToFixedInteger<4>(Field(record, 10, 4));
    const bool enabled = state_.style.featureEnabled;
    MifLayer& layer = ctx_.out.main;
    if (enabled) WriteLineObject(record, n, layer);
    else ReadLineCoordinates(record, n);
    Lookup();
    if (enabled) {
      WriteRow(layer);
      if (n > 0) layer.mif.WriteLine(state_.style.clause);
    }
    state_.pendingText = false;
    ClearFeature();
  }

  // The PLINE object of a line record with `n` vertices.
  void WriteLineObject(std::string_view record, std::int64_t n, MifLayer& layer) {
    if (!WriteUsualLine(record, n, &layer)) {
      // Every coordinate is made before anything is written, so a bad one
      // (or one too large to write) leaves no half object behind.
      coords_.clear();
      for (std::int64_t i = 1; i <= n; ++i) {
        const std::size_t column = CoordinateColumn(i);
        if (AppendHundredthsLine(coords_, record, column)) continue;
        const long double x = ReadCoordinate(record, column);
        const long double y = ReadCoordinate(record, column + 6);
        AppendGroundLine(coords_, x, y);
      }
      layer.WritePolyline(coords_, n);
      coords_.clear();
    }
    ctx_.CountObjectCreated();
  }

  // A line left out is not written, but its coordinates are still read: a
  // field that is no number fails the record, while a number too large to
  // write does not, as nothing is written.
  void ReadLineCoordinates(std::string_view record, std::int64_t n) const {
    if (WriteUsualLine(record, n, nullptr)) return;  // all digits: nothing can fail
    for (std::int64_t i = 1; i <= n; ++i) {
      const std::size_t column = CoordinateColumn(i);
      ReadCoordinate(record, column);
      ReadCoordinate(record, column + 6);
    }
  }

  void WritePoint(std::string_view record) {
    const bool enabled = state_.style.featureEnabled;
    MifLayer& layer = ctx_.out.main;
    if (WriteUsualPoint(record, enabled ? &layer : nullptr)) {
      if (enabled) ctx_.CountObjectCreated();
    } else {
      WriteOtherPoint(record, enabled ? &layer : nullptr);
    }
    Lookup();
    if (enabled) {
      WriteRow(layer);
      layer.mif.WriteLine(state_.style.clause);
    }
    ClearFeature();
    state_.orientation = 0;  // SymbolRotation stays until the next point record
    state_.orientationTenths = 0;
  }

  // The usual point: twelve digits within the record, after origin digits,
  // its line written straight into `layer` when given. False, nothing
  // written, for any other.
  bool WriteUsualPoint(std::string_view record, MifLayer* layer) const {
    const char* fields = UsualVertexFields(record, CoordinateColumn(1));
    if (!fields) return false;
    if (!layer) return true;
    layer->BeginObject();
    char* p = layer->mif.Room(6 + kMaxGroundLine);
    std::memcpy(p, "POINT ", 6);
    layer->mif.Advance(WriteHundredthsLine(p + 6, fields, fields + 6));
    return true;
  }

  // Any other point, read the general way: a coordinate that cannot be read
  // fails the record even where the feature is not written.
  void WriteOtherPoint(std::string_view record, MifLayer* layer) {
    const long double x = ReadCoordinate(record, CoordinateColumn(1));
    const long double y = ReadCoordinate(record, CoordinateColumn(1) + 6);
    if (!layer) return;
    // The line is made before the object is counted: a number too large to
    // write leaves no half object.
    line_.assign("POINT ");
    AppendGround(line_, x, y);
    layer->BeginObject();
    layer->mif.WriteLine(line_);
    ctx_.CountObjectCreated();
  }

  void WriteText(std::string_view record) {
    if (MifLayer* text = ctx_.out.LayerFor(ObjectKind::Text)) {
      const long double x = ReadCoordinate(record, CoordinateColumn(1));
      const long double y = ReadCoordinate(record, CoordinateColumn(1) + 6);
      MifLayer& layer = *text;
      // Written in place; corners too large for the quick form are made the
      // general way first, so the object is kept only whole.
      // "Text" line, quoted text and its line end, rectangle line.
      char* p = layer.mif.Room(6 + (2 * state_.text.size() + 2) + 2 + kMaxTextRectangle + 2);
      std::memcpy(p, "Text\r\n", 6);
      p = WriteQuotedText(p + 6, state_.text);
      std::memcpy(p, "\r\n", 2);
      p += 2;
      // The corners in double where that cannot change a digit, else in long
      // double.
      char* end = WriteLandLineTextRectangle(p, x, y, state_.text, state_.textHeight, state_.textOrientation,
                                             state_.textOrientationTenths, state_.textPosition, section_, offsets_);
      if (!end) {
        const TextRectangle rect = PlaceLandLineText(x, y, state_.text, state_.textHeight, state_.textOrientation,
                                                     state_.textPosition, section_, offsets_);
        end = WriteTextRectangle(p, rect);
        if (!end) {
          line_.clear();
          AppendTextRectangle(line_, rect);
        }
      }
      if (end) {
        std::memcpy(end, "\r\n", 2);
        layer.BeginObject();
        layer.mif.Advance(end + 2);
      } else {
        layer.BeginObject();
        layer.mif.Advance(p);
        layer.mif.WriteLine(line_);
      }
      ctx_.CountObjectCreated();
      Lookup();
      WriteRow(layer);
      layer.mif.WriteLine(state_.style.clause);
      if (state_.textOrientation != 0 && state_.textOrientationTenths >= 0) {
        // A count of tenths divided by 10 rounds back to its own digits.
        char* p = layer.mif.Room(6 + kMaxFixedWithin + 2);
        std::memcpy(p, "Angle ", 6);
        p = WriteScaledInteger(p + 6, state_.textOrientationTenths, 1);
        std::memcpy(p, "\r\n", 2);
        layer.mif.Advance(p + 2);
      } else if (state_.textOrientation != 0) {
        line_.assign("Angle ");
        AppendFixed(line_, state_.textOrientation, 1);
        layer.mif.WriteLine(line_);
      }
      layer.mif.WriteLine("");
    }
    state_.pendingText = false;
    ClearFeature();
  }

  void WriteRow(MifLayer& layer) {
    if (WriteUsualRow(layer)) return;
    row_.Clear();
    // The descriptions of the style table and written numbers are plain
    // values; the section reference was checked once with its header.
    row_.Add(sectionRef_, sectionRefPlain_);
    row_.Add(state_.featureId).Add(state_.featureCode).AddPlain(state_.style.description);
    if (state_.orientation == 0) {
      row_.AddPlain("0.0");  // most rows: no point record turned them
    } else {
      number_.clear();
      AppendFixed(number_, state_.orientation, 1);
      row_.AddPlain(number_);
    }
    row_.AddPlain("0.0");  // DT: nothing ever sets it
    layer.WriteRow(row_.str());
  }

  // The usual row, written side by side in one buffer: a plain section
  // reference, an id of six digits and a code of four (digits need no
  // quoting), no orientation or one of four digits. False, nothing written,
  // for any other row.
  bool WriteUsualRow(MifLayer& layer) {
    const std::string_view id = state_.featureId;
    const std::string_view code = state_.featureCode;
    const std::string_view description = state_.style.description;
    const bool turned = state_.orientation != 0;
    if (!sectionRefPlain_ || (turned && state_.orientationTenths < 0) || !AreFixedDigits<6>(id) ||
        !AreFixedDigits<4>(code) ||
        sectionRef_.size() > kMaxSectionRef || description.size() > kMaxDescription)
      return false;
    // Straight into the file, with its line end.
    char* p = layer.mid.Room(kMaxSectionRef + kMaxDescription + 32 + kMaxFixedWithin);
    CopyText(p, sectionRef_.data(), sectionRef_.size());
    p += sectionRef_.size();
    *p++ = ',';
    std::memcpy(p, id.data(), 6);
    p[6] = ',';
    std::memcpy(p + 7, code.data(), 4);
    p[11] = ',';
    p += 12;
    CopyText(p, description.data(), description.size());
    p += description.size();
    if (turned) {
      // A count of tenths divided by 10 rounds back to its own digits.
      *p++ = ',';
      p = WriteScaledInteger(p, state_.orientationTenths, 1);
      std::memcpy(p, ",0.0\r\n", 6);  // DT
      p += 6;
    } else {
      std::memcpy(p, ",0.0,0.0\r\n", 10);  // OR_ and DT
      p += 10;
    }
    layer.mid.Advance(p);
    layer.CountRows(1);
    return true;
  }
  // A section reference is ten columns; the table's descriptions are shorter
  // than this.
  static constexpr std::size_t kMaxSectionRef = 10;
  static constexpr std::size_t kMaxDescription = 64;

  void ClearFeature() {
    state_.featureId.clear();
    state_.featureCode.clear();
  }

  LandLineState& state_;
  TextOffsets& offsets_;
  OptionView features_;
  // The code of this file's last lookup, and whether repeating it would
  // change nothing (see LookupLandLineStyle). After the constructor only
  // lookups change the style, but for the symbol rotation a point record
  // sets, which only rotated symbols read (and their lookups are never
  // left out).
  ShortField<4> lastLookedUp_;
  bool lastLookupRepeatable_ = false;
  TextSection section_;
  // The section's multiplier and origins rounded to double.
  struct GroundInDouble {
    double multiplier = 1, xOrigin = 0, yOrigin = 0;
  } ground_;
  // The section's multiplier and origins in hundredths, when they are whole.
  struct Hundredths {
    bool usable = false;
    std::int64_t perUnit = 0, xOrigin = 0, yOrigin = 0;
  } hundredths_;
  static constexpr std::int64_t kFieldStep = 1000000;  // above six digits
  OriginDigits xDigits_, yDigits_;
  VertexLines vertexLines_;  // the usual vertex lines in one step each, where the processor can
  TextBuffer coords_;
  std::string line_;
  std::string number_;
  MidRow row_;
};

}  // namespace

FileOutcome TranslateLandLine(FileContext& ctx) {
  LandLineTranslator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
