// The translation run: every NTF file of a list, in order, into one output
// set (a single file or merged tiles) or one set per tile (separate tiles).
//
// A run is a plan, the ordered list of output sets with the tiles each one
// receives, executed by one or more workers. One worker translates on the
// caller's thread and shows everything as it happens; several translate
// separate sets side by side and the caller's thread replays each set's
// messages and figures in plan order, so the files written and the messages
// shown are the same whatever the number of workers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ntf/record_list.hpp"
#include "ntf/tile_input.hpp"
#include "run/context.hpp"
#include "platform/naming.hpp"
#include "run/messages.hpp"
#include "run/observer.hpp"
#include "run/product.hpp"
#include "run/set_names.hpp"
#include "run/settings.hpp"

namespace quorvel {

struct RunRequest {
  // NTF files, or archives of them (.zip, .tar, .tar.gz, .tgz, .gz).
  std::vector<std::string> files = {};
  // The MIF name of a single-file or merged run; empty: named after the
  // first tile. Separate tiles are always named after each tile.
  std::string mifName = {};
  // Several files go into one set (merged) or one set each (separate).
  bool mergeTiles = true;
  // Sets named after their tile are written here instead of beside the
  // tile (created if missing); a relative MIF name is taken from here.
  std::string outputDir = {};
  // Separate tiles: a set that cannot be created or written is reported and
  // the run goes on with the next tile.
  bool keepGoing = false;
  // Earlier output is replaced without asking, also where it appeared only
  // after the run began. Otherwise the front end is asked once, for what is
  // there when the run begins, and a set that appeared later is not
  // replaced.
  bool replaceExisting = false;
  // A picture of the output drawn once the run has ended: its name for a
  // single or merged set; with separate sets, any name asks for one beside
  // each set (SetPicturePath). A file of the run like any other: planned,
  // checked against the inputs and replaced only as earlier output is.
  std::string picture = {};
};

// An output set the run put in place whole: its files with their objects,
// and the tiles translated into it.
struct WrittenSet {
  std::string mifName;
  std::vector<SetMember> members;  // in the order they were put in place
  // The tiles that reached their end or were cut short in it (a path, or
  // ARCHIVE/MEMBER), in the order translated.
  std::vector<std::string> tiles;

  // The objects of its MIF files.
  std::int64_t Objects() const {
    std::int64_t n = 0;
    for (const SetMember& m : members)
      if (m.IsMif()) n += m.objects;
    return n;
  }
  // The set's file of this kind and extension (".mif", ".mid", ".txt"), or
  // nullptr when the set has none.
  const SetMember* Find(MemberKind kind, std::string_view extension = ".mif") const {
    for (const SetMember& m : members)
      if (m.kind == kind && m.path.ends_with(extension)) return &m;
    return nullptr;
  }
};

struct RunResult {
  enum class Status {
    Completed,     // every file was handled (some may have been skipped)
    NoFiles,       // the list was empty: nothing started
    OutputFailed,  // an output set could not be created, written or closed
    Refused,       // an output file is an input or belongs to two sets: nothing written
    NotReplaced,   // earlier output was not to be replaced: nothing written
  };
  Status status = Status::Completed;
  std::size_t filesTranslated = 0;  // reached their end
  std::size_t filesSkipped = 0;     // nothing translated
  std::size_t filesCutShort = 0;    // a read failure ended them
  std::int64_t recordsRead = 0;     // run total
  std::int64_t objectsCreated = 0;  // of the last file
  std::int64_t objectsTotal = 0;    // of the whole run
  std::uint64_t bytesRead = 0;      // of the tiles read
  std::size_t setsPlanned = 0;
  std::size_t setsWritten = 0;      // ended whole (one whose tiles gave nothing left the disk as it was)
  // The sets put in place, in plan order; a set discarded by a stop or a
  // failure is not among them.
  std::vector<WrittenSet> sets;
  // Sets, or tiles' own files, that could not be created or written while
  // the run went on (--keep-going, a product's own pair).
  std::size_t outputFailures = 0;
  bool stopped = false;             // the front end asked the run to stop

  // The objects of every set put in place.
  std::int64_t ObjectsWritten() const {
    std::int64_t n = 0;
    for (const WrittenSet& set : sets) n += set.Objects();
    return n;
  }

  bool AllTranslated() const {
    return status == Status::Completed && filesSkipped == 0 && filesCutShort == 0 && outputFailures == 0 &&
           !stopped;
  }
};

// One output set of a run and the tiles it receives, in order (indexes into
// the request's files).
struct PlannedSet {
  std::string mifName = {};
  std::vector<std::size_t> tiles;
  // The set's folder is made when missing (an output folder, an archive
  // member's subfolders); otherwise a missing folder is a failure.
  bool makeFolder = false;
};

struct RunPlan {
  enum class Mode { SingleFile, Merged, Separate };
  Mode mode = Mode::SingleFile;
  std::vector<TileInput> tiles;
  std::vector<InputProblem> problems;  // arguments and members that give no tile
  std::vector<PlannedSet> sets;
};

// The sets a request asks for.
RunPlan PlanRun(const RunRequest& request);

// What the check of a plan found before anything is written.
struct PlanCheck {
  // An output file that is one of the inputs (OutputIsInput: the input) or
  // that two sets would write (SharedOutput, once for each pair of sets with
  // the first file they share: the inputs that give the two sets).
  struct Problem {
    MessageId id;
    std::string path;
    std::vector<std::string> values;
  };
  std::vector<Problem> problems;  // any: the run writes nothing
  // Files of earlier output the run would replace (looked for only when
  // there is no problem).
  std::vector<std::string> existing;
};

// Checks the files every set of `plan` may write or remove (with the
// products' own pairs `pairSuffixes`) against the inputs and each other,
// and their names against the system's `rules` (on Windows names that
// differ only in case are one file, and device names are refused:
// NameIsADevice, NameEndsInDotOrBlank with the input that gives the set).
PlanCheck CheckRunPlan(const RunRequest& request, const RunPlan& plan, std::span<const std::string> pairSuffixes,
                       platform::NameRules rules = platform::SystemNameRules());

// The output set named after a tile: its name with a ".ntf" extension (any
// case) replaced by ".mif", or ".mif" appended; in `outputDir` when given,
// otherwise in the tile's own folder (an archive member: the archive's).
std::string SetNameFor(const TileInput& tile, const std::string& outputDir);

// Drives runs for one front end. It lives as long as the front end: the
// product name shown in the status line carries from one run to the next.
class RunDriver {
 public:
  RunDriver(const ProductRegistry& registry, const TranslationSettings& settings, RunObserver& observer);

  RunResult StartTranslationRun(const RunRequest& request);

 private:
  struct Worker;
  struct TileDone;
  struct SetDone;
  class TileHook;

  // Checks the plan before anything is written: no output file may be an
  // input or belong to two sets, and earlier output is replaced only when
  // the front end agrees. False (with the result's status set) ends the run.
  bool CheckPlan(const RunRequest& request, const RunPlan& plan);
  // Translates one set with `worker` and puts it in place; `hook` sees every
  // tile as it ends.
  SetDone TranslateSet(const RunPlan& plan, const PlannedSet& set, Worker& worker, TileHook& hook);
  // The translation alone: the set is left open in `out` (none when it
  // could not be created).
  SetDone TranslateSetFiles(const RunPlan& plan, const PlannedSet& set, Worker& worker, TileHook& hook,
                            std::unique_ptr<OutputSet>& out);
  // Puts a translated set in place, or leaves the earlier output as it was
  // after a failed write or a stop; `done` says which.
  void CommitSet(OutputSet& out, bool stopped, SetDone& done) const;
  // CommitSet in two halves, around the commit of a batch: false (with
  // `done` filled) for a set that is not to be committed.
  bool ReadyToCommit(OutputSet& out, bool stopped, SetDone& done) const;
  void AfterCommit(OutputSet& out, bool written, SetDone& done) const;
  // Rolls back commits that a run killed in their midst left in the sets'
  // folders and removes what dead runs left there; says so when it did.
  void RecoverFolders(const RunPlan& plan);
  // Runs the plan's sets in order on this thread, or on `workers` threads.
  void RunSequentially(const RunPlan& plan);
  void RunInParallel(const RunPlan& plan, std::size_t workers);
  struct ParallelState;
  // A worker's loop: takes the next set until none is left.
  void WorkOnSets(const RunPlan& plan, ParallelState& state);
  // The committer's loop: commits the sets the workers have translated,
  // every set waiting at once as one batch.
  void CommitSets(ParallelState& state);
  // Commits the sets of a batch together, each with how its files fared.
  void CommitBatch(const std::vector<std::pair<OutputSet*, SetDone*>>& batch, bool stopped) const;
  // Shows each set's messages and figures in plan order as it is done;
  // returns how many sets it went through (it stops at one that ends the run).
  std::size_t ReplayInOrder(const RunPlan& plan, ParallelState& state);

  // What the front end sees after a tile and after a set.
  void ShowTileDone(const TileDone& tile);
  // Reports a set that could not be created, written or closed; false when
  // it ends the run.
  bool ShowSetDone(SetDone& set);
  void Tally(FileOutcome outcome);
  // Asks the front end once per check; remembers a stop.
  bool StopRequested();

  const ProductRegistry& registry_;
  const TranslationSettings& settings_;
  RunObserver& observer_;
  std::string productNameShown_;
  // Taken when a run starts.
  bool runUsesTrueTypeSymbols_ = true;
  TextRouting textRouting_ = TextRouting::OwnPair;
  bool withNetwork_ = false;
  RunPlan::Mode mode_ = RunPlan::Mode::SingleFile;
  bool keepGoing_ = false;
  bool replaceExisting_ = false;
  std::unordered_set<std::string> agreed_;  // earlier output the front end let the run replace
  std::vector<std::string> extraSuffixes_;  // every further pair a product writes
  TileReader reader_;
  std::atomic<std::uint64_t> bytesDone_{0};
  std::uint64_t bytesTotal_ = 0;
  std::int64_t runTotal_ = 0;
  std::int64_t lastObjects_ = 0;
  std::size_t filesDone_ = 0;
  bool ended_ = false;  // an output set ended the run
  std::string failureShown_;  // the first output failure shown, for the status line
  RunResult result_;
};

// Rolls back the commits that runs killed midway left in `folder` (the
// earlier sets come back whole) and removes what runs that did not finish
// left there, saying what it did (and, with `sayWhenNothing`, that there
// was nothing). False when `folder` is not a folder.
bool RecoverOutputFolder(const std::string& folder, RunObserver& observer, bool sayWhenNothing = true);

// Translates `request.files` with the products of `registry`.
RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer,
                    const ProductRegistry& registry);

}  // namespace quorvel
