// A quick way to the "0.00" and "0.0" forms for the many coordinates of a
// tile. It gives exactly what AppendFixed gives: a value that lies close to
// a tie between two roundings is left to AppendFixed.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "mif/format.hpp"

namespace quorvel {

inline void AppendFixedQuick(std::string& out, long double value, int decimals) {
  static constexpr long double kScale[] = {1, 10, 100, 1000};
  static constexpr std::uint64_t kDivisor[] = {1, 10, 100, 1000};
  // Below 1e9 the scaled value is within 1e-7 of exact, so anything further
  // than 1e-6 from a tie rounds the same way as the exact value.
  if (decimals < 0 || decimals > 3 || !(std::fabs(value) < 1e9L)) {
    AppendFixed(out, value, decimals);
    return;
  }
  const long double scaled = std::fabs(value) * kScale[decimals];
  // The nearest integer in the default rounding mode (llrint avoids the
  // costly switches of the x87 rounding mode that a cast or floor makes).
  const long long nearest = std::llrint(scaled);
  const long double off = scaled - static_cast<long double>(nearest);
  if (std::fabs(std::fabs(off) - 0.5L) < 1e-6L) {
    AppendFixed(out, value, decimals);
    return;
  }
  const std::uint64_t n = static_cast<std::uint64_t>(nearest);
  if (value < 0 && n != 0) out.push_back('-');
  const std::uint64_t divisor = kDivisor[decimals];
  AppendInteger(out, static_cast<std::int64_t>(n / divisor));
  if (decimals == 0) return;
  out.push_back('.');
  std::uint64_t rest = n % divisor;
  char digits[3];
  for (int i = decimals - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  out.append(digits, static_cast<std::size_t>(decimals));
}

}  // namespace quorvel
