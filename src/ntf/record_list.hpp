// An NTF file held whole in memory as an ordered list of lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "ntf/input_error.hpp"
#include "ntf/mapped_file.hpp"

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
    text_ = mapped ? mapping_.text() : std::string_view(data_);
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
  // Builds the list from text already in memory (tests, fuzzing).
  void Assign(std::string text);

  std::size_t size() const { return count_ == 0 ? 0 : count_ - 1; }
  // The size of the file's text in bytes.
  std::size_t bytes() const { return text_.size(); }
  // True when the file shrank while it was mapped: its text read as zeros
  // from some point on, and what was read from it cannot be trusted.
  bool Damaged() const { return mapping_.Damaged(); }
  bool empty() const { return count_ == 0; }
  // The line at 0-based `index`, without its terminator: it runs to where
  // the next begins, less the CR, LF or CR LF that ended it (a CR or LF is
  // never part of a line).
  std::string_view line(std::size_t index) const {
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

  void SplitLines();
  template <class Offset>
  void SplitLinesInto(StartBlock<Offset>& block);
  // Room for `lines` starts at least, the ones held kept.
  template <class Offset>
  void ReserveStarts(StartBlock<Offset>& block, std::size_t lines);
  // Room for `lines` more starts after `out` (the end of those held),
  // the block made larger when it lacks it: `out` in the block.
  template <class Offset>
  Offset* MakeRoom(StartBlock<Offset>& block, Offset* out, std::size_t lines);
  bool CheckLines(InputError* error) const;

  std::string data_;       // the bytes read, when the file is not mapped
  MappedFile mapping_;
  std::string_view text_;  // the file's bytes: data_ or the mapping
  StartBlock<std::uint32_t> short_;
  StartBlock<std::uint64_t> long_;  // for a text of 4 GiB or more
  bool longOffsets_ = false;        // which of the two holds this text's starts
  std::size_t count_ = 0;           // starts held
  static bool wideSteps_;
  static bool longOffsetsAlways_;
  static const bool kCanSplitWide;
};

}  // namespace quorvel
