// The record loop most translators share: find the section header, then hand
// every record up to "99" to the product's per-record handler.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ntf/cursor.hpp"
#include "run/context.hpp"

namespace quorvel {

// What every translator does after a record: moves the progress display and
// says whether the file ends there, after a failed write (OutputFailed) or
// at the user's stop (CutShort).
std::optional<FileOutcome> EndAfterRecord(FileContext& ctx, std::size_t currentLine);

class RecordLoopTranslator {
 public:
  explicit RecordLoopTranslator(FileContext& ctx) : ctx_(ctx), cursor_(ctx.records) {}
  virtual ~RecordLoopTranslator() = default;

  // Runs the loop over the file. Read failures are reported here.
  FileOutcome Run();

 protected:
  // The joined section header record; the section reference is taken
  // before this is called. Throws NtfReadFailure for a bad field.
  virtual void ReadSectionHeader(std::string_view /*record*/) {}
  // One joined record. May read further records through cursor_.
  virtual void HandleRecord(std::string_view record) = 0;
  // Called once when the loop ends, however it ended (even up the files).
  virtual void FinishFile() {}

  FileContext& ctx_;
  RecordCursor cursor_;
  std::string sectionRef_;
  bool sectionRefPlain_ = false;  // IsPlainMidValue(sectionRef_)

 private:
  static constexpr int kRecordsPerCheck = 32;
  std::string joinBuffer_;
};

}  // namespace quorvel
