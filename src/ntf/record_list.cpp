#include "ntf/record_list.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUORVEL_WIDE_LINE_ENDS 1
#endif

#include "ntf/record.hpp"

namespace quorvel {

namespace {

// Lines before the one asked for that the next window keeps (a translator
// looks back a line at most).
constexpr std::size_t kLinesKept = 4;
// An NTF line holds 80 characters: a "line" longer than this in a windowed
// file ends its reading as a read error instead of growing the window.
constexpr std::size_t kLongestLine = std::size_t{4} << 20;

using Kind = platform::FileStatus::Kind;

// Reads the open `file` (described by `status`) whole into `out`.
bool ReadOpenFile(platform::File& file, const platform::FileStatus& status, std::string& out, InputError* error) {
  if (status.kind == Kind::Folder) {
    if (error) *error = {InputError::Fault::IsAFolder, {}};
    return false;
  }
  // A regular file is read straight into place; what it has beyond the
  // size it was (a file still growing) and any other file come in chunks.
  out.clear();
  if (status.kind == Kind::Regular && status.size > 0) {
    out.reserve(static_cast<std::size_t>(status.size));
    platform::AskForLargePages(out.data(), out.capacity());
    out.resize(static_cast<std::size_t>(status.size));
  }
  std::size_t filled = 0;
  char chunk[1 << 16];
  for (;;) {
    const bool inPlace = filled < out.size();
    char* into = inPlace ? out.data() + filled : chunk;
    const std::size_t room = inPlace ? out.size() - filled : sizeof chunk;
    std::string reason;
    const std::int64_t n = file.Read(into, room, reason);
    if (n < 0) {
      if (error) *error = {InputError::Fault::Described, reason};
      out.clear();
      return false;
    }
    if (n == 0) break;
    if (!inPlace) out.append(chunk, static_cast<std::size_t>(n));
    filled += static_cast<std::size_t>(n);
  }
  out.resize(filled);  // a file that shrank since
  return true;
}

// The open file, or false with the system's reason.
bool OpenForReading(const std::string& path, platform::File& file, platform::FileStatus& status,
                    InputError* error) {
  std::string reason;
  if (file.OpenToRead(path, reason) && file.Status(status)) return true;
  if (error) *error = {InputError::Fault::Described, reason};
  file.Close();
  return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out, InputError* error) {
  platform::File file;
  platform::FileStatus status;
  return OpenForReading(path, file, status, error) && ReadOpenFile(file, status, out, error);
}

void NtfRecordList::Forget() {
  count_ = 0;
  base_ = 0;
  mapping_.Unmap();
  stream_.reset();
  text_ = {};
  totalBytes_ = 0;
}

bool NtfRecordList::Load(const std::string& path, InputError* error) {
  Forget();
  platform::File file;
  platform::FileStatus status;
  if (!OpenForReading(path, file, status, error)) return false;
  const bool regular = status.kind == Kind::Regular;
  if (regular && status.size > 0 && mapping_.Map(file, static_cast<std::size_t>(status.size))) {
    text_ = mapping_.text();
    totalBytes_ = text_.size();
    SplitLines();
    return CheckLines(error);
  }
  // A large file the system refuses to map (its address space is limited)
  // is read a window at a time rather than whole.
  if (regular && status.size > windowBytes_) return LoadWindowed(std::move(file), error);
  // Anything else (a folder, a pipe, a device, an empty file, a mapping
  // refused) is read, into the memory of the last file read.
  try {
    if (!ReadOpenFile(file, status, data_, error)) return false;
  } catch (const std::bad_alloc&) {
    std::string().swap(data_);
    if (error) *error = {InputError::Fault::OutOfMemory, {}};
    return false;
  }
  text_ = data_;
  totalBytes_ = text_.size();
  SplitLines();
  return CheckLines(error);
}

bool NtfRecordList::LoadText(std::string text, InputError* error) {
  Forget();
  data_ = std::move(text);  // the list's room stays for this file's lines
  text_ = data_;
  totalBytes_ = text_.size();
  SplitLines();
  return CheckLines(error);
}

bool NtfRecordList::CheckLines(InputError* error) const {
  if (Bring(1)) return true;
  if (error) *error = {InputError::Fault::TooFewLines, {}};
  return false;
}

void NtfRecordList::Assign(std::string text) {
  Forget();
  data_ = std::move(text);
  text_ = data_;
  totalBytes_ = text_.size();
  SplitLines();
}

namespace {

// The CR bytes and the LF bytes among the 64 at `p`, bit k for byte k. SSE2
// where it is there, a byte at a time otherwise.
struct LineEndBytes {
  std::uint64_t cr = 0, lf = 0;
};

inline LineEndBytes LineEndMasks(const char* p) {
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

#ifdef QUORVEL_WIDE_LINE_ENDS
// The same with 32-byte compares (AVX2): half the instructions. AVX2 is not
// in the x86-64 baseline; this is called only where the processor has it.
__attribute__((target("avx2"))) inline LineEndBytes WideLineEndMasks(const char* p) {
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  const auto* q = reinterpret_cast<const __m256i*>(p);
  const __m256i v0 = _mm256_loadu_si256(q), v1 = _mm256_loadu_si256(q + 1);
  const auto bits = [](__m256i v, __m256i c) __attribute__((target("avx2"))) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, c))));
  };
  LineEndBytes m;
  m.cr = bits(v0, cr) | bits(v1, cr) << 32;
  m.lf = bits(v0, lf) | bits(v1, lf) << 32;
  return m;
}
#endif

// Room for the lines of a file of n bytes: NTF lines hold at most 80
// characters and most are well over 30, so one for every 32 bytes is
// enough for the usual file (only the pages used are ever touched); a file
// of shorter lines grows the list as it goes.
std::size_t ExpectedLines(std::size_t n) { return n / 32 + 16; }

}  // namespace

template <class Offset>
void NtfRecordList::ReserveStarts(StartBlock<Offset>& block, std::size_t lines) const {
  if (lines <= block.capacity) return;
  // Not value-initialised: only the pages written are ever touched.
  std::unique_ptr<Offset[]> bigger(new Offset[lines]);
  if (count_ > 0) std::memcpy(bigger.get(), block.starts.get(), count_ * sizeof(Offset));
  block.starts = std::move(bigger);
  block.capacity = lines;
}

template <class Offset>
Offset* NtfRecordList::MakeRoom(StartBlock<Offset>& block, Offset* out, std::size_t lines) const {
  count_ = static_cast<std::size_t>(out - block.starts.get());
  if (block.capacity - count_ >= lines) [[likely]]
    return out;
  ReserveStarts(block, std::max(2 * block.capacity, count_ + lines) + 16);
  return block.starts.get() + count_;
}

namespace {

// The lines that end in the 64-byte steps of [from, to) (whole steps, `to`
// at most the file's size n): the start of each is written from `out` on,
// where there is room for one a byte; returns the end of those written.
// `lineStart` is the start of the line in hand, before and after. A line
// ends at every LF and at every CR not followed by an LF, so a CR LF gives
// one bit of the mask (the LF's) and the next line begins after it.
template <LineEndBytes (*Masks)(const char*), class Offset>
inline Offset* SplitSteps(const char* base, std::size_t from, std::size_t to, std::size_t n, std::size_t& lineStart,
                          Offset* out) {
  std::size_t start = lineStart;
  for (std::size_t i = from; i < to; i += 64) {
    const LineEndBytes m = Masks(base + i);
    // An LF right after byte 63 is the next step's byte 0.
    const std::uint64_t lfNext = (m.lf >> 1) | (i + 64 < n && base[i + 64] == '\n' ? std::uint64_t{1} << 63 : 0);
    for (std::uint64_t ends = m.lf | (m.cr & ~lfNext); ends != 0; ends &= ends - 1) {
      *out++ = static_cast<Offset>(start);
      start = i + static_cast<std::size_t>(std::countr_zero(ends)) + 1;
    }
  }
  lineStart = start;
  return out;
}

template <class Offset>
Offset* NarrowSplitSteps(const char* base, std::size_t from, std::size_t to, std::size_t n, std::size_t& lineStart,
                         Offset* out) {
  return SplitSteps<LineEndMasks>(base, from, to, n, lineStart, out);
}

#ifdef QUORVEL_WIDE_LINE_ENDS
// Asked while the program starts, perhaps before the library's own start-up
// has looked at the processor: hence the init.
bool HaveWideLineEnds() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

// The steps built for AVX2, everything in them made inline.
template <class Offset>
__attribute__((target("avx2"), flatten)) Offset* WideSplitSteps(const char* base, std::size_t from, std::size_t to,
                                                                std::size_t n, std::size_t& lineStart, Offset* out) {
  return SplitSteps<WideLineEndMasks>(base, from, to, n, lineStart, out);
}
#endif

// The steps are split a block at a time, with room made first for a line
// in every byte of the block: no test for room at each line.
constexpr std::size_t kSplitBlock = 16384;

}  // namespace

#ifdef QUORVEL_WIDE_LINE_ENDS
const bool NtfRecordList::kCanSplitWide = HaveWideLineEnds();
#else
const bool NtfRecordList::kCanSplitWide = false;
#endif
bool NtfRecordList::wideSteps_ = NtfRecordList::kCanSplitWide;
bool NtfRecordList::longOffsetsAlways_ = false;
std::size_t NtfRecordList::windowBytes_ = std::size_t{8} << 20;

// A line ends at a CR or an LF; CR LF is one line end, and the text after
// the last end, if any, is the last line. The file is looked at 64 bytes a
// step (SplitSteps), the bytes after the last whole step one at a time;
// line() takes a CR before an LF off again.
void NtfRecordList::SplitLines() const {
  longOffsets_ = longOffsetsAlways_ || text_.size() > std::numeric_limits<std::uint32_t>::max();
  if (longOffsets_) {
    SplitLinesInto(long_);
  } else {
    SplitLinesInto(short_);
  }
}

template <class Offset>
void NtfRecordList::SplitLinesInto(StartBlock<Offset>& block) const {
  count_ = 0;
  const char* base = text_.data();
  const std::size_t n = text_.size();
  ReserveStarts(block, ExpectedLines(n) + std::min(n, kSplitBlock) + 1);
  platform::AskForLargePages(block.starts.get(), block.capacity * sizeof(Offset));
  // The starts are written through a pointer held here (a store through
  // a member would be read back after every line).
  Offset* out = block.starts.get();
  std::size_t start = 0;  // where the line in hand began
  const std::size_t steps = n & ~std::size_t{63};
#ifdef QUORVEL_WIDE_LINE_ENDS
  auto* const split = wideSteps_ ? WideSplitSteps<Offset> : NarrowSplitSteps<Offset>;
#else
  auto* const split = NarrowSplitSteps<Offset>;
#endif
  for (std::size_t from = 0; from < steps;) {
    const std::size_t to = std::min(steps, from + kSplitBlock);
    out = MakeRoom(block, out, to - from);
    out = split(base, from, to, n, start, out);
    from = to;
  }
  for (std::size_t i = steps; i < n; ++i) {
    const bool lineEnd = base[i] == '\n' || (base[i] == '\r' && !(i + 1 < n && base[i + 1] == '\n'));
    if (!lineEnd) continue;
    out = MakeRoom(block, out, 1);
    *out++ = static_cast<Offset>(start);
    start = i + 1;
  }
  out = MakeRoom(block, out, 2);
  if (start < n) *out++ = static_cast<Offset>(start);
  if (out != block.starts.get()) *out++ = static_cast<Offset>(n);
  count_ = static_cast<std::size_t>(out - block.starts.get());
}

std::string_view NtfRecordList::DatabaseName() const {
  if (!Bring(1)) return {};
  return Field(line(1), 3, 20);
}

std::string NtfRecordList::TakeText() {
  Forget();
  return std::move(data_);
}

void NtfRecordList::Release() {
  Forget();
  std::string().swap(data_);
  short_ = {};
  long_ = {};
}

bool NtfRecordList::LoadWindowed(platform::File file, InputError* error) {
  Forget();
  std::string().swap(data_);  // the memory held is the windows'
  stream_ = std::make_unique<Stream>();
  stream_->file = std::move(file);
  std::uint64_t size = 0;
  stream_->file.Size(size);
  stream_->size = size;
  totalBytes_ = static_cast<std::size_t>(size);
  try {
    StartWindow();
  } catch (const std::bad_alloc&) {
    Forget();
    if (error) *error = {InputError::Fault::OutOfMemory, {}};
    return false;
  }
  if (stream_->damaged && held() == 0) {
    if (error) *error = {InputError::Fault::Described, stream_->failure};
    Forget();
    return false;
  }
  stream_->linesAtFirst = held();
  stream_->bytesAtFirst = text_.size();
  return CheckLines(error);
}

std::size_t NtfRecordList::LinesExpected() const {
  if (!stream_ || (stream_->ended && base_ == 0) || stream_->bytesAtFirst == 0) return size();
  const double perByte = static_cast<double>(stream_->linesAtFirst) / static_cast<double>(stream_->bytesAtFirst);
  return std::max(size(), static_cast<std::size_t>(perByte * static_cast<double>(totalBytes_)));
}

bool NtfRecordList::BringWindow(std::size_t index) const {
  if (index < base_) StartWindow();  // behind the window: the file again from its start
  while (index - base_ >= held()) {
    if (stream_->ended) return false;
    const std::size_t last = base_ + held();
    const std::size_t near = std::min(index, last);
    if (!MoveWindow(near > base_ + kLinesKept ? near - kLinesKept : base_)) return false;
  }
  return true;
}

void NtfRecordList::StartWindow() const {
  Stream& s = *stream_;
  s.read = 0;
  s.textAt = 0;
  s.tail = 0;
  s.ended = false;
  s.damaged = false;
  base_ = 0;
  count_ = 0;
  text_ = {};
  MoveWindow(0);
}

namespace {

// Where the last whole line of `text` ends (0: none), more of the file
// still to come: after its last LF, or else after its last CR that is not
// its last byte (a CR at the end may be the first half of a CR LF).
std::size_t LastLineEnd(std::string_view text) {
  const std::size_t lf = text.rfind('\n');
  if (lf != std::string_view::npos) return lf + 1;
  if (text.size() < 2) return 0;
  const std::size_t cr = text.rfind('\r', text.size() - 2);
  return cr == std::string_view::npos ? 0 : cr + 1;
}

}  // namespace

bool NtfRecordList::MoveWindow(std::size_t keep) const {
  Stream& s = *stream_;
  const std::string& from = s.window[s.current];
  std::string& to = s.window[1 - s.current];
  const std::size_t keptAt = keep - base_ < held() ? LineStart(keep) : text_.size();
  const std::size_t kept = text_.size() + s.tail - keptAt;
  to.resize(kept + windowBytes_);
  if (kept > 0) std::memcpy(to.data(), from.data() + keptAt, kept);
  // The window's text ends at the last line end read, past the whole lines
  // kept: the rest (the tail) waits for the next window.
  const std::size_t wholeKept = text_.size() - keptAt;
  std::size_t filled = kept;
  std::size_t cut = wholeKept;
  for (;;) {
    filled += Fill(to, filled);
    if (s.ended) {
      cut = filled;
      break;
    }
    const std::size_t end = LastLineEnd(std::string_view(to.data() + wholeKept, filled - wholeKept));
    if (end > 0) {
      cut = wholeKept + end;
      break;
    }
    if (filled - wholeKept > kLongestLine) {
      s.ended = true;  // no NTF file: reading ends at this line
      break;
    }
    to.resize(to.size() + windowBytes_);  // a line longer than the window
  }
  const std::size_t linesBefore = base_ + held();
  s.textAt += keptAt;
  s.tail = filled - cut;
  s.current = 1 - s.current;
  base_ = keep;
  text_ = std::string_view(to.data(), cut);
  SplitLines();
  return base_ + held() > linesBefore;
}

std::size_t NtfRecordList::Fill(std::string& window, std::size_t filled) const {
  Stream& s = *stream_;
  const std::size_t start = filled;
  while (!s.ended && filled < window.size()) {
    const std::int64_t n = s.file.ReadAt(s.read, window.data() + filled, window.size() - filled, s.failure);
    if (n <= 0) {
      s.ended = true;
      // A file that ends short of the size it had when opened shrank while
      // read; a failed read is a read error: either way its text is not
      // to be trusted.
      s.damaged = n < 0 || s.read < s.size;
      break;
    }
    s.read += static_cast<std::uint64_t>(n);
    filled += static_cast<std::size_t>(n);
  }
  return filled - start;
}

std::size_t NtfRecordList::LineStart(std::size_t index) const {
  index -= base_;
  return longOffsets_ ? static_cast<std::size_t>(long_.starts[index]) : short_.starts[index];
}

}  // namespace quorvel
