#include "platform/file_system.hpp"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quorvel::platform {

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

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
      fd_ = fd;
      path_ = path;
      return true;
    }
    ::close(fd);
  }
}

bool FileLock::TryLock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

void FileLock::Release() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());  // still ours: nobody takes a lock on it until it goes
  ::close(fd_);             // closing drops the lock
  fd_ = -1;
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

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool File::OpenToRead(const std::string& path, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) error = std::strerror(errno);
  return fd_ >= 0;
}

bool File::CreateScratch(const std::string& folder, std::string& error) {
  Close();
#ifdef O_TMPFILE
  fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) return true;
#endif
  // A file system without unnamed files: a name, removed at once.
  std::string name = (folder.empty() ? std::string(".") : folder) + "/.quorvel-scratch-XXXXXX";
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    error = std::strerror(errno);
    return false;
  }
  ::unlink(name.c_str());
  return true;
}

bool File::Append(const char* data, std::size_t size, std::string& error) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
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

std::int64_t File::ReadAt(std::uint64_t offset, char* into, std::size_t size, std::string& error) const {
  for (;;) {
    const ssize_t n = ::pread(fd_, into, size, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = std::strerror(errno);
    return -1;
  }
}

bool File::Size(std::uint64_t& size) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t RunToken() {
  static const std::uint64_t token = [] {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (static_cast<std::uint64_t>(device()) << 32 ^ device() ^ now ^ static_cast<std::uint64_t>(::getpid()) << 20);
  }();
  return token;
}

}  // namespace quorvel::platform
