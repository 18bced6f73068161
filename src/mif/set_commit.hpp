// Replacing an output set on disk all or nothing.
//
// A set's new files are sealed temporaries beside their targets. The commit
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
  std::string temporary;  // the sealed new file; empty when the member is stale and goes
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

// Commits the entries of the set named `mifName` as described above. The
// temporaries are renamed in, not removed, on success; on failure they stay
// for their owners to discard. Earlier files at stale members' targets that
// are not regular files (a link, a folder, a device) are left alone.
bool CommitEntries(const std::string& mifName, const std::vector<CommitEntry>& entries, const MayReplace& mayReplace,
                   CommitFailure& failure);

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
