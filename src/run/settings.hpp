// The user's choices that steer a translation run and the translators.
#pragma once

#include <array>

namespace quorvel {

enum class TextOption { Include, Separate, Ignore };

struct TranslationSettings {
  bool SeparateText = true;
  bool IgnoreText = false;
  bool UseTrueTypeSymbols = true;
  bool ShowMeridianHeights = false;
  // Entries 1 to 58 at indexes 0 to 57; entry 8 guards nothing and stays on.
  std::array<bool, 58> LandLineFeatureEnabled;
  // Layers 1 to 8 at indexes 0 to 7.
  std::array<bool, 8> StrategiLayerEnabled;
  bool ExtractNetworkData = false;
  bool MergeTiles = true;

  TranslationSettings() {
    LandLineFeatureEnabled.fill(true);
    StrategiLayerEnabled.fill(true);
  }

  // The three text options exclude each other.
  void SetTextOption(TextOption option) {
    SeparateText = option == TextOption::Separate;
    IgnoreText = option == TextOption::Ignore;
  }
  TextOption textOption() const {
    if (IgnoreText) return TextOption::Ignore;
    return SeparateText ? TextOption::Separate : TextOption::Include;
  }

  // Entry numbers and layer numbers are 1-based; out-of-range ones read as
  // enabled and are not stored.
  bool LandLineEntryEnabled(int entry) const {
    return entry < 1 || entry > 58 || LandLineFeatureEnabled[static_cast<std::size_t>(entry - 1)];
  }
  void SetLandLineEntry(int entry, bool enabled) {
    if (entry >= 1 && entry <= 58 && entry != 8) LandLineFeatureEnabled[static_cast<std::size_t>(entry - 1)] = enabled;
  }
  bool StrategiLayer(int layer) const {
    return layer < 1 || layer > 8 || StrategiLayerEnabled[static_cast<std::size_t>(layer - 1)];
  }
  void SetStrategiLayer(int layer, bool enabled) {
    if (layer >= 1 && layer <= 8) StrategiLayerEnabled[static_cast<std::size_t>(layer - 1)] = enabled;
  }
};

}  // namespace quorvel
