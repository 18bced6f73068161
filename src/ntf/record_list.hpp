// An NTF file held whole in memory as an ordered list of lines.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class NTFRecordList {
 public:
  NTFRecordList() = default;

  // Reads the whole file in one go. Returns false when it cannot be opened or
  // read, or holds fewer than two lines; `error` then says why.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Builds the list from text already in memory (tests, fuzzing).
  void Assign(std::string text);

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // The line at 0-based `index`, without its terminator.
  std::string_view line(std::size_t index) const {
    const Span& s = lines_[index];
    return std::string_view(data_.get() + s.offset, s.length);
  }
  // Columns 3-22 of the line at index 1 (blanks kept; shorter if the line is).
  std::string_view DatabaseName() const;
  std::size_t ByteSize() const { return size_; }

  void Release();

 private:
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  void SplitLines();

  // The file's bytes, read straight in: a plain array, so that no byte is
  // cleared or copied before the read fills it.
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::vector<Span> lines_;
};

}  // namespace quorvel
