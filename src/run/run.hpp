// The translation run: every NTF file of a list, in order, into one output
// set (a single file or merged tiles) or one set per tile (separate tiles).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ntf/record_list.hpp"
#include "run/context.hpp"
#include "run/observer.hpp"
#include "run/settings.hpp"

namespace quorvel {

struct RunRequest {
  std::vector<std::string> files;
  // The MIF name of a single-file or merged run; empty: named after the
  // first file. Separate tiles are always named after each NTF file.
  std::string mifName;
  // Separate tiles are translated on this many threads; the output is the
  // same whatever the number.
  int jobs = 1;
};

struct RunResult {
  enum class Status {
    Completed,     // every file was handled (some may have been skipped)
    NoFiles,       // the list was empty: nothing started
    OutputFailed,  // an output set could not be created, written or closed
  };
  Status status = Status::Completed;
  std::size_t filesTranslated = 0;  // reached their end
  std::size_t filesSkipped = 0;     // nothing translated
  std::size_t filesCutShort = 0;    // a read failure ended them
  std::int64_t recordsRead = 0;     // run total
  std::int64_t objectsCreated = 0;  // of the last file
  bool stopped = false;             // the front end asked the run to stop

  bool AllTranslated() const {
    return status == Status::Completed && filesSkipped == 0 && filesCutShort == 0;
  }
};

// Drives runs for one front end. It lives as long as the front end: the
// product name shown in the status line carries from one run to the next.
class RunDriver {
 public:
  RunDriver(const TranslationSettings& settings, RunObserver& observer);

  RunResult StartTranslationRun(const RunRequest& request);

 private:
  bool TranslateSingleFile(const RunRequest& request);
  bool TranslateSeparateTiles(const RunRequest& request);
  bool TranslateSeparateTilesInParallel(const RunRequest& request);
  bool TranslateMergedTiles(const RunRequest& request);

  // The per-file step: load, recognise, write the headers, translate.
  FileOutcome TranslateNTFFile(const std::string& path, OutputSet& out);
  bool LoadNTFFile(const std::string& path);

  bool CreateSet(OutputSet& out);
  // After a file: reports a failed write and ends the run (false).
  bool CheckWrites(OutputSet& out);
  bool CloseSet(OutputSet& out);
  void EndRunEarly();
  void Tally(FileOutcome outcome);
  // Asks the front end once per check; remembers a stop.
  bool StopRequested();

  const TranslationSettings& settings_;
  RunObserver& observer_;
  RunCounters counters_;
  NTFRecordList records_;
  std::string productNameShown_;
  bool runUsesTrueTypeSymbols_ = true;
  std::int64_t runTotal_ = 0;
  bool outputFailed_ = false;  // a file of the set could not be created or written
  RunResult result_;
};

// The library's one entry: translates `request.files` with `settings`,
// reporting through `observer`.
RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer);

}  // namespace quorvel
