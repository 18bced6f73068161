#include "mif/format.hpp"

#include <charconv>
#include <cmath>

namespace quorvel {

namespace {

template <class T>
void AppendFixedImpl(std::string& out, T value, int decimals) {
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

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) { AppendFixedImpl(out, value, decimals); }
void AppendFixed(std::string& out, long double value, int decimals) { AppendFixedImpl(out, value, decimals); }

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
