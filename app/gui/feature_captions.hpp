// Captions of the feature-selection dialogs: the Land-Line feature boxes
// (one per entry of LandLineFeatureEnabled, entry 8 has none) and the
// Strategi layer boxes.
#pragma once

#include <array>

namespace quorvel::gui {

struct LandLineFeatureBox {
  int entry;            // 1-based entry of LandLineFeatureEnabled
  const char* caption;  // as shown in the dialog
};

inline constexpr int kLandLineFeatureEntries = 58;
inline constexpr int kLandLineEntryWithoutBox = 8;

// The 57 boxes in entry order.
extern const std::array<LandLineFeatureBox, 57> kLandLineFeatureBoxes;

struct StrategiLayerBox {
  const char* objectName;
  const char* caption;
};

// Layers 1 to 8 in order.
extern const std::array<StrategiLayerBox, 8> kStrategiLayerBoxes;

}  // namespace quorvel::gui
