#include "mif/output_file.hpp"

#include "mif/set_commit.hpp"
#include "platform/file_system.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The file a name stands for: a symbolic link's final target, or the name.
std::string ResolveLinks(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real) {
    std::string resolved(real);
    std::free(real);
    return resolved;
  }
  // A dangling link: write where it points.
  std::string target(PATH_MAX, '\0');
  const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
  if (n <= 0) return path;
  target.resize(static_cast<std::size_t>(n));
  if (target.front() != '/') target = FolderOfPath(path) + "/" + target;
  return target;
}

}  // namespace

TargetState StateOfTarget(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return TargetState::Missing;
  if (S_ISDIR(st.st_mode)) return TargetState::Folder;
  if (S_ISREG(st.st_mode)) return TargetState::RegularFile;
  return TargetState::Special;
}

void RemoveTemporariesOnSignal() {
  for (auto& slot : gTemporaries)
    if (const char* p = slot.load()) ::unlink(p);
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::CannotCreate(int error) {
  error_ = std::strerror(error);
  return false;
}

bool OutputFile::Fail(int error) {
  failed_ = true;
  error_ = std::strerror(error);
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
  target_ = ResolveLinks(path);
  temporary_.clear();
  switch (StateOfTarget(target_)) {
    case TargetState::Folder:
      error_ = "is a folder";
      return false;
    case TargetState::Special:
      // A device or a FIFO cannot be replaced: it is written as it is.
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd_ < 0) return CannotCreate(errno);
      return true;
    case TargetState::Missing:
    case TargetState::RegularFile: break;
  }
  // Hidden, unique to this run and file, in the target's own folder so the
  // rename never crosses file systems. It is made under the folder's lock
  // and holds a lock of its own while this run lives: a clean-up by another
  // run removes only temporaries whose lock it can take.
  {
    platform::FileLock folderLock;
    std::string ignored;
    folderLock.Acquire(FolderLockPath(FolderOfPath(target_), FolderLock::Temporaries), ignored);
    int e = EEXIST;
    for (int attempt = 0; attempt < 100 && fd_ < 0 && e == EEXIST; ++attempt) {
      temporary_ = SideName(target_, "tmp", gTemporaryCount.fetch_add(1));
      fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      e = fd_ < 0 ? errno : 0;
    }
    if (fd_ < 0) {
      temporary_.clear();
      return CannotCreate(e);
    }
    platform::FileLock::TryLock(fd_);
  }
  Register(temporary_);
  // A file replaced keeps its permissions.
  struct stat st;
  if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
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
  if (fd_ < 0) {
    if (size_ > 0) {
      failed_ = true;
      error_ = "file is not open";
      size_ = 0;
      return false;
    }
    return true;
  }
  const char* p = buffer_.get();
  std::size_t left = size_;
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      size_ = 0;
      return Fail(e);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  written_ += size_;
  size_ = 0;
#ifdef __linux__
  // A temporary is synced before it is renamed. Its disk writes are started
  // every few megabytes as it grows, so that the sync at the end waits for
  // the last few only, while the translation goes on (a hint; no waiting).
  if (!temporary_.empty() && written_ - writebackFrom_ >= kWritebackEvery) {
    ::sync_file_range(fd_, static_cast<off_t>(writebackFrom_), static_cast<off_t>(written_ - writebackFrom_),
                      SYNC_FILE_RANGE_WRITE);
    writebackFrom_ = written_;
  }
#endif
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
  if (fd_ < 0) return !failed_;
  if (!Flush()) return false;
#ifdef __linux__
  // Only a hint: Seal's fsync is what makes sure.
  if (!temporary_.empty()) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  return true;
}

bool OutputFile::Seal() {
  if (fd_ < 0) return !failed_;
  bool ok = Flush();
  // The data are on disk before the name points at them: a power cut right
  // after the rename cannot leave a short file in place of earlier output.
  if (ok && !temporary_.empty() && ::fsync(fd_) != 0) ok = Fail(errno);
  // A temporary stays open, and so locked, until it is renamed or removed
  // (also after a failure: Discard removes it); a file written directly is
  // done.
  if (temporary_.empty()) {
    if (::close(fd_) != 0 && ok) ok = Fail(errno);
    fd_ = -1;
  }
  return ok;
}

bool OutputFile::PutInPlace() {
  if (temporary_.empty()) return !failed_;
  bool ok = !failed_;
  if (ok && ::rename(temporary_.c_str(), target_.c_str()) != 0) ok = Fail(errno);
  if (!ok) ::unlink(temporary_.c_str());
  Placed();
  return ok;
}

void OutputFile::Placed() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) Unregister(temporary_);
  temporary_.clear();
}

void OutputFile::Discard() {
  size_ = 0;
  // The name goes while the file is still open and so locked: another run
  // cleaning up never takes a temporary this run is removing for its own.
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    Unregister(temporary_);
    temporary_.clear();
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace quorvel
