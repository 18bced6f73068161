#include "mif/set_commit.hpp"

#include <algorithm>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "platform/file_system.hpp"

namespace quorvel {

std::atomic<int> gKillAfterRenames{-1};

namespace {

// The fault tests' kill point (see gKillAfterRenames).
void MaybeKilled() {
  if (gKillAfterRenames.load(std::memory_order_relaxed) < 0) return;
  if (gKillAfterRenames.fetch_sub(1) == 0) ::kill(::getpid(), SIGKILL);
}

constexpr std::string_view kSideMark = ".quorvel-";
constexpr std::string_view kJournalHead = "quorvel journal 1";
// Long enough to tell a name, short enough that any side name fits in the
// 255 bytes most file systems allow for one name.
constexpr std::size_t kNameKept = 120;

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0 || errno != ENOENT; }

// One step of a commit: a member, where its earlier file goes and what has
// been done so far.
struct Step {
  const CommitEntry* entry;
  bool hadEarlier = false;
  std::string aside;
  bool movedAside = false;
  bool renamedIn = false;
};

// The journal: its head, then four fields a member (target, aside,
// temporary, whether there was an earlier file), each ended by a NUL (a
// name may hold any other byte).
std::string JournalText(const std::vector<Step>& steps) {
  std::string text(kJournalHead);
  text.push_back('\n');
  for (const Step& s : steps) {
    for (const std::string* field : {&s.entry->target, &s.aside, &s.entry->temporary}) {
      text.append(*field);
      text.push_back('\0');
    }
    text.append(s.hadEarlier ? "1" : "0");
    text.push_back('\0');
  }
  return text;
}

bool WriteDurably(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(path.c_str());
  return ok;
}

// Puts back what a failed commit changed, latest first: new files go back
// to their temporary names (their owners discard them), earlier files back
// to their names.
void RollBack(std::vector<Step>& steps) {
  std::string ignored;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    if (it->renamedIn) platform::ReplaceName(it->entry->target, it->entry->temporary, ignored);
    if (it->movedAside) platform::ReplaceName(it->aside, it->entry->target, ignored);
    it->renamedIn = it->movedAside = false;
  }
}

// Every folder the commit touches, each once, in one order for every run
// (so that two runs never wait for each other's second lock).
std::vector<std::string> FoldersOf(const std::string& mifName, const std::vector<CommitEntry>& entries) {
  std::vector<std::string> folders{FolderOfPath(mifName)};
  for (const CommitEntry& e : entries) folders.push_back(FolderOfPath(e.target));
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  return folders;
}

// The steps of a commit, checked under the lock: false with `failure` set
// when a member that holds a file now may not be replaced.
bool PlanSteps(const std::vector<CommitEntry>& entries, const MayReplace& mayReplace, std::vector<Step>& steps,
               CommitFailure& failure) {
  std::uint64_t serial = 0;
  for (const CommitEntry& e : entries) {
    std::uint64_t size = 0;
    const bool regular = platform::RegularFileSize(e.target, size);
    if (e.temporary.empty() && !regular) continue;  // nothing there, or not ours to remove
    if (const char* refusal = regular && mayReplace ? mayReplace(e.path) : nullptr) {
      failure = {e.path, refusal};
      return false;
    }
    steps.push_back({.entry = &e, .hadEarlier = regular, .aside = regular ? SideName(e.target, "old", serial++) : ""});
  }
  return true;
}

// The renames: earlier files aside, then new ones in. False with `failure`
// set (everything put back) when one cannot be done.
bool Swap(std::vector<Step>& steps, CommitFailure& failure) {
  std::string reason;
  for (Step& s : steps) {
    if (!s.hadEarlier) continue;
    MaybeKilled();
    if (!platform::ReplaceName(s.entry->target, s.aside, reason)) {
      failure = {s.entry->path, reason};
      RollBack(steps);
      return false;
    }
    s.movedAside = true;
  }
  for (Step& s : steps) {
    if (s.entry->temporary.empty()) continue;
    MaybeKilled();
    if (!platform::ReplaceName(s.entry->temporary, s.entry->target, reason)) {
      failure = {s.entry->path, reason};
      RollBack(steps);
      return false;
    }
    s.renamedIn = true;
  }
  return true;
}

// Reads a journal back into (target, aside, temporary, had earlier) rows;
// false for a file that is not a whole journal (then nothing was renamed:
// the journal is synced before the first rename).
struct JournalRow {
  std::string target, aside, temporary;
  bool hadEarlier = false;
};

bool ReadJournal(const std::string& path, std::vector<JournalRow>& rows) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  if (text.rfind(std::string(kJournalHead) + "\n", 0) != 0) return false;
  std::vector<std::string> fields;
  std::size_t at = kJournalHead.size() + 1;
  for (std::size_t end; (end = text.find('\0', at)) != std::string::npos; at = end + 1)
    fields.push_back(text.substr(at, end - at));
  if (at != text.size() || fields.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < fields.size(); i += 4)
    rows.push_back({fields[i], fields[i + 1], fields[i + 2], fields[i + 3] == "1"});
  return true;
}

// Undoes the commit a journal records: earlier files back to their names,
// new files that took a name no file held removed.
void UndoJournal(const std::string& path, FolderRecovery& recovery) {
  std::vector<JournalRow> rows;
  if (ReadJournal(path, rows)) {
    std::string ignored;
    for (const JournalRow& row : rows) {
      if (row.hadEarlier) {
        if (Exists(row.aside)) platform::ReplaceName(row.aside, row.target, ignored);
      } else if (!row.temporary.empty() && !Exists(row.temporary)) {
        std::uint64_t size = 0;
        if (platform::RegularFileSize(row.target, size) && platform::RemoveFile(row.target)) {
          ++recovery.filesRemoved;
          recovery.bytesFreed += size;
        }
      }
    }
  }
  platform::RemoveFile(path);
  ++recovery.commitsUndone;
}

// Removes the file at `path` if it is a temporary no live run holds.
void RemoveIfUnheld(const std::string& path, FolderRecovery& recovery) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return;
  std::uint64_t size = 0;
  if (platform::FileLock::TryLock(fd) && platform::RegularFileSize(path, size) && platform::RemoveFile(path)) {
    ++recovery.filesRemoved;
    recovery.bytesFreed += size;
  }
  ::close(fd);
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string SideName(const std::string& target, const char* role, std::uint64_t serial) {
  std::string name = NameOf(target);
  if (name.size() > kNameKept) {
    // Cut at a character's first byte, so a UTF-8 name stays UTF-8.
    std::size_t cut = kNameKept;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  char tail[64];
  std::snprintf(tail, sizeof tail, "%016llx-%llu.", static_cast<unsigned long long>(platform::RunToken()),
                static_cast<unsigned long long>(serial));
  return Joined(FolderOfPath(target), "." + name + std::string(kSideMark) + tail + role);
}

bool IsSideName(const std::string& name, const char* role) {
  const std::string tail = std::string(".") + role;
  return name.size() > tail.size() + kSideMark.size() && name.front() == '.' &&
         name.compare(name.size() - tail.size(), tail.size(), tail) == 0 &&
         name.find(kSideMark) != std::string::npos;
}

std::string FolderLockPath(const std::string& folder, FolderLock which) {
  return Joined(folder, which == FolderLock::Commit ? ".quorvel-commit.lock" : ".quorvel-temporaries.lock");
}

bool CommitEntries(const std::string& mifName, const std::vector<CommitEntry>& entries, const MayReplace& mayReplace,
                   CommitFailure& failure) {
  const std::vector<std::string> folders = FoldersOf(mifName, entries);
  std::vector<platform::FileLock> locks(folders.size());
  std::string ignored;
  for (std::size_t i = 0; i < folders.size(); ++i)
    locks[i].Acquire(FolderLockPath(folders[i], FolderLock::Commit), ignored);

  std::vector<Step> steps;
  if (!PlanSteps(entries, mayReplace, steps, failure)) return false;
  if (steps.empty()) return true;
  const std::string journal = SideName(mifName, "journal", 0);
  if (!WriteDurably(journal, JournalText(steps)) || !platform::SyncFolder(FolderOfPath(journal))) {
    failure = {journal, "the commit's journal cannot be written"};
    platform::RemoveFile(journal);
    return false;
  }
  if (!Swap(steps, failure)) {
    for (const std::string& folder : folders) platform::SyncFolder(folder);
    platform::RemoveFile(journal);
    return false;
  }
  for (const std::string& folder : folders) platform::SyncFolder(folder);
  MaybeKilled();
  // The new set is in place once the journal is gone.
  platform::RemoveFile(journal);
  platform::SyncFolder(FolderOfPath(journal));
  MaybeKilled();
  for (const Step& s : steps)
    if (s.hadEarlier) platform::RemoveFile(s.aside);
  return true;
}

FolderRecovery RecoverFolder(const std::string& folder) {
  FolderRecovery recovery;
  platform::FileLock commits, temporaries;
  std::string ignored;
  if (!commits.Acquire(FolderLockPath(folder, FolderLock::Commit), ignored) ||
      !temporaries.Acquire(FolderLockPath(folder, FolderLock::Temporaries), ignored))
    return recovery;
  // Commits first: an undone commit brings earlier files back from aside.
  for (const std::string& name : platform::FolderNames(folder))
    if (IsSideName(name, "journal")) UndoJournal(Joined(folder, name), recovery);
  for (const std::string& name : platform::FolderNames(folder)) {
    if (IsSideName(name, "tmp")) {
      RemoveIfUnheld(Joined(folder, name), recovery);
    } else if (IsSideName(name, "old")) {
      // Under the lock no commit is under way here: an earlier file still
      // aside belongs to a commit that reached its end.
      std::uint64_t size = 0;
      if (platform::RegularFileSize(Joined(folder, name), size) && platform::RemoveFile(Joined(folder, name))) {
        ++recovery.filesRemoved;
        recovery.bytesFreed += size;
      }
    }
  }
  if (recovery.commitsUndone + recovery.filesRemoved > 0) platform::SyncFolder(folder);
  return recovery;
}

}  // namespace quorvel
