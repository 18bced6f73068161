// Land-Form PANORAMA and PROFILE: height grids (one point per grid node with
// its height) and contours (lines and spot heights with their heights).
#pragma once

#include <string_view>

#include "run/context.hpp"

namespace quorvel {

// Height grids. Each grid column is one record "51" read by fixed line
// positions; every node becomes a point with the node's height characters as
// its row.
FileOutcome TranslatePanoramaGrid(FileContext& ctx);
FileOutcome TranslateProfileGrid(FileContext& ctx);

inline constexpr std::string_view kGridSymbol = "     Symbol (49,0,8)";

// Contours and spot heights.
FileOutcome TranslatePanoramaContours(FileContext& ctx);
FileOutcome TranslateProfileContours(FileContext& ctx);

// Sets `clause` when `fcode` is in the contour style table; returns whether
// it was.
bool LookupContourStyle(std::string_view fcode, std::string_view& clause);

}  // namespace quorvel
