#include "products/codepoint/codepoint.hpp"

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

class CodePointTranslator final : public RecordLoopTranslator {
 public:
  using RecordLoopTranslator::RecordLoopTranslator;

 protected:
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
    if (!IsCoordinate(x) || !IsCoordinate(y)) throw NtfReadFailure("bad Code-Point coordinate");
    MifLayer& layer = ctx_.out.main;
    layer.WritePoint(x, y);
    ctx_.CountObjectCreated();
    layer.mif.WriteLine(kCodePointSymbol);
  }

  void WriteAttributes(std::string_view record) {
    // The end mark is not part of any value.
    if (EndsWith(record, "0%")) record.remove_suffix(2);
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
};

}  // namespace

FileOutcome TranslateCodePoint(FileContext& ctx) {
  CodePointTranslator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
