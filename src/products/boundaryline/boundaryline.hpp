// Boundary-Line: a link layer ("_pline") with one PLINE per boundary link,
// and a polygon layer ("_poly") with one REGION per polygon or complex
// polygon, its rings assembled from the links its chains list, and the
// attributes of the collections (administrative areas) that list it.
#pragma once

#include "run/context.hpp"

namespace quorvel {

inline constexpr std::string_view kBoundaryLinePen = "  PEN (1,2,16711680)";
inline constexpr std::string_view kBoundaryLineBrush = "Brush (1,0,0)";

// The polygon and link pairs, with their own headers.
extern const OutputLayer kPolygonLayer;
extern const OutputLayer kLinkLayer;

FileOutcome TranslateBoundaryLine(FileContext& ctx);

}  // namespace quorvel
