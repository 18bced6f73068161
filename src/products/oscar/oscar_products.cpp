#include "products/common/match.hpp"
#include "products/oscar/oscar.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kAssetColumns[] = {
    "Sect_ref char (12)", "ID Integer",      "Description char (50)", "FCode Smallint",
    "OSODR char (13)",    "Route_Num char (10)", "Road_name char (80)", "Form char (1)",
    "Length integer",     "Trunk char (1)",  "Scale char (1)",        "S_date char(8)",
};
constexpr std::string_view kTrafficColumns[] = {
    "Sect_ref char (12)", "ID Integer",      "Description char (50)", "FCode Smallint",
    "OSODR char (13)",    "Route_Num char (10)", "Road_name char (80)", "Form char (1)",
    "Length integer",     "Trunk logical",   "Scale char (1)",        "S_date char (8)",
};

bool IsOscarAsset(std::string_view name) { return StartsWith(name, "OSCAR_ASSET"); }
bool IsOscarTraffic(std::string_view name) { return StartsWith(name, "OSCAR_TRAFFIC"); }

}  // namespace

extern const ProductDescriptor kOscarAssetProduct{
    .key = "oscar-asset",
    .nameShown = "OSCAR Asset-Manager",
    .Matches = IsOscarAsset,
    .headerStyle = kMixedCaseHeader,
    .columns = kAssetColumns,
    .translate = TranslateOscar,
};

extern const ProductDescriptor kOscarTrafficProduct{
    .key = "oscar-traffic",
    .nameShown = "OSCAR Traffic-Manager",
    .Matches = IsOscarTraffic,
    .headerStyle = kMixedCaseHeader,
    .columns = kTrafficColumns,
    .translate = TranslateOscar,
};

}  // namespace quorvel
