// Meridian 2: lines, points and names from geometry records ("21") completed
// by the attribute record ("14") after them, text representation records
// ("45") and, when network data is extracted, node records ("16").
#pragma once

#include "run/context.hpp"

namespace quorvel {

// The separator of the variable-length values in attribute records.
inline constexpr char kMeridian2Separator = '\\';
// Font line of every Meridian 2 text object.
inline constexpr std::string_view kMeridian2TextFont = "  FONT (\"Arial\",0,0,0)";

FileOutcome TranslateMeridian2(FileContext& ctx);

}  // namespace quorvel
