#include "products/oscar/oscar.hpp"

#include <array>
#include <string>

#include "mif/format.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

constexpr std::array<OscarStyle, 10> kOscarStyles{{
    {"3000", "  PEN (1,2,255)", "Motorway"},
    {"3001", "  PEN (1,2,16711680)", "A road"},
    {"3002", "  PEN (1,2,8388608)", "B road"},
    {"3004", "  PEN (1,2,0)", "Minor road"},
    {"3007", "  PEN (1,2,12632256)", "Non-network road"},
    {"3008", "  PEN (1,5,0)", "Private road not accessible"},
    {"3009", "  PEN (1,2,0)", "Private road accessible"},
    {"3010", "  PEN (1,6,0)", "Pedestrianised road"},
    {"3500", "  SYMBOL (34,167116960,5)", "Standard node"},
    {"3501", "  SYMBOL (34,12632256,5)", "Edge node"},
}};

// What carries from record to record and from tile to tile within an output
// set: the type of the last geometry record and the last style that matched.
struct OscarCarried : CarriedState {
  char geometryType = ' ';
  OscarStyleResult style;
};

// The value of a text attribute: up to, not including, the first backslash
// or "%". `pos` (1-based) moves past the terminator.
std::string_view ScanText(std::string_view record, std::size_t& pos) {
  if (pos > record.size()) {
    pos = record.size() + 1;
    return {};
  }
  const std::string_view rest = record.substr(pos - 1);
  const std::size_t end = rest.find_first_of("\\%");
  if (end == std::string_view::npos) {
    pos = record.size() + 1;
    return rest;
  }
  pos += end + 1;
  return rest.substr(0, end);
}

class OscarTranslator final : public RecordLoopTranslator {
 public:
  explicit OscarTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx), state_(ctx.out.Carried<OscarCarried>()) {}

 protected:
  void ReadSectionHeader(std::string_view record) override {
    sdate_.clear();
    xOrigin_ = ToInteger(Field(record, 47, 10));
    yOrigin_ = ToInteger(Field(record, 57, 10));
    sdate_.assign(Field(record, 127, 8));
  }

  void HandleRecord(std::string_view record) override { WriteOscarRecord(record); }

  // A last object whose attribute record never came gets an empty row.

 private:
  void WriteOscarRecord(std::string_view record) {
    const std::string_view id = RecordId(record);
    // The end mark is not part of any value.
    if (EndsWith(record, "0%")) record.remove_suffix(2);
    if (id == "21") WriteGeometry(record);
    else if (id == "14") WriteAttributes(record);
  }

  // Appends the grid coordinates of point i: four-character offsets plus
  // the origins, written as whole numbers.
  void AppendPoint(std::string& out, std::string_view record, std::size_t i) {
    const std::int64_t x = ToInteger(Field(record, 14 + 9 * i, 4)) + xOrigin_;
    const std::int64_t y = ToInteger(Field(record, 18 + 9 * i, 4)) + yOrigin_;
    AppendInteger(out, x);
    out.push_back(' ');
    AppendInteger(out, y);
  }

  void WriteGeometry(std::string_view record) {
    MifLayer& layer = ctx_.out.main;
    const std::string_view type = Field(record, 9, 1);
    state_.geometryType = type.empty() ? ' ' : type[0];
    const std::int64_t n = ToInteger(Field(record, 10, 4));

    // The object before this one never got its attribute record.
    if (awaitingRow_) layer.WriteEmptyRow();
    awaitingRow_ = false;
    if (type != "1" && type != "2") return;  // no object; see WriteAttributes

    if (type == "2") {
      // Point 0 is always read, even for a link that claims no points.
      point_.clear();
      AppendPoint(point_, record, 0);
      geometry_.clear();
      if (n > 0) {
        geometry_.append(point_);
        geometry_.append("\r\n");
        for (std::int64_t i = 1; i < n; ++i) {
          AppendPoint(geometry_, record, static_cast<std::size_t>(i));
          geometry_.append("\r\n");
        }
      }
      styleFollows_ = layer.WritePolyline(geometry_, n);
    } else {
      point_.clear();
      AppendPoint(point_, record, 0);
      const std::size_t blank = point_.find(' ');
      layer.WritePoint(std::string_view(point_).substr(0, blank), std::string_view(point_).substr(blank + 1));
      styleFollows_ = true;
    }
    ctx_.CountObjectCreated();
    awaitingRow_ = true;
  }

  void WriteAttributes(std::string_view record) {
    std::string_view osodr, fcode, scale, length, roadName, routeNum, trunk, form;
    const std::string_view id = Field(record, 3, 6);
    if (state_.geometryType == '1') {
      osodr = Field(record, 11, 13);
      fcode = Field(record, 26, 4);
    } else if (state_.geometryType == '2') {
      osodr = Field(record, 11, 13);
      fcode = Field(record, 26, 4);
      trunk = "F";
      // Optional attributes, each tried once in this order at a moving
      // column.
      std::size_t pos = 30;
      if (Field(record, pos, 2) == "SC") {
        scale = Field(record, pos + 2, 1);
        pos += 3;
      }
      if (Field(record, pos, 2) == "LL") {
        length = Field(record, pos + 2, 5);
        pos += 7;
      }
      if (Field(record, pos, 2) == "PN") {
        pos += 2;
        roadName = ScanText(record, pos);
      }
      if (Field(record, pos, 2) == "RN") {
        pos += 2;
        routeNum = ScanText(record, pos);
      }
      if (Field(record, pos, 2) == "TR") {
        trunk = Field(record, pos + 2, 1);
        if (trunk == "Y") trunk = "T";
        pos += 3;
      }
      if (Field(record, pos, 2) == "FW") {
        form = Field(record, pos + 2, 1);
        pos += 3;
      }
    }
    LookupOscarStyle(fcode, state_.style);

    MifLayer& layer = ctx_.out.main;
    // A row without an object (the geometry record was of another type, or
    // there was none) gets the placeholder object, which takes no style.
    const bool withStyle = awaitingRow_ && styleFollows_;
    if (!awaitingRow_) layer.WriteNone();
    awaitingRow_ = false;

    row_.Clear();
    row_.Add(sectionRef_).Add(id).Add(state_.style.description).Add(fcode).Add(osodr).Add(routeNum).Add(roadName);
    row_.Add(form).Add(length).Add(trunk).Add(scale).Add(sdate_);
    layer.WriteRow(row_.str());
    // Before the first listed code the style line is empty.
    if (withStyle) layer.mif.WriteLine(state_.style.clause);
  }

  OscarCarried& state_;
  std::int64_t xOrigin_ = 0;
  std::int64_t yOrigin_ = 0;
  std::string sdate_;
  // The last object written still waits for its attribute record, and
  // whether that record adds the style line (placeholders take none).
  bool awaitingRow_ = false;
  bool styleFollows_ = false;
  std::string point_;
  std::string geometry_;
  MidRow row_;
};

}  // namespace

bool LookupOscarStyle(std::string_view fcode, OscarStyleResult& result) {
  for (const OscarStyle& s : kOscarStyles) {
    if (s.fcode == fcode) {
      result.clause = s.clause;
      result.description = s.description;
      return true;
    }
  }
  return false;
}

FileOutcome TranslateOscar(FileContext& ctx) {
  OscarTranslator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
