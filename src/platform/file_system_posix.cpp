#include "platform/file_system.hpp"

#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quorvel::platform {

bool FileLock::Acquire(const std::string& path, std::string& error) {
  Release();
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      error = std::strerror(errno);
      return false;
    }
    int rc;
    while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    // The holder before removed the file as it let go: this lock is on a
    // file nobody else will open again. Take the one at the name now.
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      handle_ = fd;
      path_ = path;
      return true;
    }
    ::close(fd);
  }
}

void FileLock::Release() {
  if (handle_ < 0) return;
  ::unlink(path_.c_str());              // still ours: nobody takes a lock on it until it goes
  ::close(static_cast<int>(handle_));  // closing drops the lock
  handle_ = -1;
  path_.clear();
}

bool ReplaceName(const std::string& from, const std::string& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool RegularFileSize(const std::string& path, std::uint64_t& size) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MayExist(const std::string& path) { return ::access(path.c_str(), F_OK) == 0 || errno != ENOENT; }

namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

// The descriptor of `path` opened with `flags`, or -1 with the reason.
std::intptr_t OpenFd(const std::string& path, int flags, std::string& error) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) error = std::strerror(errno);
  return fd;
}

// A read made again when a signal interrupts it: the count, or -1 with the
// reason.
template <class Call>
std::int64_t Retried(const Call& call, std::string& error) {
  for (;;) {
    const ssize_t n = call();
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = std::strerror(errno);
    return -1;
  }
}

void Describe(const struct stat& st, FileStatus& status) {
  status.kind = S_ISREG(st.st_mode)   ? FileStatus::Kind::Regular
                : S_ISDIR(st.st_mode) ? FileStatus::Kind::Folder
                                      : FileStatus::Kind::Other;
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.device = static_cast<std::uint64_t>(st.st_dev);
  status.number = static_cast<std::uint64_t>(st.st_ino);
}

}  // namespace

bool StatusOf(const std::string& path, FileStatus& status, std::string* error) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  Describe(st, status);
  return true;
}

bool File::OpenToRead(const std::string& path, std::string& error) {
  Close();
  handle_ = OpenFd(path, O_RDONLY, error);
  return IsOpen();
}

bool File::CreateScratch(const std::string& folder, std::string& error) {
  Close();
  int fd = -1;
#ifdef O_TMPFILE
  fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
  if (fd < 0) {
    // A file system without unnamed files: a name, removed at once.
    std::string name = (folder.empty() ? std::string(".") : folder) + "/.quorvel-scratch-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
      error = std::strerror(errno);
      return false;
    }
    ::unlink(name.c_str());
  }
  handle_ = fd;
  return true;
}

bool File::CreateNew(const std::string& path, std::string& error, bool& exists) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  exists = fd < 0 && errno == EEXIST;
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  // Held by its lock while open: the system drops it with the process.
  ::flock(fd, LOCK_EX | LOCK_NB);
  handle_ = fd;
  return true;
}

bool File::OpenToWrite(const std::string& path, std::string& error) {
  Close();
  handle_ = OpenFd(path, O_WRONLY, error);
  return IsOpen();
}

void File::CopyPermissionsOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(Fd(handle_), st.st_mode & 07777);
}

void File::StartWriting(std::uint64_t offset, std::uint64_t length) {
#ifdef __linux__
  ::sync_file_range(Fd(handle_), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
  (void)offset;
  (void)length;
#endif
}

bool File::Sync(std::string& error) {
  if (::fsync(Fd(handle_)) == 0) return true;
  error = std::strerror(errno);
  return false;
}

bool File::ConfirmWritten(std::string& error) {
#ifdef __linux__
  // The data were written by the file system's sync: waiting for them
  // again writes nothing and reports an error the system kept for this
  // file, without another flush of the disk's cache.
  if (::sync_file_range(Fd(handle_), 0, 0,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) == 0)
    return true;
  error = std::strerror(errno);
  return false;
#else
  return Sync(error);
#endif
}

bool File::CloseChecked(std::string& error) {
  if (handle_ == kClosed) return true;
  const bool ok = ::close(Fd(std::exchange(handle_, kClosed))) == 0;
  if (!ok) error = std::strerror(errno);
  return ok;
}

bool RemoveIfUnheld(const std::string& path, std::uint64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && RegularFileSize(path, size) && RemoveFile(path);
  ::close(fd);
  return removed;
}

std::string FinalTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    std::string resolved(real);
    std::free(real);
    return resolved;
  }
  // A dangling link: write where it points.
  std::string target(PATH_MAX, '\0');
  const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
  if (n <= 0) return path;
  target.resize(static_cast<std::size_t>(n));
  if (target.front() != '/') {
    const std::size_t slash = path.rfind('/');
    target = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/" + target;
  }
  return target;
}

bool File::Append(const char* data, std::size_t size, std::string& error) {
  while (size > 0) {
    const ssize_t n = ::write(Fd(handle_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::int64_t File::Read(char* into, std::size_t size, std::string& error) {
  return Retried([&] { return ::read(Fd(handle_), into, size); }, error);
}

std::int64_t File::ReadAt(std::uint64_t offset, char* into, std::size_t size, std::string& error) const {
  return Retried([&] { return ::pread(Fd(handle_), into, size, static_cast<off_t>(offset)); }, error);
}

bool File::Status(FileStatus& status) const {
  struct stat st;
  if (::fstat(Fd(handle_), &st) != 0) return false;
  Describe(st, status);
  return true;
}

bool File::Size(std::uint64_t& size) const {
  FileStatus status;
  if (!Status(status)) return false;
  size = status.size;
  return true;
}

void File::Close() {
  if (handle_ != kClosed) ::close(Fd(handle_));
  handle_ = kClosed;
}

void* LoadLibraryNamed(const std::vector<const char*>& names, std::string& error) {
  for (const char* name : names)
    if (void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL)) return handle;
  const char* why = ::dlerror();
  error = why ? why : "";
  return nullptr;
}

void* LibrarySymbol(void* library, const char* symbol) { return ::dlsym(library, symbol); }

std::uint64_t RunToken() {
  static const std::uint64_t token = [] {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (static_cast<std::uint64_t>(device()) << 32 ^ device() ^ now ^ static_cast<std::uint64_t>(::getpid()) << 20);
  }();
  return token;
}

bool SyncFileSystems(const std::vector<std::string>& folders) {
#ifdef __linux__
  std::vector<dev_t> synced;
  for (const std::string& folder : folders) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    bool seen = false;
    for (const dev_t device : synced) seen = seen || device == st.st_dev;
    if (ok && !seen) {
      // A file system may write some of its own records after its last
      // flush of the disk's cache (ext4 without a journal writes inode
      // tables then): syncing the folder flushes the cache once more.
      ok = ::syncfs(fd) == 0 && ::fsync(fd) == 0;
      synced.push_back(st.st_dev);
    }
    ::close(fd);
    if (!ok) return false;
  }
  return true;
#else
  (void)folders;
  return false;
#endif
}

}  // namespace quorvel::platform
