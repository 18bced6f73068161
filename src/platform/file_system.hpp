// What the output set's commit needs of the file system, in one place for
// every system the program runs on: a lock on a file, replacing a name,
// syncing a folder's entries, listing a folder; and reading a file by
// position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
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
  FileLock(FileLock&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) { other.handle_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, -1);
      path_ = std::move(other.path_);
    }
    return *this;
  }
  ~FileLock() { Release(); }

  // Waits for the lock of the file at `path`, making the file. False with
  // `error` set when it cannot be made.
  bool Acquire(const std::string& path, std::string& error);
  void Release();
  bool held() const { return handle_ != -1; }

 private:
  std::intptr_t handle_ = -1;
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

// False only when there is surely nothing at `path` (a file that cannot
// be looked at may be there).
bool MayExist(const std::string& path);

// Removes the file at `path`; false when it was not there or could not go.
bool RemoveFile(const std::string& path);

// A file read (or written) at given positions: a tile too large to map,
// read a window at a time, or a scratch file an archive member is spooled
// to. A scratch file has no name: the system removes it when it is closed,
// however the process ends.
// What a path or an open file is.
struct FileStatus {
  enum class Kind { Regular, Folder, Other };
  Kind kind = Kind::Other;
  std::uint64_t size = 0;
  // Two names of one file have the same device (volume) and number on it.
  std::uint64_t device = 0;
  std::uint64_t number = 0;
  bool operator<(const FileStatus& o) const { return device != o.device ? device < o.device : number < o.number; }
};

// The status of what `path` names, through links; false when there is
// nothing there or the system cannot tell, with its reason in `error`.
bool StatusOf(const std::string& path, FileStatus& status, std::string* error = nullptr);

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
  }
  ~File() { Close(); }

  // Opens `path` to read. False with the system's reason in `error`.
  bool OpenToRead(const std::string& path, std::string& error);
  // Reads on from where the last read ended (any file, a pipe too): the
  // count read, 0 at the end, -1 with `error` set.
  std::int64_t Read(char* into, std::size_t size, std::string& error);
  bool Status(FileStatus& status) const;
  // The system's handle (a descriptor, or a Windows HANDLE), for a mapping.
  std::intptr_t native() const { return handle_; }
  // Makes a scratch file in `folder`, open to write and read.
  bool CreateScratch(const std::string& folder, std::string& error);
  // Makes a new file at `path` to write, held by this process while it is
  // open (RemoveIfUnheld leaves it alone); false when there is a file of
  // that name already (`exists` set) or it cannot be made.
  bool CreateNew(const std::string& path, std::string& error, bool& exists);
  // Opens what is at `path` to write it in place (a device, a FIFO).
  bool OpenToWrite(const std::string& path, std::string& error);
  // Gives the file the permissions of the regular file at `path`, if any.
  void CopyPermissionsOf(const std::string& path);
  // Asks the system to start writing `length` bytes from `offset` to the
  // disk (0: to the end), without waiting: a hint, for a later Sync.
  void StartWriting(std::uint64_t offset, std::uint64_t length);
  // Waits until the file's data are on the disk.
  bool Sync(std::string& error);
  // After a sync of the whole file system: reports a failure the system
  // kept for this file's data, without flushing the disk again.
  bool ConfirmWritten(std::string& error);
  // Closes the file, reporting a failure the system reports only then.
  bool CloseChecked(std::string& error);
  // Writes all `size` bytes at the file's end.
  bool Append(const char* data, std::size_t size, std::string& error);
  // Reads up to `size` bytes from `offset` into `into`: the count read, 0
  // at the end of the file, -1 with `error` set when the system fails.
  std::int64_t ReadAt(std::uint64_t offset, char* into, std::size_t size, std::string& error) const;
  // The file's size now; false when the system cannot tell.
  bool Size(std::uint64_t& size) const;
  bool IsOpen() const { return handle_ != kClosed; }
  void Close();

 private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t handle_ = kClosed;
};

// Removes the file at `path` unless a live process holds it (a file made
// by CreateNew and still open): true, with its size, when it went.
bool RemoveIfUnheld(const std::string& path, std::uint64_t& size);

// The file a name stands for: a symbolic link's final target (where it
// points when it dangles), or the name itself.
std::string FinalTarget(const std::string& path);

// A shared library loaded for the life of the process: the first of
// `names` that loads, or nullptr with the system's reason in `error`.
void* LoadLibraryNamed(const std::vector<const char*>& names, std::string& error);
// The address of `symbol` in a loaded library, or nullptr.
void* LibrarySymbol(void* library, const char* symbol);

// A number unlikely to be drawn by another run, even one with the same
// process id (as in a container): for unique temporary names.
std::uint64_t RunToken();

// Makes everything written so far to the file systems that hold `folders`
// durable at once, each file system once: the data and names of every
// file on it, the folders' entries with them. For a batch of many small
// files this is one wait for the disk where syncing each file is one per
// file; it also waits for whatever else is being written to those file
// systems. False when the system has no such call or it fails: then each
// file, and its folder, is to be synced on its own. (Linux: syncfs; a
// system without it answers false.)
bool SyncFileSystems(const std::vector<std::string>& folders);

}  // namespace quorvel::platform
