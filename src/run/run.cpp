#include "run/run.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "run/file_step.hpp"
#include "run/messages.hpp"

namespace quorvel {

// What the front end is shown of a tile when it ends.
struct RunDriver::TileDone {
  FileOutcome outcome = FileOutcome::Skipped;
  std::int64_t records = 0;
  std::int64_t objects = 0;
};

// How the files of a set fared.
struct RunDriver::SetDone {
  bool started = false;
  bool createFailed = false;
  std::string failedPath;     // with the reason, of the first failed write
  std::string failureReason;
  bool writeFailed = false;
  bool closeFailed = false;
  bool ownFileFailed = false;  // a layer could not be created; the message is out
};

// Sees every tile of a set as it ends, and says whether to go on.
class RunDriver::TileHook {
 public:
  virtual ~TileHook() = default;
  virtual void TileEnded(const TileDone& tile) = 0;
  virtual bool StopAfterTile() = 0;
};

// A worker's own tools: its record list, counters and front end.
struct RunDriver::Worker {
  explicit Worker(RunObserver& o, std::string& name) : observer(o), counters(o), productName(name) {}
  RunObserver& observer;
  RunCounters counters;
  NtfRecordList records;
  std::string& productName;
};

namespace {

// Keeps a worker's messages for the driver's thread; everything else a
// worker's set would show is summed up in its tiles instead. Only the user's
// stop ends a tile in progress: a later set that ends the run must not cut
// short an earlier one that one worker would have translated whole.
class BufferingObserver final : public RunObserver {
 public:
  struct Entry {
    MessageKind kind;
    std::string text;
  };
  explicit BufferingObserver(const std::atomic<bool>& userStop) : stop_(userStop) {}
  void ShowMessage(MessageKind kind, std::string_view text) override { messages.push_back({kind, std::string(text)}); }
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }

  std::vector<Entry> messages;

 private:
  const std::atomic<bool>& stop_;
};

}  // namespace

RunPlan PlanRun(const RunRequest& request) {
  RunPlan plan;
  const std::vector<std::string>& files = request.files;
  if (files.empty()) return plan;
  auto named = [&](std::size_t first) { return request.mifName.empty() ? MifNameFor(files[first]) : request.mifName; };
  if (files.size() == 1 || request.mergeTiles) {
    plan.mode = files.size() == 1 ? RunPlan::Mode::SingleFile : RunPlan::Mode::Merged;
    PlannedSet set{named(0), {}};
    for (std::size_t i = 0; i < files.size(); ++i) set.tiles.push_back(i);
    plan.sets.push_back(std::move(set));
    return plan;
  }
  plan.mode = RunPlan::Mode::Separate;
  for (std::size_t i = 0; i < files.size(); ++i) plan.sets.push_back({MifNameFor(files[i]), {i}});
  return plan;
}

RunDriver::RunDriver(const ProductRegistry& registry, const TranslationSettings& settings, RunObserver& observer)
    : registry_(registry), settings_(settings), observer_(observer) {}

RunResult RunDriver::StartTranslationRun(const RunRequest& request) {
  result_ = RunResult{};
  if (request.files.empty()) {
    ShowMessage(observer_, MessageId::NoFilesSelected);
    result_.status = RunResult::Status::NoFiles;
    return result_;
  }
  observer_.RunStarted();
  observer_.ShowRecordsRead(0);
  // The driver serves many runs: each counts its own records and files.
  runTotal_ = 0;
  lastObjects_ = 0;
  filesDone_ = 0;
  ended_ = false;
  runUsesTrueTypeSymbols_ = settings_.useTrueTypeSymbols;
  textRouting_ = settings_.text == TextOption::Separate ? TextRouting::OwnPair
                 : settings_.text == TextOption::Ignore ? TextRouting::Dropped
                                                        : TextRouting::WithObjects;
  withNetwork_ = settings_.extractNetworkData;

  const RunPlan plan = PlanRun(request);
  mode_ = plan.mode;
  const std::size_t workers =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(1, settings_.jobs)), plan.sets.size());
  if (workers > 1) RunInParallel(request, plan, workers);
  else RunSequentially(request, plan);

  if (ended_) {
    result_.status = RunResult::Status::OutputFailed;
  } else {
    observer_.PumpMessages();
    ShowStatus(observer_, result_.stopped                          ? MessageId::StatusStopped
                          : mode_ == RunPlan::Mode::SingleFile ? MessageId::StatusCompleteOneFile
                                                               : MessageId::StatusComplete);
  }
  result_.recordsRead = runTotal_;
  result_.objectsCreated = lastObjects_;
  observer_.ShowObjectsCreated(lastObjects_);
  observer_.EnableRunControls();
  observer_.PumpMessages();
  return result_;
}

RunDriver::SetDone RunDriver::TranslateSet(const RunRequest& request, const PlannedSet& set, Worker& w,
                                           TileHook& hook) {
  SetDone done;
  done.started = true;
  OutputSet out(set.mifName, textRouting_, withNetwork_);
  if (!out.CreateOutputSet()) {
    done.createFailed = true;
    return done;
  }
  FileStep step{registry_, settings_, w.observer, w.counters, w.records, runUsesTrueTypeSymbols_, w.productName};
  auto noteFailure = [&] {
    out.ForFirstFailure([&](const std::string& path, const std::string& reason) {
      done.writeFailed = true;
      done.failedPath = path;
      done.failureReason = reason;
    });
  };
  for (std::size_t tile : set.tiles) {
    if (mode_ == RunPlan::Mode::Merged) w.observer.PumpMessages();
    w.counters.recordsRead = 0;
    w.counters.ResetRecordLabelCounter();
    const FileOutcome outcome = step.TranslateNtfFile(request.files[tile], out);
    w.records.Release();
    w.counters.recordsBefore += w.counters.recordsRead;
    hook.TileEnded({outcome, w.counters.recordsRead, w.counters.objectsCreated});
    if (outcome == FileOutcome::OutputFailed) {
      noteFailure();
      if (!done.writeFailed) done.ownFileFailed = true;
      out.CloseOutputSet();
      return done;
    }
    if (hook.StopAfterTile()) break;
  }
  const bool closed = out.CloseOutputSet();
  noteFailure();
  if (!done.writeFailed && !closed) done.closeFailed = true;
  return done;
}

void RunDriver::RunSequentially(const RunRequest& request, const RunPlan& plan) {
  class LiveHook final : public TileHook {
   public:
    explicit LiveHook(RunDriver& d) : d_(d) {}
    void TileEnded(const TileDone& tile) override { d_.ShowTileDone(tile); }
    bool StopAfterTile() override { return d_.StopRequested(); }

   private:
    RunDriver& d_;
  } hook(*this);

  Worker worker(observer_, productNameShown_);
  if (plan.mode == RunPlan::Mode::SingleFile) {
    ShowStatus(observer_, MessageId::StatusTranslating, {productNameShown_, request.files.front()});
    observer_.ShowFilesSelected(request.files.size());
    observer_.PumpMessages();
  } else {
    observer_.ShowFilesSelected(request.files.size());
  }
  for (const PlannedSet& set : plan.sets) {
    if (!ShowSetDone(TranslateSet(request, set, worker, hook))) return;
    if (StopRequested()) return;
  }
}

void RunDriver::RunInParallel(const RunRequest& request, const RunPlan& plan, std::size_t threads) {
  struct SetResult {
    bool done = false;
    SetDone set;
    std::vector<TileDone> tiles;
    std::vector<BufferingObserver::Entry> messages;
  };
  const std::size_t count = plan.sets.size();
  observer_.ShowFilesSelected(request.files.size());
  std::vector<SetResult> results(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};      // no new sets are started
  std::atomic<bool> userStop{false};  // sets in progress end after their record
  std::mutex mutex;
  std::condition_variable setDone;

  class RecordingHook final : public TileHook {
   public:
    explicit RecordingHook(std::vector<TileDone>& tiles) : tiles_(tiles) {}
    void TileEnded(const TileDone& tile) override { tiles_.push_back(tile); }
    bool StopAfterTile() override { return false; }

   private:
    std::vector<TileDone>& tiles_;
  };

  auto work = [&] {
    std::string productName;
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      SetResult local;
      // Every set gets a result, so the driver's thread never waits for one
      // that nobody will translate.
      if (!stop.load()) {
        BufferingObserver buffer(userStop);
        Worker worker(buffer, productName);
        RecordingHook hook(local.tiles);
        local.set = TranslateSet(request, plan.sets[i], worker, hook);
        local.messages = std::move(buffer.messages);
        const SetDone& s = local.set;
        // A set that ends the run stops the others from starting new sets.
        if (s.createFailed || s.writeFailed || s.closeFailed || s.ownFileFailed) stop.store(true);
      }
      local.done = true;
      {
        std::lock_guard<std::mutex> lock(mutex);
        results[i] = std::move(local);
      }
      setDone.notify_all();
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);

  auto askStop = [&] {
    if (observer_.StopRequested()) {
      stop.store(true);
      userStop.store(true);
      result_.stopped = true;
    }
  };
  // Replays the sets in plan order on this thread.
  for (std::size_t i = 0; i < count; ++i) {
    SetResult r;
    {
      std::unique_lock<std::mutex> lock(mutex);
      while (!results[i].done) {
        setDone.wait_for(lock, std::chrono::milliseconds(30));
        if (results[i].done) break;
        lock.unlock();
        observer_.PumpMessages();
        askStop();
        lock.lock();
      }
      r = std::move(results[i]);
    }
    if (!r.set.started) break;  // never started: the run was stopped or ended
    for (const BufferingObserver::Entry& m : r.messages) observer_.ShowMessage(m.kind, m.text);
    for (const TileDone& tile : r.tiles) {
      ShowTileDone(tile);
      observer_.ShowObjectsCreated(tile.objects);
    }
    if (!ShowSetDone(r.set)) break;
    askStop();
  }
  stop.store(true);
  for (std::thread& t : pool) t.join();
}

void RunDriver::ShowTileDone(const TileDone& tile) {
  Tally(tile.outcome);
  runTotal_ += tile.records;
  lastObjects_ = tile.objects;
  observer_.ShowFilesTranslated(++filesDone_);
  if (mode_ == RunPlan::Mode::Separate) ShowStatus(observer_, MessageId::StatusLoading);
  observer_.SetProgress(0);
  observer_.PumpMessages();
}

bool RunDriver::ShowSetDone(const SetDone& set) {
  if (set.createFailed) ShowMessage(observer_, MessageId::UnableToOpenMif);
  else if (set.writeFailed) ShowMessage(observer_, MessageId::ErrorWriting, {set.failedPath, set.failureReason});
  else if (set.closeFailed) ShowMessage(observer_, MessageId::ErrorClosing);
  if (set.createFailed || set.writeFailed || set.closeFailed || set.ownFileFailed) {
    ended_ = true;
    return false;
  }
  observer_.ShowRecordsRead(runTotal_);
  return true;
}

bool RunDriver::StopRequested() {
  if (!result_.stopped && observer_.StopRequested()) result_.stopped = true;
  return result_.stopped;
}

void RunDriver::Tally(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Translated: ++result_.filesTranslated; break;
    case FileOutcome::Skipped: ++result_.filesSkipped; break;
    case FileOutcome::CutShort:
    case FileOutcome::OutputFailed: ++result_.filesCutShort; break;
  }
}

RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer,
                    const ProductRegistry& registry) {
  RunDriver driver(registry, settings, observer);
  return driver.StartTranslationRun(request);
}

}  // namespace quorvel
