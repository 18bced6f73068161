#include "ntf/record.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <type_traits>

namespace quorvel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the shape of a real number: [sign] digits [. digits] [e [sign] digits],
// with at least one digit in the mantissa. Returns the length matched.
std::size_t MatchReal(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    std::size_t expDigits = 0;
    while (j < s.size() && IsDigit(s[j])) ++j, ++expDigits;
    if (expDigits == 0) return 0;
    i = j;
  }
  return i;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The usual field, [sign] digits [. digits] with at most fifteen digits
// (eighteen for long double), read without a library call. The digits make
// an integer the type holds exactly, and so does the power of ten, so the
// one division is rounded once, as the correctly rounded conversion of the
// text is. Returns false, setting nothing, for any other shape.
template <class T>
bool ParseShortDecimal(std::string_view s, T& value) {
  static constexpr T kPowers[] = {1,    1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
  constexpr int kMaxDigits = std::is_same_v<T, double> ? 15 : 18;
  std::size_t i = 0;
  const std::size_t n = s.size();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t mantissa = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1 before one is seen
  for (; i < n; ++i) {
    const unsigned d = static_cast<unsigned char>(s[i]) - unsigned{'0'};
    if (d <= 9) {
      if (++digits > kMaxDigits) return false;
      mantissa = mantissa * 10 + static_cast<std::int64_t>(d);
      if (fraction >= 0) ++fraction;
    } else if (s[i] == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  T v = static_cast<T>(mantissa);
  if (fraction > 0) v /= kPowers[fraction];
  value = negative ? -v : v;
  return true;
}

template <class T>
bool ParseReal(std::string_view field, T& value) {
  std::string_view s = TrimBlanks(field);
  if (ParseShortDecimal(s, value)) return true;
  if (s.empty() || MatchReal(s) != s.size()) return false;
  if (s.front() == '+') s.remove_prefix(1);
  if constexpr (std::is_same_v<T, double>) {
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size();
  } else {
    // from_chars for long double is not in this standard library; the
    // characters are checked above, so strtold reads exactly them.
    char buffer[128];
    if (s.size() >= sizeof buffer) return false;
    s.copy(buffer, s.size());
    buffer[s.size()] = '\0';
    char* end = nullptr;
    value = std::strtold(buffer, &end);
    return end == buffer + s.size();
  }
}

}  // namespace

bool TryToInteger(std::string_view field, std::int64_t& value) {
  std::size_t i = 0;
  const std::size_t n = field.size();
  while (i < n && field[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  if (i == n) return false;
  const std::size_t digits = n - i;
  if (digits <= 18) {
    // Eighteen digits cannot overflow: the common case goes without checks.
    std::int64_t v = 0;
    for (; i < n; ++i) {
      const unsigned d = static_cast<unsigned char>(field[i]) - unsigned{'0'};
      if (d > 9) return false;
      v = v * 10 + static_cast<std::int64_t>(d);
    }
    value = negative ? -v : v;
    return true;
  }
  std::uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = field[i];
    if (!IsDigit(c)) return false;
    if (magnitude > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
  }
  constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();
  if (negative) {
    if (magnitude > maxPositive + 1) return false;
    value = magnitude == maxPositive + 1 ? std::numeric_limits<std::int64_t>::min()
                                         : -static_cast<std::int64_t>(magnitude);
  } else {
    if (magnitude > maxPositive) return false;
    value = static_cast<std::int64_t>(magnitude);
  }
  return true;
}

bool TryToReal(std::string_view field, double& value) { return ParseReal(field, value); }
bool TryToReal(std::string_view field, long double& value) { return ParseReal(field, value); }

std::int64_t ToInteger(std::string_view field) {
  std::int64_t v = 0;
  if (!TryToInteger(field, v)) throw NtfReadFailure("integer field does not convert");
  return v;
}

double ToReal(std::string_view field) {
  double v = 0;
  if (!TryToReal(field, v)) throw NtfReadFailure("real field does not convert");
  return v;
}

long double ToLongReal(std::string_view field) {
  long double v = 0;
  if (!TryToReal(field, v)) throw NtfReadFailure("real field does not convert");
  return v;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace quorvel
