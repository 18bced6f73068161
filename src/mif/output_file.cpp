#include "mif/output_file.hpp"

#include "mif/set_commit.hpp"
#include "platform/file_system.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>

namespace quorvel {

namespace {

// The temporaries open now, for a stop by a signal: slots hold the paths of
// files being written (owned by their OutputFile while registered).
std::array<std::atomic<const char*>, 512> gTemporaries{};
std::atomic<unsigned> gTemporaryCount{0};

void Register(const std::string& path) {
  for (auto& slot : gTemporaries) {
    const char* expected = nullptr;
    if (slot.compare_exchange_strong(expected, path.c_str())) return;
  }
}

void Unregister(const std::string& path) {
  for (auto& slot : gTemporaries) {
    const char* expected = path.c_str();
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

}  // namespace

TargetState StateOfTarget(const std::string& path) {
  platform::FileStatus status;
  if (!platform::StatusOf(path, status)) return TargetState::Missing;
  if (status.kind == platform::FileStatus::Kind::Folder) return TargetState::Folder;
  if (status.kind == platform::FileStatus::Kind::Regular) return TargetState::RegularFile;
  return TargetState::Special;
}

namespace {
thread_local TemporariesLock* gHeldTemporariesLock = nullptr;
}  // namespace

TemporariesLock::TemporariesLock(std::string folder) : folder_(std::move(folder)), outer_(gHeldTemporariesLock) {
  std::string ignored;
  lock_.Acquire(FolderLockPath(folder_, FolderLock::Temporaries), ignored);
  gHeldTemporariesLock = this;
}

TemporariesLock::~TemporariesLock() { gHeldTemporariesLock = outer_; }

bool TemporariesLock::Held(const std::string& folder) {
  for (const TemporariesLock* l = gHeldTemporariesLock; l; l = l->outer_)
    if (l->folder_ == folder) return true;
  return false;
}

void RemoveTemporariesOnSignal() {
  for (auto& slot : gTemporaries)
    if (const char* p = slot.load()) platform::RemoveFile(p);
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::CannotCreate(const std::string& reason) {
  error_ = reason;
  return false;
}

bool OutputFile::Fail(const std::string& reason) {
  failed_ = true;
  error_ = reason;
  return false;
}

bool OutputFile::Create(const std::string& path) {
  Discard();
  path_ = path;
  size_ = 0;
  if (capacity_ < kFlushAt + kSlack) {
    buffer_ = std::make_unique_for_overwrite<char[]>(kFlushAt + kSlack);
    capacity_ = kFlushAt + kSlack;
  }
  received_ = false;
  written_ = 0;
  writebackFrom_ = 0;
  failed_ = false;
  error_.clear();
  target_ = platform::FinalTarget(path);
  temporary_.clear();
  switch (StateOfTarget(target_)) {
    case TargetState::Folder:
      error_ = "is a folder";
      return false;
    case TargetState::Special:
      // A device or a FIFO cannot be replaced: it is written as it is.
      if (std::string reason; !file_.OpenToWrite(target_, reason)) return CannotCreate(reason);
      return true;
    case TargetState::Missing:
    case TargetState::RegularFile: break;
  }
  // Hidden, unique to this run and file, in the target's own folder so the
  // rename never crosses file systems. It is made under the folder's lock
  // and holds a lock of its own while this run lives: a clean-up by another
  // run removes only temporaries whose lock it can take.
  {
    std::optional<TemporariesLock> folderLock;
    if (const std::string folder = FolderOfPath(target_); !TemporariesLock::Held(folder)) folderLock.emplace(folder);
    std::string reason;
    bool exists = true;
    for (int attempt = 0; attempt < 100 && !file_.IsOpen() && exists; ++attempt) {
      temporary_ = SideName(target_, "tmp", gTemporaryCount.fetch_add(1));
      file_.CreateNew(temporary_, reason, exists);
    }
    if (!file_.IsOpen()) {
      temporary_.clear();
      return CannotCreate(reason);
    }
  }
  Register(temporary_);
  // A file replaced keeps its permissions.
  file_.CopyPermissionsOf(target_);
  return true;
}

void OutputFile::Grow(std::size_t n) {
  const std::size_t capacity = std::max({2 * capacity_, size_ + n, kFlushAt + kSlack});
  auto grown = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ > 0) std::memcpy(grown.get(), buffer_.get(), size_);
  buffer_ = std::move(grown);
  capacity_ = capacity;
}

bool OutputFile::Flush() {
  if (failed_) {
    size_ = 0;
    return false;
  }
  if (!file_.IsOpen()) {
    if (size_ > 0) {
      failed_ = true;
      error_ = "file is not open";
      size_ = 0;
      return false;
    }
    return true;
  }
  if (std::string reason; !file_.Append(buffer_.get(), size_, reason)) {
    size_ = 0;
    return Fail(reason);
  }
  written_ += size_;
  size_ = 0;
  // A temporary is synced before it is renamed. Its disk writes are started
  // every few megabytes as it grows, so that the sync at the end waits for
  // the last few only, while the translation goes on (a hint; no waiting).
  if (!temporary_.empty() && written_ - writebackFrom_ >= kWritebackEvery) {
    file_.StartWriting(writebackFrom_, written_ - writebackFrom_);
    writebackFrom_ = written_;
  }
  return true;
}

bool OutputFile::Commit() {
  StartWriteback();
  if (!Seal()) {
    Discard();
    return false;
  }
  return PutInPlace();
}

bool OutputFile::StartWriteback() {
  if (!file_.IsOpen()) return !failed_;
  if (!Flush()) return false;
  // Only a hint: SyncData, or a sync of the whole file system, is what makes
  // sure. A small tail is left to that sync: it writes the small files of a
  // batch together, where a hint each would be a disk request each.
  if (!temporary_.empty() && written_ - writebackFrom_ >= kWritebackFrom) {
    file_.StartWriting(writebackFrom_, 0);
    writebackFrom_ = written_;
  }
  return true;
}

bool OutputFile::Seal() { return EndWrites() && SyncData(); }

bool OutputFile::EndWrites() {
  if (!file_.IsOpen()) return !failed_;
  bool ok = StartWriteback();
  // Nothing more is written: a set waiting for its commit holds no buffer.
  buffer_.reset();
  capacity_ = 0;
  // A temporary stays open, and so locked, until it is renamed or removed
  // (also after a failure: Discard removes it); a file written directly is
  // done.
  if (temporary_.empty()) {
    if (std::string reason; !file_.CloseChecked(reason) && ok) ok = Fail(reason);
  }
  return ok;
}

bool OutputFile::SyncData() {
  if (!file_.IsOpen() || temporary_.empty()) return !failed_;
  // The data are on disk before the name points at them: a power cut right
  // after the rename cannot leave a short file in place of earlier output.
  if (std::string reason; !failed_ && !file_.Sync(reason)) return Fail(reason);
  return !failed_;
}

bool OutputFile::ConfirmSynced() {
  if (!file_.IsOpen() || temporary_.empty()) return !failed_;
  if (std::string reason; !failed_ && !file_.ConfirmWritten(reason)) return Fail(reason);
  return !failed_;
}

bool OutputFile::PutInPlace() {
  if (temporary_.empty()) return !failed_;
  bool ok = !failed_;
  if (std::string reason; ok && !platform::ReplaceName(temporary_, target_, reason)) ok = Fail(reason);
  if (!ok) platform::RemoveFile(temporary_);
  Placed();
  return ok;
}

void OutputFile::Placed() {
  file_.Close();
  if (!temporary_.empty()) Unregister(temporary_);
  temporary_.clear();
}

void OutputFile::Discard() {
  size_ = 0;
  // The name goes while the file is still open and so locked: another run
  // cleaning up never takes a temporary this run is removing for its own.
  if (!temporary_.empty()) {
    platform::RemoveFile(temporary_);
    Unregister(temporary_);
    temporary_.clear();
  }
  file_.Close();
}

}  // namespace quorvel
