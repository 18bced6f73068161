#include "ntf/record_list.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ntf/record.hpp"

namespace quorvel {

namespace {

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (error) *error = S_ISDIR(st.st_mode) ? "is a folder" : std::strerror(errno);
    ::close(fd);
    return false;
  }
  out.clear();
  if (S_ISREG(st.st_mode) && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace

bool NTFRecordList::Load(const std::string& path, std::string* error) {
  Release();
  if (!ReadWholeFile(path, data_, error)) {
    Release();
    return false;
  }
  SplitLines();
  if (lines_.size() < 2) {
    if (error) *error = "fewer than two lines";
    return false;
  }
  return true;
}

void NTFRecordList::Assign(std::string text) {
  data_ = std::move(text);
  SplitLines();
}

void NTFRecordList::SplitLines() {
  lines_.clear();
  const char* base = data_.data();
  const std::size_t n = data_.size();
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = base[i];
    if (c != '\n' && c != '\r') continue;
    lines_.push_back({start, i - start});
    if (c == '\r' && i + 1 < n && base[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines_.push_back({start, n - start});
}

std::string_view NTFRecordList::DatabaseName() const {
  if (lines_.size() < 2) return {};
  return Field(line(1), 3, 20);
}

void NTFRecordList::Release() {
  std::string().swap(data_);
  std::vector<Span>().swap(lines_);
}

}  // namespace quorvel
