#include "ntf/cursor.hpp"

#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {

[[gnu::noinline]] void Grow(std::string& scratch, std::size_t n) { scratch.resize(std::max(n, 2 * scratch.size())); }

// At least `n` bytes in `scratch`, the ones there kept.
inline void Fit(std::string& scratch, std::size_t n) {
  if (scratch.size() < n) [[unlikely]]
    Grow(scratch, n);
}

}  // namespace

std::string_view RecordCursor::JoinContinued(std::string_view first, std::string& scratch) {
  // Built at the start of `scratch`, whose size is only its room: `length`
  // is the record's (no string bookkeeping for each piece).
  std::size_t length = first.size();
  Fit(scratch, length);
  std::memcpy(scratch.data(), first.data(), length);
  // Each line's two-character end mark goes, and the next line joins from
  // its third character on. Only the end mark of the growing record
  // decides: the chain runs on until the joined text ends in "0%".
  do {
    ++currentLine;
    const std::string_view next = Line();
    length = length < 2 ? 0 : length - 2;
    if (next.size() > 2) {
      Fit(scratch, length + next.size() - 2);
      std::memcpy(scratch.data() + length, next.data() + 2, next.size() - 2);
      length += next.size() - 2;
    }
  } while (!EndsWith(std::string_view(scratch.data(), length), "0%"));
  return std::string_view(scratch.data(), length);
}

}  // namespace quorvel
