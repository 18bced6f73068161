#include "ntf/record_list.hpp"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "ntf/record.hpp"

namespace quorvel {

namespace {

// A tile of megabytes is touched page by page as it is read, a fault for
// every 4 KB; asking for large pages (where the system gives them on
// request) makes that a few faults per tile. A hint: nothing changes when
// it is not taken.
void AskForLargePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  if (size < 2 * kLarge) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace

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
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    out.reserve(static_cast<std::size_t>(st.st_size));
    AskForLargePages(out.data(), out.capacity());
    out.resize(static_cast<std::size_t>(st.st_size));
  }
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
  data_ = std::move(text);  // the list's room stays for this file's lines
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

namespace {

// The first CR or LF at or after `i`, or n. Sixteen bytes a step where
// SSE2 is there.
std::size_t NextLineEnd(const char* base, std::size_t i, std::size_t n) {
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
  }
#endif
  while (i < n && base[i] != '\r' && base[i] != '\n') ++i;
  return i;
}

// The number of LF bytes: the number of lines of an LF or CR LF file, less
// one when the last line has no end.
std::size_t CountLineFeeds(const char* base, std::size_t n) {
  std::size_t count = 0;
  std::size_t i = 0;
#ifdef __SSE2__
  // Each match takes one from its byte of `counts` (a compare gives -1);
  // the bytes are summed before any could have counted 256.
  const __m128i lf = _mm_set1_epi8('\n');
  while (i + 16 <= n) {
    __m128i counts = _mm_setzero_si128();
    for (int step = 0; step < 255 && i + 16 <= n; ++step, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, lf));
    }
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; i < n; ++i) count += base[i] == '\n';
  return count;
}

}  // namespace

void NtfRecordList::SplitLines() {
  lines_.clear();
  const char* base = data_.data();
  const std::size_t n = data_.size();
  // Room for every line of an LF or CR LF file, found by a quick count
  // first: the list is made once, never moved while it grows (a CR file
  // grows it as it goes).
  const std::size_t expected = CountLineFeeds(base, n) + 1;
  lines_.reserve(expected);
  AskForLargePages(lines_.data(), expected * sizeof(Span));
  // A line ends at the first CR or LF; CR LF is one line end.
  std::size_t start = 0;
  while (start < n) {
    std::size_t end = NextLineEnd(base, start, n);
    lines_.push_back({start, end - start});
    if (end < n && base[end] == '\r' && end + 1 < n && base[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

std::string_view NtfRecordList::DatabaseName() const {
  if (lines_.size() < 2) return {};
  return Field(line(1), 3, 20);
}

std::string NtfRecordList::TakeText() {
  lines_.clear();
  return std::move(data_);
}

void NtfRecordList::Release() {
  std::string().swap(data_);
  std::vector<Span>().swap(lines_);
}

}  // namespace quorvel
