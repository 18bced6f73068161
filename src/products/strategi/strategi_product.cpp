#include "products/match.hpp"
#include "products/strategi/strategi.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kColumns[] = {
    "Section char (10)", "Id integer",   "FCode smallint", "Description char (60)", "DE smallint", "LO smallint",
    "UE smallint",       "HI smallint",  "HM smallint",    "OR decimal (4,1)",      "FC char (4)", "NU char (50)",
    "RB char (2)",       "RU char (2)",  "TX char (80)",   "GS char (80)",          "FM char (80)", "OW char (80)",
    "CM char (80)",      "UN char (80)", "DN char (80)",   "RJ char (80)",          "RM char (80)", "RL char (80)",
    "RQ char (80)",      "RW char (80)", "RZ char (80)",   "FE char (80)",          "FR char (80)", "FP char (80)",
    "FF char (80)",      "FT char (80)", "FI char (80)",   "Layer smallint",
};

// Upper-case keywords and a trailing blank on the delimiter line, as Strategi
// has always had; the character set line is there so readers decode the
// names right.
constexpr HeaderStyle kHeader{"VERSION 300", "Charset \"WindowsLatin1\"", "DELIMITER \",\" ", "COLUMNS ", "DATA"};

bool IsStrategi(std::string_view name) { return StartsWith(name, "Strategi"); }

}  // namespace

extern const ProductDescriptor kStrategiProduct{
    .key = "strategi",
    .nameShown = "Strategi",
    .Matches = IsStrategi,
    .headerStyle = kHeader,
    .columns = kColumns,
    .textPair = TextPairUse::WritesHeader,
    .writesNetwork = true,
    .translate = TranslateStrategi,
};

}  // namespace quorvel
