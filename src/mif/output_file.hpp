// One buffered output text file. Every line ends in CR LF; every write to
// the disk is checked, and the first failure sticks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates (or truncates) the file. Returns false when it cannot be created.
  bool Create(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Appends text; the line end is added by WriteLine / EndLine.
  void Write(std::string_view text) {
    buffer_.append(text);
    received_ = true;
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void Write(char c) {
    buffer_.push_back(c);
    received_ = true;
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void EndLine() { Write(std::string_view("\r\n", 2)); }
  void WriteLine(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n", 2);
    received_ = true;
    if (buffer_.size() >= kFlushAt) Flush();
  }

  // True once anything has been written since Create.
  bool received() const { return received_; }
  // True once a write has failed; `error()` says why.
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }

  // Writes the buffer out. Returns false on failure.
  bool Flush();
  // Flushes and closes. Returns false if the flush or the close failed.
  // Closing a file that is not open succeeds.
  bool Close();
  // Closes the file (ignoring failures) and deletes it, if Create made or
  // opened it: a path that could not be opened is never touched.
  void Remove();

 private:
  static constexpr std::size_t kFlushAt = 1 << 18;

  std::string path_;
  std::string buffer_;
  std::string error_;
  int fd_ = -1;
  bool received_ = false;
  bool failed_ = false;
  bool opened_ = false;  // Create succeeded on path_
};

}  // namespace quorvel
