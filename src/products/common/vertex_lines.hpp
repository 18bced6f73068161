// Vertex lines made from a record's digits in one step each. Where both map
// origins are whole steps above 0 (see OriginDigits), the line of a vertex
// whose two fields are all digits is a fixed pattern: the x origin's
// digits, the x field's digits (a point before the last `decimals`), a
// blank, the same for y, CR LF. Its length is the same for every vertex of
// the section, and each byte is either a constant or one byte of the
// fields, so one byte shuffle over the fields (x then y, side by side) and
// one OR with the constants make it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "products/common/origin_digits.hpp"

namespace quorvel {

class VertexLines {
 public:
  // The longest line made: two 16-byte blocks.
  static constexpr std::size_t kMaxLength = 32;

  VertexLines() = default;
  // Lines for fields of `width` digits each (2 to 8), the point before the
  // last `decimals` (none for 0). Not usable (see usable()) when either
  // origin is not of that kind, the line would be longer than kMaxLength,
  // or the processor has no byte shuffle.
  VertexLines(const OriginDigits& x, const OriginDigits& y, int width, int decimals);
  // Lines of the fields' digits alone (the ordinates stand as they are).
  VertexLines(int width, int decimals) : VertexLines(OriginDigits(), OriginDigits(), width, decimals, true) {}

  bool usable() const { return length_ > 0; }
  // The length of every line, CR LF included.
  std::size_t length() const { return length_; }
  // How many bytes before a vertex's fields are read with them (the 16
  // bytes ending where the y field ends): the caller makes sure they are
  // within the record.
  std::size_t lookBehind() const { return 16 - 2 * width_; }

  // Writes the lines of `n` vertices whose fields (x then y, twelve digits
  // for width 6) begin at `fields`, `stride` bytes apart (less than 0: the
  // vertices taken backwards), at `out`; every field must be all digits
  // (see AllDigits). `out` needs room for n * length() + kMaxLength bytes
  // (each line is stored as two whole blocks, the next line written over
  // the rest). Returns the end.
  char* Write(char* out, const char* fields, std::size_t n, std::ptrdiff_t stride) const {
    return Shuffle(out, fields, n, stride, false);
  }

  // Write and AllDigits in one pass: the end, or nullptr (the lines made
  // at `out` not to be kept) when a field's byte is not a digit.
  char* WriteIfDigits(char* out, const char* fields, std::size_t n, std::ptrdiff_t stride) const {
    return Shuffle(out, fields, n, stride, true);
  }

  // True when the 2 * width bytes of each of the `n` vertices' fields are
  // digits.
  bool AllDigits(const char* fields, std::size_t n, std::ptrdiff_t stride) const;

 private:
  VertexLines(const OriginDigits& x, const OriginDigits& y, int width, int decimals, bool withoutOrigins);
  char* Shuffle(char* out, const char* fields, std::size_t n, std::ptrdiff_t stride, bool check) const;

  alignas(16) std::uint8_t pick_[2][16] = {};  // byte of the 16 read for each byte made; 0x80: a constant
  alignas(16) char fixed_[2][16] = {};         // the constants, 0 where a field's byte goes
  std::size_t length_ = 0;
  std::size_t width_ = 0;
};

}  // namespace quorvel
