// An NTF file held whole in memory as an ordered list of lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Reads a whole file into `out` in one go. False with the system's reason
// (or "is a folder") in `error` when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out, std::string* error);

class NtfRecordList {
 public:
  NtfRecordList() = default;

  // Reads the whole file in one go. Returns false when it cannot be opened or
  // read, or holds fewer than two lines; `error` then says why.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Builds the list from the bytes of a file already read (an archive
  // member): false with `error` "fewer than two lines" as Load.
  bool LoadText(std::string text, std::string* error = nullptr);
  // Builds the list from text already in memory (tests, fuzzing).
  void Assign(std::string text);

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // The line at 0-based `index`, without its terminator.
  std::string_view line(std::size_t index) const {
    const Span& s = lines_[index];
    return std::string_view(data_.data() + s.offset, s.length);
  }
  // Columns 3-22 of the line at index 1 (blanks kept; shorter if the line is).
  std::string_view DatabaseName() const;

  void Release();
  // Hands the file's bytes back for the next file to be read into (their
  // memory is already there, no page of it faulted in again); the list is
  // left empty.
  std::string TakeText();

 private:
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  void SplitLines();

  std::string data_;
  std::vector<Span> lines_;
};

}  // namespace quorvel
