// What the run needs to know of a product: how it is recognised, what it is
// called, the options it offers, the output layers it writes with their
// headers, and its translator.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mif/header.hpp"
#include "run/messages.hpp"
#include "run/options.hpp"

namespace quorvel {

struct FileContext;

// How a translator's work on one file ended.
enum class FileOutcome {
  Translated,    // reached the end of the file
  CutShort,      // a read failure was reported; what was written stays
  Skipped,       // nothing was translated (load failure, unknown product...)
  LayerFailed,   // not translated: a pair of the product's own could not be created
  OutputFailed,  // a write to the output set failed: the run ends
};

using TranslateFunction = FileOutcome (*)(FileContext&);

// What a product's own pair holds, for a reader that draws the set:
// regions are drawn beneath lines, and both beneath the main objects.
enum class LayerContent { Regions, Lines };

// A pair of the output set a product writes besides the main and text pairs,
// named with `suffix` ("_poly" gives NAME_poly.mif and NAME_poly.mid), with
// a header block of its own.
struct OutputLayer {
  std::string_view suffix;
  HeaderStyle headerStyle = {};
  std::span<const std::string_view> columns = {};
  LayerContent content = LayerContent::Lines;

  std::string HeaderBlock() const;
};

struct ProductDescriptor {
  std::string_view key = {};        // short name for tools and tests, e.g. "codepoint"
  std::string_view nameShown = {};  // shown in the status line, e.g. "Code Point"
  bool (*Matches)(std::string_view databaseName) = nullptr;
  // The header of the main pair (and of the text pair).
  HeaderStyle headerStyle = {};
  std::span<const std::string_view> columns = {};
  bool writesMain = true;   // false: everything goes to the product's own layers
  bool writesText = false;  // writes text objects: the text pair gets the main header
  std::span<const OutputLayer> layers = {};  // further pairs, headed before the tile
  // The first line of the network file when the product writes network rows
  // and the run extracts them; empty for none.
  std::string_view networkHeader = {};
  std::span<const ProductOption> options = {};
  std::optional<MessageId> refusal = {};  // recognised only to be refused with this message
  TranslateFunction translate = nullptr;  // nullptr: not translated yet

  std::string HeaderBlock() const;
  // The declared option with this key, or nullptr.
  const ProductOption* FindOption(std::string_view optionKey) const;
};

// The products a run knows, in the order their recognition tests are made.
class ProductRegistry {
 public:
  explicit ProductRegistry(std::span<const ProductDescriptor* const> products) : products_(products) {}

  std::span<const ProductDescriptor* const> products() const { return products_; }
  // The first product whose test accepts the database name, or nullptr.
  const ProductDescriptor* Recognize(std::string_view databaseName) const;
  // Every pair of a product's own, each suffix once, in registry order.
  std::vector<const OutputLayer*> Pairs() const;
  std::vector<std::string> PairSuffixes() const;

 private:
  std::span<const ProductDescriptor* const> products_;
};

}  // namespace quorvel
