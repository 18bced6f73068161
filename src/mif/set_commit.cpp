#include "mif/set_commit.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/file_system.hpp"
#include "platform/naming.hpp"
#include "platform/process.hpp"

namespace quorvel {

std::atomic<int> gKillAfterRenames{-1};

namespace {

// The fault tests' kill point (see gKillAfterRenames).
void MaybeKilled() {
  if (gKillAfterRenames.load(std::memory_order_relaxed) < 0) return;
  if (gKillAfterRenames.fetch_sub(1) == 0) platform::KillNow();
}

constexpr std::string_view kSideMark = ".quorvel-";
constexpr std::string_view kJournalHead = "quorvel journal 1";
// Long enough to tell a name, short enough that any side name fits in the
// 255 bytes most file systems allow for one name.
constexpr std::size_t kNameKept = 120;

std::string NameOf(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) { return platform::MayExist(path); }

// One step of a commit: a member, where its earlier file goes and what has
// been done so far.
struct Step {
  const CommitEntry* entry;
  bool hadEarlier = false;
  std::string aside;
  bool movedAside = false;
  bool renamedIn = false;
};

// `path` from the root: a journal is read back by a run that may have been
// started in another folder (`quorvel --recover DIR` from anywhere).
std::string FromRoot(const std::string& path, const std::filesystem::path& here) {
  if (path.empty() || platform::IsAbsolute(path)) return path;
  return (here / path).lexically_normal().string();
}

// The journal: its head, then four fields a member (target, aside,
// temporary, whether there was an earlier file), each ended by a NUL (a
// name may hold any other byte), the paths from the root. The sets
// committed together in one folder share a journal: their rows follow
// each other.
void AppendRows(const std::vector<Step>& steps, std::string& text) {
  if (text.empty()) {
    text.assign(kJournalHead);
    text.push_back('\n');
  }
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  for (const Step& s : steps) {
    for (const std::string* field : {&s.entry->target, &s.aside, &s.entry->temporary}) {
      text.append(ec ? *field : FromRoot(*field, here));
      text.push_back('\0');
    }
    text.append(s.hadEarlier ? "1" : "0");
    text.push_back('\0');
  }
}

// Writes a journal; with `sync`, waits until it is on the disk.
bool WriteJournal(const std::string& path, const std::string& text, bool sync) {
  platform::File file;
  std::string reason;
  bool exists = false;
  if (!file.CreateNew(path, reason, exists)) return false;
  bool ok = file.Append(text.data(), text.size(), reason);
  ok = ok && (!sync || file.Sync(reason));
  ok = file.CloseChecked(reason) && ok;
  if (!ok) platform::RemoveFile(path);
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
  std::uint64_t size = 0;
  if (platform::RemoveIfUnheld(path, size)) {
    ++recovery.filesRemoved;
    recovery.bytesFreed += size;
  }
}

// A set of a batch with the steps of its commit.
struct BatchSet {
  SetCommit* set;
  std::vector<Step> steps;
  bool live = false;  // still to be put in place
};

// Plans every set of the batch under the locks: a refused set is out with
// its reason; one with nothing to rename is done.
std::vector<BatchSet> PlanBatch(std::vector<SetCommit>& batch) {
  std::vector<BatchSet> planned;
  planned.reserve(batch.size());
  for (SetCommit& s : batch) {
    BatchSet& b = planned.emplace_back(BatchSet{&s, {}, false});
    s.committed = false;
    s.failure = {};
    if (!PlanSteps(s.entries, s.mayReplace, b.steps, s.failure)) continue;
    b.live = !b.steps.empty();
    s.committed = b.steps.empty();
  }
  return planned;
}

// The end of a commit whose new files are in place: the moment the journal
// is gone the new sets are in place; then the earlier files set aside go.
void EndCommit(const std::vector<BatchSet*>& sets, const std::vector<std::string>& journals,
               const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) platform::SyncFolder(folder);
  MaybeKilled();
  std::vector<std::string> journalFolders;
  for (const std::string& journal : journals) {
    platform::RemoveFile(journal);
    journalFolders.push_back(FolderOfPath(journal));
  }
  std::sort(journalFolders.begin(), journalFolders.end());
  journalFolders.erase(std::unique(journalFolders.begin(), journalFolders.end()), journalFolders.end());
  for (const std::string& folder : journalFolders) platform::SyncFolder(folder);
  MaybeKilled();
  for (BatchSet* b : sets) {
    if (!b->live) continue;
    for (const Step& s : b->steps)
      if (s.hadEarlier) platform::RemoveFile(s.aside);
    b->set->committed = true;
  }
}

// One set on its own: its temporaries synced one by one, its journal
// written and synced with its folder, then the renames.
void CommitAlone(BatchSet& b) {
  SetCommit& s = *b.set;
  b.live = false;
  if (s.sync && !s.sync(false)) return;  // the set's files say why
  const std::string journal = SideName(s.mifName, "journal", 0);
  std::string text;
  AppendRows(b.steps, text);
  if (!WriteJournal(journal, text, true) || !platform::SyncFolder(FolderOfPath(journal))) {
    s.failure = {journal, "the commit's journal cannot be written"};
    platform::RemoveFile(journal);
    return;
  }
  const std::vector<std::string> folders = FoldersOf(s.mifName, s.entries);
  if (!Swap(b.steps, s.failure)) {
    for (const std::string& folder : folders) platform::SyncFolder(folder);
    platform::RemoveFile(journal);
    return;
  }
  b.live = true;
  EndCommit({&b}, {journal}, folders);
}

// The journals of a batch: one for the sets of each folder, beside them.
std::vector<std::pair<std::string, std::string>> BatchJournals(const std::vector<BatchSet>& planned) {
  std::map<std::string, std::pair<std::string, std::string>> byFolder;  // path, text
  for (const BatchSet& b : planned) {
    if (!b.live) continue;
    auto& [path, text] = byFolder[FolderOfPath(b.set->mifName)];
    if (path.empty()) path = SideName(b.set->mifName, "journal", 1);
    AppendRows(b.steps, text);
  }
  std::vector<std::pair<std::string, std::string>> journals;
  for (auto& [folder, journal] : byFolder) journals.push_back(std::move(journal));
  return journals;
}

// The sets of a batch together: every journal written, then one sync of
// the file systems for the journals and every temporary, then all the
// renames. False, with nothing renamed and no journal left, when the file
// systems cannot be synced at once: then the sets go one by one.
bool CommitTogether(std::vector<BatchSet>& planned, const std::vector<std::string>& folders) {
  const auto journals = BatchJournals(planned);
  std::vector<std::string> written;
  bool ok = true;
  for (const auto& [path, text] : journals) {
    ok = ok && WriteJournal(path, text, false);
    if (ok) written.push_back(path);
  }
  if (!ok || !platform::SyncFileSystems(folders)) {
    for (const std::string& path : written) platform::RemoveFile(path);
    return false;
  }
  // A set dropped from here on leaves its rows in the journal until the
  // end: they name its earlier files at their own names and its
  // temporaries still there, so rolling them back changes nothing.
  std::vector<BatchSet*> sets;
  for (BatchSet& b : planned) {
    if (b.live && b.set->sync && !b.set->sync(true)) b.live = false;  // the set's files say why
    if (b.live && !Swap(b.steps, b.set->failure)) b.live = false;
    sets.push_back(&b);
  }
  EndCommit(sets, written, folders);
  return true;
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
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

void CommitSets(std::vector<SetCommit>& batch) {
  std::vector<std::string> folders;
  for (const SetCommit& s : batch) {
    const std::vector<std::string> touched = FoldersOf(s.mifName, s.entries);
    folders.insert(folders.end(), touched.begin(), touched.end());
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  std::vector<platform::FileLock> locks(folders.size());
  std::string ignored;
  for (std::size_t i = 0; i < folders.size(); ++i)
    locks[i].Acquire(FolderLockPath(folders[i], FolderLock::Commit), ignored);

  std::vector<BatchSet> planned = PlanBatch(batch);
  const auto live = std::count_if(planned.begin(), planned.end(), [](const BatchSet& b) { return b.live; });
  // A set alone is committed as it always was: syncing its own files, it
  // never waits for whatever else is being written to its file system.
  if (live > 1 && CommitTogether(planned, folders)) return;
  for (BatchSet& b : planned)
    if (b.live) CommitAlone(b);
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
