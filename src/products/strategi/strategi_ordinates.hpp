// Strategi ordinates in the usual case: a whole section origin plus a field
// of seven digits, written as a whole number with zero decimals. The sum is
// made on the decimal digits themselves, so the field is never converted to
// binary and back.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "ntf/record.hpp"

namespace quorvel {

// The most one Write stores: an eight-byte store of the digits and the
// four bytes of ".000" after at most eight digits.
inline constexpr std::size_t kMaxDecimalOrdinate = 12;
inline constexpr std::size_t kMaxDecimalPair = 2 * kMaxDecimalOrdinate + 1;

class DecimalOrigin {
 public:
  // Origins up to this one leave the sum with a seven-digit field within
  // eight digits.
  static constexpr std::int64_t kLargest = 90000000;

  DecimalOrigin() = default;  // usable by no field
  explicit DecimalOrigin(std::int64_t origin) {
    if (origin < 0 || origin > kLargest) return;
    // One digit a byte, the last digit in the lowest byte.
    for (int shift = 0; shift < 64; shift += 8, origin /= 10) digits_ |= static_cast<std::uint64_t>(origin % 10) << shift;
    usable_ = true;
  }

  bool usable() const { return usable_; }

  // Writes origin + field, the field exactly seven digits, with `decimals`
  // (0-3) zero decimals as WriteWholeFixed does, at `out`, which has room for
  // kMaxDecimalOrdinate bytes (bytes of it after the end may be
  // overwritten). Returns the end, or nullptr, writing nothing, when the
  // origin is not usable or the field is not seven digits.
  char* Write(char* out, std::string_view field, int decimals) const {
    std::uint64_t text;
    if (!usable_ || !LoadFixedDigits<7>(field, text)) return nullptr;
    return WriteText(out, text - kZeros, decimals);
  }

  // "x y", each as Write writes it, of the X field at `from` and the Y field
  // after it, with one more byte after that (read but no part of either),
  // at `out`, which has room for kMaxDecimalPair bytes. The two fields are
  // loaded and checked at once. Returns the end, or nullptr, writing
  // nothing, as either Write would.
  template <int kDecimals>
  static char* WritePair(const DecimalOrigin& x, const DecimalOrigin& y, char* out, const char* from) {
    const std::uint64_t dx = FieldText(from) - kZeros;
    const std::uint64_t dy = FieldText(from + 7) - kZeros;
    if (!(x.usable_ & y.usable_) || !AreDigitValues(dx, dy)) return nullptr;
    char* p = x.WriteText(out, dx, kDecimals);
    *p++ = ' ';
    return y.WriteText(p, dy, kDecimals);
  }

 private:
  // "0" and the seven bytes at `from`, the first in the lowest byte but one.
  static std::uint64_t FieldText(const char* from) {
    std::uint64_t bytes;
    std::memcpy(&bytes, from, 8);
    return bytes << 8 | '0';
  }

  static constexpr std::uint64_t kZeros = 0x3030303030303030ULL;

  // Whether two words of eight characters, each less '0' byte by byte,
  // were all digits: then every byte is 0-9, and neither it nor it plus
  // 0x76 has the top bit set; any other character gives the lowest byte
  // that is not a digit one of the two (bytes below it are digits and lend
  // or carry nothing into it), wherever the bytes above it go.
  static bool AreDigitValues(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t kPast9 = 0x7676767676767676ULL;
    return ((a | (a + kPast9) | b | (b + kPast9)) & 0x8080808080808080ULL) == 0;
  }

  // `digits` holds 0 and the field's seven digits, as numbers, the first in
  // the lowest byte.
  [[gnu::always_inline]] char* WriteText(char* out, std::uint64_t digits, int decimals) const {
    // Swapped, the last digit comes to the lowest byte as in digits_.
    const std::uint64_t field8 = __builtin_bswap64(digits);
    // Each byte sum is at most 9 + 9 + a carry: with 0xF6 added it passes
    // 0xFF, carrying one into the next byte, exactly when the digit sum is
    // 10 or more, and what stays in the byte is then the sum less 10. A
    // byte that did not carry holds 0xF6 more than its digit (its top bit
    // set), taken away again below. The top byte never carries (kLargest).
    std::uint64_t sum = field8 + digits_ + 0xF6F6F6F6F6F6F6F6ULL;
    sum -= ((sum & 0x8080808080808080ULL) >> 7) * 0xF6;
    // Leading zero digits are the top bytes that are zero; "0" keeps one
    // (the lowest byte is never counted).
    const int leadingZeros = std::countl_zero(sum | 0xFF) / 8;
    const std::uint64_t digitsText = (__builtin_bswap64(sum) | kZeros) >> (8 * leadingZeros);
    std::memcpy(out, &digitsText, 8);
    char* p = out + 8 - leadingZeros;
    if (decimals <= 0) return p;
    std::memcpy(p, ".000", 4);
    return p + 1 + decimals;
  }

  std::uint64_t digits_ = 0;
  bool usable_ = false;
};

}  // namespace quorvel
