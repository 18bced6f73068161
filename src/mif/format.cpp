#include "mif/format.hpp"

#include <bit>
#include <charconv>
#include <stdexcept>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// Writes the digits of n backwards from `p`, two at a time, and returns the
// first one.
char* WriteDigitsBackward(char* p, std::uint64_t n) {
  while (n >= 100) {
    const std::size_t i = static_cast<std::size_t>(n % 100) * 2;
    n /= 100;
    p -= 2;
    p[0] = kDigitPairs[i];
    p[1] = kDigitPairs[i + 1];
  }
  if (n >= 10) {
    p -= 2;
    p[0] = kDigitPairs[n * 2];
    p[1] = kDigitPairs[n * 2 + 1];
  } else {
    *--p = static_cast<char>('0' + n);
  }
  return p;
}

// Writes n / 10^D with D decimals (n below 1e9, so 32 bits do) forward
// at `out` and returns the end. The length is counted first so that the
// digits can go from the right straight into place, two at a time.
template <int D>
char* WriteScaled(char* out, std::uint32_t n, bool negative) {
  constexpr std::uint32_t kDivisor = D == 0 ? 1 : D == 1 ? 10 : D == 2 ? 100 : 1000;
  std::uint32_t whole = n / kDivisor;
  std::uint32_t fraction = n % kDivisor;
  // Digits from the bit width: 1233 / 4096 is just above log10(2), so t is
  // the digit count of the smallest number of that width, less one; one
  // comparison says whether `whole` has one more.
  static constexpr std::uint32_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  const std::uint32_t t = (static_cast<std::uint32_t>(std::bit_width(whole | 1)) * 1233) >> 12;
  const int wholeDigits = static_cast<int>(t) + ((whole | 1) >= kPowers[t] ? 1 : 0);  // 0 has one digit
  char* p = out;
  if (negative) *p++ = '-';
  char* const end = p + wholeDigits + (D > 0 ? D + 1 : 0);
  char* q = end;
  if constexpr (D == 3) {
    *--q = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  if constexpr (D >= 2) {
    q -= 2;
    q[0] = kDigitPairs[fraction * 2];
    q[1] = kDigitPairs[fraction * 2 + 1];
  }
  if constexpr (D == 1) *--q = static_cast<char>('0' + fraction);
  if constexpr (D > 0) *--q = '.';
  while (whole >= 100) {
    const std::uint32_t i = (whole % 100) * 2;
    whole /= 100;
    q -= 2;
    q[0] = kDigitPairs[i];
    q[1] = kDigitPairs[i + 1];
  }
  if (whole >= 10) {
    q[-2] = kDigitPairs[whole * 2];
    q[-1] = kDigitPairs[whole * 2 + 1];
  } else {
    q[-1] = static_cast<char>('0' + whole);
  }
  return end;
}

// Appends `scaled` (the value times 10^decimals, rounded, decimals 0-3)
// with the point put back.
void WriteScaledDigits(std::string& out, std::uint64_t scaled, int decimals, bool negative) {
  static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000};
  char buffer[32];
  char* const end = buffer + sizeof buffer;
  char* p = end;
  if (decimals > 0) {
    std::uint64_t fraction = scaled % kScale[decimals];
    scaled /= kScale[decimals];
    for (int i = 0; i < decimals; ++i) {
      *--p = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    *--p = '.';
  }
  p = WriteDigitsBackward(p, scaled);
  if (negative) *--p = '-';
  out.append(p, static_cast<std::size_t>(end - p));
}

// The many coordinates of a tile take a quicker way to the same bytes: the
// value is scaled and rounded to an integer in long double. Below 1e9 the
// scaled value is within 1e-7 of exact, so a value further than 1e-6 from a
// tie between two roundings rounds as the exact value does; a value closer
// to a tie (and anything large) is left to std::to_chars. (std::to_chars
// for long double goes through printf, which costs twenty times more.)
bool AppendFixedQuick(std::string& out, long double value, int decimals) {
  static constexpr long double kScale[] = {1, 10, 100, 1000};
  if (decimals < 0 || decimals > 3 || !(std::fabs(value) < 1e9L)) return false;
  const long double scaled = std::fabs(value) * kScale[decimals];
  // llrint rounds in the current mode without the x87 mode switches a cast
  // or floor makes.
  const long long nearest = std::llrint(scaled);
  const long double off = scaled - static_cast<long double>(nearest);
  if (std::fabs(std::fabs(off) - 0.5L) < 1e-6L) return false;
  WriteScaledDigits(out, static_cast<std::uint64_t>(nearest), decimals, value < 0 && nearest != 0);
  return true;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
  if (AppendFixedWithin(out, value, 0, decimals)) return;
  if (!AppendFixedQuick(out, value, decimals)) AppendFixedExactImpl(out, value, decimals);
}
void AppendFixed(std::string& out, long double value, int decimals) {
  // A value a double holds exactly (0, whole numbers, halves) has the same
  // digits by the double way, which costs less than x87 arithmetic.
  const double asDouble = static_cast<double>(value);
  if (asDouble == value && AppendFixedWithin(out, asDouble, 0, decimals)) return;
  if (!AppendFixedQuick(out, value, decimals)) AppendFixedExactImpl(out, value, decimals);
}
void AppendFixedExact(std::string& out, long double value, int decimals) {
  AppendFixedExactImpl(out, value, decimals);
}

// A double takes a quicker way still, in double arithmetic. Below 1e9 the
// scaled value carries at most half an ulp (under 1e-7) of error on top of
// the caller's, so one further than both and 1e-5 from a tie rounds as the
// exact value does; the rest go the long double way.
char* WriteFixedWithin(char* out, double value, double error, int decimals) {
  static constexpr double kScale[] = {1, 10, 100, 1000};
  if (decimals < 0 || decimals > 3 || !(error >= 0)) return nullptr;
  const double scaled = std::fabs(value) * kScale[decimals];
  if (!(scaled < 1e9)) return nullptr;
  // Adding and taking away 2^52 rounds a value this small to a whole number
  // as llrint does, without the library call.
  const double nearest = (scaled + 0x1p52) - 0x1p52;
  const double off = scaled - nearest;
  if (std::fabs(std::fabs(off) - 0.5) <= error * kScale[decimals] + 1e-5) return nullptr;
  const std::uint32_t n = static_cast<std::uint32_t>(nearest);
  const bool negative = value < 0 && n != 0;
  switch (decimals) {
    case 0: return WriteScaled<0>(out, n, negative);
    case 1: return WriteScaled<1>(out, n, negative);
    case 2: return WriteScaled<2>(out, n, negative);
    default: return WriteScaled<3>(out, n, negative);
  }
}

bool AppendFixedWithin(std::string& out, double value, double error, int decimals) {
  char buffer[kMaxFixedWithin];
  const char* end = WriteFixedWithin(buffer, value, error, decimals);
  if (!end) return false;
  out.append(buffer, static_cast<std::size_t>(end - buffer));
  return true;
}

char* WriteInteger(char* out, std::int64_t value) {
  // The digits go backwards to the middle of a buffer twice the largest
  // size, then forward to `out` in one copy of fixed length, which a
  // compiler makes a few moves. The bytes copied after the number are
  // zeros; the caller goes by the returned end.
  char buffer[2 * kMaxInteger] = {};
  char* const end = buffer + kMaxInteger;
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char* p = WriteDigitsBackward(end, magnitude);
  if (value < 0) *--p = '-';
  std::memcpy(out, p, kMaxInteger);
  return out + (end - p);
}

void AppendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  char* const end = buffer + sizeof buffer;
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char* p = WriteDigitsBackward(end, magnitude);
  if (value < 0) *--p = '-';
  out.append(p, static_cast<std::size_t>(end - p));
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

}  // namespace

void AppendQuotedText(std::string& out, std::string_view text) {
  out.push_back('"');
  // Readers take a backslash as an escape: a literal one is doubled so that
  // a text ending in a backslash cannot swallow its closing quote.
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(IsControl(c) ? ' ' : c);
  }
  out.push_back('"');
}

namespace {

// True when any byte of `word` equals the byte `c` is spread across.
constexpr bool HasByte(std::uint64_t word, std::uint64_t c) {
  const std::uint64_t x = word ^ c;
  return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

// True when any byte of `word` is below 0x20 (a control byte).
constexpr bool HasControl(std::uint64_t word) {
  return ((word - 0x2020202020202020ULL) & ~word & 0x8080808080808080ULL) != 0;
}

bool IsPlainWord(std::uint64_t word) {
  constexpr std::uint64_t kCommas = 0x2c2c2c2c2c2c2c2cULL;
  constexpr std::uint64_t kQuotes = 0x2222222222222222ULL;
  constexpr std::uint64_t kDeletes = 0x7f7f7f7f7f7f7f7fULL;
  return !HasByte(word, kCommas) && !HasByte(word, kQuotes) && !HasControl(word) && !HasByte(word, kDeletes);
}

// True when `value` holds no ",", no double quote and no control byte;
// eight bytes a step. The rest is taken by two loads that may overlap (the
// last eight bytes of a longer value, or two halves of a shorter one): a
// byte seen twice does no harm, and the bytes above a short load are filled
// with letters, which match no mark.
bool IsPlainMidValue(std::string_view value) {
  const char* p = value.data();
  const std::size_t size = value.size();
  std::size_t n = size;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (!IsPlainWord(word)) return false;
  }
  if (n == 0) return true;
  if (size >= 8) {
    std::uint64_t word;
    std::memcpy(&word, value.data() + size - 8, 8);
    return IsPlainWord(word);
  }
  if (n >= 4) {
    std::uint32_t first, last;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, p + n - 4, 4);
    return IsPlainWord(first | static_cast<std::uint64_t>(last) << 32);
  }
  if (n >= 2) {
    std::uint16_t first, last;
    std::memcpy(&first, p, 2);
    std::memcpy(&last, p + n - 2, 2);
    return IsPlainWord(first | static_cast<std::uint64_t>(last) << 16 | 0x4141414100000000ULL);
  }
  return *p != ',' && *p != '"' && !IsControl(*p);
}

}  // namespace

void AppendMidValue(std::string& out, std::string_view value) {
  const bool plain = IsPlainMidValue(value);
  if (plain) {
    out.append(value);
    return;
  }
  // A NUL or other control byte would stop a reader (GDAL reads no feature
  // of a file with a NUL in it): each becomes a blank.
  const bool quoted = value.find_first_of(",\"") != std::string_view::npos;
  if (quoted) out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(IsControl(c) ? ' ' : c);
  }
  if (quoted) out.push_back('"');
}

}  // namespace quorvel
