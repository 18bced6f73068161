// An NTF file as an ordered list of lines: held whole in memory (mapped or
// read), or, for a file too large for that, read a window at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "ntf/input_error.hpp"
#include "platform/mapped_file.hpp"
#include "platform/file_system.hpp"

namespace quorvel {

// Reads a whole file into `out` in one go. False with the system's reason
// (or IsAFolder) in `error` when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out, InputError* error);

class NtfRecordList {
 public:
  NtfRecordList() = default;
  NtfRecordList(NtfRecordList&& other) noexcept { *this = std::move(other); }
  // The text goes with the list (a short one moves to a new place).
  NtfRecordList& operator=(NtfRecordList&& other) noexcept {
    if (this == &other) return *this;
    const bool mapped = other.mapping_.mapped();
    data_ = std::move(other.data_);
    mapping_ = std::move(other.mapping_);
    short_ = std::move(other.short_);
    long_ = std::move(other.long_);
    longOffsets_ = other.longOffsets_;
    count_ = std::exchange(other.count_, 0);
    base_ = std::exchange(other.base_, 0);
    totalBytes_ = std::exchange(other.totalBytes_, 0);
    stream_ = std::move(other.stream_);
    const bool streamed = stream_ != nullptr;
    text_ = mapped ? mapping_.text() : streamed ? other.text_ : std::string_view(data_);
    other.text_ = {};
    return *this;
  }

  // Takes the whole file in one go: a regular file is mapped (see
  // MappedFile), anything else read. Returns false when it cannot be opened
  // or read (the system's reason, IsAFolder, OutOfMemory), or holds fewer
  // than two lines (TooFewLines); `error` then says why.
  bool Load(const std::string& path, InputError* error = nullptr);
  // Builds the list from the bytes of a file already read (an archive
  // member): false with TooFewLines in `error` as Load.
  bool LoadText(std::string text, InputError* error = nullptr);
  // Reads the open `file` a window at a time (a tile too large to hold:
  // a spooled archive member, a file the system refuses to map): false as
  // Load. Lines are brought in as they are asked for (Bring); a line behind
  // the window reads the file again from its start.
  bool LoadWindowed(platform::File file, InputError* error = nullptr);
  // Whether the list holds a window of its file rather than all of it.
  bool Windowed() const { return stream_ != nullptr; }
  // Builds the list from text already in memory (tests, fuzzing).
  void Assign(std::string text);

  // The lines known: every line of a file held whole; of a windowed one,
  // the lines up to the end of the window.
  std::size_t size() const { return base_ + (count_ == 0 ? 0 : count_ - 1); }
  // The index of the first line held (0 unless windowed), and how many are.
  std::size_t first() const { return base_; }
  std::size_t held() const { return count_ == 0 ? 0 : count_ - 1; }
  // Makes the line at `index` one of those held, reading the file on (or
  // again from its start) where the list is windowed: false when the file
  // has no such line. The views of lines given before stay valid until the
  // window has moved on twice (a window's worth of text read past them).
  bool Bring(std::size_t index) const {
    if (index - base_ < held()) [[likely]]
      return true;
    return stream_ && BringWindow(index);
  }
  // The lines of the file: exact when held whole, an estimate from the
  // lines read so far when windowed (for progress).
  std::size_t LinesExpected() const;
  // The size of the file's text in bytes.
  std::size_t bytes() const { return totalBytes_; }
  // True when the file shrank while it was read: a mapped one read as zeros
  // from some point on, a windowed one ended early or failed to be read.
  // What was read from it cannot be trusted.
  bool Damaged() const { return mapping_.Damaged() || (stream_ && stream_->damaged); }
  bool empty() const { return count_ == 0; }
  // The line at 0-based `index`, one of those held, without its
  // terminator: it runs to where the next begins, less the CR, LF or CR LF
  // that ended it (a CR or LF is never part of a line).
  std::string_view line(std::size_t index) const {
    index -= base_;
    std::size_t start, end;
    if (!longOffsets_) [[likely]] {
      start = short_.starts[index];
      end = short_.starts[index + 1];
    } else {
      start = long_.starts[index];
      end = long_.starts[index + 1];
    }
    const char* text = text_.data();
    if (end > start && text[end - 1] == '\n') --end;
    if (end > start && text[end - 1] == '\r') --end;
    return std::string_view(text + start, end - start);
  }
  // Columns 3-22 of the line at index 1 (blanks kept; shorter if the line is).
  std::string_view DatabaseName() const;

  void Release();

  // Whether lines are split 32 bytes a compare (where the processor can)
  // rather than 16: the same lines either way. Tests turn it off to check
  // the narrow way on a processor that has both.
  static bool WideSteps() { return wideSteps_; }
  static void SetWideSteps(bool on) { wideSteps_ = on && kCanSplitWide; }
  // Line starts are held in 32 bits for a text under 4 GiB, in 64 bits
  // for a larger one; tests turn the 64 bits on for any text.
  static void SetLongOffsetsAlways(bool on) { longOffsetsAlways_ = on; }
  // The bytes a windowed file is read in at a time (and the size from
  // which a file the system refuses to map is windowed); tests make it small.
  static std::size_t WindowBytes() { return windowBytes_; }
  static void SetWindowBytes(std::size_t bytes) { windowBytes_ = bytes; }

  // Hands the memory of the last file read back for the next file to be
  // read into (its pages are already there, none faulted in again); the
  // list is left empty.
  std::string TakeText();

 private:
  // Where each line begins, and after them the end of the text: in a
  // block of their own (not a vector, which stores its end in memory after
  // every line added), kept from file to file. Offsets of 32 bits halve
  // the memory a file's list takes, and so the pages first touched.
  template <class Offset>
  struct StartBlock {
    StartBlock() = default;
    // A block moved away leaves none behind, its capacity included.
    StartBlock(StartBlock&& other) noexcept { *this = std::move(other); }
    StartBlock& operator=(StartBlock&& other) noexcept {
      starts = std::move(other.starts);
      capacity = std::exchange(other.capacity, 0);
      return *this;
    }
    std::unique_ptr<Offset[]> starts;
    std::size_t capacity = 0;
  };

  // A windowed file: where it is read, and the two windows its text is
  // read into in turn (so that views into the last one outlive a move).
  struct Stream {
    platform::File file;
    std::uint64_t size = 0;     // the file's size when it was opened
    std::uint64_t read = 0;     // bytes of the file read so far
    std::uint64_t textAt = 0;   // where in the file the window's text begins
    std::size_t tail = 0;       // bytes after the window's last whole line
    bool ended = false;         // the file's end is in the window
    bool damaged = false;       // it ended short of its size, or failed
    std::string failure;        // the system's reason for a failed read
    std::string window[2];
    int current = 0;
    std::size_t linesAtFirst = 0;  // of the first window, for the estimate
    std::size_t bytesAtFirst = 0;
  };
  bool BringWindow(std::size_t index) const;
  // Fills the next window with the text from the line at `keep` (held) on
  // and as much of the file after it as fits; false at the file's end.
  bool MoveWindow(std::size_t keep) const;
  void StartWindow() const;
  // Reads the file on into `window` after its first `filled` bytes, to its
  // end or the file's: the bytes read.
  std::size_t Fill(std::string& window, std::size_t filled) const;
  // Where the held line at `index` begins in the text held.
  std::size_t LineStart(std::size_t index) const;
  // Lets go of the file held, its text and its lines (their room kept).
  void Forget();
  void SplitLines() const;
  template <class Offset>
  void SplitLinesInto(StartBlock<Offset>& block) const;
  // Room for `lines` starts at least, the ones held kept.
  template <class Offset>
  void ReserveStarts(StartBlock<Offset>& block, std::size_t lines) const;
  // Room for `lines` more starts after `out` (the end of those held),
  // the block made larger when it lacks it: `out` in the block.
  template <class Offset>
  Offset* MakeRoom(StartBlock<Offset>& block, Offset* out, std::size_t lines) const;
  bool CheckLines(InputError* error) const;

  std::string data_;       // the bytes read, when the file is not mapped
  MappedFile mapping_;
  // Moved as the window moves (hence mutable): what the list holds of its
  // file changes, the lines it gives do not.
  mutable std::unique_ptr<Stream> stream_;
  mutable std::string_view text_;  // the bytes held: data_, the mapping or a window
  mutable StartBlock<std::uint32_t> short_;
  mutable StartBlock<std::uint64_t> long_;  // for a text of 4 GiB or more
  mutable bool longOffsets_ = false;        // which of the two holds this text's starts
  mutable std::size_t count_ = 0;   // starts held
  mutable std::size_t base_ = 0;    // the index of the line the first start begins
  std::size_t totalBytes_ = 0;
  static bool wideSteps_;
  static bool longOffsetsAlways_;
  static std::size_t windowBytes_;
  static const bool kCanSplitWide;
};

}  // namespace quorvel
