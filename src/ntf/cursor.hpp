// A translator's read cursor into the record list, with the continuation
// join of "1%" / "0%" lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ntf/record.hpp"
#include "ntf/record_list.hpp"

namespace quorvel {

class RecordCursor {
 public:
  explicit RecordCursor(const NtfRecordList& list) : list_(list) {}

  // 0-based index of the line being read; translators start at 1.
  std::size_t currentLine = 1;

  const NtfRecordList& list() const { return list_; }
  bool AtEnd() const { return !list_.Bring(currentLine); }

  // The line at currentLine; reading past the last line is a read failure.
  std::string_view Line() const { return LineAt(currentLine); }
  // The line at `index` (a line before currentLine: the one just read).
  std::string_view LineAt(std::size_t index) const {
    if (!list_.Bring(index)) throw NtfReadFailure("record list exhausted");
    return list_.line(index);
  }

  // The logical record whose first line is at currentLine, joined with its
  // continuation lines; currentLine is left on the last line consumed. A
  // record without continuation is returned in place; a joined one is built
  // at the start of `scratch` (whose size is only the room it keeps from
  // record to record), and the view is valid until `scratch` changes.
  std::string_view JoinRecord(std::string& scratch) { return JoinRecord(Line(), scratch); }
  // The same with the line at currentLine already in hand as `first`.
  std::string_view JoinRecord(std::string_view first, std::string& scratch) {
    // Inline: most records are one line, and this is asked for each.
    const std::size_t n = first.size();
    if (n < 2 || first[n - 2] != '1' || first[n - 1] != '%') return first;
    return JoinContinued(first, scratch);
  }

  // Moves to the next line and joins the record that starts there.
  std::string_view NextRecord(std::string& scratch) {
    ++currentLine;
    return JoinRecord(scratch);
  }

 private:
  std::string_view JoinContinued(std::string_view first, std::string& scratch);

  const NtfRecordList& list_;
};

inline bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace quorvel
