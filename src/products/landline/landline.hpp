// Land-Line: line features become PLINE objects, point features POINT
// objects with their symbols, and name records Text objects placed from
// their digitised point; every object gets a six-value MID row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mif/output_set.hpp"
#include "ntf/record.hpp"
#include "products/landline/landline_style.hpp"
#include "run/context.hpp"

namespace quorvel {

// The translator's values that last from record to record and, within one
// output set, from one tile to the next (a tile that ends half-way through a
// feature hands its values on, as the records would).
struct LandLineState final : CarriedState {
  LandLineStyle style;          // last lookup, FeatureEnabled and SymbolRotation
  ShortField<6> featureId;      // columns 3-8 of the last point, line or name record
  ShortField<4> featureCode;    // four characters, as read
  long double orientation = 0;  // OR of the last point record, degrees
  std::int64_t orientationTenths = 0;  // its field's four digits, -1 when it had others
  bool pendingText = false;     // a name record waits for its geometry
  std::string text;             // the pending text and how it is drawn
  long double textHeight = 0;   // millimetres
  long double textOrientation = 0;
  std::int64_t textOrientationTenths = -1;  // its field's four digits, -1 when it had others
  int textPosition = 0;
};

FileOutcome TranslateLandLine(FileContext& ctx);

}  // namespace quorvel
