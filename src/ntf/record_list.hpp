// An NTF file held whole in memory as an ordered list of lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ntf/mapped_file.hpp"

namespace quorvel {

// Reads a whole file into `out` in one go. False with the system's reason
// (or "is a folder") in `error` when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out, std::string* error);

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
    lines_ = std::move(other.lines_);
    text_ = mapped ? mapping_.text() : std::string_view(data_);
    other.text_ = {};
    other.lines_.clear();
    return *this;
  }

  // Takes the whole file in one go: a regular file is mapped (see
  // MappedFile), anything else read. Returns false when it cannot be opened
  // or read, or holds fewer than two lines; `error` then says why.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Builds the list from the bytes of a file already read (an archive
  // member): false with `error` "fewer than two lines" as Load.
  bool LoadText(std::string text, std::string* error = nullptr);
  // Builds the list from text already in memory (tests, fuzzing).
  void Assign(std::string text);

  std::size_t size() const { return lines_.size(); }
  // The size of the file's text in bytes.
  std::size_t bytes() const { return text_.size(); }
  // True when the file shrank while it was mapped: its text read as zeros
  // from some point on, and what was read from it cannot be trusted.
  bool Damaged() const { return mapping_.Damaged(); }
  bool empty() const { return lines_.empty(); }
  // The line at 0-based `index`, without its terminator.
  std::string_view line(std::size_t index) const {
    const Span& s = lines_[index];
    return std::string_view(text_.data() + s.offset, s.length);
  }
  // Columns 3-22 of the line at index 1 (blanks kept; shorter if the line is).
  std::string_view DatabaseName() const;

  void Release();
  // Hands the memory of the last file read back for the next file to be
  // read into (its pages are already there, none faulted in again); the
  // list is left empty.
  std::string TakeText();

 private:
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  void SplitLines();
  bool CheckLines(std::string* error) const;

  std::string data_;       // the bytes read, when the file is not mapped
  MappedFile mapping_;
  std::string_view text_;  // the file's bytes: data_ or the mapping
  std::vector<Span> lines_;
};

}  // namespace quorvel
