#include "products/boundaryline/boundaryline.hpp"

#include <cstring>
#include <utility>
#include <vector>

#include "mif/format.hpp"
#include "mif/header.hpp"
#include "products/boundaryline/boundaryline_indexes.hpp"
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
// anything else would make the MIF unreadable.
bool IsCoordinate(std::string_view field) {
  std::int64_t v = 0;
  return TryToFixedDigits<8>(field, v) || (field.size() == 8 && TryToInteger(field, v));
}

void AppendCoordinate(std::string& out, std::string_view field) {
  out.append(field.substr(0, 7));
  out.push_back('.');
  out.push_back(field[7]);
}

struct Point {
  std::string_view x, y;
};

// "x y" and the line end built in a small buffer and appended at once;
// fields of eight characters, as IsCoordinate lets through, as a rule.
void AppendPointLine(std::string& out, const Point& p) {
  if (p.x.size() != 8 || p.y.size() != 8) {
    AppendCoordinate(out, p.x);
    out.push_back(' ');
    AppendCoordinate(out, p.y);
    out.append("\r\n");
    return;
  }
  char line[21];
  std::memcpy(line, p.x.data(), 7);
  line[7] = '.';
  line[8] = p.x[7];
  line[9] = ' ';
  std::memcpy(line + 10, p.y.data(), 7);
  line[17] = '.';
  line[18] = p.y[7];
  line[19] = '\r';
  line[20] = '\n';
  out.append(line, sizeof line);
}

class BoundaryLineTranslator final : public RecordLoopTranslator {
 public:
  explicit BoundaryLineTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx), polygons_(ctx.Layer(kPolygonLayer)), links_(ctx.Layer(kLinkLayer)) {}

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
      std::string text = "Polygon " + regionPolygonId_ + " is incomplete: its region is written with ";
      AppendInteger(text, ringsRead_);
      text += " of its ";
      AppendInteger(text, regionRingCount_);
      text += " rings.";
      ctx_.observer.ShowFileMessage(MessageKind::Warning, EscapeControls(ctx_.ntfPath), EscapeControls(text));
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
        lastGeometry_.assign(Field(record, 3, kToEnd));
        geometries_.Add(lastGeometry_);
      } else if (id == "14" && !collectionAttributes) {
        WriteLink(record);
      }
      return;
    }

    ctx_.observer.ShowStatus(kBuildingPolygons);
    ctx_.observer.PumpMessages();
    if (id == "31") currentPolygonId_.assign(Field(record, 3, 6));
    else if (id == "14" && !collectionAttributes) WritePolygonRow(record);
    else if (id == "24") WriteRing(record);
  }

  // The points of a geometry (a "21" record from its column 3) into points_.
  // The count is checked against the record, so a count larger than the
  // points present is a read failure, never a read past the record.
  void ReadPoints(std::string_view geometry) {
    const std::int64_t count = ToInteger(Field(geometry, 8, 4));
    if (count < 0) throw NtfReadFailure("negative point count");
    points_.clear();
    for (std::int64_t i = 0; i < count; ++i) {
      const std::size_t column = 12 + 17 * static_cast<std::size_t>(i);
      const Point p{Field(geometry, column, 8), Field(geometry, column + 8, 8)};
      if (!IsCoordinate(p.x) || !IsCoordinate(p.y)) throw NtfReadFailure("bad Boundary-Line coordinate");
      points_.push_back(p);
    }
  }

  // A link attribute record: the last geometry as a PLINE and a 13-value row.
  void WriteLink(std::string_view record) {
    ReadPoints(lastGeometry_);
    MifLayer& layer = links_;
    text_.clear();
    for (const Point& p : points_) AppendPointLine(text_, p);
    if (layer.WritePolyline(text_, static_cast<std::int64_t>(points_.size()))) {
      layer.mif.WriteLine(kBoundaryLinePen);
      layer.mif.EndLine();
    }
    const std::string_view body = WithoutEndMark(record);
    row_.Clear();
    row_.Add(Field(body, 3, 6)).Add("Link").Add(Field(body, 11, 10)).AddEmpty(6).Add(Field(body, 23, 4)).AddEmpty(3);
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
    collections_.ForEach(currentPolygonId_, [&](std::string_view attributes) {
      adminAreaId = ToInteger(Field(attributes, 11, 6));
      nonInlandArea = ReadArea(Field(attributes, 19, 12));
      const std::string_view text = WithoutEndMark(attributes);
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
    row_.Add(currentPolygonId_).Add("Polygon");
    if (listed) row_.AddInteger(adminAreaId);
    else row_.AddEmpty();
    row_.Add(globalId);
    if (listed) row_.AddFixed(nonInlandArea, 3);
    else row_.AddEmpty();
    row_.AddFixed(hectares, 3);
    if (listed) row_.Add(census).Add(areaType).Add(areaCode).Add(name).Add(nonTypeCode);
    else row_.AddEmpty(5);
    polygons_.WriteRow(row_.str());
    ctx_.CountObjectCreated();
  }

  // A chain: one ring of the open region, opening it first if none is.
  void WriteRing(std::string_view record) {
    // The ring is assembled first: a chain that cannot be read leaves no
    // trace in the region.
    ring_.clear();
    std::int64_t ringPoints = 0;
    const std::int64_t parts = ToInteger(Field(record, 9, 4));
    for (std::int64_t k = 0; k < parts; ++k) {
      // A count larger than the parts present fails at the first missing
      // direction.
      const std::size_t column = 13 + 7 * static_cast<std::size_t>(k);
      const std::string_view geometryId = Field(record, column, 6);
      const std::int64_t direction = ToInteger(Field(record, column + 6, 1));
      if (direction != 1 && direction != 2) continue;
      geometries_.ForEach(geometryId, [&](std::string_view geometry) {
        ReadPoints(geometry);
        if (direction == 1) {
          for (const Point& p : points_) AppendPointLine(ring_, p);
        } else {
          for (auto p = points_.rbegin(); p != points_.rend(); ++p) AppendPointLine(ring_, *p);
        }
        ringPoints += static_cast<std::int64_t>(points_.size());
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
      region_.append(ring_);
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
  std::string lastGeometry_;
  std::string currentPolygonId_;

  bool regionOpen_ = false;
  std::int64_t regionRingCount_ = 0;
  std::int64_t ringsRead_ = 0;
  std::int64_t ringsKept_ = 0;
  std::string regionPolygonId_;
  std::string region_;  // the rings kept so far, count lines included
  std::string ring_;

  std::vector<Point> points_;
  std::string text_;
  MidRow row_;
};

}  // namespace

FileOutcome TranslateBoundaryLine(FileContext& ctx) {
  BoundaryLineTranslator translator(ctx);
  return translator.Translate();
}

}  // namespace quorvel
