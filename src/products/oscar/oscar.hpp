// OSCAR Asset-Manager and Traffic-Manager: road links (PLINE) and nodes
// (POINT) from geometry records "21", each styled and described by the
// attribute record "14" that follows it, with one 12-value row per attribute
// record.
#pragma once

#include <string_view>

#include "run/context.hpp"

namespace quorvel {

struct OscarStyle {
  std::string_view fcode;
  std::string_view clause;
  std::string_view description;
};

// The result of a lookup: a code that is not in the table leaves both as they
// were.
struct OscarStyleResult {
  std::string_view clause;
  std::string_view description;
};

// Sets `result` from the table when `fcode` is listed; returns whether it was.
bool LookupOscarStyle(std::string_view fcode, OscarStyleResult& result);

FileOutcome TranslateOscar(FileContext& ctx);

}  // namespace quorvel
