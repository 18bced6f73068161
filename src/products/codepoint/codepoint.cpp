#include "products/codepoint/codepoint.hpp"

#include <cstdint>
#include <cstring>
#include <utility>

#include "mif/format.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

// A raw coordinate field is written as it stands, but it must be a number:
// anything else would make the MIF unreadable.
bool IsCoordinate(std::string_view field) {
  std::int64_t v = 0;
  return TryToFixedDigits<7>(field, v) || (field.size() == 7 && TryToInteger(field, v));
}

// The point's two MIF lines with the coordinates left to fill in.
constexpr char kPointLines[] = "POINT xxxxxxx yyyyyyy\r\nSymbol (34,16711680,6)\r\n";
static_assert(kCodePointSymbol == std::string_view(kPointLines + 23, kCodePointSymbol.size()));

// An attribute record as the data nearly always has it: every mnemonic
// there, in table order, each value at its full width. The values then sit
// at fixed columns and the row is copied without a search.
struct FullLayout {
  std::size_t tagAt[kCodePointMnemonics.size()];  // 0-based offsets in the record
  std::uint64_t tagWord[kCodePointMnemonics.size()];  // the tag as LoadLittleEndian<2> reads it
  std::size_t valueAt[kCodePointMnemonics.size()];
  std::size_t size;  // of the record without its end mark, at least
};

constexpr FullLayout MakeFullLayout() {
  FullLayout layout{};
  std::size_t at = 8;
  for (std::size_t i = 0; i < kCodePointMnemonics.size(); ++i) {
    const std::string_view tag = kCodePointMnemonics[i].tag;
    layout.tagAt[i] = at;
    layout.tagWord[i] = static_cast<std::uint64_t>(static_cast<unsigned char>(tag[1])) << 8 |
                        static_cast<unsigned char>(tag[0]);
    layout.valueAt[i] = at + 2;
    at += 2 + kCodePointMnemonics[i].width;
  }
  layout.size = at;
  return layout;
}

constexpr FullLayout kFullLayout = MakeFullLayout();
constexpr auto kEachMnemonic = std::make_index_sequence<kCodePointMnemonics.size()>();

// The values are checked for quoting as the record's last 80 bytes: whole
// 16-byte steps of IsPlainMidValue, from within the first tag to the end.
constexpr std::size_t kCheckedSize = 80;
static_assert(kFullLayout.size - kCheckedSize >= kFullLayout.tagAt[0] &&
              kFullLayout.size - kCheckedSize < kFullLayout.valueAt[0]);

// What a full-layout record adds to the row after the section reference: a
// "," before each value, the values (the record after its id, less the
// tags) and the line end.
constexpr std::size_t kFullRowTail = kCodePointMnemonics.size() +
                                     (kFullLayout.size - kFullLayout.tagAt[0] - 2 * kCodePointMnemonics.size()) + 2;

// Every tag at its place (the record is long enough). The offsets are
// constants here, so each test is one load and one compare.
template <std::size_t... I>
bool TagsInPlace(const char* record, std::index_sequence<I...>) {
  return (... && (LoadLittleEndian<2>(record + kFullLayout.tagAt[I]) == kFullLayout.tagWord[I]));
}

bool HasFullLayout(std::string_view record) {
  return record.size() >= kFullLayout.size && TagsInPlace(record.data(), kEachMnemonic) &&
         IsPlainMidValue(record.substr(kFullLayout.size - kCheckedSize, kCheckedSize));
}

// "," and each value of a full-layout record. The widths are constants here,
// so every copy is a few moves rather than a library call.
template <std::size_t... I>
char* CopyFullValues(const char* record, char* out, std::index_sequence<I...>) {
  ((*out++ = ',', std::memcpy(out, record + kFullLayout.valueAt[I], kCodePointMnemonics[I].width),
    out += kCodePointMnemonics[I].width),
   ...);
  return out;
}

class CodePointTranslator final : public RecordLoopTranslator {
 public:
  using RecordLoopTranslator::RecordLoopTranslator;

 protected:
  void ReadSectionHeader(std::string_view /*record*/) override {
    row_.Clear();
    row_.Add(sectionRef_, sectionRefPlain_);
    const std::string_view value = row_.str();
    sectionRefSize_ = value.size();
    if (sectionRefSize_ <= sizeof sectionRefValue_) std::memcpy(sectionRefValue_, value.data(), sectionRefSize_);
  }

  void HandleRecord(std::string_view record) override { WriteCodePointRecord(record); }

  // The n-th point pairs with the n-th row; placeholders even the files up
  // once the tile is done.

 private:
  void WriteCodePointRecord(std::string_view record) {
    const std::string_view id = RecordId(record);
    if (id == "21") WritePoint(record);
    else if (id == "14") WriteAttributes(record);
  }

  void WritePoint(std::string_view record) {
    const std::string_view x = Field(record, 14, 7);
    const std::string_view y = Field(record, 21, 7);
    // The fourteen digits of x and y, as they nearly always are, checked as
    // two overlapping words of eight.
    const bool digits = record.size() >= 27 && AreFixedDigits<8>(record.substr(13, 8)) &&
                        AreFixedDigits<8>(record.substr(19, 8));
    if (!digits && (!IsCoordinate(x) || !IsCoordinate(y))) throw NtfReadFailure("bad Code-Point coordinate");
    // Both fields are seven characters (IsCoordinate): the lines are the
    // template with them copied in, written at once.
    char lines[sizeof kPointLines - 1];
    std::memcpy(lines, kPointLines, sizeof lines);
    std::memcpy(lines + 6, x.data(), 7);
    std::memcpy(lines + 14, y.data(), 7);
    MifLayer& layer = ctx_.out.main;
    layer.BeginObject();
    layer.mif.Write(std::string_view(lines, sizeof lines));
    ctx_.CountObjectCreated();
  }

  void WriteAttributes(std::string_view record) {
    // The end mark is not part of any value.
    if (EndsWith(record, "0%")) record.remove_suffix(2);
    if (HasFullLayout(record) && sectionRefSize_ <= sizeof sectionRefValue_) {
      // The section reference is copied at its room's full size (a constant):
      // the row's next bytes overwrite what lies past its end.
      line_.clear();
      char* const start = line_.Room(sizeof sectionRefValue_ + kFullRowTail);
      std::memcpy(start, sectionRefValue_, sizeof sectionRefValue_);
      char* end = CopyFullValues(record.data(), start + sectionRefSize_, kEachMnemonic);
      *end++ = '\r';
      *end++ = '\n';
      line_.Advance(end);
      MifLayer& layer = ctx_.out.main;
      layer.mid.Write(line_.view());
      layer.CountRows(1);
      return;
    }
    row_.Clear();
    row_.Add(sectionRef_, sectionRefPlain_);
    // The values are parts of the record: one check of it covers them all.
    const bool plain = IsPlainMidValue(record);
    std::size_t pos = 9;
    for (const CodePointMnemonic& m : kCodePointMnemonics) {
      if (SameText(Field(record, pos, 2), m.tag)) {
        const std::string_view value = Field(record, pos + 2, m.width);
        row_.Add(value, plain);
        pos += 2 + m.width;
      } else {
        row_.AddEmpty();
      }
    }
    ctx_.out.main.WriteRow(row_.str());
  }

  MidRow row_;
  // The row's first value as written; a longer one than the room (never
  // from ten characters) takes the general way.
  char sectionRefValue_[32] = {};
  std::size_t sectionRefSize_ = 0;
  TextBuffer line_;  // a full-layout row
};

}  // namespace

FileOutcome TranslateCodePoint(FileContext& ctx) {
  CodePointTranslator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
