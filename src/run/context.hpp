// What a translator is handed for one NTF file: the records, the open output
// set, the settings, the run counters and the front end.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mif/output_set.hpp"
#include "ntf/record_list.hpp"
#include "run/observer.hpp"
#include "run/product.hpp"
#include "run/settings.hpp"

namespace quorvel {

// The records-read and objects-created counters of a run, with the label
// refreshes every tenth record and object and the progress display.
class RunCounters {
 public:
  explicit RunCounters(RunObserver& observer) : observer_(observer), showCounts_(observer.ShowsCounts()) {}

  std::int64_t recordsRead = 0;     // of the file in hand
  std::int64_t recordsBefore = 0;   // of the files before it, for the label
  std::int64_t objectsCreated = 0;

  // One record handed to a per-record handler.
  void CountRecordRead() {
    ++recordsRead;
    if (showCounts_ && ++recordRefresh_ >= 10) {
      observer_.ShowRecordsRead(recordsBefore + recordsRead);
      observer_.PumpMessages();
      recordRefresh_ = 0;
    }
  }
  void ResetRecordLabelCounter() { recordRefresh_ = 0; }

  // One object written.
  void CountObjectCreated() {
    ++objectsCreated;
    if (showCounts_ && ++objectRefresh_ >= 10) {
      observer_.ShowObjectsCreated(objectsCreated);
      observer_.PumpMessages();
      objectRefresh_ = 0;
    }
  }
  void ResetObjectRefreshCounter() { objectRefresh_ = 0; }

  void Progress(std::size_t line) {
    observer_.SetProgress(line);
    // Bytes are credited to the shared count in steps, not at every record:
    // the count is shared by the workers, and a bar needs no finer steps.
    if (bytesDone && lines_ > 0 && line >= nextCreditLine_) {
      const std::uint64_t credit = tileBytes * std::min<std::size_t>(line, lines_) / lines_;
      Credit(credit);
      nextCreditLine_ = line + std::max<std::size_t>(1, lines_ / 64);
    }
    observer_.PumpMessages();
  }

  // The run's byte count, shared by its workers: a tile starts with its size
  // and line count, and is credited in full when it ends.
  std::atomic<std::uint64_t>* bytesDone = nullptr;
  std::uint64_t bytesTotal = 0;
  std::uint64_t tileBytes = 0;
  void StartTileBytes(std::uint64_t bytes, std::size_t lines) {
    tileBytes = bytes;
    lines_ = lines;
    credited_ = 0;
    nextCreditLine_ = 0;
  }
  void EndTileBytes() {
    if (bytesDone) Credit(tileBytes);
  }

 private:
  // Adds what the tile has done since the last credit and shows the run's count.
  void Credit(std::uint64_t credit) {
    if (credit > credited_) {
      bytesDone->fetch_add(credit - credited_, std::memory_order_relaxed);
      credited_ = credit;
    }
    observer_.ShowBytes(bytesDone->load(std::memory_order_relaxed), bytesTotal);
  }

  RunObserver& observer_;
  const bool showCounts_;
  int recordRefresh_ = 0;
  int objectRefresh_ = 0;
  std::size_t lines_ = 0;
  std::size_t nextCreditLine_ = 0;
  std::uint64_t credited_ = 0;
};

struct FileContext {
  const std::string& ntfPath;
  const NtfRecordList& records;
  OutputSet& out;
  // Read live: a front end may change them while the run goes on.
  const TranslationSettings& settings;
  // The symbol choice taken when the run started.
  bool runUsesTrueTypeSymbols;
  RunCounters& counters;
  RunObserver& observer;
  const ProductDescriptor& product;

  void CountObjectCreated() { counters.CountObjectCreated(); }
  // One of the product's options, as it stands now.
  OptionView Option(const ProductOption& option) const {
    return settings.productOptions.View(option);
  }
  // One of the product's own layers; the run opened and headed it before the
  // translator was called.
  MifLayer& Layer(const OutputLayer& layer) { return *out.OpenLayer(layer.suffix); }
};

// "Error reading NTF file at line " and the 0-based line index.
void ReportReadError(FileContext& ctx, std::size_t currentLine);

}  // namespace quorvel
