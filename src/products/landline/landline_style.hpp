// The Land-Line feature style table: per feature code the style clause
// written after the object, the description of its MID row and the feature
// settings entry that decides whether the feature is written.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "run/options.hpp"

namespace quorvel {

struct LandLineStyleRow {
  std::string_view code;         // four characters, matched exactly
  std::string_view description;
  std::string_view standard;     // clause with the standard symbol set
  std::string_view trueType;     // clause with TrueType symbols; empty: as standard
  bool rotated;                  // trueType is a beginning, followed by R and ")"
  int guard;                     // entry of the feature option (1-58); 0 for text codes
  std::string_view caption;      // the feature's check box caption
};

// The 63 rows in table order.
std::span<const LandLineStyleRow> LandLineStyleTable();

// The row for a feature code, or nullptr.
const LandLineStyleRow* FindLandLineStyleRow(std::string_view code);

inline constexpr std::string_view kNoMatchDescription = "no match";

// The result of the last lookup, with the two translator values the lookup
// reads and writes. Kept from one lookup to the next.
struct LandLineStyle {
  LandLineStyle() = default;
  // The clause may point into `rotated`: a copy would point into the original's.
  LandLineStyle(const LandLineStyle&) = delete;
  LandLineStyle& operator=(const LandLineStyle&) = delete;

  std::string_view clause;                         // possibly empty: the table's text or `rotated`
  std::string rotated;                             // a rotated symbol's clause, made at the lookup
  std::string_view description = kNoMatchDescription;
  bool featureEnabled = true;                      // set from the row's guard
  long double symbolRotation = 0;                  // R of the rotated TrueType symbols
};

// Looks `code` up: sets the clause and the description ("no match" and an
// empty clause for an unlisted code, which leaves featureEnabled as it was),
// and featureEnabled from the row's guard. With TrueType symbols the
// benchmark ("0026") first lowers symbolRotation by 225 degrees.
// `features` is the feature option: which entries are written.
// Returns true when looking the same code up again, with `style` as this
// lookup left it, would change nothing: false only for a rotated TrueType
// symbol, whose clause is made from the rotation at every lookup.
bool LookupLandLineStyle(std::string_view code, bool useTrueTypeSymbols, const OptionView& features,
                         LandLineStyle& style);

// The feature option: entries 1 to 58, each guarding the feature codes whose
// rows name it; entry 8 guards nothing and has no box.
extern const ProductOption kLandLineFeatureOption;

}  // namespace quorvel
