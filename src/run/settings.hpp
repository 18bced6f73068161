// The user's choices that steer a translation run: the run-wide settings and
// the values of the products' own options.
#pragma once

#include "run/options.hpp"

namespace quorvel {

enum class TextOption { Include, Separate, Ignore };

struct TranslationSettings {
  // Where text objects go: with the other objects, into the text pair, or
  // nowhere. Taken when a run starts.
  TextOption text = TextOption::Separate;
  // The symbol set of the style tables; taken when a run starts.
  bool useTrueTypeSymbols = true;
  // Write the network file of the products that have a road network.
  bool extractNetworkData = false;
  // Separate tiles are translated on this many threads; the output is the
  // same whatever the number.
  int jobs = 1;
  // Each product's own options, by key.
  OptionValues productOptions;
};

}  // namespace quorvel
