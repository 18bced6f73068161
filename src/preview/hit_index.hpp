// Finding the object under a point of the map: a grid over the sets'
// extent lists, for each cell, the objects whose extent touches it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "preview/mif_reader.hpp"
#include "preview/render.hpp"

namespace quorvel::preview {

struct HitRef {
  int set = -1;
  int layer = -1;   // index into the set's layers
  int object = -1;  // index into the layer's objects (and rows)
  bool operator==(const HitRef&) const = default;
};

class HitIndex {
 public:
  // Indexes the sets; they must not change while the index is used.
  void Build(const std::vector<PreviewSet>& sets);

  // The topmost object of the shown layers under `at` (world coordinates),
  // allowing `tolerance` pixels at `scale` pixels per world unit.
  std::optional<HitRef> At(const std::vector<PreviewSet>& sets, XY at, double scale, const LayerMask& layers,
                           double tolerance = 4) const;

 private:
  void CellRange(double lo, double hi, double origin, double step, int count, int& first, int& last) const;
  Extent extent_;
  int columns_ = 0, rows_ = 0;
  double cellWidth_ = 1, cellHeight_ = 1;
  int largestSymbol_ = 0;  // points; how far a symbol reaches past its point
  std::vector<std::vector<std::uint32_t>> cells_;  // indexes into refs_
  std::vector<HitRef> refs_;
};

// Whether the object is drawn over `at`, within `reach` world units.
bool Touches(const MapObject& o, XY at, double reach, double scale);

}  // namespace quorvel::preview
