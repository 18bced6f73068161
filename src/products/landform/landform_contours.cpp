// Contours and spot heights. Both products give each feature a feature
// record (point "15" or line "23") and a geometry record:
//
//   PANORAMA: the feature record holds the height (columns 11-16) and makes
//   the row; the geometry record "21" holds points of two ten-character
//   integer offsets added to the origins.
//   PROFILE: two-dimensional features have a geometry record "21" (points of
//   two six-character offsets in centimetres) and take their row from the
//   attribute record "14" that follows; three-dimensional ones have a
//   geometry record "22" whose points also carry a height, and make their
//   row themselves.
//
// The records are assembled by this translator's own loop: a line ending in
// "1%" continues on the next, the "00" of a continuation line is dropped,
// and a line ending in "0%" completes the record.
#include <array>
#include <string>

#include "mif/format.hpp"
#include "ntf/cursor.hpp"
#include "products/landform/landform.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

struct ContourStyle {
  std::string_view fcode;
  std::string_view clause;
};

constexpr std::array<ContourStyle, 13> kContourStyles{{
    {"0200", "  SYMBOL (36,0,5)"},
    {"0201", "  PEN (1,2,16744448)"},
    {"0202", "  PEN (1,2,255)"},
    {"0203", "  PEN (1,3,53088)"},
    {"0204", "  PEN (1,2,255)"},
    {"0205", "  PEN (1,2,36863)"},
    {"0207", "  PEN (1,12,1045760)"},
    {"1361", "  PEN (1,2,16744448)"},
    {"0075", "  PEN (1,2,16744448)"},
    {"1372", "  SYMBOL (36,0,5)"},
    {"0027", "  SYMBOL (36,0,5)"},
    {"0071", "  PEN (1,2,255)"},
    {"0072", "  PEN (1,12,255)"},
}};

struct ProfileDescription {
  std::string_view fcode;
  std::string_view description;
};

constexpr std::array<ProfileDescription, 6> kProfileDescriptions{{
    {"1372", "Air height"},
    {"0027", "Spot height"},
    {"1361", "Index contour"},
    {"0075", "Standard contour"},
    {"0071", "High water level"},
    {"0072", "Low water level"},
}};

// The feature state and the style, carried from record to record and from
// tile to tile within an output set.
struct ContourCarried : CarriedState {
  std::string id;
  std::string fcode;
  std::string_view description;
  std::string_view style;
};

class ContourTranslator {
 public:
  ContourTranslator(FileContext& ctx, bool profile)
      : ctx_(ctx), cursor_(ctx.records), profile_(profile), state_(ctx.out.Carried<ContourCarried>()) {}

  FileOutcome Translate() {
    if (!ReadSectionHeader()) {
      ReportReadError(ctx_, cursor_.currentLine);
      return FileOutcome::CutShort;
    }
    ctx_.counters.recordsRead = 0;
    try {
      return RunRecords();
    } catch (const std::exception&) {
      ReportReadError(ctx_, cursor_.currentLine);
      return FileOutcome::CutShort;
    }
  }

 private:
  // The first "07" line from index 1 on (no stop at "99"); its fields are
  // read from that line alone.
  bool ReadSectionHeader() {
    try {
      cursor_.currentLine = 1;
      while (RecordId(cursor_.Line()) != "07") ++cursor_.currentLine;
      const std::string_view line = cursor_.Line();
      sectionRef_.assign(TrimRight(Field(line, 3, 10)));
      xOrigin_ = ToInteger(Field(line, 47, 10));
      yOrigin_ = ToInteger(Field(line, 57, 10));
      // Not used, but a header whose XY multiplier does not convert is bad.
      if (profile_) ToReal(Field(line, 21, 10));
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  FileOutcome RunRecords() {
    // Records before the first feature record are passed over; a tile with
    // none is finished.
    std::string_view id;
    do {
      ++cursor_.currentLine;
      id = RecordId(cursor_.Line());
    } while (id != "15" && id != "23" && id != "99");
    if (id == "99") return FileOutcome::Translated;

    record_.clear();
    std::string_view line = cursor_.Line();
    for (;;) {
      record_.append(line);
      if (EndsWith(record_, "1%")) {
        record_.resize(record_.size() - 2);
      } else if (EndsWith(record_, "0%")) {
        if (profile_) WriteProfileContourRecord(record_);
        else WritePanoramaContourRecord(record_);
        if (const auto end = EndAfterRecord(ctx_, cursor_.currentLine)) return *end;
        record_.clear();
      }
      ++cursor_.currentLine;
      ++ctx_.counters.recordsRead;
      line = cursor_.Line();
      id = RecordId(line);
      if (id == "99") break;
      if (id == "00") line.remove_prefix(2);
    }
    return FileOutcome::Translated;
  }

  // --- geometry -----------------------------------------------------------

  // Reads the type and the points of a geometry record into points_ (one
  // "x y" line each) and firstPoint_.
  template <class AppendPoint>
  void ReadPoints(std::string_view record, AppendPoint appendPoint) {
    const std::string_view type = Field(record, 9, 1);
    type_ = type.empty() ? ' ' : type[0];
    count_ = ToInteger(Field(record, 10, 4));
    points_.clear();
    firstPoint_.clear();
    for (std::int64_t i = 0; i < count_; ++i) {
      const std::size_t start = points_.size();
      appendPoint(points_, static_cast<std::size_t>(i));
      if (i == 0) firstPoint_.assign(points_, start, std::string::npos);
      points_.append("\r\n");
    }
  }

  void AppendPanoramaPoint(std::string& out, std::string_view record, std::size_t i) {
    AppendInteger(out, ToInteger(Field(record, 14 + 21 * i, 10)) + xOrigin_);
    out.push_back(' ');
    AppendInteger(out, ToInteger(Field(record, 24 + 21 * i, 10)) + yOrigin_);
  }

  // Six-character offsets in centimetres, written with two decimals.
  void AppendProfilePoint(std::string& out, std::string_view record, std::size_t stride, std::size_t i) {
    const double x = ToReal(Field(record, 14 + stride * i, 6)) * 0.01 + static_cast<double>(xOrigin_);
    const double y = ToReal(Field(record, 20 + stride * i, 6)) * 0.01 + static_cast<double>(yOrigin_);
    AppendFixedPair(out, x, y, 2);
  }

  // Writes the points read as a point (several as a multipoint) or a line (a
  // single vertex twice); returns false when there is nothing to draw.
  bool WriteShape(bool asPoint) {
    MifLayer& layer = ctx_.out.main;
    if (count_ <= 0) return false;
    if (asPoint && count_ == 1) {
      const std::size_t blank = firstPoint_.find(' ');
      layer.WritePoint(std::string_view(firstPoint_).substr(0, blank), std::string_view(firstPoint_).substr(blank + 1));
      return true;
    }
    text_.assign(asPoint ? "MULTIPOINT " : "PLINE ");
    AppendInteger(text_, count_ == 1 ? 2 : count_);
    text_.append("\r\n");
    text_.append(points_);
    if (count_ == 1) text_.append(firstPoint_).append("\r\n");
    layer.BeginObject();
    layer.mif.Write(text_);
    return true;
  }

  // Empty until the first listed code.
  void WriteStyle() { ctx_.out.main.mif.WriteLine(state_.style); }

  // --- PANORAMA -------------------------------------------------------------

  void WritePanoramaContourRecord(std::string_view record) {
    ctx_.counters.CountRecordRead();
    MifLayer& layer = ctx_.out.main;
    const std::string_view id = RecordId(record);
    if (id == "15" || id == "23") {
      const std::int64_t height = ToInteger(Field(record, 11, 6));
      const std::string_view fcode = Field(record, 17, 4);
      // The feature before this one had no geometry.
      if (layer.objects() < layer.rows()) layer.WriteNone();
      row_.Clear();
      row_.AddInteger(height).Add(sectionRef_).Add(Field(record, 3, 6)).Add(fcode);
      row_.Add(id == "15" ? "SpotHeight" : "Line");
      layer.WriteRow(row_.str());
      LookupContourStyle(fcode, state_.style);
    } else if (id == "21") {
      ReadPoints(record, [&](std::string& out, std::size_t i) { AppendPanoramaPoint(out, record, i); });
      const bool rowWaits = layer.objects() < layer.rows();
      const bool drawn = (type_ == '1' || type_ == '2') && WriteShape(type_ == '1');
      ctx_.CountObjectCreated();
      if (drawn) {
        WriteStyle();
        // A geometry without a feature record of its own.
        if (!rowWaits) layer.WriteEmptyRow();
      } else if (rowWaits) {
        layer.WriteNone();
      }
    }
  }

  // --- PROFILE --------------------------------------------------------------

  void WriteProfileRow(std::string_view height) {
    row_.Clear();
    row_.Add(height).Add(sectionRef_).Add(state_.id).Add(state_.fcode).Add(state_.description);
    ctx_.out.main.WriteRow(row_.str());
  }

  void WriteProfileContourRecord(std::string_view record) {
    ctx_.counters.CountRecordRead();
    MifLayer& layer = ctx_.out.main;
    const std::string_view id = RecordId(record);
    if (id == "14") {
      WriteProfileRow(Field(record, 11, 6));
    } else if (id == "15" || id == "23") {
      state_.id.assign(Field(record, 3, 6));
      state_.fcode.assign(Field(record, 17, 4));
      for (const ProfileDescription& d : kProfileDescriptions)
        if (d.fcode == state_.fcode) state_.description = d.description;
      LookupContourStyle(state_.fcode, state_.style);
    } else if (id == "21") {
      // Two-dimensional: the row comes from the attribute record; the n-th
      // object pairs with the n-th row and the tile is evened up at its end.
      ReadPoints(record, [&](std::string& out, std::size_t i) { AppendProfilePoint(out, record, 13, i); });
      if (WriteShape(type_ == '1')) WriteStyle();
      else layer.WriteNone();
      ctx_.CountObjectCreated();
    } else if (id == "22") {
      // Three-dimensional: object and row together, the row with the height
      // of the first point.
      const std::string_view type = Field(record, 9, 1);
      if (type == "1") {
        // A spot height: its one point, whatever the count says.
        firstPoint_.clear();
        AppendProfilePoint(firstPoint_, record, 20, 0);
        const std::size_t blank = firstPoint_.find(' ');
        layer.WritePoint(std::string_view(firstPoint_).substr(0, blank),
                         std::string_view(firstPoint_).substr(blank + 1));
        WriteStyle();
      } else if (type == "2") {
        ReadPoints(record, [&](std::string& out, std::size_t i) { AppendProfilePoint(out, record, 20, i); });
        if (WriteShape(false)) WriteStyle();
        else layer.WriteNone();
      } else {
        return;
      }
      ctx_.CountObjectCreated();
      WriteProfileRow(Field(record, 27, 6));
    }
  }

  FileContext& ctx_;
  RecordCursor cursor_;
  bool profile_;
  ContourCarried& state_;
  std::string sectionRef_;
  std::int64_t xOrigin_ = 0;
  std::int64_t yOrigin_ = 0;
  std::string record_;
  char type_ = ' ';
  std::int64_t count_ = 0;
  std::string points_;
  std::string firstPoint_;
  std::string text_;
  MidRow row_;
};

}  // namespace

bool LookupContourStyle(std::string_view fcode, std::string_view& clause) {
  for (const ContourStyle& s : kContourStyles) {
    if (s.fcode == fcode) {
      clause = s.clause;
      return true;
    }
  }
  return false;
}

FileOutcome TranslatePanoramaContours(FileContext& ctx) { return ContourTranslator(ctx, false).Translate(); }

FileOutcome TranslateProfileContours(FileContext& ctx) { return ContourTranslator(ctx, true).Translate(); }

}  // namespace quorvel
