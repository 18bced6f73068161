#include "products/common/match.hpp"
#include "products/common/network_node.hpp"
#include "products/meridian/meridian2.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kColumns[] = {
    "Section char(10)", "ID integer",   "FCode smallint", "Description char(80)", "LL integer",  "OD char(13)",
    "RN char(80)",      "TR char(1)",   "RT char(1)",     "JN char(80)",          "LC integer",  "RC integer",
    "LD integer",       "RD integer",   "PI integer",     "DA char(13)",          "PN char(80)", "RI char(13)",
    "SN char(80)",      "SI char(80)",  "NM char(80)",    "TX char(80)",          "FA char(80)", "WA integer",
    "WI char(80)",      "HT integer",   "Layer integer",
};

constexpr HeaderStyle kHeader{"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "COLUMNS ", "DATA"};

bool IsMeridian1(std::string_view name) { return StartsWith(name, "Meridian_01"); }
bool IsMeridian2(std::string_view name) { return StartsWith(name, "Meridian_02") || StartsWith(name, "Meridian2"); }

constexpr std::string_view kHeightNotes[] = {
    "Meridian heights are displayed as grey crosses.  These can be obtrusive, so they can be hidden by unchecking the "
    "box below.",
    "The height feature will still be present and can be queried or used to create a grid thematic map etc."};

}  // namespace

extern const ProductOption kMeridianHeightsOption{
    .key = "meridian-heights",
    .kind = OptionKind::Flag,
    .help = "draw Meridian 2 gridded heights visibly",
    .productName = "Meridian 2",
    .dialogName = "TFormMeridianHeights",
    .dialogTitle = "Meridian 2 height data",
    .buttonName = "ButtonMeridianHeights",
    .buttonCaption = "M&eridian heights",
    .notes = kHeightNotes,
    .flagCaption = "Show height symbols",
    .flagObjectName = "CheckBoxShowHeights",
};

namespace {

const ProductOption kOptions[] = {kMeridianHeightsOption};

}  // namespace

extern const ProductDescriptor kMeridian1Product{
    .key = "meridian1",
    .nameShown = "Meridian 1",
    .Matches = IsMeridian1,
    .headerStyle = kHeader,
    .columns = {},
    .refusal = MessageId::Meridian1Refused,
};

extern const ProductDescriptor kMeridian2Product{
    .key = "meridian2",
    .nameShown = "Meridian 2",
    .Matches = IsMeridian2,
    .headerStyle = kHeader,
    .columns = kColumns,
    .writesText = true,
    .networkHeader = kNetworkHeader,
    .options = kOptions,
    .translate = TranslateMeridian2,
};

}  // namespace quorvel
