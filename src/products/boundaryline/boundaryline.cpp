#include "products/boundaryline/boundaryline.hpp"

#include <cstring>
#include <utility>

#include "mif/format.hpp"
#include "mif/header.hpp"
#include "products/boundaryline/boundaryline_indexes.hpp"
#include "products/common/vertex_lines.hpp"
#include "run/messages.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

constexpr std::size_t kToEnd = std::string_view::npos;

// The record without its end mark: the mark is never part of a value.
std::string_view WithoutEndMark(std::string_view record) {
  if (EndsWith(record, "0%")) record.remove_suffix(2);
  return record;
}

// A twelve-character area field: nine integer digits and three decimals.
double ReadArea(std::string_view field) {
  char text[16];
  const std::string_view whole = field.substr(0, 9);
  const std::string_view decimals = field.substr(std::min<std::size_t>(field.size(), 9), 3);
  std::size_t n = whole.copy(text, whole.size());
  text[n++] = '.';
  n += decimals.copy(text + n, decimals.size());
  return ToReal(std::string_view(text, n));
}

// An eight-character coordinate field in tenths of a metre. It is written as
// it stands (with a point before its last character), so it must be a number:
// anything else would make the MIF unreadable. Nearly every field is eight
// digits, checked inline by the caller; this takes the others (leading
// blanks, a sign).
bool IsOtherCoordinate(std::string_view field) {
  std::int64_t v = 0;
  return TryToInteger(field, v);
}

// Point i of a geometry (a "21" record from its column 3) has its x at
// offset 11 + 17 i and its y right after it, each eight characters.
constexpr std::size_t kFirstPointAt = 11;
constexpr std::size_t kPointStep = 17;
// "xxxxxxx.x yyyyyyy.y" and the line end.
constexpr std::size_t kPointLineSize = 21;

// The points of a geometry as MIF coordinate lines in `out`, last point
// first when `reversed`; returns how many. The count is checked against the
// record, so a count larger than the points present is a read failure,
// never a read past the record.
std::int64_t AppendPointLines(TextBuffer& out, std::string_view geometry, bool reversed) {
  const std::int64_t count = ToFixedInteger<4>(Field(geometry, 8, 4));
  if (count < 0) throw NtfReadFailure("negative point count");
  if (count == 0) return 0;
  const auto n = static_cast<std::size_t>(count);
  if (geometry.size() < kFirstPointAt + kPointStep * (n - 1) + 16) throw NtfReadFailure("bad Boundary-Line coordinate");
  // Fields of digits only (nearly all): each line made in one step, where
  // the processor can.
  static const VertexLines kLines(8, 1);
  if (kLines.usable()) {
    const char* first = geometry.data() + kFirstPointAt + (reversed ? kPointStep * (n - 1) : 0);
    const auto stride = reversed ? -static_cast<std::ptrdiff_t>(kPointStep) : static_cast<std::ptrdiff_t>(kPointStep);
    if (char* end = kLines.WriteIfDigits(out.Room(kPointLineSize * n + VertexLines::kMaxLength), first, n, stride)) {
      out.Advance(end);
      return count;
    }
  }
  char* line = out.Room(kPointLineSize * n);
  for (std::size_t i = 0; i < n; ++i) {
    const char* x = geometry.data() + kFirstPointAt + kPointStep * (reversed ? n - 1 - i : i);
    const char* y = x + 8;
    const bool digits = AreFixedDigits<8>({x, 8}) && AreFixedDigits<8>({y, 8});
    if (!digits && !(IsOtherCoordinate({x, 8}) && IsOtherCoordinate({y, 8})))
      throw NtfReadFailure("bad Boundary-Line coordinate");
    std::memcpy(line, x, 7);
    line[7] = '.';
    line[8] = x[7];
    line[9] = ' ';
    std::memcpy(line + 10, y, 7);
    line[17] = '.';
    line[18] = y[7];
    line[19] = '\r';
    line[20] = '\n';
    line += kPointLineSize;
  }
  out.Advance(line);
  return count;
}

class BoundaryLineTranslator final : public RecordLoopTranslator {
 public:
  explicit BoundaryLineTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx), polygons_(ctx.Layer(kPolygonLayer)), links_(ctx.Layer(kLinkLayer)) {
    geometries_.Reserve(ctx.records.bytes());
  }

  FileOutcome Translate() {
    try {
      BuildComplexPolygonIndex();
      BuildCollectionIndex();
    } catch (const std::exception&) {
      ReportReadError(ctx_, cursor_.currentLine);
      return FileOutcome::CutShort;
    }
    return Run();
  }

 protected:
  void HandleRecord(std::string_view record) override { WriteBoundaryLineRecord(record); }

  void FinishFile() override {
    if (regionOpen_) {
      std::string read, rings;
      AppendInteger(read, ringsRead_);
      AppendInteger(rings, regionRingCount_);
      ShowFileMessage(ctx_.observer, MessageId::IncompletePolygon, ctx_.ntfPath, {regionPolygonId_, read, rings});
      CloseRegion();
    }
  }

 private:
  // Complex polygon pass: every member of every "33" record with its
  // complex polygon's number of parts.
  void BuildComplexPolygonIndex() {
    for (cursor_.currentLine = 1;; ++cursor_.currentLine) {
      const std::string_view id = RecordId(cursor_.Line());
      if (id == "99") break;
      if (id != "33") continue;
      const std::string_view record = cursor_.JoinRecord(scratch_);
      const std::int64_t parts = ToInteger(Field(record, 9, 4));
      // Members past the end of the record would have empty ids.
      for (std::int64_t k = 0; k < parts; ++k) {
        const std::size_t column = 13 + 7 * static_cast<std::size_t>(k);
        if (column > record.size()) break;
        complex_.Add(Field(record, column, 6), parts);
      }
    }
  }

  // Collection pass: every "34" record with the attribute record after it.
  void BuildCollectionIndex() {
    for (cursor_.currentLine = 1;; ++cursor_.currentLine) {
      const std::string_view id = RecordId(cursor_.Line());
      if (id == "99") break;
      if (id != "34") continue;
      const std::size_t firstLine = cursor_.currentLine;
      const std::string_view record = cursor_.JoinRecord(scratch_);
      if (cursor_.currentLine == firstLine) {
        collectionPolygonId_.assign(Field(record, 15, 6));
      } else {
        // A continued record indexes the polygon whose id starts 15
        // characters before its last one.
        const std::size_t length = record.size();
        collectionPolygonId_.assign(length >= 16 ? record.substr(length - 16, 6) : std::string_view());
      }
      ++cursor_.currentLine;
      // A collection record right before the end of the volume has no
      // attribute record; the end mark is not taken for one.
      if (RecordId(cursor_.Line()) == "99") break;
      collections_.Add(collectionPolygonId_, cursor_.JoinRecord(scratch_));
    }
    collections_.Seal();
  }

  void WriteBoundaryLineRecord(std::string_view record) {
    const std::string_view id = RecordId(record);
    // The attribute record after a collection record belongs to the
    // collection (the collection pass has taken it).
    const bool collectionAttributes = afterCollection_ && id == "14";
    afterCollection_ = id == "34";
    if (id == "31" || id == "33") polygonBlock_ = true;

    if (!polygonBlock_) {
      if (id == "21") {
        lastGeometry_ = geometries_.Add(Field(record, 3, kToEnd));
      } else if (id == "14" && !collectionAttributes) {
        WriteLink(record);
      }
      return;
    }

    ctx_.observer.ShowStatus(Message(MessageId::StatusBuildingPolygons).text);
    ctx_.observer.PumpMessages();
    if (id == "31") currentPolygonId_.assign(Field(record, 3, 6));
    else if (id == "14" && !collectionAttributes) WritePolygonRow(record);
    else if (id == "24") WriteRing(record);
  }

  // A link attribute record: the last geometry as a PLINE and a 13-value row.
  void WriteLink(std::string_view record) {
    lines_.clear();
    const std::int64_t points = AppendPointLines(lines_, lastGeometry_, false);
    MifLayer& layer = links_;
    if (layer.WritePolyline(lines_, points)) {
      layer.mif.WriteLine(kBoundaryLinePen);
      layer.mif.EndLine();
    }
    const std::string_view body = WithoutEndMark(record);
    row_.Clear();
    // The values are parts of the record: one check of it covers them all.
    const bool plain = IsPlainMidValue(body);
    row_.Add(Field(body, 3, 6), plain).AddPlain("Link").Add(Field(body, 11, 10), plain).AddEmpty(6);
    row_.Add(Field(body, 23, 4), plain).AddEmpty(3);
    layer.WriteRow(row_.str());
    ctx_.CountObjectCreated();
  }

  // A polygon attribute record: an 11-value row keyed to the current
  // polygon, with the values of the last collection that lists it.
  void WritePolygonRow(std::string_view record) {
    const std::string_view globalId = Field(WithoutEndMark(record), 11, 6);
    const double hectares = ReadArea(Field(record, 19, 12));

    bool listed = false;
    std::int64_t adminAreaId = 0;
    double nonInlandArea = 0;
    std::string_view census, areaType, areaCode, name, nonTypeCode;
    bool textPlain = false;  // the values below are parts of one text
    collections_.ForEach(currentPolygonId_, [&](std::string_view attributes) {
      adminAreaId = ToInteger(Field(attributes, 11, 6));
      nonInlandArea = ReadArea(Field(attributes, 19, 12));
      const std::string_view text = WithoutEndMark(attributes);
      textPlain = IsPlainMidValue(text);
      census = Field(text, 33, 7);
      areaType = Field(text, 42, 2);
      areaCode = Field(text, 46, 3);
      name = Field(text, 51, kToEnd);
      nonTypeCode = {};
      const std::size_t backslash = name.find('\\');
      if (backslash != std::string_view::npos) {
        nonTypeCode = Field(text, 51 + backslash + 4, 3);
        name = name.substr(0, backslash);
      }
      listed = true;
    });

    row_.Clear();
    row_.Add(currentPolygonId_).AddPlain("Polygon");
    if (listed) row_.AddInteger(adminAreaId);
    else row_.AddEmpty();
    row_.Add(globalId);
    if (listed) row_.AddFixed(nonInlandArea, 3);
    else row_.AddEmpty();
    row_.AddFixed(hectares, 3);
    if (listed) {
      row_.Add(census, textPlain).Add(areaType, textPlain).Add(areaCode, textPlain);
      row_.Add(name, textPlain).Add(nonTypeCode, textPlain);
    } else {
      row_.AddEmpty(5);
    }
    polygons_.WriteRow(row_.str());
    ctx_.CountObjectCreated();
  }

  // A chain: one ring of the open region, opening it first if none is.
  void WriteRing(std::string_view record) {
    // The ring is assembled first: a chain that cannot be read leaves no
    // trace in the region.
    ring_.clear();
    std::int64_t ringPoints = 0;
    const std::int64_t parts = ToFixedInteger<4>(Field(record, 9, 4));
    for (std::int64_t k = 0; k < parts; ++k) {
      // A count larger than the parts present fails at the first missing
      // direction.
      const std::size_t column = 13 + 7 * static_cast<std::size_t>(k);
      const std::string_view geometryId = Field(record, column, 6);
      const std::int64_t direction = ToFixedInteger<1>(Field(record, column + 6, 1));
      if (direction != 1 && direction != 2) continue;
      geometries_.ForEach(geometryId, [&](std::string_view geometry) {
        ringPoints += AppendPointLines(ring_, geometry, direction == 2);
      });
    }
    const std::string_view chainId = Field(record, 3, 6);
    std::int64_t ringCount = complex_.PartsOf(chainId);
    if (ringCount <= 0) ringCount = 1;
    if (!regionOpen_) {
      regionOpen_ = true;
      regionRingCount_ = ringCount;
      regionPolygonId_.assign(chainId);
      ringsRead_ = 0;
      ringsKept_ = 0;
      region_.clear();
    }
    // Readers reject a ring of fewer than two points: it is left out.
    if (ringPoints >= 2) {
      region_.append("  ");
      AppendInteger(region_, ringPoints);
      region_.append("\r\n");
      region_.append(ring_.view());
      ++ringsKept_;
    }
    if (++ringsRead_ == ringCount) CloseRegion();
  }

  // Writes the open region with the rings kept; with none it is the
  // placeholder "NONE", so its row keeps an object.
  void CloseRegion() {
    MifLayer& layer = polygons_;
    if (ringsKept_ == 0) {
      layer.WriteNone();
    } else {
      layer.BeginObject();
      text_.assign("REGION  ");
      AppendInteger(text_, ringsKept_);
      layer.mif.WriteLine(text_);
      layer.mif.Write(region_);
      layer.mif.WriteLine(kBoundaryLineBrush);
    }
    regionOpen_ = false;
    ringsRead_ = 0;
  }

  MifLayer& polygons_;
  MifLayer& links_;
  std::string scratch_;
  GeometryIndex geometries_;
  ComplexPolygonIndex complex_;
  CollectionIndex collections_;
  std::string collectionPolygonId_;

  bool polygonBlock_ = false;
  bool afterCollection_ = false;
  std::string_view lastGeometry_;  // in geometries_: no geometry is added before it is used
  std::string currentPolygonId_;

  bool regionOpen_ = false;
  std::int64_t regionRingCount_ = 0;
  std::int64_t ringsRead_ = 0;
  std::int64_t ringsKept_ = 0;
  std::string regionPolygonId_;
  std::string region_;  // the rings kept so far, count lines included
  TextBuffer ring_;  // the coordinate lines of the chain in hand

  TextBuffer lines_;  // a link's coordinate lines
  std::string text_;
  MidRow row_;
};

}  // namespace

FileOutcome TranslateBoundaryLine(FileContext& ctx) {
  BoundaryLineTranslator translator(ctx);
  return translator.Translate();
}

}  // namespace quorvel
