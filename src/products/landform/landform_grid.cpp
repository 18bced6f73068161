// Height grids. A tile is a square grid of nodes; each grid column (one
// easting, all northings from south to north) is a record "51" whose heights
// sit at fixed columns of fixed lines after the line that carries the "51":
//
//   PANORAMA (401 x 401, 50 m, 4 characters): the "51" line and the line
//   after it hold no heights; 21 full lines of 19 heights from column 3, then
//   a last line of 2.
//   PROFILE (501 x 501, 10 m, 5 characters): 12 heights on the "51" line from
//   column 19; 32 full lines of 15 heights from column 3, then a last line of
//   9.
#include <string>
#include <vector>

#include "mif/format.hpp"
#include "ntf/cursor.hpp"
#include "products/landform/landform.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

struct GridShape {
  int columns;          // eastings per tile
  int rows;             // northings per column
  std::int64_t spacing;  // metres
  std::size_t width;    // characters per height
};

constexpr GridShape kPanorama{401, 401, 50, 4};
constexpr GridShape kProfile{501, 501, 10, 5};

class GridTranslator {
 public:
  GridTranslator(FileContext& ctx, const GridShape& shape, bool profile)
      : ctx_(ctx), cursor_(ctx.records), shape_(shape), profile_(profile) {
  }

  FileOutcome Translate() {
    if (!ReadSectionHeader()) {
      ReportReadError(ctx_, cursor_.currentLine);
      return FileOutcome::CutShort;
    }
    try {
      for (int c = 0; c < shape_.columns; ++c) {
        easting_.assign("Point ");  // every point of the column starts so
        AppendInteger(easting_, xOrigin_ + shape_.spacing * c);
        const bool more = profile_ ? ReadProfileGridColumn() : ReadPanoramaGridColumn();
        if (!more) return ctx_.out.WriteFailed() ? FileOutcome::OutputFailed : FileOutcome::Translated;
        if (const auto end = EndAfterRecord(ctx_, cursor_.currentLine)) return *end;
      }
    } catch (const std::exception&) {
      // The list ended inside a column: the columns written so far stay.
      ReportReadError(ctx_, cursor_.currentLine);
      return ctx_.out.WriteFailed() ? FileOutcome::OutputFailed : FileOutcome::CutShort;
    }
    if (profile_) ctx_.counters.Progress(0);
    return FileOutcome::Translated;
  }

 private:
  // The first "07" line from index 2 on (no stop at "99"); the origins are
  // read from that line alone.
  bool ReadSectionHeader() {
    try {
      cursor_.currentLine = 2;
      while (RecordId(cursor_.Line()) != "07") ++cursor_.currentLine;
      const std::string_view line = cursor_.Line();
      xOrigin_ = ToInteger(Field(line, 47, 10));
      yOrigin_ = ToInteger(Field(line, 57, 10));
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  // Moves to the line after the next "51" and returns true, or returns false
  // at a "99" (the tile is finished).
  bool FindColumn() {
    for (;;) {
      const std::string_view id = RecordId(cursor_.Line());
      ++cursor_.currentLine;
      if (id == "51") return true;
      if (id == "99") return false;
    }
  }

  // Each height goes straight to the column's MID rows: the line it came
  // from need not be held until the column is written.
  void TakeHeights(std::string_view line, std::size_t firstColumn, int count) {
    for (int j = 0; j < count; ++j) {
      AppendMidValue(value_, Field(line, firstColumn + shape_.width * j, shape_.width));
      value_.Append("\r\n");
    }
    heights_ += static_cast<std::size_t>(count);
  }

  // Full lines from currentLine on, each counted as a record read.
  void TakeFullLines(int lines, int perLine) {
    for (int i = 0; i < lines; ++i, ++cursor_.currentLine) {
      TakeHeights(cursor_.Line(), 3, perLine);
      ctx_.counters.CountRecordRead();
    }
  }

  bool ReadPanoramaGridColumn() {
    if (!FindColumn()) return false;
    StartColumn();
    ++cursor_.currentLine;  // the line after the "51" holds no heights
    TakeFullLines(21, 19);
    const std::string_view last = cursor_.Line();
    ctx_.counters.recordsRead += 2;
    const bool finished = RecordId(last) == "99";
    if (!finished) TakeHeights(last, 3, 2);
    WriteHeights();
    return !finished;
  }

  bool ReadProfileGridColumn() {
    if (!FindColumn()) return false;
    StartColumn();
    TakeHeights(cursor_.LineAt(cursor_.currentLine - 1), 19, 12);
    TakeFullLines(32, 15);
    // A "99" where the last line was expected holds no heights: the column
    // is written as far as it goes and the tile is finished.
    const std::string_view last = cursor_.Line();
    const bool finished = RecordId(last) == "99";
    if (!finished) TakeHeights(last, 3, 9);
    WriteHeights();
    return !finished;
  }

  void StartColumn() {
    heights_ = 0;
    value_.clear();
  }

  // Each height becomes a point at its grid node and one row. The northings
  // are the same in every column: the text after the easting ("northing",
  // the line end and the symbol line) is made once per tile.
  void WriteHeights() {
    if (rowTails_.empty()) {
      rowTails_.resize(static_cast<std::size_t>(shape_.rows));
      for (std::size_t row = 0; row < rowTails_.size(); ++row) {
        std::string& tail = rowTails_[row];
        tail.push_back(' ');
        AppendInteger(tail, yOrigin_ + shape_.spacing * static_cast<std::int64_t>(row));
        tail.append("\r\n");
        tail.append(kGridSymbol);
        tail.append("\r\n");
      }
    }
    MifLayer& layer = ctx_.out.main;
    text_.clear();
    for (std::size_t row = 0; row < heights_; ++row) {
      ctx_.CountObjectCreated();
      layer.BeginObject();
      text_.Append(easting_);
      text_.Append(rowTails_[row]);
    }
    layer.mif.Write(text_.view());
    layer.mid.Write(value_.view());
    layer.CountRows(heights_);
  }

  FileContext& ctx_;
  RecordCursor cursor_;
  const GridShape& shape_;
  bool profile_;
  std::int64_t xOrigin_ = 0;
  std::int64_t yOrigin_ = 0;
  std::string easting_;  // "Point " and the column's easting
  std::size_t heights_ = 0;  // of the column in hand, their rows in value_
  TextBuffer text_;
  TextBuffer value_;
  std::vector<std::string> rowTails_;
};

}  // namespace

FileOutcome TranslatePanoramaGrid(FileContext& ctx) { return GridTranslator(ctx, kPanorama, false).Translate(); }

FileOutcome TranslateProfileGrid(FileContext& ctx) { return GridTranslator(ctx, kProfile, true).Translate(); }

}  // namespace quorvel
