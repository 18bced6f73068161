#include "mif/format.hpp"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quorvel {

namespace {

template <class T>
void AppendFixedExactImpl(std::string& out, T value, int decimals) {
  // A number the fixed form cannot hold (or none at all) is never written as
  // another value: the translator's record loop takes this as a read error.
  if (!std::isfinite(value)) throw std::range_error("not a number");
  char buffer[128];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) throw std::range_error("number too large for the output");
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  if (!text.empty() && text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) {
    text.remove_prefix(1);  // -0.00 reads 0.00
  }
  out.append(text);
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The eight digits of v (below 1e8), leading zeros included, as eight
// characters in one word: the first digit in the lowest byte, so a store
// writes them in order. The word is split into two groups of four, each
// group into two pairs, each pair into two digits, all groups at once; the
// multiplications by 10486 / 2^20 and 103 / 2^10 divide by 100 and by 10
// exactly at these sizes and carry nothing into the next group.
[[gnu::always_inline]] inline std::uint64_t EightDigits(std::uint32_t v) {
  std::uint64_t x = (v / 10000) | static_cast<std::uint64_t>(v % 10000) << 32;
  std::uint64_t y = ((x * 10486) >> 20) & 0x0000007F0000007FULL;
  x = y | (x - y * 100) << 16;
  y = ((x * 103) >> 10) & 0x000F000F000F000FULL;
  return y | (x - y * 10) << 8;
}

// The digits of v (below 1e8) without leading zeros ("0" for 0) at p, by
// one store of eight bytes; returns the end.
[[gnu::always_inline]] inline char* WriteShortWhole(char* p, std::uint32_t v) {
  std::uint64_t digits = EightDigits(v);
  const int leadingZeros = digits == 0 ? 7 : std::countr_zero(digits) / 8;
  digits = (digits | 0x3030303030303030ULL) >> (8 * leadingZeros);
  std::memcpy(p, &digits, 8);
  return p + 8 - leadingZeros;
}

// The eight digits of v (below 1e8), leading zeros included, at p.
[[gnu::always_inline]] inline char* WriteEightDigits(char* p, std::uint32_t v) {
  const std::uint64_t digits = EightDigits(v) | 0x3030303030303030ULL;
  std::memcpy(p, &digits, 8);
  return p + 8;
}

// The digits of v without leading zeros at p; returns the end. Up to eight
// bytes after the end may be overwritten, never past the 20th byte from p.
[[gnu::always_inline]] inline char* WriteWhole(char* p, std::uint64_t v) {
  constexpr std::uint64_t k1e8 = 100000000;
  if (v < 100) {
    // Counts of vertices and the like: one or two digits, stored at once.
    const std::size_t two = v >= 10;
    std::memcpy(p, kDigitPairs + 2 * v + 1 - two, 2);
    return p + 1 + two;
  }
  if (v < k1e8) return WriteShortWhole(p, static_cast<std::uint32_t>(v));
  if (v < k1e8 * k1e8) {
    p = WriteShortWhole(p, static_cast<std::uint32_t>(v / k1e8));
    return WriteEightDigits(p, static_cast<std::uint32_t>(v % k1e8));
  }
  p = WriteShortWhole(p, static_cast<std::uint32_t>(v / (k1e8 * k1e8)));
  p = WriteEightDigits(p, static_cast<std::uint32_t>(v / k1e8 % k1e8));
  return WriteEightDigits(p, static_cast<std::uint32_t>(v % k1e8));
}

// Writes n / 10^D (below 2^32) with D decimals forward at `out` and returns
// the end. The whole part is stored in words of eight digits, so bytes
// after the end may be overwritten: at most the sign, ten digits and eight
// more, within kMaxFixedWithin with the decimals.
template <int D>
[[gnu::always_inline]] inline char* WriteScaled(char* out, std::uint64_t n, bool negative) {
  constexpr std::uint32_t kScale = D == 0 ? 1 : D == 1 ? 10 : D == 2 ? 100 : 1000;
  char* p = out;
  if (negative) *p++ = '-';
  if (n < 100000000) {
    // The usual size: the eight digits of n in one word, stored from the
    // first one to write (the first significant one, or the one before the
    // point), then the point and the last D digits stored over the rest.
    const std::uint64_t digits = EightDigits(static_cast<std::uint32_t>(n));
    const int significant = digits == 0 ? 0 : 8 - std::countr_zero(digits) / 8;
    const int whole = std::max(significant - D, 1);
    const std::uint64_t text = digits | 0x3030303030303030ULL;
    const std::uint64_t fromFirst = text >> (8 * (8 - D - whole));
    std::memcpy(p, &fromFirst, 8);
    p += whole;
    if constexpr (D > 0) {
      const auto point = static_cast<std::uint32_t>('.' | (text >> (8 * (8 - D))) << 8);
      std::memcpy(p, &point, 4);
      p += D + 1;
    }
    return p;
  }
  auto whole = static_cast<std::uint32_t>(n / kScale);
  auto fraction = static_cast<std::uint32_t>(n % kScale);
  p = WriteWhole(p, whole);
  if constexpr (D > 0) *p++ = '.';
  if constexpr (D == 3) {
    *p++ = static_cast<char>('0' + fraction / 100);
    fraction %= 100;
  }
  if constexpr (D >= 2) {
    p[0] = kDigitPairs[fraction * 2];
    p[1] = kDigitPairs[fraction * 2 + 1];
    p += 2;
  }
  if constexpr (D == 1) *p++ = static_cast<char>('0' + fraction);
  return p;
}

// WriteScaled for decimals (0-3) known only at run time.
char* WriteScaledAs(char* out, std::uint64_t n, int decimals, bool negative) {
  switch (decimals) {
    case 0: return WriteScaled<0>(out, n, negative);
    case 1: return WriteScaled<1>(out, n, negative);
    case 2: return WriteScaled<2>(out, n, negative);
    default: return WriteScaled<3>(out, n, negative);
  }
}

// A finite binary number as sign, significand and power of two: value =
// significand * 2^-shift.
struct Binary {
  bool negative;
  std::uint64_t significand;
  int shift;
};

Binary Decompose(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
  std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
  if (exponent != 0) significand |= std::uint64_t{1} << 52;  // the hidden bit; none below the normal range
  return {bits >> 63 != 0, significand, 1075 - (exponent == 0 ? 1 : exponent)};
}

#if defined(__x86_64__) || defined(__i386__)
// The x87 extended format: 64-bit significand with its leading bit stored,
// then sign and 15-bit exponent.
static_assert(LDBL_MANT_DIG == 64, "x87 extended long double expected");
constexpr bool kLongDoubleIsX87 = true;
Binary Decompose(const long double& value) {
  std::uint64_t significand;
  std::uint16_t signAndExponent;
  std::memcpy(&significand, &value, 8);
  std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&value) + 8, 2);
  const int exponent = signAndExponent & 0x7fff;
  return {(signAndExponent >> 15) != 0, significand, 16383 + 63 - (exponent == 0 ? 1 : exponent)};
}
#else
constexpr bool kLongDoubleIsX87 = false;
Binary Decompose(const long double&) { return {}; }
#endif

// Writes `value` (finite, below 1e9 in size) rounded to D decimals from
// its exact binary value, as printf and std::to_chars round: to the
// nearest, a tie to the even neighbour. significand * 10^D is exact in 64
// bits for a double (below 2^63) and in 128 for a long double (below
// 2^74), and so is the remainder after the shift. A value below 1e9 has a
// shift of at least 23; one of the width or more (or 100 for a long
// double's 74 bits) leaves less than half a unit.
template <int D, class T>
char* WriteFixedExact(char* out, const T& value) {
  using Wide = std::conditional_t<sizeof(T) == sizeof(std::uint64_t), std::uint64_t, unsigned __int128>;
  constexpr int kWidth = sizeof(Wide) == 8 ? 64 : 100;
  constexpr std::uint32_t kScale = D == 0 ? 1 : D == 1 ? 10 : D == 2 ? 100 : 1000;
  const Binary b = Decompose(value);
  std::uint64_t n = 0;
  if constexpr (sizeof(Wide) > 8) {
    // Most values (512 and more, a shift of 54 or less) in 64 bits: the
    // whole part scaled, and the fraction's bits scaled with room to spare.
    if (b.shift >= 10 && b.shift <= 54) {
      const std::uint64_t mask = (std::uint64_t{1} << b.shift) - 1;
      const std::uint64_t fraction = (b.significand & mask) * kScale;
      const std::uint64_t rest = fraction & mask;
      const std::uint64_t half = std::uint64_t{1} << (b.shift - 1);
      n = (b.significand >> b.shift) * kScale + (fraction >> b.shift);
      if (rest > half || (rest == half && (n & 1) != 0)) ++n;
      return WriteScaled<D>(out, n, b.negative && n != 0);
    }
  }
  const Wide scaled = static_cast<Wide>(b.significand) * kScale;
  if (b.shift < kWidth) {
    const Wide whole = scaled >> b.shift;
    const Wide rest = scaled - (whole << b.shift);
    const Wide half = static_cast<Wide>(1) << (b.shift - 1);
    n = static_cast<std::uint64_t>(whole);
    if (rest > half || (rest == half && (n & 1) != 0)) ++n;
  }
  return WriteScaled<D>(out, n, b.negative && n != 0);
}

// WriteFixed, for double and long double.
template <class T>
char* WriteFixedBinary(char* out, const T& value, int decimals) {
  if constexpr (sizeof(T) > sizeof(double)) {
    if (!kLongDoubleIsX87) return nullptr;
  }
  if (!(std::fabs(value) < T(1e9))) return nullptr;
  switch (decimals) {
    case 0: return WriteFixedExact<0>(out, value);
    case 1: return WriteFixedExact<1>(out, value);
    case 2: return WriteFixedExact<2>(out, value);
    case 3: return WriteFixedExact<3>(out, value);
    default: return nullptr;
  }
}

template <class T>
void AppendFixedImpl(std::string& out, const T& value, int decimals) {
  char buffer[kMaxFixedWithin];
  if (const char* end = WriteFixedBinary(buffer, value, decimals)) {
    out.append(buffer, static_cast<std::size_t>(end - buffer));
    return;
  }
  AppendFixedExactImpl(out, value, decimals);
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) { AppendFixedImpl(out, value, decimals); }
// Long doubles by reference: their bits are read where the value already
// is. One handed over by value is stored by the x87 unit just before it is
// read back in pieces, which stalls the read.
void AppendFixed(std::string& out, const long double& value, int decimals) { AppendFixedImpl(out, value, decimals); }
char* WriteFixed(char* out, double value, int decimals) { return WriteFixedBinary(out, value, decimals); }
char* WriteFixed(char* out, const long double& value, int decimals) { return WriteFixedBinary(out, value, decimals); }

char* WriteFixedPair(char* out, double x, double y, int decimals) {
  char* p = WriteFixed(out, x, decimals);
  if (!p) return nullptr;
  *p++ = ' ';
  return WriteFixed(p, y, decimals);
}

void AppendFixedPair(std::string& out, double x, double y, int decimals) {
  char line[kMaxFixedPair];
  if (const char* end = WriteFixedPair(line, x, y, decimals)) {
    out.append(line, static_cast<std::size_t>(end - line));
    return;
  }
  AppendFixed(out, x, decimals);
  out.push_back(' ');
  AppendFixed(out, y, decimals);
}

void AppendFixedPair(TextBuffer& out, double x, double y, int decimals) {
  if (const char* end = WriteFixedPair(out.Room(kMaxFixedPair), x, y, decimals)) {
    out.Advance(end);
    return;
  }
  std::string text;
  AppendFixedPair(text, x, y, decimals);
  out.Append(text);
}
void AppendFixedExact(std::string& out, long double value, int decimals) {
  AppendFixedExactImpl(out, value, decimals);
}

namespace {

// A double known to within an error takes a quicker way still, in double
// arithmetic. Below 1e9 the scaled value carries at most half an ulp (under
// 1e-7) of error on top of the caller's, so one further than both and 1e-5
// from a tie rounds as the exact value does; the rest are refused.
template <int D>
[[gnu::always_inline]] inline char* WriteFixedWithinAs(char* out, double value, double error) {
  constexpr double kScale = D == 0 ? 1 : D == 1 ? 10 : D == 2 ? 100 : 1000;
  if (!(error >= 0)) return nullptr;
  const double scaled = std::fabs(value) * kScale;
  if (!(scaled < 1e9)) return nullptr;
  // Adding and taking away 2^52 rounds a value this small to a whole number
  // as llrint does, without the library call.
  const double nearest = (scaled + 0x1p52) - 0x1p52;
  const double off = scaled - nearest;
  if (std::fabs(std::fabs(off) - 0.5) <= error * kScale + 1e-5) return nullptr;
  const std::uint32_t n = static_cast<std::uint32_t>(nearest);
  return WriteScaled<D>(out, n, value < 0 && n != 0);
}

}  // namespace

char* WriteFixedWithin(char* out, double value, double error, int decimals) {
  switch (decimals) {
    case 0: return WriteFixedWithinAs<0>(out, value, error);
    case 1: return WriteFixedWithinAs<1>(out, value, error);
    case 2: return WriteFixedWithinAs<2>(out, value, error);
    case 3: return WriteFixedWithinAs<3>(out, value, error);
    default: return nullptr;
  }
}

char* WriteCentsWithin(char* out, double value, double error) { return WriteFixedWithinAs<2>(out, value, error); }

char* WriteScaledInteger(char* out, std::int64_t n, int decimals) {
  const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  return WriteScaledAs(out, magnitude, decimals, n < 0);
}

bool AppendFixedWithin(std::string& out, double value, double error, int decimals) {
  char buffer[kMaxFixedWithin];
  const char* end = WriteFixedWithin(buffer, value, error, decimals);
  if (!end) return false;
  out.append(buffer, static_cast<std::size_t>(end - buffer));
  return true;
}

char* WriteInteger(char* out, std::int64_t value) {
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char* p = out;
  if (value < 0) *p++ = '-';
  return WriteWhole(p, magnitude);  // at most 19 digits: within kMaxInteger with the sign
}

char* WriteWholeFixed(char* out, std::int64_t value, int decimals) {
  char* p = WriteInteger(out, value);
  if (decimals <= 0) return p;
  std::memcpy(p, ".000", 4);
  return p + 1 + decimals;
}

void AppendInteger(std::string& out, std::int64_t value) {
  char buffer[kMaxInteger];
  const char* end = WriteInteger(buffer, value);
  out.append(buffer, static_cast<std::size_t>(end - buffer));
}

std::string FormatFixed(double value, int decimals) {
  std::string s;
  AppendFixed(s, value, decimals);
  return s;
}

std::string FormatFixed(long double value, int decimals) {
  std::string s;
  AppendFixed(s, value, decimals);
  return s;
}

std::string FormatInteger(std::int64_t value) {
  std::string s;
  AppendInteger(s, value);
  return s;
}

namespace {

// Bytes below 0x20 and DEL: no reader takes them in a value or a text.
constexpr bool IsControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7f;
}

// Where the first character of `text` that a quoted text must mark (a
// double quote, a backslash, a control byte) stands, or its size; eight
// bytes a step.
inline std::uint64_t QuotedTextMarks(std::uint64_t word) {
  return BytesEqual(word, '"') | BytesEqual(word, '\\') | BytesEqual(word, 0x7f) | ControlBytes(word);
}

std::size_t QuotedTextMarkAt(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t at = 0;
  for (; at + 8 <= n; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    if (const std::uint64_t marks = QuotedTextMarks(word))
      return at + static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  }
  if (at == n) return n;
  if (n >= 8) {
    // The last eight bytes, some of them seen already (and unmarked).
    std::uint64_t word;
    std::memcpy(&word, text.data() + n - 8, 8);
    const std::uint64_t marks = QuotedTextMarks(word);
    return marks == 0 ? n : n - 8 + static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  }
  while (at < n && text[at] != '"' && text[at] != '\\' && !IsControl(text[at])) ++at;
  return at;
}

}  // namespace

char* WriteQuotedText(char* out, std::string_view text) {
  *out++ = '"';
  // The usual text has nothing to mark: up to the first character that
  // needs one, it is copied in one go.
  std::size_t plain = QuotedTextMarkAt(text);
  CopyText(out, text.data(), plain);
  out += plain;
  // Readers take a backslash as an escape: a literal one is doubled so that
  // a text ending in a backslash cannot swallow its closing quote.
  for (char c : text.substr(plain)) {
    if (c == '"' || c == '\\') *out++ = '\\';
    *out++ = IsControl(c) ? ' ' : c;
  }
  *out++ = '"';
  return out;
}

void AppendQuotedText(std::string& out, std::string_view text) {
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size() + 2);
  const char* end = WriteQuotedText(out.data() + at, text);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

namespace {

// True when no byte of `word` is ",", a double quote, DEL or a control
// byte (below 0x20).
inline bool IsPlainWord(std::uint64_t word) {
  return (BytesEqual(word, ',') | BytesEqual(word, '"') | BytesEqual(word, 0x7f) | ControlBytes(word)) == 0;
}

// Copies `value` to `out`, which has room for its size and eight bytes
// more, checking as it goes that it holds no ",", no double quote and no
// control byte; eight bytes a step. Returns false at the first word with a
// mark (what was copied is then to be written over). The last bytes of a
// longer value are taken as the last eight, seen twice and stored again in
// place; those of a shorter one are loaded in pieces of 4, 2 and 1 bytes,
// the bytes above them filled with letters for the check (they match no
// mark) and with zeros for the store, which lands in the spare room.
// Without kCopy it only checks.
template <bool kCopy = true>
[[gnu::always_inline]] inline bool CopyPlainMidValue(char* out, std::string_view value) {
  const char* p = value.data();
  const std::size_t size = value.size();
  std::size_t n = size;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (!IsPlainWord(word)) return false;
    if constexpr (kCopy) {
      std::memcpy(out, &word, 8);
      out += 8;
    }
  }
  if (n == 0) return true;
  std::uint64_t word = 0;
  if (size >= 8) {
    std::memcpy(&word, p + n - 8, 8);
    if (!IsPlainWord(word)) return false;
    if constexpr (kCopy) std::memcpy(out + n - 8, &word, 8);
    return true;
  }
  std::size_t at = 0;
  if (n & 4) {
    std::uint32_t four;
    std::memcpy(&four, p, 4);
    word = four;
    at = 4;
  }
  if (n & 2) {
    std::uint16_t two;
    std::memcpy(&two, p + at, 2);
    word |= static_cast<std::uint64_t>(two) << (8 * at);
    at += 2;
  }
  if (n & 1) word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[at])) << (8 * at);
  if (!IsPlainWord(word | 0x4141414141414141ULL << (8 * n))) return false;
  if constexpr (kCopy) std::memcpy(out, &word, 8);
  return true;
}

// A value with a mark: a NUL or other control byte would stop a reader
// (GDAL reads no feature of a file with a NUL in it), so each becomes a
// blank; a value holding the delimiter or a double quote is quoted. Kept
// out of line: the plain values' way stays short.
[[gnu::noinline]] void AppendMarkedMidValue(std::string& out, std::string_view value) {
  bool quoted = false;  // a plain loop: find_first_of asks memchr about every character
  for (char c : value) quoted = quoted || c == ',' || c == '"';
  if (quoted) out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(IsControl(c) ? ' ' : c);
  }
  if (quoted) out.push_back('"');
}

}  // namespace

void AppendMidValue(std::string& out, std::string_view value) {
  // A short value goes by way of a buffer here, with one append.
  char buffer[64 + 8];
  if (value.size() <= 64) {
    if (CopyPlainMidValue(buffer, value)) out.append(buffer, value.size());
    else AppendMarkedMidValue(out, value);
    return;
  }
  const std::size_t size = out.size();
  out.resize(size + value.size() + 8);
  if (CopyPlainMidValue(out.data() + size, value)) {
    out.resize(size + value.size());
    return;
  }
  out.resize(size);
  AppendMarkedMidValue(out, value);
}

void TextBuffer::Grow(std::size_t n) { storage_.resize(std::max(2 * storage_.size(), size_ + n)); }

namespace {

[[gnu::noinline]] void AppendMarkedMidValue(TextBuffer& out, std::string_view value) {
  std::string marked;
  AppendMarkedMidValue(marked, value);
  out.Append(marked);
}

}  // namespace

bool IsPlainMidValue(std::string_view value) {
#ifdef __SSE2__
  // Sixteen bytes a step where SSE2 is there (whole records are checked at
  // once); the last bytes the word-wide way.
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i del = _mm_set1_epi8(0x7f);
  const __m128i lastControl = _mm_set1_epi8(0x1f);
  while (value.size() >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value.data()));
    const __m128i delimiters = _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote));
    // min(v, 0x1f) == v: an unsigned byte below 0x20.
    const __m128i controls = _mm_or_si128(_mm_cmpeq_epi8(v, del), _mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v));
    const __m128i marks = _mm_or_si128(delimiters, controls);
    if (_mm_movemask_epi8(marks) != 0) return false;
    value.remove_prefix(16);
  }
#endif
  return CopyPlainMidValue<false>(nullptr, value);
}

void AppendMidValue(TextBuffer& out, std::string_view value) {
  char* room = out.Room(value.size() + 8);
  if (CopyPlainMidValue(room, value)) {
    out.Advance(room + value.size());
    return;
  }
  AppendMarkedMidValue(out, value);
}

MidRow& MidRow::AddInteger(std::int64_t value) {
  Separate();
  buffer_.Advance(WriteInteger(buffer_.Room(kMaxInteger), value));
  return *this;
}

MidRow& MidRow::AddFixed(double value, int decimals) {
  Separate();
  if (const char* end = WriteFixed(buffer_.Room(kMaxFixedWithin), value, decimals)) {
    buffer_.Advance(end);
    return *this;
  }
  std::string text;
  AppendFixed(text, value, decimals);
  buffer_.Append(text);
  return *this;
}

MidRow& MidRow::AddEmpty(int n) {
  if (n <= 0) return *this;
  // One comma for each value, but for the first of the row.
  const auto commas = static_cast<std::size_t>(count_ > 0 ? n : n - 1);
  count_ += n;
  char* p = buffer_.Room(commas);
  std::memset(p, ',', commas);
  buffer_.Advance(p + commas);
  return *this;
}

}  // namespace quorvel
