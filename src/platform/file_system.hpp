// What the output set's commit needs of the file system, in one place for
// every system the program runs on: a lock on a file, replacing a name,
// syncing a folder's entries, listing a folder; and reading a file by
// position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::platform {

// An exclusive lock held through a lock file that exists only while it is
// held: taking the lock makes the file, letting it go removes it, so a
// folder keeps no trace of it. The system drops the lock with the process,
// whatever ends it, so a lock that can be taken proves its former holder
// gone.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock() { Release(); }

  // Waits for the lock of the file at `path`, making the file. False with
  // `error` set when it cannot be made.
  bool Acquire(const std::string& path, std::string& error);
  // Takes the lock of an open file without waiting: false when another
  // holder has it. Such a lock goes with the file's last descriptor.
  static bool TryLock(int fd);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Renames `from` onto `to`, replacing a file there. False with `error` set
// (the system's reason) when it cannot be done; then nothing changed.
bool ReplaceName(const std::string& from, const std::string& to, std::string& error);

// Makes the entries of `folder` (names made, renamed or removed) durable.
bool SyncFolder(const std::string& folder);

// The names in `folder` (not "." and ".."); empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder);

// The size of the regular file at `path` (not followed through a link);
// false when there is none.
bool RegularFileSize(const std::string& path, std::uint64_t& size);

// Removes the file at `path`; false when it was not there or could not go.
bool RemoveFile(const std::string& path);

// A file read (or written) at given positions: a tile too large to map,
// read a window at a time, or a scratch file an archive member is spooled
// to. A scratch file has no name: the system removes it when it is closed,
// however the process ends.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  File& operator=(File&& other) noexcept;
  ~File() { Close(); }

  // Opens `path` to read. False with the system's reason in `error`.
  bool OpenToRead(const std::string& path, std::string& error);
  // Makes a scratch file in `folder`, open to write and read.
  bool CreateScratch(const std::string& folder, std::string& error);
  // Writes all `size` bytes at the file's end.
  bool Append(const char* data, std::size_t size, std::string& error);
  // Reads up to `size` bytes from `offset` into `into`: the count read, 0
  // at the end of the file, -1 with `error` set when the system fails.
  std::int64_t ReadAt(std::uint64_t offset, char* into, std::size_t size, std::string& error) const;
  // The file's size now; false when the system cannot tell.
  bool Size(std::uint64_t& size) const;
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

 private:
  int fd_ = -1;
};

// A number unlikely to be drawn by another run, even one with the same
// process id (as in a container): for unique temporary names.
std::uint64_t RunToken();

}  // namespace quorvel::platform
