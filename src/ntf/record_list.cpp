#include "ntf/record_list.hpp"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
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

namespace {

// Reads the open file `fd` (described by `st`) whole into `out`, and closes
// it.
bool ReadOpenFile(int fd, const struct stat& st, std::string& out, std::string* error) {
  if (S_ISDIR(st.st_mode)) {
    if (error) *error = "is a folder";
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

// The open file `fd`, or false with the system's reason.
bool OpenForReading(const std::string& path, int& fd, struct stat& st, std::string* error) {
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0 && ::fstat(fd, &st) == 0) return true;
  if (error) *error = std::strerror(errno);
  if (fd >= 0) ::close(fd);
  return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  int fd = -1;
  struct stat st {};
  return OpenForReading(path, fd, st, error) && ReadOpenFile(fd, st, out, error);
}

bool NtfRecordList::Load(const std::string& path, std::string* error) {
  count_ = 0;
  mapping_.Unmap();
  text_ = {};
  int fd = -1;
  struct stat st {};
  if (!OpenForReading(path, fd, st, error)) return false;
  if (S_ISREG(st.st_mode) && st.st_size > 0 && mapping_.Map(fd, static_cast<std::size_t>(st.st_size))) {
    ::close(fd);
    text_ = mapping_.text();
    SplitLines();
    return CheckLines(error);
  }
  // Anything else (a folder, a pipe, a device, an empty file, a mapping
  // refused) is read, into the memory of the last file read.
  try {
    if (!ReadOpenFile(fd, st, data_, error)) return false;
  } catch (const std::bad_alloc&) {
    ::close(fd);
    std::string().swap(data_);
    if (error) *error = "out of memory";
    return false;
  }
  text_ = data_;
  SplitLines();
  return CheckLines(error);
}

bool NtfRecordList::LoadText(std::string text, std::string* error) {
  mapping_.Unmap();
  data_ = std::move(text);  // the list's room stays for this file's lines
  text_ = data_;
  SplitLines();
  return CheckLines(error);
}

bool NtfRecordList::CheckLines(std::string* error) const {
  if (size() >= 2) return true;
  if (error) *error = "fewer than two lines";
  return false;
}

void NtfRecordList::Assign(std::string text) {
  mapping_.Unmap();
  data_ = std::move(text);
  text_ = data_;
  SplitLines();
}

namespace {

// The CR bytes and the LF bytes among the 64 at `p`, bit k for byte k. SSE2
// where it is there, a byte at a time otherwise.
struct LineEndBytes {
  std::uint64_t cr = 0, lf = 0;
};

LineEndBytes LineEndMasks(const char* p) {
  LineEndBytes m;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // Written out four times: the compiler keeps a loop here.
  const auto bits = [](__m128i v, __m128i c, int k) {
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c)))) << (16 * k);
  };
  const auto* q = reinterpret_cast<const __m128i*>(p);
  const __m128i v0 = _mm_loadu_si128(q), v1 = _mm_loadu_si128(q + 1);
  const __m128i v2 = _mm_loadu_si128(q + 2), v3 = _mm_loadu_si128(q + 3);
  m.cr = bits(v0, cr, 0) | bits(v1, cr, 1) | bits(v2, cr, 2) | bits(v3, cr, 3);
  m.lf = bits(v0, lf, 0) | bits(v1, lf, 1) | bits(v2, lf, 2) | bits(v3, lf, 3);
#else
  for (int k = 0; k < 64; ++k) {
    m.cr |= static_cast<std::uint64_t>(p[k] == '\r') << k;
    m.lf |= static_cast<std::uint64_t>(p[k] == '\n') << k;
  }
#endif
  return m;
}

// Room for the lines of a file of n bytes: NTF lines hold at most 80
// characters and most are well over 30, so one for every 32 bytes is
// enough for the usual file (only the pages used are ever touched); a file
// of shorter lines grows the list as it goes.
std::size_t ExpectedLines(std::size_t n) { return n / 32 + 16; }

}  // namespace

void NtfRecordList::ReserveStarts(std::size_t lines) {
  if (lines <= capacity_) return;
  // Not value-initialised: only the pages written are ever touched.
  std::unique_ptr<std::size_t[]> block(new std::size_t[lines]);
  if (count_ > 0) std::memcpy(block.get(), starts_.get(), count_ * sizeof(std::size_t));
  starts_ = std::move(block);
  capacity_ = lines;
}

std::size_t* NtfRecordList::GrowStarts(std::size_t* out) {
  count_ = static_cast<std::size_t>(out - starts_.get());
  ReserveStarts(2 * capacity_ + 16);
  return starts_.get() + count_;
}

// A line ends at a CR or an LF; CR LF is one line end, and the text after
// the last end, if any, is the last line. The file is looked at 64 bytes a
// step: a line ends at every LF and at every CR not followed by an LF, so a
// CR LF gives one bit of the mask (the LF's) and the next line begins after
// it. line() takes the CR off again.
void NtfRecordList::SplitLines() {
  count_ = 0;
  const char* base = text_.data();
  const std::size_t n = text_.size();
  ReserveStarts(ExpectedLines(n) + 1);
  AskForLargePages(starts_.get(), capacity_ * sizeof(std::size_t));
  // The starts are written through a pointer held here; the block grows
  // (rarely: a file of short lines) when it is full.
  // (Locals: a store through `out` could be to a member, for all the
  // compiler knows, which would have them read again after every line.)
  std::size_t* out = starts_.get();
  std::size_t* limit = out + capacity_;
  const auto add = [&out, &limit, this](std::size_t lineStart) {
    if (out == limit) [[unlikely]] {
      out = GrowStarts(out);
      limit = starts_.get() + capacity_;
    }
    *out++ = lineStart;
  };
  std::size_t start = 0;  // where the line in hand began
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const LineEndBytes m = LineEndMasks(base + i);
    // An LF right after byte 63 is the next step's byte 0.
    const std::uint64_t lfNext = (m.lf >> 1) | (i + 64 < n && base[i + 64] == '\n' ? std::uint64_t{1} << 63 : 0);
    for (std::uint64_t ends = m.lf | (m.cr & ~lfNext); ends != 0; ends &= ends - 1) {
      add(start);
      start = i + static_cast<std::size_t>(std::countr_zero(ends)) + 1;
    }
  }
  for (; i < n; ++i) {
    const bool lineEnd = base[i] == '\n' || (base[i] == '\r' && !(i + 1 < n && base[i + 1] == '\n'));
    if (!lineEnd) continue;
    add(start);
    start = i + 1;
  }
  if (start < n) add(start);
  if (out != starts_.get()) add(n);
  count_ = static_cast<std::size_t>(out - starts_.get());
}

std::string_view NtfRecordList::DatabaseName() const {
  if (size() < 2) return {};
  return Field(line(1), 3, 20);
}

std::string NtfRecordList::TakeText() {
  count_ = 0;
  mapping_.Unmap();
  text_ = {};
  return std::move(data_);
}

void NtfRecordList::Release() {
  mapping_.Unmap();
  text_ = {};
  std::string().swap(data_);
  starts_.reset();
  count_ = 0;
  capacity_ = 0;
}

}  // namespace quorvel
