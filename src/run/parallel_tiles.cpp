// Separate tiles on several threads. Each tile has its own output set, so
// tiles are independent: workers take the next tile from a shared counter,
// translate it with their own record list, counters and a buffering
// observer, and the driver's thread replays each tile's messages and figures
// in list order as soon as all tiles before it are done. The files written
// and the messages shown are the same as with one thread.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "run/file_step.hpp"
#include "run/run.hpp"

namespace quorvel {

namespace {

struct TileMessage {
  MessageKind kind;
  std::string text;
};

// What a worker keeps of one tile for the driver's thread.
struct TileResult {
  bool done = false;
  bool started = false;
  bool createFailed = false;
  bool closeFailed = false;
  std::string writeFailure;  // path and reason of a failed write
  FileOutcome outcome = FileOutcome::Skipped;
  std::int64_t records = 0;
  std::int64_t objects = 0;
  std::vector<TileMessage> messages;
};

// Keeps the messages for the driver's thread; everything else a worker's
// run would show is summed up in its TileResult instead. Only the user's stop
// ends a tile in progress: a later tile that ends the run must not cut short
// an earlier one that one thread would have translated whole.
class BufferingObserver final : public RunObserver {
 public:
  BufferingObserver(std::vector<TileMessage>& messages, const std::atomic<bool>& userStop)
      : messages_(messages), stop_(userStop) {}
  void ShowMessage(MessageKind kind, std::string_view text) override { messages_.push_back({kind, std::string(text)}); }
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }

 private:
  std::vector<TileMessage>& messages_;
  const std::atomic<bool>& stop_;
};

}  // namespace

bool RunDriver::TranslateSeparateTilesInParallel(const RunRequest& request) {
  const std::size_t count = request.files.size();
  observer_.ShowFilesSelected(count);
  std::vector<TileResult> results(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};      // no new tiles are started
  std::atomic<bool> userStop{false};  // tiles in progress end after their record
  std::mutex mutex;
  std::condition_variable tileDone;

  auto work = [&] {
    NTFRecordList records;
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      if (stop.load()) {
        // Every tile gets a result, so the driver's thread never waits for
        // one that nobody will translate.
        {
          std::lock_guard<std::mutex> lock(mutex);
          results[i].done = true;
        }
        tileDone.notify_all();
        continue;
      }
      TileResult local;
      local.started = true;
      BufferingObserver observer(local.messages, userStop);
      RunCounters counters(observer);
      std::string productName;
      FileStep step{settings_, observer, counters, records, runUsesTrueTypeSymbols_, productName};
      OutputSet out(MifNameFor(request.files[i]));
      if (!out.CreateOutputSet(settings_.SeparateText, settings_.ExtractNetworkData)) {
        local.createFailed = true;
      } else {
        local.outcome = step.TranslateNTFFile(request.files[i], out);
        if (out.WriteFailed()) local.writeFailure = out.FailureText();
        const bool closed = out.CloseOutputSet();
        if (local.writeFailure.empty() && out.WriteFailed()) local.writeFailure = out.FailureText();
        else if (!closed) local.closeFailed = true;
      }
      records.Release();
      local.records = counters.RecordsRead;
      local.objects = counters.ObjectsCreated;
      local.done = true;
      // A tile that ends the run stops the others from starting new tiles.
      if (local.createFailed || local.closeFailed || !local.writeFailure.empty() ||
          local.outcome == FileOutcome::OutputFailed)
        stop.store(true);
      {
        std::lock_guard<std::mutex> lock(mutex);
        results[i] = std::move(local);
      }
      tileDone.notify_all();
    }
  };

  const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(request.jobs), count);
  std::vector<std::thread> workers;
  workers.reserve(threads);
  for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);

  // Replays the tiles in list order on this thread.
  bool ended = false;
  std::int64_t records = 0;
  std::size_t shown = 0;
  for (std::size_t i = 0; i < count && !ended; ++i) {
    TileResult r;
    {
      std::unique_lock<std::mutex> lock(mutex);
      for (;;) {
        if (results[i].done) break;
        tileDone.wait_for(lock, std::chrono::milliseconds(30));
        if (!results[i].done) {
          lock.unlock();
          observer_.PumpMessages();
          if (observer_.StopRequested()) {
            stop.store(true);
            userStop.store(true);
            result_.stopped = true;
          }
          lock.lock();
        }
      }
      r = std::move(results[i]);
    }
    if (!r.started) break;  // never started: the run was stopped
    if (r.createFailed) {
      observer_.ShowMessage(MessageKind::Warning, "Unable to open MIF file - path and/or folder does not exist!");
      ended = true;
      break;
    }
    for (const TileMessage& m : r.messages) observer_.ShowMessage(m.kind, m.text);
    Tally(r.outcome);
    records += r.records;
    counters_.ObjectsCreated = r.objects;
    shown = i + 1;
    observer_.ShowFilesTranslated(shown);
    if (!r.writeFailure.empty()) {
      observer_.ShowMessage(MessageKind::Error, "Error writing file " + r.writeFailure);
      ended = true;
    } else if (r.closeFailed) {
      observer_.ShowMessage(MessageKind::Error, "Error closing file(s).");
      ended = true;
    } else if (r.outcome == FileOutcome::OutputFailed) {
      ended = true;
    }
    observer_.ShowRecordsRead(records);
    observer_.ShowObjectsCreated(r.objects);
    observer_.SetProgress(0);
    observer_.PumpMessages();
    if (!ended && observer_.StopRequested()) {
      stop.store(true);
      userStop.store(true);
      result_.stopped = true;
    }
  }
  stop.store(true);
  for (std::thread& t : workers) t.join();

  counters_.RecordsRead = records;
  result_.recordsRead = records;
  if (ended) {
    EndRunEarly();
    return false;
  }
  observer_.ShowStatus(result_.stopped ? "Translation stopped" : "Translation complete");
  return true;
}

}  // namespace quorvel
