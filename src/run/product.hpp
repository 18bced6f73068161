// What the run needs to know of a product: how it is recognised, what it is
// called, the header its MIF files get, and its translator.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "mif/header.hpp"

namespace quorvel {

struct FileContext;

// How a translator's work on one file ended.
enum class FileOutcome {
  Translated,    // reached the end of the file
  CutShort,      // a read failure was reported; what was written stays
  Skipped,       // nothing was translated (load failure, unknown product...)
  OutputFailed,  // a write to the output set failed: the run ends
};

using TranslateFunction = FileOutcome (*)(FileContext&);

// What happens to the text pair when a file of the product is translated.
enum class TextPairUse {
  WritesHeader,  // the product writes text objects: the text MIF gets its header
  Deletes,       // the product writes no text: the pair is dropped (if empty)
  Untouched,     // left as it is
};

struct ProductDescriptor {
  std::string_view key = {};    // short name for tools and tests, e.g. "codepoint"
  std::string_view nameShown = {};  // shown in the status line, e.g. "Code Point"
  bool (*Matches)(std::string_view databaseName) = nullptr;
  HeaderStyle headerStyle = {};
  std::span<const std::string_view> columns = {};
  TextPairUse textPair = TextPairUse::Untouched;
  bool writesNetwork = false;   // heads the network file when extraction is on
  bool ownFiles = false;        // writes its own files instead of the main pair
  bool refused = false;         // recognised only to be refused with `refusal`
  std::string_view refusal = {};
  TranslateFunction translate = nullptr;  // nullptr: not translated yet

  std::string HeaderBlock() const;
};

// The products in the order their recognition tests are made.
std::span<const ProductDescriptor* const> ProductRegistry();

// The first product whose test accepts the database name, or nullptr.
const ProductDescriptor* RecognizeProduct(std::string_view databaseName);

}  // namespace quorvel
