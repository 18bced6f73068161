// Replacing an output set on disk all or nothing.
//
// A set's new files are written temporaries beside their targets. The commit
// takes the lock of every folder the set touches (so two runs commit one
// after the other), writes a journal beside the set naming every target,
// the name its earlier file is moved aside to and the temporary that
// replaces it, syncs it, moves the earlier files aside, renames the new ones
// in, and removes the journal: that removal is the moment the new set is in
// place. A failure before it puts every earlier file back. A run killed
// before it leaves the journal, and the next run that takes the folder's
// lock (RecoverFolder) puts the earlier files back and removes what the
// dead run left: its temporaries are known by their lock, which the system
// drops with the process.
//
// Sets that are ready together are committed as one batch, as a database
// groups the commits of its transactions: the sets of a folder share one
// journal, and the batch is synced three times in all (its temporaries and
// journals with one sync of their file systems, then its renames, then its
// journals' removal) however many sets and files it holds, where each set
// alone syncs each of its files and four times more. Each set is still
// replaced whole or not at all: one that is refused or fails is rolled back
// alone, and a run killed midway leaves journals that roll back every set
// of the batch.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvel {

// One name of a set at its commit.
struct CommitEntry {
  std::string path;       // the member's name, as the set names it
  std::string target;     // the file replaced: the name, or a link's final target
  std::string temporary;  // the written new file; empty when the member is stale and goes
};

// Why a commit failed: the file and the system's (or the check's) reason.
struct CommitFailure {
  std::string path;
  std::string reason;
};

// Asked, under the lock, for every member whose target holds a regular file
// now: nullptr lets the commit replace it; a reason refuses the commit (a
// set that appeared since the run began, a set whose tile was cut short).
using MayReplace = std::function<const char*(const std::string& path)>;

// One set of a batch (CommitSets): the entries of the set named `mifName`
// and the rule for the files there now.
struct SetCommit {
  std::string mifName;
  std::vector<CommitEntry> entries;
  MayReplace mayReplace;
  // Makes the set's written temporaries durable: each synced (false), or,
  // right after a sync of their whole file system (true), each checked for
  // data the system could not write. False when one did not reach the
  // disk (its file says why). Empty when they are durable already.
  std::function<bool(bool fileSystemSynced)> sync;
  // How it went: put in place, or why not (`failure` stays empty when
  // `sync` failed).
  bool committed = false;
  CommitFailure failure;
};

// Commits every set of `batch` as described above, under the locks of
// every folder the batch touches. A set that is refused or fails leaves
// the others to commit; the temporaries of a set not committed stay for
// their owners to discard (after this returns: until then a journal may
// name them), those of a committed one are renamed in. Earlier files at
// stale members' targets that are not regular files (a link, a folder, a
// device) are left alone. A batch of one set, or one whose file systems
// cannot be synced at once, is committed set by set.
void CommitSets(std::vector<SetCommit>& batch);

// What RecoverFolder found of runs that ended without finishing.
struct FolderRecovery {
  std::size_t commitsUndone = 0;  // journals of interrupted commits rolled back
  std::size_t filesRemoved = 0;   // temporaries and earlier files moved aside
  std::uint64_t bytesFreed = 0;
};

// Under the folder's lock: rolls back every interrupted commit whose journal
// is in `folder` and removes the temporaries of runs that no longer exist.
FolderRecovery RecoverFolder(const std::string& folder);

// The folder part of a path: "." for none, "/" for the root.
std::string FolderOfPath(const std::string& path);

// The name of a hidden file beside `target` for `role` ("tmp", "old"),
// unique by the run's token and `serial`, and short enough for any file
// system whatever the target's name.
std::string SideName(const std::string& target, const char* role, std::uint64_t serial);
// True for a name SideName makes (the last part of a path).
bool IsSideName(const std::string& name, const char* role);

// The locks of a folder, each a file that exists only while it is held:
// one guards commits against each other and against the clean-up; the
// other guards the making of temporaries against the clean-up (a temporary
// is made and locked under it, so the clean-up never sees one that is not
// yet locked). Making temporaries never waits for a commit's syncs.
enum class FolderLock { Commit, Temporaries };
std::string FolderLockPath(const std::string& folder, FolderLock which);

// For fault tests, which fork a process to commit: once this many renames
// of commits have been made, the process kills itself (SIGKILL) before the
// next step, as the OOM killer or a power cut might. Negative: never.
extern std::atomic<int> gKillAfterRenames;

}  // namespace quorvel
