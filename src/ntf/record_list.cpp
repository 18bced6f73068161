#include "ntf/record_list.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ntf/record.hpp"

namespace quorvel {

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
  // A regular file is read straight into place; what it has beyond the
  // size it was (a file still growing) and any other file come in chunks.
  out.clear();
  if (S_ISREG(st.st_mode) && st.st_size > 0) out.resize(static_cast<std::size_t>(st.st_size));
  std::size_t filled = 0;
  char chunk[1 << 16];
  for (;;) {
    const bool inPlace = filled < out.size();
    char* into = inPlace ? out.data() + filled : chunk;
    const std::size_t room = inPlace ? out.size() - filled : sizeof chunk;
    ssize_t n = ::read(fd, into, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = std::strerror(errno);
      ::close(fd);
      out.clear();
      return false;
    }
    if (n == 0) break;
    if (!inPlace) out.append(chunk, static_cast<std::size_t>(n));
    filled += static_cast<std::size_t>(n);
  }
  out.resize(filled);  // a file that shrank since
  ::close(fd);
  return true;
}

bool NtfRecordList::Load(const std::string& path, std::string* error) {
  Release();
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  return LoadText(std::move(text), error);
}

bool NtfRecordList::LoadText(std::string text, std::string* error) {
  Release();
  data_ = std::move(text);
  SplitLines();
  if (lines_.size() < 2) {
    if (error) *error = "fewer than two lines";
    return false;
  }
  return true;
}

void NtfRecordList::Assign(std::string text) {
  data_ = std::move(text);
  SplitLines();
}

void NtfRecordList::SplitLines() {
  lines_.clear();
  const char* base = data_.data();
  const std::size_t n = data_.size();
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

std::string_view NtfRecordList::DatabaseName() const {
  if (lines_.size() < 2) return {};
  return Field(line(1), 3, 20);
}

void NtfRecordList::Release() {
  std::string().swap(data_);
  std::vector<Span>().swap(lines_);
}

}  // namespace quorvel
