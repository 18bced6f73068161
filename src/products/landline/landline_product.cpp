#include <algorithm>
#include <string>
#include <vector>

#include "products/common/match.hpp"
#include "products/landline/landline.hpp"
#include "products/landline/landline_entries.hpp"
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

// One box per entry, captioned from the style table rows that name it.
std::span<const OptionEntry> FeatureBoxes() {
  struct Boxes {
    std::vector<std::string> names;
    std::vector<OptionEntry> entries;
    Boxes() {
      for (const LandLineStyleRow& row : LandLineStyleTable()) {
        if (row.guard == 0 || row.caption.empty()) continue;
        names.push_back("CheckBoxLL" + std::to_string(row.guard));
        entries.push_back({row.guard, row.caption, {}});
      }
      for (std::size_t i = 0; i < entries.size(); ++i) entries[i].objectName = names[i];
      std::sort(entries.begin(), entries.end(), [](const OptionEntry& a, const OptionEntry& b) { return a.number < b.number; });
    }
  };
  static const Boxes boxes;
  return boxes.entries;
}

}  // namespace

extern const ProductOption kLandLineFeatureOption{
    .key = "landline-off",
    .kind = OptionKind::EntryList,
    .help = "Land-Line features to leave out, by entry number or feature code",
    .valueName = "LIST",
    .productName = "Land-Line",
    .count = 58,
    .Entries = FeatureBoxes,
    .EntryForName = LandLineEntryForFeatureCode,
    .entryNameKind = "feature code",
    .dialogName = "TFormLLFeatures",
    .dialogTitle = "Land-Line features",
    .buttonName = "ButtonLandLine",
    .buttonCaption = "&Land-Line features",
    .gridRows = 19,
};

namespace {

const ProductOption kOptions[] = {kLandLineFeatureOption};

}  // namespace

extern const ProductDescriptor kLandLineProduct{
    .key = "landline",
    .nameShown = "Land-Line",
    .Matches = IsLandLine,
    .headerStyle = kHeader,
    .columns = kColumns,
    .writesText = true,
    .options = kOptions,
    .translate = TranslateLandLine,
};

}  // namespace quorvel
