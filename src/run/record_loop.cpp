#include "run/record_loop.hpp"

#include "mif/format.hpp"
#include "run/messages.hpp"

namespace quorvel {

void ReportReadError(FileContext& ctx, std::size_t currentLine) {
  if (ctx.records.Damaged()) {
    // The file shrank under the translator, which read zeros: that is the
    // reason, not the line it stopped at.
    ShowFileMessage(ctx.observer, MessageId::ErrorReadingNtf, ctx.ntfPath, {Message(MessageId::FileShrankWhileRead).text});
    return;
  }
  std::string line;
  AppendInteger(line, static_cast<std::int64_t>(currentLine));
  ShowFileMessage(ctx.observer, MessageId::ReadErrorAtLine, ctx.ntfPath, {line});
}

std::optional<FileOutcome> EndAfterRecord(FileContext& ctx, std::size_t currentLine) {
  if (ctx.out.WriteFailed()) return FileOutcome::OutputFailed;
  ctx.counters.Progress(currentLine);
  if (ctx.observer.StopRequested()) return FileOutcome::CutShort;
  return std::nullopt;
}

namespace {

bool PumpAndAskStop(RunObserver& observer) {
  observer.PumpMessages();
  return observer.StopRequested();
}

}  // namespace

FileOutcome RecordLoopTranslator::Run() {
  ctx_.counters.ResetRecordLabelCounter();
  cursor_.currentLine = 1;
  FileOutcome outcome = FileOutcome::Translated;
  try {
    // Records before the first section header are passed over unread.
    std::string_view id;
    do {
      id = RecordId(cursor_.Line());
      ++cursor_.currentLine;
    } while (id != "07" && id != "99");
    if (id == "99") return FileOutcome::Translated;  // no section: nothing to do
    --cursor_.currentLine;
    std::string_view header = cursor_.JoinRecord(joinBuffer_);
    sectionRef_ = std::string(TrimRight(Field(header, 3, 10)));
    sectionRefPlain_ = IsPlainMidValue(sectionRef_);
    ReadSectionHeader(header);

    // A stop is honoured after the record in hand, as the window and the
    // signal handlers promise: the front end's events are offered and the
    // stop asked after every record (two calls, or one read of the front
    // end's stop flag where it has no events to offer). The costlier checks
    // (failed write, progress) are made once every kRecordsPerCheck records:
    // a failed write then ends the file a few records later, its output
    // discarded either way; the check after the loop catches a failure in
    // the last few.
    int recordsToCheck = kRecordsPerCheck;
    const std::atomic<int>* stopFlag = ctx_.observer.StopFlag();
    for (;;) {
      ++cursor_.currentLine;
      const std::string_view first = cursor_.Line();
      if (RecordId(first) == "99") break;
      std::string_view record = cursor_.JoinRecord(first, joinBuffer_);
      ctx_.counters.CountRecordRead();
      HandleRecord(record);
      if (stopFlag ? stopFlag->load(std::memory_order_relaxed) != 0 : PumpAndAskStop(ctx_.observer)) {
        outcome = FileOutcome::CutShort;
        break;
      }
      if (--recordsToCheck > 0) continue;
      recordsToCheck = kRecordsPerCheck;
      if (const auto end = EndAfterRecord(ctx_, cursor_.currentLine)) {
        outcome = *end;
        break;
      }
    }
  } catch (const std::exception&) {
    // Any failure while a record is handled ends the file like a read failure.
    ReportReadError(ctx_, cursor_.currentLine);
    outcome = FileOutcome::CutShort;
  }
  FinishFile();
  if (ctx_.out.WriteFailed()) outcome = FileOutcome::OutputFailed;
  return outcome;
}

}  // namespace quorvel
