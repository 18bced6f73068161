// Code-Point: one point per geometry record, one 18-value row per attribute
// record.
#pragma once

#include <array>
#include <string_view>

#include "run/context.hpp"

namespace quorvel {

struct CodePointMnemonic {
  std::string_view tag;
  std::size_t width;
};

// In the order they are searched for and written.
inline constexpr std::array<CodePointMnemonic, 17> kCodePointMnemonics{{
    {"PC", 7}, {"PQ", 2}, {"PR", 1}, {"TP", 3}, {"DQ", 3}, {"RP", 3}, {"BP", 3}, {"PD", 3}, {"MP", 3},
    {"UM", 3}, {"CY", 3}, {"RH", 3}, {"LH", 3}, {"CC", 2}, {"DC", 2}, {"WC", 2}, {"LS", 1},
}};

inline constexpr std::string_view kCodePointSymbol = "Symbol (34,16711680,6)";

FileOutcome TranslateCodePoint(FileContext& ctx);

}  // namespace quorvel
