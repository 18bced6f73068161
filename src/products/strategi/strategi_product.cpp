#include "products/common/match.hpp"
#include "products/common/network_node.hpp"
#include "products/strategi/strategi.hpp"
#include "products/strategi/strategi_styles.hpp"
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

constexpr OptionEntry kLayerBoxes[] = {
    {1, "Layer 1: Roads, railways, airports and ferries", "CheckBoxSLayer1"},
    {2, "Layer 2: Water features", "CheckBoxSLayer2"},
    {3, "Layer 3: Cities, towns and other settlements", "CheckBoxSLayer3"},
    {4, "Layer 4: Ceremonial boundaries", "CheckBoxSLayer4"},
    {5, "Layer 5: Woods and land use", "CheckBoxSLayer5"},
    {6, "Layer 6: Tourist information", "CheckBoxSlayer6"},
    {7, "Layer 7: Grid lines", "CheckBoxSLayer7"},
    {8, "Layer 8: Spot heights", "CheckBoxSlayer8"},
};

std::span<const OptionEntry> LayerBoxes() { return kLayerBoxes; }

constexpr std::string_view kLayerNotes[] = {
    "All objects in each selected layer will be translated. Geographic names are in Layer 9. This is selected in "
    "the Text objects options."};

}  // namespace

extern const ProductOption kStrategiLayerOption{
    .key = "strategi-layers",
    .kind = OptionKind::LayerSet,
    .help = "Strategi layers to translate, e.g. 1,2,5 (default 1-8)",
    .valueName = "L",
    .productName = "Strategi",
    .count = 8,
    .Entries = LayerBoxes,
    .dialogName = "TFormSFeatures",
    .dialogTitle = "Strategi features",
    .buttonName = "ButtonStrategi",
    .buttonCaption = "St&rategi layers",
    .notes = kLayerNotes,
};

namespace {

const ProductOption kOptions[] = {kStrategiLayerOption};

}  // namespace

extern const ProductDescriptor kStrategiProduct{
    .key = "strategi",
    .nameShown = "Strategi",
    .Matches = IsStrategi,
    .headerStyle = kHeader,
    .columns = kColumns,
    .writesText = true,
    .networkHeader = kNetworkHeader,
    .options = kOptions,
    .translate = TranslateStrategi,
};

}  // namespace quorvel
