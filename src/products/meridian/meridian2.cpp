#include "products/meridian/meridian2.hpp"

#include <array>
#include <cstdint>
#include <cstring>

#include "mif/format.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "products/common/network_node.hpp"
#include "products/common/origin_digits.hpp"
#include "products/common/vertex_lines.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

// The last style clause and description stay in force from feature to
// feature, and from tile to tile of one output set, until a code matches a
// row again.
struct Meridian2Carried : CarriedState {
  Meridian2Style style;
};

// Columns of the MID row, in order.
enum Column : std::size_t {
  kSection, kId, kFCode, kDescription, kLL, kOD, kRN, kTR, kRT, kJN, kLC, kRC, kLD, kRD, kPI, kDA, kPN, kRI, kSN,
  kSI, kNM, kTX, kFA, kWA, kWI, kHT, kLayer, kColumnCount
};
static_assert(kColumnCount == 27);

struct Point {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// The record without its end mark.
std::string_view WithoutEndMark(std::string_view record) {
  if (EndsWith(record, "0%") || EndsWith(record, "1%")) record.remove_suffix(2);
  return record;
}

// From 1-based column `start` up to (not including) the first of `stops`, or
// to the end of the record.
std::string_view UpTo(std::string_view record, std::size_t start, std::string_view stops) {
  const std::string_view rest = Field(record, start, std::string_view::npos);
  return rest.substr(0, rest.find_first_of(stops));
}

class Meridian2Translator final : public RecordLoopTranslator {
 public:
  explicit Meridian2Translator(FileContext& ctx)
      : RecordLoopTranslator(ctx),
        carried_(ctx.out.Carried<Meridian2Carried>()),
        heights_(ctx.Option(kMeridianHeightsOption)),
        textLayer_(ctx.out.LayerFor(ObjectKind::Text)) {
  }

 protected:
  void ReadSectionHeader(std::string_view header) override {
    xOrigin_ = ToInteger(Field(header, 47, 10));
    yOrigin_ = ToInteger(Field(header, 57, 10));
    // An origin in whole hundreds of kilometres puts the five digits of a
    // field after its own.
    xDigits_ = OriginDigits(xOrigin_, kFieldStep, 100000000);
    yDigits_ = OriginDigits(yOrigin_, kFieldStep, 100000000);
    copyDigits_ = xDigits_.usable() && yDigits_.usable();
    vertexLines_ = VertexLines(xDigits_, yDigits_, 5, 0);
  }

  void HandleRecord(std::string_view record) override { WriteMeridian2Record(record); }

 private:
  void WriteMeridian2Record(std::string_view record) {
    const std::string_view id = RecordId(record);
    if (id == "16") WriteNode(record);
    else if (id == "45") ReadTextRepresentation(record);
    else if (id == "21") WriteGeometry(record);
    else if (id == "14") WriteAttributes(record);
  }

  void WriteNode(std::string_view record) {
    if (OutputFile* network = ctx_.out.Network()) WriteNetworkNode(*network, record, sectionRef_, networkRow_);
  }

  void ReadTextRepresentation(std::string_view record) {
    pendingText_ = true;
    // Height and orientation must be numbers, but are not used.
    ToReal(Field(record, 13, 3));
    ToReal(Field(record, 17, 4));
    positionCode_ = ToInteger(Field(record, 16, 1));
  }

  Point ReadCoordinate(std::string_view record, std::size_t column) const {
    return {ReadOrdinate(Field(record, column, 5)) + xOrigin_, ReadOrdinate(Field(record, column + 5, 5)) + yOrigin_};
  }

  // Five digits as a rule; anything else takes the general reading.
  static std::int64_t ReadOrdinate(std::string_view field) { return ToFixedInteger<5>(field); }

  // "x y" and the line end from two fields of five digits, after origins
  // whose digits are copied, at `out`; returns the end.
  char* CopyCoordinateLine(char* out, const char* x, const char* y) const {
    out = CopyField(xDigits_.Write(out), x);
    *out++ = ' ';
    out = CopyField(yDigits_.Write(out), y);
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }

  // "x y" from two ordinate fields and the line end, at `out`, which has
  // room for kMaxCoordinateLine characters; returns the end.
  char* WriteCoordinateLine(char* out, std::string_view x, std::string_view y) const {
    if (copyDigits_ && AreFixedDigits<5>(x) && AreFixedDigits<5>(y)) return CopyCoordinateLine(out, x.data(), y.data());
    const std::int64_t px = ReadOrdinate(x) + xOrigin_;
    const std::int64_t py = ReadOrdinate(y) + yOrigin_;
    out = WriteInteger(out, px);
    *out++ = ' ';
    out = WriteInteger(out, py);
    *out++ = '\r';
    *out++ = '\n';
    return out;
  }

  void WriteGeometry(std::string_view record) {
    const std::string_view type = Field(record, 9, 1);
    if (type != "1" && type != "2") return;
    const std::int64_t count = ToFixedInteger<4>(Field(record, 10, 4));  // a number for points too
    if (type == "1") WritePoint(record);
    else WriteLine(record, count);
  }

  // A point: a POINT object, or the anchor of the pending text.
  void WritePoint(std::string_view record) {
    if (!pendingText_) {
      // "POINT x y" and its line end, written at once.
      char line[6 + kMaxCoordinateLine];
      std::memcpy(line, "POINT ", 6);
      const char* end = WriteCoordinateLine(line + 6, Field(record, 14, 5), Field(record, 19, 5));
      MifLayer& main = ctx_.out.main;
      main.BeginObject();
      main.mif.Write(std::string_view(line, static_cast<std::size_t>(end - line)));
      ctx_.CountObjectCreated();
    } else if (textLayer_ && !haveAnchor_) {
      anchor_ = ReadCoordinate(record, 14);  // the first point after the text representation anchors it
      haveAnchor_ = true;
    } else {
      ReadCoordinate(record, 14);  // not used, but it must be read
    }
  }

  // A line of `count` vertices: a PLINE object.
  void WriteLine(std::string_view record, std::int64_t count) {
    MifLayer& main = ctx_.out.main;
    // Every coordinate is read before anything is written, so a bad one
    // leaves no half-written line behind. A count larger than the record
    // fails at the first missing coordinate.
    coords_.clear();
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (n > 0 && record.size() >= kFirstOrdinateAt + kCoordinateStep * (n - 1) + 10) {
      // Every field is there whole: the fields are taken at their offsets,
      // into room made once.
      const char* field = record.data() + kFirstOrdinateAt;
      static_assert(kFirstOrdinateAt >= 16 - 10, "a vertex's look-behind stays within the record");
      // Lines of two or more vertices of digits only (nearly all) straight
      // into the file: once checked, nothing in them can fail.
      if (n >= 2 && vertexLines_.usable() && vertexLines_.AllDigits(field, n, kCoordinateStep)) {
        main.BeginPolyline(count);
        char* room = main.mif.Room(vertexLines_.length() * n + VertexLines::kMaxLength);
        main.mif.Advance(vertexLines_.Write(room, field, n, kCoordinateStep));
        ctx_.CountObjectCreated();
        return;
      }
      char* end = coords_.Room(kMaxCoordinateLine * n);
      for (std::size_t i = 0; i < n; ++i, field += kCoordinateStep) {
        // The ten digits of x and y checked as two overlapping words of
        // eight.
        if (copyDigits_ && AreFixedDigits<8>({field, 8}) && AreFixedDigits<8>({field + 2, 8}))
          end = CopyCoordinateLine(end, field, field + 5);
        else
          end = WriteCoordinateLine(end, {field, 5}, {field + 5, 5});
      }
      coords_.Advance(end);
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        const std::size_t column = kFirstOrdinateAt + 1 + kCoordinateStep * i;
        char* end = coords_.Room(kMaxCoordinateLine);
        coords_.Advance(WriteCoordinateLine(end, Field(record, column, 5), Field(record, column + 5, 5)));
      }
    }
    main.WritePolyline(coords_, count);
    ctx_.CountObjectCreated();
  }

  static char* CopyField(char* out, const char* field) {
    std::memcpy(out, field, 5);
    return out + 5;
  }

  void ClearValues() { values_ = {}; }

  // "OD" records: the road attributes, found by a scan of two-letter tags.
  void ReadRoadAttributes(std::string_view record) {
    const std::string_view body = WithoutEndMark(record);
    values_[kOD] = Field(body, 11, 13);
    values_[kFCode] = Field(body, 26, 4);
    const std::size_t end = body.size();  // last 1-based column
    auto skipSeparator = [&](std::size_t& pos) {
      if (Field(body, pos, 1).size() == 1 && Field(body, pos, 1)[0] == kMeridian2Separator) ++pos;
    };
    // A value of at least one character running up to the next separator
    // (or the end); the scan moves past it and the separator.
    auto untilSeparator = [&](std::size_t& pos) {
      std::size_t stop = pos;
      while (stop <= end && !(stop > pos && body[stop - 1] == kMeridian2Separator)) ++stop;
      const std::string_view value = Field(body, pos, stop - pos);
      pos = stop + 1;
      return value;
    };

    std::size_t pos = 30;
    while (pos <= end) {
      const std::string_view tag = Field(body, pos, 2);
      std::size_t v = pos + 2;
      if (tag == "LL") {
        values_[kLL] = Field(body, v, 5);
        pos = v + 5;
      } else if (tag == "NP") {
        std::int64_t parents = ToInteger(Field(body, v, 2));
        if (parents < 0) parents = 0;
        if (parents > 99) parents = 99;
        pos = v + 2 + 15 * static_cast<std::size_t>(parents);
        skipSeparator(pos);
      } else if (tag == "PO") {
        pos = v + 13;
        skipSeparator(pos);
      } else if (tag == "RT" || tag == "TR") {
        values_[tag == "RT" ? kRT : kTR] = Field(body, v, 1);
        pos = v + 1;
        skipSeparator(pos);
      } else if (tag == "SN" || tag == "PN" || tag == "JN" || tag == "RN") {
        const Column column = tag == "SN" ? kSN : tag == "PN" ? kPN : tag == "JN" ? kJN : kRN;
        values_[column] = untilSeparator(v);
        pos = v;
      } else {
        pos += 2;
      }
    }
  }

  // "FC" records: the feature code decides which fixed columns hold values.
  void ReadCodedAttributes(std::string_view record) {
    const std::string_view body = WithoutEndMark(record);
    values_[kFCode] = Field(body, 11, 4);
    const std::int64_t code = ToInteger(values_[kFCode]);
    constexpr std::string_view kStops = "\\%";
    auto name = [&](std::size_t start) { return UpTo(body, start, kStops); };
    switch (code) {
      case 6140: case 6142:
        values_[kRI] = Field(body, 17, 13);
        break;
      case 6155:
        values_[kSI] = Field(body, 17, 13);
        values_[kPN] = name(32);
        break;
      case 6200: case 6401: case 6403: case 6405: case 6800:
        values_[kLC] = Field(body, 17, 6);
        values_[kRC] = Field(body, 25, 6);
        values_[kLD] = Field(body, 33, 6);
        values_[kRD] = Field(body, 41, 6);
        break;
      case 6223: case 6224: case 6225: case 6230: case 6231: case 6232: case 6243: case 6255:
        values_[kWI] = Field(body, 17, 13);
        if (Field(body, 30, 2) == "PN") values_[kPN] = name(32);
        break;
      case 6292:
        values_[kWA] = Field(body, 17, 6);
        if (Field(body, 23, 2) == "PN") values_[kPN] = name(25);
        break;
      case 6310:
        if (Field(body, 15, 2) == "DA") values_[kDA] = Field(body, 17, 13);
        if (Field(body, 30, 2) == "PN") values_[kPN] = name(32);
        break;
      case 6411: case 6415: case 6710: case 6711: case 6740: case 6741:
        if (Field(body, 15, 2) == "PI") values_[kPI] = Field(body, 17, 6);
        if (Field(body, 23, 2) == "NM") values_[kNM] = name(25);
        break;
      case 6500: case 6551: case 6552:
        values_[kTX] = name(17);
        break;
      case 6663:
        values_[kFA] = Field(body, 17, 13);
        break;
      case 6762:
        values_[kHT] = Field(body, 17, 8);
        break;
      default:
        break;
    }
  }

  void WriteAttributes(std::string_view record) {
    ClearValues();
    values_[kId] = Field(record, 3, 6);
    const std::string_view form = Field(record, 9, 2);
    if (form == "OD") ReadRoadAttributes(record);
    else if (form == "FC") ReadCodedAttributes(record);

    Meridian2Style& style = carried_.style;
    LookupMeridian2Style(values_[kFCode], heights_.Flag(), style);

    MifLayer& main = ctx_.out.main;
    const bool text = pendingText_;
    const bool writeText = text && textLayer_;
    if (writeText && !haveAnchor_) throw NtfReadFailure("text without an anchor point");

    // Geometry written since the last attribute record that this record does
    // not describe (a line during a pending text, a second geometry) gets an
    // empty row, so objects and rows stay paired.
    const std::int64_t unpaired = main.objects() - main.rows();
    const std::int64_t ownObject = text ? 0 : 1;
    for (std::int64_t i = ownObject; i < unpaired; ++i) main.WriteEmptyRow();
    // An attribute record with no geometry of its own gets the placeholder
    // object, and no style line.
    const bool placeholder = !text && unpaired <= 0;
    if (placeholder) main.WriteNone();

    if (writeText) {
      MifLayer& layer = *textLayer_;
      const std::string_view tx = values_[kTX];
      line_.assign("TEXT ");
      AppendQuotedText(line_, tx);
      layer.BeginObject();
      layer.mif.WriteLine(line_);
      std::int64_t x = anchor_.x;
      const auto chars = static_cast<std::int64_t>(tx.size());
      if (positionCode_ >= 3 && positionCode_ <= 5) x -= 100 * chars;
      else if (positionCode_ >= 6 && positionCode_ <= 8) x -= 200 * chars;
      line_.clear();
      AppendFixed(line_, static_cast<double>(x), 2);
      line_.push_back(' ');
      AppendFixed(line_, static_cast<double>(anchor_.y), 2);
      line_.push_back(' ');
      AppendFixed(line_, static_cast<double>(x), 2);
      line_.push_back(' ');
      AppendFixed(line_, static_cast<double>(anchor_.y - 200), 2);
      layer.mif.WriteLine(line_);
      layer.mif.WriteLine(kMeridian2TextFont);
      ctx_.CountObjectCreated();
    }
    haveAnchor_ = false;

    if (!text || writeText) WriteRow(writeText ? *textLayer_ : main, record, style);
    if (!text && !placeholder && !style.clause.empty()) main.mif.WriteLine(style.clause);

    pendingText_ = false;
    style.layer = 0;
  }

  // The 27 values of the row. Those read from the record are parts of it:
  // one check of the record tells whether any needs quoting (a description
  // never does). When none does, the row is written straight into its room.
  void WriteRow(MifLayer& layer, std::string_view record, const Meridian2Style& style) {
    values_[kSection] = sectionRef_;
    values_[kDescription] = style.description;
    if (!sectionRefPlain_ || !IsPlainMidValue(record)) {
      row_.Clear();
      for (std::size_t c = 0; c < kLayer; ++c) row_.Add(values_[c]);
      row_.AddInteger(style.layer);
      layer.WriteRow(row_.str());
      return;
    }
    std::size_t size = 0;
    for (std::size_t c = 0; c < kLayer; ++c) size += values_[c].size();
    rowText_.clear();
    char* out = rowText_.Room(size + kLayer + kMaxInteger + 2);
    for (std::size_t c = 0; c < kLayer; ++c) {
      const std::string_view value = values_[c];
      if (!value.empty()) std::memcpy(out, value.data(), value.size());
      out += value.size();
      *out++ = ',';
    }
    // Layers are single digits.
    if (style.layer >= 0 && style.layer <= 9) *out++ = static_cast<char>('0' + style.layer);
    else out = WriteInteger(out, style.layer);
    *out++ = '\r';
    *out++ = '\n';
    rowText_.Advance(out);
    layer.mid.Write(rowText_.view());
    layer.CountRows(1);
  }

  Meridian2Carried& carried_;
  OptionView heights_;
  MifLayer* textLayer_;  // nullptr: texts are dropped
  std::int64_t xOrigin_ = 0;
  std::int64_t yOrigin_ = 0;
  static constexpr std::int64_t kFieldStep = 100000;  // above five digits
  // Coordinate i (from 0) of a line has its five-digit x at offset 13 + 11 i
  // and its y right after it.
  static constexpr std::size_t kFirstOrdinateAt = 13;
  static constexpr std::size_t kCoordinateStep = 11;
  static constexpr std::size_t kMaxCoordinateLine = 2 * kMaxInteger + 3;
  OriginDigits xDigits_, yDigits_;
  VertexLines vertexLines_;  // the usual vertex lines in one step each, where the processor can
  bool copyDigits_ = false;  // both origins usable: ordinates are copied
  bool pendingText_ = false;
  std::int64_t positionCode_ = 0;
  bool haveAnchor_ = false;
  Point anchor_;
  std::array<std::string_view, kColumnCount> values_{};
  TextBuffer coords_;
  TextBuffer rowText_;
  std::string line_;
  std::string networkRow_;
  MidRow row_;
};

}  // namespace

FileOutcome TranslateMeridian2(FileContext& ctx) {
  Meridian2Translator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
