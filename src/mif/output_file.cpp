#include "mif/output_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel {

OutputFile::~OutputFile() {
  if (fd_ >= 0) Close();
}

bool OutputFile::Create(const std::string& path) {
  if (fd_ >= 0) Close();
  path_ = path;
  buffer_.clear();
  buffer_.reserve(kFlushAt + 4096);
  received_ = false;
  failed_ = false;
  opened_ = false;
  error_.clear();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  opened_ = true;
  return true;
}

bool OutputFile::Flush() {
  if (failed_) {
    buffer_.clear();
    return false;
  }
  if (fd_ < 0) {
    if (!buffer_.empty()) {
      failed_ = true;
      error_ = "file is not open";
      buffer_.clear();
      return false;
    }
    return true;
  }
  const char* p = buffer_.data();
  std::size_t left = buffer_.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      error_ = std::strerror(errno);
      buffer_.clear();
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool OutputFile::Close() {
  if (fd_ < 0) return !failed_;
  bool ok = Flush();
  if (::close(fd_) != 0 && ok) {
    failed_ = true;
    error_ = std::strerror(errno);
    ok = false;
  }
  fd_ = -1;
  return ok;
}

void OutputFile::Remove() {
  if (fd_ >= 0) {
    buffer_.clear();
    ::close(fd_);
    fd_ = -1;
  }
  if (opened_) ::unlink(path_.c_str());
  opened_ = false;
}

}  // namespace quorvel
