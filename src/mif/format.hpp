// Number formats and value quoting of the MIF and MID files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quorvel {

// Appends `value` with exactly `decimals` decimals ("0.00" is 2, "0.0" is 1,
// "0.000" is 3), rounded to the nearest, "." as the point, no grouping. A
// value that rounds to zero is written without a minus sign.
void AppendFixed(std::string& out, double value, int decimals);
void AppendFixed(std::string& out, const long double& value, int decimals);
// The same result always by way of std::to_chars (the reference the exact
// formatting above is checked against).
void AppendFixedExact(std::string& out, long double value, int decimals);
// AppendFixed written at `out`, which has room for kMaxFixedWithin
// characters (bytes of it after the end may be overwritten); returns the
// end, or nullptr, when the value is one AppendFixed gives to std::to_chars
// (non-finite, 1e9 or more in size, decimals outside 0-3).
inline constexpr std::size_t kMaxFixedWithin = 16;
char* WriteFixed(char* out, double value, int decimals);
char* WriteFixed(char* out, const long double& value, int decimals);
// "x y", each as AppendFixed writes it.
void AppendFixedPair(std::string& out, double x, double y, int decimals);
// Appends `value`, known to lie within `error` of a value computed more
// exactly elsewhere, when that is enough to give the digits the exact value
// has. Returns false, appending nothing, when it is not (a value near a tie
// between two roundings, a large value): the caller then formats the exact
// value with AppendFixed.
bool AppendFixedWithin(std::string& out, double value, double error, int decimals);
// The same written at `out`, which has room for kMaxFixedWithin characters;
// returns the end of what was written, or nullptr when AppendFixedWithin
// would return false. Bytes of that room after the end may be overwritten.
char* WriteFixedWithin(char* out, double value, double error, int decimals);
// WriteFixedWithin with two decimals.
char* WriteCentsWithin(char* out, double value, double error);
// n / 10^decimals written exactly with `decimals` (0-3) decimals at `out`,
// which has room for kMaxFixedWithin characters (bytes of it after the end
// may be overwritten); |n| / 10^decimals must be below 1e9. Returns the end.
char* WriteScaledInteger(char* out, std::int64_t n, int decimals);
// Decimal integer, "-" for negatives, no leading zeros.
void AppendInteger(std::string& out, std::int64_t value);
// The same written at `out`, which has room for kMaxInteger characters
// (bytes of it after the end may be overwritten); returns the end of what
// was written.
inline constexpr std::size_t kMaxInteger = 20;
char* WriteInteger(char* out, std::int64_t value);
// A whole number with `decimals` (0-3) zero decimals, as AppendFixed
// writes it, at `out`, which has room for kMaxWholeFixed characters (bytes
// of it after the end may be overwritten); returns the end.
inline constexpr std::size_t kMaxWholeFixed = kMaxInteger + 4;
char* WriteWholeFixed(char* out, std::int64_t value, int decimals);

std::string FormatFixed(double value, int decimals);
std::string FormatFixed(long double value, int decimals);
std::string FormatInteger(std::int64_t value);

// Appends a text object's string between double quotes; an inner double
// quote is escaped as a backslash and a quote, a backslash as two.
void AppendQuotedText(std::string& out, std::string_view text);
// The same written at `out`, which has room for 2 * text.size() + 2 bytes;
// returns the end.
char* WriteQuotedText(char* out, std::string_view text);

// Appends one MID value. A value holding the delimiter or a double quote is
// written between double quotes with each inner double quote doubled, so a
// reader always sees the declared number of values; any other value is
// written as it stands.
void AppendMidValue(std::string& out, std::string_view value);

// Eight characters looked at at once, the first in the lowest byte of a
// word: the top bit of each byte that equals `c` (BytesEqual), or that is a
// control byte below 0x20 (ControlBytes). A borrow may mark bytes above the
// first marked one wrongly; the lowest mark is always right, and there is
// one exactly when some byte matches, which is all a scan asks.
inline constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
inline std::uint64_t BytesEqual(std::uint64_t word, unsigned char c) {
  const std::uint64_t x = word ^ (kEveryByte * c);
  return (x - kEveryByte) & ~x & (kEveryByte * 0x80);
}
inline std::uint64_t ControlBytes(std::uint64_t word) {
  return (word - kEveryByte * 0x20) & ~word & (kEveryByte * 0x80);
}

// The first and the last sizeof(Word) bytes of n (at least that many).
template <class Word>
inline void CopyHeadAndTail(char* to, const char* from, std::size_t n) {
  Word head, tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}

// Copies n bytes, inline for the short texts rows and lines are made of
// (two overlapping words for 4 to 16 bytes, never past either end), and
// by memcpy beyond: a call for a few bytes costs more than the copy.
inline void CopyText(char* to, const char* from, std::size_t n) {
  if (n > 16) std::memcpy(to, from, n);
  else if (n >= 8) CopyHeadAndTail<std::uint64_t>(to, from, n);
  else if (n >= 4) CopyHeadAndTail<std::uint32_t>(to, from, n);
  else
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
}

// A growing text written in place: Room(n) gives n writable bytes after
// the text and Advance(end) keeps what was written up to `end`. The bytes
// live in a string that never shrinks, so a short piece costs a few stores
// rather than an append; the room asked for may be written beyond what is
// kept (the word-wide writers above do).
class TextBuffer {
 public:
  TextBuffer() { storage_.resize(256); }
  void clear() { size_ = 0; }
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {storage_.data(), size_}; }
  operator std::string_view() const { return view(); }
  char* Room(std::size_t n) {
    if (size_ + n > storage_.size()) Grow(n);
    return storage_.data() + size_;
  }
  void Advance(const char* end) { size_ = static_cast<std::size_t>(end - storage_.data()); }
  // Keeps n bytes written into the room.
  void Commit(std::size_t n) { size_ += n; }
  void Append(std::string_view text) {
    if (text.empty()) return;  // a view of nothing may have no data to copy from
    CopyText(Room(text.size()), text.data(), text.size());
    Commit(text.size());
  }
  void Push(char c) {
    *Room(1) = c;
    ++size_;
  }

 private:
  void Grow(std::size_t n);
  std::string storage_;
  std::size_t size_ = 0;
};

// "x y" as AppendFixedPair writes it, at `out`, which has room for
// kMaxFixedPair characters; nullptr where AppendFixed would give either to
// std::to_chars.
inline constexpr std::size_t kMaxFixedPair = 2 * kMaxFixedWithin + 1;
char* WriteFixedPair(char* out, double x, double y, int decimals);
void AppendFixedPair(TextBuffer& out, double x, double y, int decimals);

void AppendMidValue(TextBuffer& out, std::string_view value);
// True when `value` would be written as it stands (no delimiter, double
// quote or control byte): then so would any part of it.
bool IsPlainMidValue(std::string_view value);

// Builds one MID row: values joined by "," with nothing around them.
class MidRow {
 public:
  void Clear() {
    buffer_.clear();
    count_ = 0;
  }
  MidRow& Add(std::string_view value) {
    Separate();
    if (!value.empty()) AppendMidValue(buffer_, value);  // many values are empty: no call for them
    return *this;
  }
  // A value known to be plain (part of one IsPlainMidValue accepted).
  // Inline: rows of many short values call it for each.
  MidRow& AddPlain(std::string_view value) {
    Separate();
    CopyText(buffer_.Room(value.size()), value.data(), value.size());
    buffer_.Commit(value.size());
    return *this;
  }
  // AddPlain when `plain` (the value, or a text it is part of, was checked),
  // else Add.
  MidRow& Add(std::string_view value, bool plain) { return plain ? AddPlain(value) : Add(value); }
  MidRow& AddInteger(std::int64_t value);
  MidRow& AddFixed(double value, int decimals);
  MidRow& AddEmpty(int n = 1);
  int count() const { return count_; }
  std::string_view str() const { return buffer_.view(); }

 private:
  void Separate() {
    if (count_++ > 0) buffer_.Push(',');
  }
  TextBuffer buffer_;
  int count_ = 0;
};

}  // namespace quorvel
