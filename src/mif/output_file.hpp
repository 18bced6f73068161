// One buffered output text file. Every line ends in CR LF; every write to
// the disk is checked, and the first failure sticks.
//
// A file is written aside: Create opens a hidden temporary file beside the
// target (beside a symbolic link's target, so the link stays), and Commit
// renames it onto the target when the output is complete. Discard removes
// the temporary and leaves the target as it was. A target that exists and is
// not a regular file (a device, a FIFO) is written directly; a folder at the
// target's name cannot be created.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mif/format.hpp"
#include "platform/file_system.hpp"

namespace quorvel {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Opens the temporary for `path`. Returns false when it cannot be made;
  // `error()` says why (the system's reason, or "is a folder").
  bool Create(const std::string& path);
  bool IsOpen() const { return file_.IsOpen(); }
  // The path the file is written to in the end, as given.
  const std::string& path() const { return path_; }
  // Where the bytes go until Commit: the temporary (or the target itself
  // when it is written directly).
  const std::string& writtenPath() const { return temporary_.empty() ? target_ : temporary_; }

  // Appends text; the line end is added by WriteLine / EndLine.
  void Write(std::string_view text) {
    char* p = Room(text.size());
    CopyText(p, text.data(), text.size());
    Advance(p + text.size());
  }
  void Write(char c) {
    char* p = Room(1);
    *p = c;
    Advance(p + 1);
  }
  void EndLine() { Write(std::string_view("\r\n", 2)); }
  void WriteLine(std::string_view text) {
    char* p = Room(text.size() + 2);
    CopyText(p, text.data(), text.size());
    p += text.size();
    std::memcpy(p, "\r\n", 2);
    Advance(p + 2);
  }
  // Room for n bytes written in place: fill some of them, then Advance to
  // the end of what was written. Nothing else may be written in between.
  char* Room(std::size_t n) {
    if (n > capacity_ - size_) Grow(n);
    return buffer_.get() + size_;
  }
  void Advance(const char* end) {
    size_ = static_cast<std::size_t>(end - buffer_.get());
    received_ = true;
    if (size_ >= kFlushAt) Flush();
  }

  // True once anything has been written since Create.
  bool received() const { return received_; }
  // True once a write has failed; `error()` says why.
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }

  // Writes the buffer out. Returns false on failure.
  bool Flush();
  // Flushes, closes and puts the file in place of its target. Returns false
  // (the target untouched, the temporary removed) if any step failed.
  // Committing a file that is not open succeeds unless a write failed.
  // Commit is StartWriteback, Seal and PutInPlace in one; a set of files
  // takes the steps one at a time for all of them.
  bool Commit();
  // Flushes and asks the system to start writing the data to the disk,
  // without waiting. Returns false on failure.
  bool StartWriteback();
  // Flushes and waits until the data are on the disk (EndWrites, then
  // SyncData). The temporary stays where it is, open and locked (a file
  // written directly is closed); the target is untouched.
  bool Seal();
  // Ends the writing: flushes, starts the disk writes and lets the buffer
  // go; a file written directly is closed. The temporary stays open and
  // locked, its data on their way to the disk but not yet known to be
  // there: SyncData, or a sync of its whole file system followed by
  // ConfirmSynced, makes sure. Returns false on failure.
  bool EndWrites();
  // Waits until the temporary's data are on the disk.
  bool SyncData();
  // After a sync of the file system that holds the temporary: false when
  // the system could not write some of its data (a disk error it kept for
  // this file). Where that cannot be asked, syncs the file itself.
  bool ConfirmSynced();
  // Renames the sealed temporary onto the target. Returns false (the
  // temporary removed) when it cannot be done or a step before failed.
  bool PutInPlace();
  // The file replaced in the end (a link's final target), and the sealed
  // temporary (empty when the file is written directly).
  const std::string& target() const { return target_; }
  const std::string& temporary() const { return temporary_; }
  // After the set's commit renamed the temporary onto the target itself:
  // closes it; nothing is removed.
  void Placed();
  // Closes the file and removes the temporary; the target stays as it was.
  void Discard();

 private:
  static constexpr std::size_t kFlushAt = 1 << 18;
  static constexpr std::size_t kSlack = 4096;
  static constexpr std::uint64_t kWritebackEvery = 4 << 20;
  static constexpr std::uint64_t kWritebackFrom = 64 << 10;  // the least StartWriteback starts
  void Grow(std::size_t n);      // room for n more bytes, what is held kept
  bool Fail(const std::string& reason);          // a write, close or rename failed
  bool CannotCreate(const std::string& reason);  // Create failed: nothing to fail later

  std::string path_;
  std::string target_;     // the file renamed onto (a link's target)
  std::string temporary_;  // empty when written directly
  // The bytes not yet written: flushed once kFlushAt are held, so the
  // room beyond that takes the usual line without growing.
  std::unique_ptr<char[]> buffer_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::string error_;
  platform::File file_;
  bool received_ = false;
  std::uint64_t written_ = 0;        // bytes written to the file so far
  std::uint64_t writebackFrom_ = 0;  // where the disk writes not yet started begin
  bool failed_ = false;
};

// Whether the final name of a set member is taken by something a run may
// not replace (a folder), and if there is a regular file (or a link to one)
// there now.
enum class TargetState { Missing, RegularFile, Special, Folder };
TargetState StateOfTarget(const std::string& path);

// Removes every temporary file this process still has open (a stop by a
// signal). Safe to call from a signal handler.
void RemoveTemporariesOnSignal();

// The lock under which temporaries are made in `folder`, held by this
// thread while it lives: the files of a set made one after the other take
// it once (OutputFile::Create takes it itself for a folder whose lock the
// thread does not hold).
class TemporariesLock {
 public:
  explicit TemporariesLock(std::string folder);
  TemporariesLock(const TemporariesLock&) = delete;
  TemporariesLock& operator=(const TemporariesLock&) = delete;
  ~TemporariesLock();
  // True when this thread holds the lock of `folder`.
  static bool Held(const std::string& folder);

 private:
  std::string folder_;
  platform::FileLock lock_;
  TemporariesLock* outer_;
};

}  // namespace quorvel
