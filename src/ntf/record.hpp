// NTF record conventions shared by every translator: record identifiers,
// 1-based fixed-column fields, number conversion and the read failure that
// ends a translator's record loop.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

// Thrown inside a record loop when a record cannot be read: the record list
// runs out, a continuation chain never ends or a field does not convert.
// The loop catches it and reports the line the cursor stands on.
class NtfReadFailure : public std::runtime_error {
 public:
  explicit NtfReadFailure(const char* what) : std::runtime_error(what) {}
};

// The first two characters of a record (fewer for a shorter one).
inline std::string_view RecordId(std::string_view record) {
  return record.substr(0, record.size() < 2 ? record.size() : 2);
}

// Equality of two short texts, character by character: the library's
// comparison is a call when the lengths are not known at compile time.
inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The characters from 1-based column `start` for `length` characters. A field
// that starts past the end is empty; one that runs past the end is cut there.
inline std::string_view Field(std::string_view record, std::size_t start, std::size_t length) {
  if (start == 0) start = 1;
  if (start > record.size()) return {};
  return record.substr(start - 1, length);
}

// Optionally signed decimal integer; leading blanks allowed, nothing after
// the digits. Returns false on an empty field or any other character.
bool TryToInteger(std::string_view field, std::int64_t& value);
// Optionally signed decimal number with "." and an optional exponent; blanks
// around it allowed.
bool TryToReal(std::string_view field, double& value);
bool TryToReal(std::string_view field, long double& value);

// The N bytes (1-8) at p as a little-endian number, first byte lowest. It is
// built from loads of exactly 4, 2 and 1 bytes: one 8-byte load after a
// partial copy into memory would stall on the copy.
template <std::size_t N>
inline std::uint64_t LoadLittleEndian(const char* p) {
  static_assert(std::endian::native == std::endian::little, "loads assume a little-endian machine");
  std::uint64_t word = 0;
  std::size_t at = 0;
  if constexpr (N >= 4) {
    std::uint32_t four;
    std::memcpy(&four, p, 4);
    word = four;
    at = 4;
  }
  if constexpr (N == 8) {
    std::uint32_t four;
    std::memcpy(&four, p + 4, 4);
    word |= static_cast<std::uint64_t>(four) << 32;
    at = 8;
  }
  if constexpr (N % 4 >= 2) {
    std::uint16_t two;
    std::memcpy(&two, p + at, 2);
    word |= static_cast<std::uint64_t>(two) << (8 * at);
    at += 2;
  }
  if constexpr (N % 2 == 1) word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[at])) << (8 * at);
  return word;
}

// True when each of the eight bytes of `word` is a digit character: its
// high half is 3 and adding 6 does not carry out of the low half.
inline bool AreEightDigits(std::uint64_t word) {
  return (((word & 0xF0F0F0F0F0F0F0F0ULL) | (((word + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4))) ==
         0x3333333333333333ULL;
}

// The N characters (1-8) of `field` as one word of eight digit characters,
// the first at the top and '0's below; false when the field is not exactly
// N digits.
template <std::size_t N>
inline bool LoadFixedDigits(std::string_view field, std::uint64_t& word) {
  static_assert(N >= 1 && N <= 8);
  if (field.size() != N) return false;
  word = LoadLittleEndian<N>(field.data());
  // The first character sits in the lowest byte: move the N characters to
  // the top and fill the bytes below with '0', so the word reads as eight
  // digits with leading zeros.
  if constexpr (N < 8) word = (word << (8 * (8 - N))) | (0x3030303030303030ULL >> (8 * N));
  return AreEightDigits(word);
}

// True when `field` is exactly N digits: what TryToFixedDigits reads.
template <std::size_t N>
inline bool AreFixedDigits(std::string_view field) {
  std::uint64_t word;
  return LoadFixedDigits<N>(field, word);
}

// A field of exactly N characters (1-8) that are all digits, the usual
// coordinate, read as eight bytes at once. Returns false, setting nothing,
// when the field is shorter or holds anything else (blanks, a sign): the
// caller then reads it the general way.
template <std::size_t N>
inline bool TryToFixedDigits(std::string_view field, std::int64_t& value) {
  if constexpr (N <= 2) {
    // One or two characters: each checked and added as it stands.
    if (field.size() != N) return false;
    std::int64_t v = 0;
    for (std::size_t i = 0; i < N; ++i) {
      const unsigned d = static_cast<unsigned char>(field[i]) - static_cast<unsigned>('0');
      if (d > 9) return false;
      v = v * 10 + d;
    }
    value = v;
    return true;
  }
  std::uint64_t word;
  if (!LoadFixedDigits<N>(field, word)) return false;
  word -= 0x3030303030303030ULL;
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;     // pairs of digits
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;   // groups of four
  word = (word * 10000 + (word >> 32)) & 0x00000000FFFFFFFFULL;  // all eight
  value = static_cast<std::int64_t>(word);
  return true;
}

// As above, throwing NtfReadFailure when the field does not convert.
std::int64_t ToInteger(std::string_view field);

// ToInteger of a field N characters wide, read the quick way when it is all
// digits (as it nearly always is).
template <std::size_t N>
std::int64_t ToFixedInteger(std::string_view field) {
  std::int64_t value;
  return TryToFixedDigits<N>(field, value) ? value : ToInteger(field);
}
double ToReal(std::string_view field);
long double ToLongReal(std::string_view field);

// ToLongReal of a field N characters wide: a field of N digits is the whole
// number they make (what the general reading gives for it, exactly).
template <std::size_t N>
long double ToFixedLongReal(std::string_view field) {
  std::int64_t value;
  return TryToFixedDigits<N>(field, value) ? static_cast<long double>(value) : ToLongReal(field);
}

// A field of at most N characters (what Field gives for a length of N)
// held in place: taking one is a few stores, not a string assignment.
template <std::size_t N>
class ShortField {
 public:
  void assign(std::string_view field) {
    size_ = field.size() < N ? field.size() : N;
    if (size_ == N) {
      std::memcpy(text_, field.data(), N);  // the usual whole field: one or two stores
      return;
    }
    for (std::size_t i = 0; i < size_; ++i) text_[i] = field[i];
  }
  void clear() { size_ = 0; }
  bool empty() const { return size_ == 0; }
  // The same characters as `other`: a whole field compared at once (bytes
  // past a shorter field's end are left from earlier ones, so those are
  // compared as views).
  bool SameAs(const ShortField& other) const {
    if (size_ != other.size_) return false;
    if (size_ == N) return std::memcmp(text_, other.text_, N) == 0;
    return std::string_view(*this) == std::string_view(other);
  }
  operator std::string_view() const { return {text_, size_}; }

 private:
  char text_[N] = {};
  std::size_t size_ = 0;
};

// The field with trailing blanks removed.
std::string_view TrimRight(std::string_view s);

}  // namespace quorvel
