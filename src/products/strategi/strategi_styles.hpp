// The Strategi feature style table: per four-character feature code the
// description, the layer written to the MID row, the layer check box that
// decides whether the feature is written, the standard style clause and the
// TrueType symbol drawn instead when the run uses TrueType symbols.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "run/options.hpp"

namespace quorvel {

struct StrategiTrueTypeSymbol {
  int shape = 0;  // 0: the row has no TrueType symbol
  std::int64_t colour = 0;
  std::string_view font = {};
  int style = 0;
  // The symbol is turned by the translator's symbol rotation instead of 0.
  bool rotated = false;
};

struct StrategiStyleRow {
  std::string_view code;
  std::string_view description;
  int layer;      // 1-9
  int enabledBy;  // layer check box 1-8; 0 for the graphic text rows
  std::string_view standardStyle;
  StrategiTrueTypeSymbol trueType;
};

// All rows, sorted by code.
std::span<const StrategiStyleRow> StrategiStyleTable();

// The row of `code` (compared as text), or nullptr.
const StrategiStyleRow* FindStrategiStyle(std::string_view code);

// Appends the style clause of `row`: its TrueType symbol when `useTrueType`
// and the row has one, otherwise its standard clause. `symbolRotation` turns
// the one symbol that takes a rotation (written with one decimal).
void AppendStrategiStyleClause(std::string& out, const StrategiStyleRow& row, bool useTrueType,
                               double symbolRotation);

// What a lookup leaves behind. The row found last (with its style clause,
// description and layer) lasts until a later lookup finds one; an unlisted
// code changes only `featureEnabled`.
struct StrategiStyleResult {
  const StrategiStyleRow* row = nullptr;  // nullptr: no row found yet (empty style and description, layer 0)
  bool featureEnabled = false;

  std::string_view description() const { return row ? row->description : std::string_view(); }
  int layer() const { return row ? row->layer : 0; }
};

// Looks `code` up, reading the layer option afresh: sets `featureEnabled`
// (false for unlisted codes and the graphic text rows) and, when the code is
// listed, the row.
void LookupStrategiStyle(std::string_view code, const OptionView& layers, StrategiStyleResult& result);
// The same for a code of four digits, given as their number (0-9999).
void LookupStrategiStyle(std::int64_t fourDigitCode, const OptionView& layers, StrategiStyleResult& result);

// The layer option: layers 1 to 8, each with its box.
extern const ProductOption kStrategiLayerOption;

}  // namespace quorvel
