#include "ntf/record_list.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ntf/record.hpp"

namespace quorvel {

namespace {

// Reads the whole file into `data`. A regular file is read straight into an
// array of its size, one read call as a rule; anything else (a pipe, a file
// growing meanwhile) goes on in doubling steps until the end.
bool ReadWholeFile(const std::string& path, std::unique_ptr<char[]>& data, std::size_t& size, std::string* error) {
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
  std::size_t capacity = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  capacity = capacity < (1u << 16) ? (1u << 16) : capacity + 1;  // + 1: the end shows without a second array
  data.reset(new char[capacity]);
  size = 0;
  for (;;) {
    if (size == capacity) {
      std::unique_ptr<char[]> larger(new char[capacity * 2]);
      std::memcpy(larger.get(), data.get(), size);
      data = std::move(larger);
      capacity *= 2;
    }
    ssize_t n = ::read(fd, data.get() + size, capacity - size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return true;
}

}  // namespace

bool NTFRecordList::Load(const std::string& path, std::string* error) {
  Release();
  if (!ReadWholeFile(path, data_, size_, error)) {
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
  size_ = text.size();
  data_.reset(new char[size_ == 0 ? 1 : size_]);
  if (size_ > 0) std::memcpy(data_.get(), text.data(), size_);
  SplitLines();
}

void NTFRecordList::SplitLines() {
  lines_.clear();
  const char* base = data_.get();
  const std::size_t n = size_;
  lines_.reserve(n / 64 + 1);
  std::size_t start = 0;
  std::size_t i = 0;
  // Looks for the next LF within a window, then for a CR before it, so that
  // CR LF, LF and CR files all take two short memchr calls per line and no
  // search ever runs far past the line it is on.
  constexpr std::size_t kWindow = 4096;
  while (i < n) {
    const std::size_t window = n - i < kWindow ? n - i : kWindow;
    const char* lf = static_cast<const char*>(std::memchr(base + i, '\n', window));
    const std::size_t limit = lf ? static_cast<std::size_t>(lf - base) : i + window;
    const char* cr = static_cast<const char*>(std::memchr(base + i, '\r', limit - i));
    std::size_t end;
    if (cr) end = static_cast<std::size_t>(cr - base);
    else if (lf) end = limit;
    else {
      i = limit;  // no line end in this window: the line goes on
      continue;
    }
    lines_.push_back({start, end - start});
    if (base[end] == '\r' && end + 1 < n && base[end + 1] == '\n') ++end;
    start = i = end + 1;
  }
  if (start < n) lines_.push_back({start, n - start});
}

std::string_view NTFRecordList::DatabaseName() const {
  if (lines_.size() < 2) return {};
  return Field(line(1), 3, 20);
}

void NTFRecordList::Release() {
  data_.reset();
  size_ = 0;
  std::vector<Span>().swap(lines_);
}

}  // namespace quorvel
