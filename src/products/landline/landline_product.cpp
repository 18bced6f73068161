#include "products/landline/landline.hpp"
#include "products/match.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kColumns[] = {
    "Section char (10)",     "Id integer",          "FCode smallint",
    "Description char (42)", "OR_ decimal (4, 1)", "DT decimal (5, 3)",
};

constexpr HeaderStyle kHeader{"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns ", "DATA"};

// Only these three spellings: "Land-Line" in any other mixture of case is
// not Land-Line.
bool IsLandLine(std::string_view name) {
  return StartsWith(name, "Land-Line") || StartsWith(name, "LAND-LINE") || StartsWith(name, "land-line");
}

}  // namespace

extern const ProductDescriptor kLandLineProduct{
    .key = "landline",
    .nameShown = "Land-Line",
    .Matches = IsLandLine,
    .headerStyle = kHeader,
    .columns = kColumns,
    .textPair = TextPairUse::WritesHeader,
    .translate = TranslateLandLine,
};

}  // namespace quorvel
