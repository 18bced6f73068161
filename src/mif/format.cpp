#include "mif/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace quorvel {

namespace {

template <class T>
void AppendFixedExactImpl(std::string& out, T value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char buffer[128];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    out.append("0");
    return;
  }
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  if (!text.empty() && text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) {
    text.remove_prefix(1);  // -0.00 reads 0.00
  }
  out.append(text);
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
  // Digits from the right into a small buffer, then one append.
  char buffer[32];
  char* const end = buffer + sizeof buffer;
  char* p = end;
  std::uint64_t n = static_cast<std::uint64_t>(nearest);
  for (int i = 0; i < decimals; ++i) {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  if (value < 0 && nearest != 0) *--p = '-';
  out.append(p, static_cast<std::size_t>(end - p));
  return true;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
  if (!AppendFixedQuick(out, value, decimals)) AppendFixedExactImpl(out, value, decimals);
}
void AppendFixed(std::string& out, long double value, int decimals) {
  if (!AppendFixedQuick(out, value, decimals)) AppendFixedExactImpl(out, value, decimals);
}
void AppendFixedExact(std::string& out, long double value, int decimals) {
  AppendFixedExactImpl(out, value, decimals);
}

void AppendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
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

void AppendQuotedText(std::string& out, std::string_view text) {
  out.push_back('"');
  // Readers take a backslash as an escape: a literal one is doubled so that
  // a text ending in a backslash cannot swallow its closing quote.
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

void AppendMidValue(std::string& out, std::string_view value) {
  bool plain = true;
  for (char c : value) {
    if (c == ',' || c == '"') {
      plain = false;
      break;
    }
  }
  if (plain) {
    out.append(value);
    return;
  }
  out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace quorvel
