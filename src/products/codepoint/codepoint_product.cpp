#include "products/codepoint/codepoint.hpp"
#include "products/common/match.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kColumns[] = {
    "Sect_Ref char (10)", "PC char (7)",  "PQ Integer",  "PR char (2)", "TP integer",  "DQ integer",
    "RP integer",         "BP integer",   "PD integer",  "MP integer",  "UM integer",  "CY integer",
    "RH char (3)",        "LH char (3)",  "CC char (2)", "DC char (2)", "WC char (2)", "LS char (2)",
};

bool IsCodePoint(std::string_view name) { return StartsWith(name, "CODE_POINT"); }

}  // namespace

extern const ProductDescriptor kCodePointProduct{
    .key = "codepoint",
    .nameShown = "Code Point",
    .Matches = IsCodePoint,
    .headerStyle = kMixedCaseHeader,
    .columns = kColumns,
    .translate = TranslateCodePoint,
};

}  // namespace quorvel
