// The leading digits of a map origin that is a whole number of steps above
// 0 (a tile corner, as a rule). An ordinate less than one step above such
// an origin is written as these digits followed by the digits of its field
// as they stand: copied, with no arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mif/format.hpp"

namespace quorvel {

struct OriginDigits {
  std::uint64_t word = 0;  // the digits, the first in the lowest byte
  std::size_t size = 0;    // 0: the origin is not of that kind

  OriginDigits() = default;
  // `origin` and `step` (the power of ten above the largest field) in the
  // units of the fields; origin / step must be below `limit` (at most 1e8).
  OriginDigits(std::int64_t origin, std::int64_t step, std::int64_t limit) {
    if (origin <= 0 || origin % step != 0 || origin / step >= limit) return;
    char digits[kMaxInteger];
    size = static_cast<std::size_t>(WriteInteger(digits, origin / step) - digits);
    std::memcpy(&word, digits, size);
  }

  bool usable() const { return size > 0; }
  // Stores the digits at `out`, which has room for eight bytes; returns the
  // end of the digits.
  char* Write(char* out) const {
    std::memcpy(out, &word, 8);
    return out + size;
  }
};

}  // namespace quorvel
