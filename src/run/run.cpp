#include "run/run.hpp"

#include "run/file_step.hpp"

#include "mif/format.hpp"
#include "ntf/record.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kLoading = "Loading file.........please wait - this may take several seconds";

}  // namespace

RunDriver::RunDriver(const TranslationSettings& settings, RunObserver& observer)
    : settings_(settings), observer_(observer), counters_(observer) {}

RunResult RunDriver::StartTranslationRun(const RunRequest& request) {
  result_ = RunResult{};
  outputFailed_ = false;
  if (request.files.empty()) {
    observer_.ShowMessage(MessageKind::Error, "No NTF files have been selected!");
    result_.status = RunResult::Status::NoFiles;
    return result_;
  }
  observer_.RunStarted();
  counters_.RecordsRead = 0;
  counters_.ObjectsCreated = 0;
  runTotal_ = 0;  // the driver serves many runs: each counts its own records
  observer_.ShowRecordsRead(0);
  runUsesTrueTypeSymbols_ = settings_.UseTrueTypeSymbols;
  counters_.ResetObjectRefreshCounter();

  bool completed;
  if (request.files.size() == 1) completed = TranslateSingleFile(request);
  else if (settings_.MergeTiles) completed = TranslateMergedTiles(request);
  else completed = TranslateSeparateTiles(request);
  if (!completed) result_.status = RunResult::Status::OutputFailed;

  observer_.ShowObjectsCreated(counters_.ObjectsCreated);
  observer_.EnableRunControls();
  result_.objectsCreated = counters_.ObjectsCreated;
  records_.Release();
  return result_;
}

bool RunDriver::TranslateSingleFile(const RunRequest& request) {
  const std::string& path = request.files.front();
  observer_.ShowStatus("Translating " + productNameShown_ + " tile " + path);
  observer_.ShowFilesSelected(request.files.size());
  observer_.PumpMessages();
  OutputSet out(request.mifName.empty() ? MifNameFor(path) : request.mifName);
  if (!CreateSet(out)) return false;
  counters_.ResetRecordLabelCounter();
  Tally(TranslateNTFFile(path, out));
  runTotal_ += counters_.RecordsRead;
  if (!CheckWrites(out) || !CloseSet(out)) return false;
  observer_.ShowRecordsRead(runTotal_);
  observer_.ShowFilesTranslated(1);
  observer_.SetProgress(0);
  observer_.PumpMessages();
  observer_.ShowStatus(StopRequested() ? "Translation stopped" : "Translation complete.");
  result_.recordsRead = runTotal_;
  return true;
}

bool RunDriver::TranslateSeparateTiles(const RunRequest& request) {
  if (request.jobs > 1) return TranslateSeparateTilesInParallel(request);
  runTotal_ = 0;
  observer_.ShowFilesSelected(request.files.size());
  for (std::size_t i = 0; i < request.files.size(); ++i) {
    const std::string& path = request.files[i];
    OutputSet out(MifNameFor(path));
    if (!CreateSet(out)) return false;
    Tally(TranslateNTFFile(path, out));
    observer_.ShowFilesTranslated(i + 1);
    observer_.ShowStatus(kLoading);
    observer_.PumpMessages();
    if (!CheckWrites(out) || !CloseSet(out)) return false;
    observer_.ShowRecordsRead(counters_.RecordsRead);
    observer_.SetProgress(0);
    observer_.PumpMessages();
    if (StopRequested()) break;
  }
  observer_.ShowStatus(result_.stopped ? "Translation stopped" : "Translation complete");
  result_.recordsRead = counters_.RecordsRead;
  return true;
}

bool RunDriver::TranslateMergedTiles(const RunRequest& request) {
  counters_.RecordsRead = 0;
  runTotal_ = 0;
  observer_.ShowFilesSelected(request.files.size());
  OutputSet out(request.mifName.empty() ? MifNameFor(request.files.front()) : request.mifName);
  if (!CreateSet(out)) return false;
  for (std::size_t i = 0; i < request.files.size(); ++i) {
    observer_.PumpMessages();
    counters_.RecordsRead = 0;
    counters_.ResetRecordLabelCounter();
    Tally(TranslateNTFFile(request.files[i], out));
    runTotal_ += counters_.RecordsRead;
    if (!CheckWrites(out)) return false;
    observer_.ShowFilesTranslated(i + 1);
    observer_.SetProgress(0);
    observer_.PumpMessages();
    if (StopRequested()) break;
  }
  if (!CloseSet(out)) return false;
  observer_.ShowRecordsRead(runTotal_);
  observer_.ShowStatus(result_.stopped ? "Translation stopped" : "Translation complete");
  observer_.PumpMessages();
  result_.recordsRead = runTotal_;
  return true;
}

FileOutcome RunDriver::TranslateNTFFile(const std::string& path, OutputSet& out) {
  FileStep step{settings_, observer_, counters_, records_, runUsesTrueTypeSymbols_, productNameShown_};
  return step.TranslateNTFFile(path, out);
}

bool RunDriver::CreateSet(OutputSet& out) {
  if (out.CreateOutputSet(settings_.SeparateText, settings_.ExtractNetworkData)) return true;
  observer_.ShowMessage(MessageKind::Warning, "Unable to open MIF file - path and/or folder does not exist!");
  EndRunEarly();
  return false;
}

bool RunDriver::CheckWrites(OutputSet& out) {
  if (!out.WriteFailed() && !outputFailed_) return true;
  // A translator that could not create a file of its own has said so already.
  if (out.WriteFailed()) observer_.ShowMessage(MessageKind::Error, "Error writing file " + out.FailureText());
  out.CloseOutputSet();
  EndRunEarly();
  return false;
}

bool RunDriver::CloseSet(OutputSet& out) {
  bool closed = out.CloseOutputSet();
  if (closed && !out.WriteFailed()) return true;
  // A buffered write that fails at close is a write failure; say which file.
  if (out.WriteFailed()) observer_.ShowMessage(MessageKind::Error, "Error writing file " + out.FailureText());
  else observer_.ShowMessage(MessageKind::Error, "Error closing file(s).");
  EndRunEarly();
  return false;
}

void RunDriver::EndRunEarly() {
  observer_.EnableRunControls();
  observer_.PumpMessages();
  records_.Release();
}

bool RunDriver::StopRequested() {
  if (!result_.stopped && observer_.StopRequested()) result_.stopped = true;
  return result_.stopped;
}

void RunDriver::Tally(FileOutcome outcome) {
  if (outcome == FileOutcome::OutputFailed) outputFailed_ = true;
  switch (outcome) {
    case FileOutcome::Translated: ++result_.filesTranslated; break;
    case FileOutcome::CutShort: ++result_.filesCutShort; break;
    case FileOutcome::Skipped: ++result_.filesSkipped; break;
    case FileOutcome::OutputFailed: ++result_.filesCutShort; break;
  }
}

RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer) {
  RunDriver driver(settings, observer);
  return driver.StartTranslationRun(request);
}

}  // namespace quorvel
