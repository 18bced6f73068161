#include "ntf/cursor.hpp"

namespace quorvel {

std::string_view RecordCursor::JoinContinued(std::string_view first, std::string& scratch) {
  scratch.assign(first);
  // Only the end mark of the growing record decides: the chain runs on until
  // the joined text ends in "0%".
  do {
    ++currentLine;
    std::string_view next = Line();
    scratch.resize(scratch.size() < 2 ? 0 : scratch.size() - 2);
    if (next.size() > 2) scratch.append(next.substr(2));
  } while (!EndsWith(scratch, "0%"));
  return scratch;
}

}  // namespace quorvel
