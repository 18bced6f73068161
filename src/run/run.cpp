#include "run/run.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "mif/set_commit.hpp"
#include "platform/file_system.hpp"
#include "run/file_step.hpp"
#include "run/messages.hpp"

namespace quorvel {

// What the front end is shown of a tile when it ends.
struct RunDriver::TileDone {
  FileOutcome outcome = FileOutcome::Skipped;
  std::int64_t records = 0;
  std::int64_t objects = 0;
  std::uint64_t bytes = 0;
};

// How the files of a set fared.
struct RunDriver::SetDone {
  bool started = false;
  bool createFailed = false;
  bool writeFailed = false;
  std::string failedPath;  // and the reason, of a set that could not be created or written
  std::string failureReason;
  bool written = false;    // put in place whole
  bool cutShort = false;   // a tile of it was cut short
  bool keptEarlier = false;  // not put in place, so that the earlier set stays whole
  MessageId failure = MessageId::ErrorWriting;
  WrittenSet account;      // what was put in place, when written
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

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || platform::IsAbsolute(name)) return name;
  return platform::IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

// The key two paths share when they name the same file: the folder made
// canonical (it exists, or the set could not be written anyway) and the
// name as it stands, both as the system compares names (one case on
// Windows). Folders are made canonical once each: a batch of
// thousands of tiles has a handful.
class SameFileKeys {
 public:
  explicit SameFileKeys(platform::NameRules rules) : rules_(rules) {}
  std::string KeyOf(const std::string& path) { return platform::ComparedName(FolderKeyOf(path), rules_); }

 private:
  std::string FolderKeyOf(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string written = p.parent_path().string();
    auto it = folders_.find(written);
    if (it == folders_.end()) {
      std::error_code ec;
      const std::filesystem::path folder = std::filesystem::weakly_canonical(written.empty() ? "." : written, ec);
      it = folders_.emplace(written, ec ? written : folder.string()).first;
    }
    return it->second + "/" + p.filename().string();
  }

  std::unordered_map<std::string, std::string> folders_;
  platform::NameRules rules_;
};

}  // namespace

std::string SetNameFor(const TileInput& tile, const std::string& outputDir) {
  std::string stem = tile.SetStem();
  if (EndsWithNoCase(stem, ".ntf")) stem.resize(stem.size() - 4);
  stem += ".mif";
  if (!tile.InArchive()) return outputDir.empty() ? stem : Joined(outputDir, BaseName(stem));
  return Joined(outputDir.empty() ? FolderOf(tile.path) : outputDir, stem);
}

namespace {

// Keeps a worker's messages for the driver's thread; everything else a
// worker's set would show is summed up in its tiles instead. Only the user's
// stop ends a tile in progress: a later set that ends the run must not cut
// short an earlier one that one worker would have translated whole.
class BufferingObserver final : public RunObserver {
 public:
  struct Entry {
    MessageKind kind;
    std::string path;  // empty for a message about no one file
    std::string text;
  };
  explicit BufferingObserver(const std::atomic<int>& userStop) : stop_(userStop) {}
  void ShowMessage(MessageKind kind, std::string_view text) override {
    messages.push_back({kind, {}, std::string(text)});
  }
  void ShowFileMessage(MessageKind kind, std::string_view path, std::string_view text) override {
    messages.push_back({kind, std::string(path), std::string(text)});
  }
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed) != 0; }
  const std::atomic<int>* StopFlag() override { return &stop_; }
  // A worker's counts reach the front end with its tile's outcome.
  bool ShowsCounts() const override { return false; }

  std::vector<Entry> messages;

 private:
  const std::atomic<int>& stop_;
};

// A tile named a second time for one set (the same file, by device and
// inode, or the same member of the same archive) is translated once: its
// objects would be in the set twice. Each repeat is reported and dropped.
void DropRepeatedTiles(RunPlan& plan) {
  struct Same {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string name;  // the path, when the file cannot be looked at
    std::uint64_t entry = TileInput::kUnknownEntry;
    std::string member;
    bool operator<(const Same& o) const {
      return std::tie(device, inode, name, entry, member) < std::tie(o.device, o.inode, o.name, o.entry, o.member);
    }
  };
  std::set<Same> seen;
  std::vector<TileInput> kept;
  kept.reserve(plan.tiles.size());
  for (TileInput& tile : plan.tiles) {
    Same same{0, 0, {}, tile.entry, tile.member};
    platform::FileStatus status;
    if (platform::StatusOf(tile.path, status)) {
      same.device = status.device;
      same.inode = status.number;
    } else {
      same.name = tile.path;
    }
    if (seen.insert(std::move(same)).second) kept.push_back(std::move(tile));
    else plan.problems.push_back({tile.DisplayName(), {InputError::Fault::GivenTwice, {}}});
  }
  plan.tiles = std::move(kept);
}

}  // namespace

RunPlan PlanRun(const RunRequest& request) {
  RunPlan plan;
  plan.tiles = ExpandInputs(request.files, plan.problems);
  // Separate sets of one tile are refused as sharing their files.
  if (request.mergeTiles) DropRepeatedTiles(plan);
  const std::vector<TileInput>& tiles = plan.tiles;
  if (tiles.empty()) return plan;
  if (tiles.size() == 1 || request.mergeTiles) {
    plan.mode = tiles.size() == 1 ? RunPlan::Mode::SingleFile : RunPlan::Mode::Merged;
    std::string name = request.mifName.empty() ? SetNameFor(tiles[0], request.outputDir)
                                               : Joined(request.outputDir, request.mifName);
    PlannedSet set{std::move(name), {}, !request.outputDir.empty() || tiles[0].InArchive()};
    for (std::size_t i = 0; i < tiles.size(); ++i) set.tiles.push_back(i);
    plan.sets.push_back(std::move(set));
    return plan;
  }
  plan.mode = RunPlan::Mode::Separate;
  for (std::size_t i = 0; i < tiles.size(); ++i)
    plan.sets.push_back({SetNameFor(tiles[i], request.outputDir), {i}, !request.outputDir.empty() || tiles[i].InArchive()});
  return plan;
}

RunDriver::RunDriver(const ProductRegistry& registry, const TranslationSettings& settings, RunObserver& observer)
    : registry_(registry), settings_(settings), observer_(observer), extraSuffixes_(registry.PairSuffixes()) {}

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
  failureShown_.clear();
  keepGoing_ = request.keepGoing;
  replaceExisting_ = request.replaceExisting;
  runUsesTrueTypeSymbols_ = settings_.useTrueTypeSymbols;
  textRouting_ = settings_.text == TextOption::Separate ? TextRouting::OwnPair
                 : settings_.text == TextOption::Ignore ? TextRouting::Dropped
                                                        : TextRouting::WithObjects;
  withNetwork_ = settings_.extractNetworkData;

  const RunPlan plan = PlanRun(request);
  mode_ = plan.mode;
  bytesDone_.store(0);
  bytesTotal_ = 0;
  for (const TileInput& tile : plan.tiles) bytesTotal_ += tile.size;
  result_.setsPlanned = plan.sets.size();
  for (const InputProblem& p : plan.problems) {
    observer_.ShowFileMessage(MessageKind::Warning, EscapeControls(p.name), InputErrorText(p.error));
    // A tile given twice is translated all the same, once.
    if (p.error.fault != InputError::Fault::GivenTwice) ++result_.filesSkipped;
  }
  if (CheckPlan(request, plan)) {
    const std::size_t workers =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(1, settings_.jobs)), plan.sets.size());
    if (workers > 1) RunInParallel(plan, workers);
    else if (!plan.sets.empty()) RunSequentially(plan);
  }

  if (result_.status == RunResult::Status::NotReplaced) {
    ShowStatus(observer_, MessageId::StatusNothingReplaced);
  } else if (result_.status == RunResult::Status::Refused) {
    ShowStatus(observer_, MessageId::StatusNothingWritten);
  } else if (ended_) {
    result_.status = RunResult::Status::OutputFailed;
    if (failureShown_.empty()) ShowStatus(observer_, MessageId::StatusFailed);
    else ShowStatus(observer_, MessageId::StatusFailedBecause, {failureShown_});
  } else {
    observer_.PumpMessages();
    if (result_.stopped && result_.sets.empty())
      ShowStatus(observer_, MessageId::StatusStoppedNothingWritten);
    else if (result_.stopped)
      ShowStatus(observer_, MessageId::StatusStopped,
                 {std::to_string(result_.sets.size()), std::to_string(result_.setsPlanned)});
    else
      ShowStatus(observer_, mode_ == RunPlan::Mode::SingleFile ? MessageId::StatusCompleteOneFile
                                                               : MessageId::StatusComplete);
  }
  result_.recordsRead = runTotal_;
  result_.objectsCreated = lastObjects_;
  observer_.ShowObjectsCreated(lastObjects_);
  observer_.EnableRunControls();
  observer_.PumpMessages();
  return result_;
}

namespace {

// Every file a set of the plan may write or remove, with its set.
struct PlannedMember {
  std::string path, key;
  std::size_t set;
};

std::vector<PlannedMember> PlannedMembers(const RunRequest& request, const RunPlan& plan,
                                          std::span<const std::string> pairSuffixes, SameFileKeys& keys) {
  std::vector<PlannedMember> members;
  auto add = [&](std::string path, std::size_t set) {
    std::string key = keys.KeyOf(path);
    members.push_back({std::move(path), std::move(key), set});
  };
  for (std::size_t i = 0; i < plan.sets.size(); ++i) {
    for (SetMember& m : SetMemberNames(plan.sets[i].mifName, pairSuffixes)) add(std::move(m.path), i);
    if (!request.picture.empty())
      add(plan.mode == RunPlan::Mode::Separate ? SetPicturePath(plan.sets[i].mifName) : request.picture, i);
  }
  return members;
}

// Members that name an input, by name or as the same file (device and
// inode), once for each input in the order they were given. The inputs are
// looked up per member: a batch of many tiles has many of each.
void FindInputsOverwritten(const RunRequest& request, const std::vector<PlannedMember>& members, SameFileKeys& keys,
                           PlanCheck& check) {
  std::unordered_multimap<std::string, std::size_t> inputsByKey;
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::size_t>> inputsByFile;
  for (std::size_t i = 0; i < request.files.size(); ++i) {
    const std::string& file = request.files[i];
    inputsByKey.emplace(keys.KeyOf(file), i);
    platform::FileStatus status;
    if (platform::StatusOf(file, status)) inputsByFile[{status.device, status.number}].push_back(i);
  }
  std::vector<std::size_t> hits;
  for (const PlannedMember& m : members) {
    hits.clear();
    const auto [first, last] = inputsByKey.equal_range(m.key);
    for (auto it = first; it != last; ++it) hits.push_back(it->second);
    platform::FileStatus status;
    if (platform::StatusOf(m.path, status)) {
      const auto same = inputsByFile.find({status.device, status.number});
      if (same != inputsByFile.end()) hits.insert(hits.end(), same->second.begin(), same->second.end());
    }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    for (std::size_t i : hits) check.problems.push_back({MessageId::OutputIsInput, m.path, {request.files[i]}});
  }
}

// Sets that would both write a file: once for each pair of sets, in plan
// order, with the first file they share and the inputs that give them.
void FindSharedMembers(const RunPlan& plan, const std::vector<PlannedMember>& members, PlanCheck& check) {
  std::vector<std::size_t> byKey(members.size());
  for (std::size_t i = 0; i < byKey.size(); ++i) byKey[i] = i;
  std::stable_sort(byKey.begin(), byKey.end(),
                   [&](std::size_t a, std::size_t b) { return members[a].key < members[b].key; });
  std::map<std::pair<std::size_t, std::size_t>, std::size_t> firstShared;  // by the pair of sets
  for (std::size_t i = 1; i < byKey.size(); ++i) {
    const PlannedMember &a = members[byKey[i - 1]], &b = members[byKey[i]];
    if (a.key != b.key || a.set == b.set) continue;
    const std::size_t first = std::min(byKey[i - 1], byKey[i]);
    const auto [it, added] = firstShared.emplace(std::minmax(a.set, b.set), first);
    if (!added) it->second = std::min(it->second, first);
  }
  auto inputOf = [&](std::size_t set) { return plan.tiles[plan.sets[set].tiles.front()].DisplayName(); };
  for (const auto& [sets, member] : firstShared)
    check.problems.push_back({MessageId::SharedOutput, members[member].path, {inputOf(sets.first), inputOf(sets.second)}});
}

// Names the system refuses, once for each set (its first such file).
void FindRefusedNames(const RunPlan& plan, const std::vector<PlannedMember>& members, platform::NameRules rules,
                      PlanCheck& check) {
  std::vector<bool> reported(plan.sets.size(), false);
  for (const PlannedMember& m : members) {
    const std::size_t slash = m.path.find_last_of(rules == platform::NameRules::Windows ? "/\\" : "/");
    const platform::NameProblem problem =
        platform::ProblemOfName(slash == std::string::npos ? m.path : m.path.substr(slash + 1), rules);
    if (problem == platform::NameProblem::None || reported[m.set]) continue;
    reported[m.set] = true;
    const MessageId id =
        problem == platform::NameProblem::DeviceName ? MessageId::NameIsADevice : MessageId::NameEndsInDotOrBlank;
    check.problems.push_back({id, m.path, {plan.tiles[plan.sets[m.set].tiles.front()].DisplayName()}});
  }
}

}  // namespace

PlanCheck CheckRunPlan(const RunRequest& request, const RunPlan& plan, std::span<const std::string> pairSuffixes,
                       platform::NameRules rules) {
  PlanCheck check;
  SameFileKeys keys(rules);
  const std::vector<PlannedMember> members = PlannedMembers(request, plan, pairSuffixes, keys);
  FindRefusedNames(plan, members, rules, check);
  FindInputsOverwritten(request, members, keys, check);
  FindSharedMembers(plan, members, check);
  if (!check.problems.empty()) return check;
  for (const PlannedMember& m : members)
    if (StateOfTarget(m.path) == TargetState::RegularFile) check.existing.push_back(m.path);
  return check;
}

bool RunDriver::CheckPlan(const RunRequest& request, const RunPlan& plan) {
  const PlanCheck check = CheckRunPlan(request, plan, extraSuffixes_);
  for (const PlanCheck::Problem& p : check.problems) {
    if (p.values.size() == 1) ShowFileMessage(observer_, p.id, p.path, {p.values[0]});
    else ShowFileMessage(observer_, p.id, p.path, {p.values[0], p.values[1]});
  }
  if (!check.problems.empty()) {
    result_.status = RunResult::Status::Refused;
    return false;
  }
  agreed_.clear();
  if (!check.existing.empty()) {
    if (!observer_.ConfirmReplace(check.existing)) {
      result_.status = RunResult::Status::NotReplaced;
      return false;
    }
    agreed_.insert(check.existing.begin(), check.existing.end());
  }
  // The output folder, made once here: a folder that cannot be made (a
  // read-only mount, no permission, a file in its way) ends the run with
  // the system's reason before anything is translated.
  if (!request.outputDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(request.outputDir, ec);
    if (ec) {
      const std::string reason(TrimLineEnds(ec.message()));
      ShowFileMessage(observer_, MessageId::OutputFolderNotMade, request.outputDir, {reason});
      failureShown_ = EscapeControls(request.outputDir) + ": " + ComposeMessage(MessageId::OutputFolderNotMade, {reason});
      ++result_.outputFailures;
      ended_ = true;
      return false;
    }
  }
  RecoverFolders(plan);
  return true;
}

void RunDriver::RecoverFolders(const RunPlan& plan) {
  std::vector<std::string> folders;
  for (const PlannedSet& set : plan.sets) {
    const std::string folder = std::filesystem::path(set.mifName).parent_path().string();
    folders.push_back(folder.empty() ? "." : folder);
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders)
    if (std::filesystem::is_directory(folder)) RecoverOutputFolder(folder, observer_, false);
}

RunDriver::SetDone RunDriver::TranslateSet(const RunPlan& plan, const PlannedSet& set, Worker& w, TileHook& hook) {
  std::unique_ptr<OutputSet> out;
  SetDone done = TranslateSetFiles(plan, set, w, hook, out);
  if (out) CommitSet(*out, w.observer.StopRequested(), done);
  return done;
}

RunDriver::SetDone RunDriver::TranslateSetFiles(const RunPlan& plan, const PlannedSet& set, Worker& w,
                                                TileHook& hook, std::unique_ptr<OutputSet>& out) {
  SetDone done;
  done.started = true;
  // A set named after an archive member may sit in a folder of its own.
  if (const std::filesystem::path folder = std::filesystem::path(set.mifName).parent_path();
      set.makeFolder && !folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
  }
  out = std::make_unique<OutputSet>(set.mifName, textRouting_, withNetwork_, extraSuffixes_);
  std::string failed;
  if (!out->CreateOutputSet(&failed)) {
    done.createFailed = true;
    done.failedPath = failed;
    done.failureReason = out->CreateError(failed);
    out.reset();
    return done;
  }
  FileStep step{registry_, settings_, w.observer, w.counters, w.records, runUsesTrueTypeSymbols_, w.productName, reader_};
  for (std::size_t tile : set.tiles) {
    if (mode_ == RunPlan::Mode::Merged) w.observer.PumpMessages();
    w.counters.recordsRead = 0;
    w.counters.ResetRecordLabelCounter();
    std::uint64_t bytes = 0;
    const FileOutcome outcome = step.TranslateNtfFile(plan.tiles[tile], *out, bytes);
    w.records.Release();
    w.counters.recordsBefore += w.counters.recordsRead;
    hook.TileEnded({outcome, w.counters.recordsRead, w.counters.objectsCreated, bytes});
    done.cutShort = done.cutShort || outcome == FileOutcome::CutShort;
    if (outcome == FileOutcome::Translated || outcome == FileOutcome::CutShort || outcome == FileOutcome::OutputFailed)
      done.account.tiles.push_back(plan.tiles[tile].DisplayName());
    if (outcome == FileOutcome::OutputFailed) break;
    if (hook.StopAfterTile()) break;
  }
  return done;
}

namespace {

// The reasons the run's rule gives the commit for not replacing a file.
constexpr const char* kCutShortKept = "a tile of the set was cut short";
constexpr const char* kAppearedSinceStart = "appeared since the run began";

}  // namespace

void RunDriver::CommitSet(OutputSet& out, bool stopped, SetDone& done) const {
  if (ReadyToCommit(out, stopped, done)) AfterCommit(out, out.CommitOutputSet(), done);
}

bool RunDriver::ReadyToCommit(OutputSet& out, bool stopped, SetDone& done) const {
  // Checked again under the commit's lock: earlier output is replaced only
  // where the front end agreed (or always agrees), and never by a set whose
  // tile was cut short.
  out.SetMayReplace([this, cutShort = done.cutShort](const std::string& path) -> const char* {
    if (cutShort) return kCutShortKept;
    return replaceExisting_ || agreed_.contains(path) ? nullptr : kAppearedSinceStart;
  });
  // A stop or a failed write leaves the earlier output as it was.
  if (!out.WriteFailed() && !stopped) return true;
  out.DiscardOutputSet();
  AfterCommit(out, false, done);
  return false;
}

void RunDriver::AfterCommit(OutputSet& out, bool written, SetDone& done) const {
  done.written = written;
  if (written) {
    done.account.mifName = out.mifName();
    done.account.members = out.committed();
    return;
  }
  out.ForFirstFailure([&](const std::string& path, const std::string& reason) {
    done.writeFailed = true;
    done.failedPath = path;
    done.failureReason = reason;
    if (reason == kCutShortKept) {
      done.writeFailed = false;
      done.keptEarlier = true;
      done.failedPath = out.mifName();
    } else if (reason == kAppearedSinceStart) {
      done.failure = MessageId::AppearedSinceStart;
    }
  });
}

void RunDriver::RunSequentially(const RunPlan& plan) {
  class LiveHook final : public TileHook {
   public:
    explicit LiveHook(RunDriver& d) : d_(d) {}
    void TileEnded(const TileDone& tile) override { d_.ShowTileDone(tile); }
    bool StopAfterTile() override { return d_.StopRequested(); }

   private:
    RunDriver& d_;
  } hook(*this);

  Worker worker(observer_, productNameShown_);
  worker.counters.bytesDone = &bytesDone_;
  worker.counters.bytesTotal = bytesTotal_;
  if (plan.mode == RunPlan::Mode::SingleFile) {
    ShowStatus(observer_, MessageId::StatusTranslating, {productNameShown_, plan.tiles.front().DisplayName()});
    observer_.ShowFilesSelected(plan.tiles.size());
    observer_.PumpMessages();
  } else {
    observer_.ShowFilesSelected(plan.tiles.size());
  }
  for (const PlannedSet& set : plan.sets) {
    SetDone done = TranslateSet(plan, set, worker, hook);
    if (!ShowSetDone(done)) return;
    if (StopRequested()) return;
  }
}

// What the workers of a parallel run share with the driver's thread: the
// results in plan order, the next set to take, and the two stop signals;
// and with the committer: the sets translated and waiting to be put in
// place.
struct RunDriver::ParallelState {
  struct SetResult {
    bool done = false;
    SetDone set;
    std::vector<TileDone> tiles;
    std::vector<BufferingObserver::Entry> messages;
  };
  struct Translated {
    std::size_t index;
    std::unique_ptr<OutputSet> out;
    SetResult result;
  };
  // Sets that finish while the committer syncs wait for it and are
  // committed together, each holding its temporaries open (and so locked)
  // until then: a bound on those files keeps them well within what a
  // process may hold open.
  static constexpr std::size_t kWaitingFiles = 256;
  explicit ParallelState(std::size_t count) : results(count) {}
  std::vector<SetResult> results;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};      // no new sets are started
  std::atomic<int> userStop{0};  // nonzero: sets in progress end after their record
  std::mutex mutex;
  std::condition_variable setDone;
  // Guarded by `mutex`.
  std::deque<Translated> toCommit;
  std::size_t waitingFiles = 0;  // the files the sets in `toCommit` hold open
  bool workersDone = false;
  std::condition_variable commitChanged;

  void Finish(std::size_t index, SetResult&& result) {
    result.done = true;
    {
      std::lock_guard<std::mutex> lock(mutex);
      results[index] = std::move(result);
    }
    setDone.notify_all();
  }
};

// The workers translate; a committer thread puts their sets in place.
// Sets wait for the disk at their commit (and on ext4 for the other
// worker's writes in the same journal commit): the workers go on with the
// next sets meanwhile instead of waiting idle, and the sets that finish
// while the committer waits are committed together next, sharing their
// syncs, as a database groups the commits of its transactions.
void RunDriver::RunInParallel(const RunPlan& plan, std::size_t threads) {
  observer_.ShowFilesSelected(plan.tiles.size());
  ParallelState state(plan.sets.size());
  std::thread committer([&] { CommitSets(state); });
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back([&] { WorkOnSets(plan, state); });
  const std::size_t shown = ReplayInOrder(plan, state);
  state.stop.store(true);
  for (std::thread& t : pool) t.join();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.workersDone = true;
  }
  state.commitChanged.notify_all();
  committer.join();
  // A set that ended the run was committed with others that came after it
  // in the plan: those are in place too, and in the account.
  for (std::size_t i = shown; i < state.results.size(); ++i) {
    SetDone& set = state.results[i].set;
    if (!state.results[i].done || !set.written) continue;
    if (!set.account.members.empty()) result_.sets.push_back(std::move(set.account));
    ++result_.setsWritten;
  }
}

void RunDriver::CommitSets(ParallelState& state) {
  for (;;) {
    std::vector<ParallelState::Translated> batch;
    {
      std::unique_lock<std::mutex> lock(state.mutex);
      state.commitChanged.wait(lock, [&] { return !state.toCommit.empty() || state.workersDone; });
      if (state.toCommit.empty()) return;
      // Every set waiting now goes in this batch.
      for (ParallelState::Translated& t : state.toCommit) batch.push_back(std::move(t));
      state.toCommit.clear();
      state.waitingFiles = 0;
    }
    state.commitChanged.notify_all();  // a worker may be waiting for room
    std::vector<std::pair<OutputSet*, SetDone*>> sets;
    for (ParallelState::Translated& t : batch) sets.emplace_back(t.out.get(), &t.result.set);
    CommitBatch(sets, state.userStop.load() != 0);
    for (ParallelState::Translated& t : batch) {
      t.out.reset();
      // A set that ends the run stops the others from starting new sets.
      if (t.result.set.writeFailed && !keepGoing_) state.stop.store(true);
      state.Finish(t.index, std::move(t.result));
    }
  }
}

void RunDriver::CommitBatch(const std::vector<std::pair<OutputSet*, SetDone*>>& batch, bool stopped) const {
  std::vector<OutputSet*> ready;
  std::vector<SetDone*> done;
  for (const auto& [out, set] : batch) {
    if (!ReadyToCommit(*out, stopped, *set)) continue;
    ready.push_back(out);
    done.push_back(set);
  }
  const std::vector<bool> written = OutputSet::CommitOutputSets(ready);
  for (std::size_t i = 0; i < ready.size(); ++i) AfterCommit(*ready[i], written[i], *done[i]);
}

void RunDriver::WorkOnSets(const RunPlan& plan, ParallelState& state) {
  class RecordingHook final : public TileHook {
   public:
    explicit RecordingHook(std::vector<TileDone>& tiles) : tiles_(tiles) {}
    void TileEnded(const TileDone& tile) override { tiles_.push_back(tile); }
    bool StopAfterTile() override { return false; }

   private:
    std::vector<TileDone>& tiles_;
  };
  std::string productName;
  for (;;) {
    const std::size_t i = state.next.fetch_add(1);
    if (i >= state.results.size()) return;
    ParallelState::SetResult local;
    // Every set gets a result, so the driver's thread never waits for one
    // that nobody will translate.
    if (!state.stop.load()) {
      BufferingObserver buffer(state.userStop);
      Worker worker(buffer, productName);
      worker.counters.bytesDone = &bytesDone_;
      worker.counters.bytesTotal = bytesTotal_;
      RecordingHook hook(local.tiles);
      std::unique_ptr<OutputSet> out;
      local.set = TranslateSetFiles(plan, plan.sets[i], worker, hook, out);
      local.messages = std::move(buffer.messages);
      if (out) {
        // To the committer, whose result it then is, its disk writes under
        // way; a worker does not run more than a batch ahead of it.
        out->EndWrites();
        const std::size_t files = out->OpenFiles();
        std::unique_lock<std::mutex> lock(state.mutex);
        state.commitChanged.wait(lock, [&] {
          return state.toCommit.empty() || state.waitingFiles + files <= ParallelState::kWaitingFiles;
        });
        state.waitingFiles += files;
        state.toCommit.push_back({i, std::move(out), std::move(local)});
        lock.unlock();
        state.commitChanged.notify_all();
        continue;
      }
      // A set that ends the run stops the others from starting new sets.
      if (local.set.createFailed && !keepGoing_) state.stop.store(true);
    }
    state.Finish(i, std::move(local));
  }
}

std::size_t RunDriver::ReplayInOrder(const RunPlan& plan, ParallelState& state) {
  auto askStop = [&] {
    if (observer_.StopRequested()) {
      state.stop.store(true);
      state.userStop.store(1);
      result_.stopped = true;
    }
  };
  for (std::size_t i = 0; i < state.results.size(); ++i) {
    ParallelState::SetResult r;
    {
      std::unique_lock<std::mutex> lock(state.mutex);
      while (!state.results[i].done) {
        state.setDone.wait_for(lock, std::chrono::milliseconds(30));
        if (state.results[i].done) break;
        lock.unlock();
        observer_.ShowTileStarted(plan.tiles[plan.sets[i].tiles.front()].DisplayName());
        observer_.ShowBytes(bytesDone_.load(std::memory_order_relaxed), bytesTotal_);
        observer_.PumpMessages();
        askStop();
        lock.lock();
      }
      r = std::move(state.results[i]);
    }
    if (!r.set.started) return i + 1;  // never started: the run was stopped or ended
    for (const BufferingObserver::Entry& m : r.messages) {
      if (m.path.empty()) observer_.ShowMessage(m.kind, m.text);
      else observer_.ShowFileMessage(m.kind, m.path, m.text);
    }
    observer_.ShowBytes(bytesDone_.load(std::memory_order_relaxed), bytesTotal_);
    for (const TileDone& tile : r.tiles) ShowTileDone(tile);
    if (!ShowSetDone(r.set)) return i + 1;
    askStop();
  }
  return state.results.size();
}

void RunDriver::ShowTileDone(const TileDone& tile) {
  Tally(tile.outcome);
  runTotal_ += tile.records;
  lastObjects_ = tile.objects;
  result_.objectsTotal += tile.objects;
  observer_.ShowObjectsCreated(tile.objects);  // the file's own count, exact
  result_.bytesRead += tile.bytes;
  observer_.ShowFilesTranslated(++filesDone_);
  if (mode_ == RunPlan::Mode::Separate) ShowStatus(observer_, MessageId::StatusLoading);
  observer_.SetProgress(0);
  observer_.PumpMessages();
}

bool RunDriver::ShowSetDone(SetDone& set) {
  if (set.written) {
    // A set whose tiles all gave nothing leaves the disk as it was.
    if (!set.account.members.empty()) result_.sets.push_back(std::move(set.account));
    ++result_.setsWritten;
    observer_.ShowRecordsRead(runTotal_);
    return true;
  }
  if (set.keptEarlier) {
    ShowFileMessage(observer_, MessageId::EarlierSetKept, set.failedPath);
    return true;
  }
  if (!set.createFailed && !set.writeFailed) return true;  // stopped: nothing to report
  const MessageId id = set.createFailed ? MessageId::UnableToOpenMif : set.failure;
  ShowFileMessage(observer_, id, set.failedPath, {set.failureReason});
  if (failureShown_.empty()) failureShown_ = EscapeControls(set.failedPath) + ": " + ComposeMessage(id, {set.failureReason});
  ++result_.outputFailures;
  if (keepGoing_ && mode_ == RunPlan::Mode::Separate) return true;
  ended_ = true;
  return false;
}

bool RunDriver::StopRequested() {
  if (!result_.stopped && observer_.StopRequested()) result_.stopped = true;
  return result_.stopped;
}

void RunDriver::Tally(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Translated: ++result_.filesTranslated; break;
    case FileOutcome::Skipped: ++result_.filesSkipped; break;
    case FileOutcome::LayerFailed:
      ++result_.filesSkipped;
      ++result_.outputFailures;
      break;
    case FileOutcome::CutShort:
    case FileOutcome::OutputFailed: ++result_.filesCutShort; break;
  }
}

bool RecoverOutputFolder(const std::string& folder, RunObserver& observer, bool sayWhenNothing) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    ShowFileMessage(observer, MessageId::NotAFolder, folder);
    return false;
  }
  const FolderRecovery r = RecoverFolder(folder);
  if (r.commitsUndone > 0)
    ShowFileMessage(observer, MessageId::CommitsUndone, folder, {std::to_string(r.commitsUndone)});
  if (r.filesRemoved > 0)
    ShowFileMessage(observer, MessageId::LeftoversRemoved, folder,
                    {std::to_string(r.filesRemoved), std::to_string(r.bytesFreed)});
  if (sayWhenNothing && r.commitsUndone + r.filesRemoved == 0)
    ShowFileMessage(observer, MessageId::NothingToRecover, folder);
  return true;
}

RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer,
                    const ProductRegistry& registry) {
  RunDriver driver(registry, settings, observer);
  return driver.StartTranslationRun(request);
}

}  // namespace quorvel
