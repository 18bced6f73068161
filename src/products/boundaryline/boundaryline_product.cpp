#include "products/boundaryline/boundaryline.hpp"
#include "products/common/match.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

bool IsBoundaryLine(std::string_view name) { return StartsWith(name, "Boundary-Line"); }

constexpr std::string_view kPolygonColumns[] = {
    "Polygon_ID char (10)",       "Description char (60)",         "Admin_area_ID Integer",
    "Global_polygon_ID Integer",  "Non_inland_area decimal(12,3)", "Hectares decimal(12,3)",
    "Census_code char (10)",      "Area_type char (2)",            "Area_code char (3)",
    "Name char (100)",            "Non_type_code char (3)"};

constexpr std::string_view kLinkColumns[] = {
    "Section char (10)",         "Description char (60)",         "Global_Link_ID Integer",
    "Admin_area_ID Integer",     "Global_polygon_ID Integer",     "Non_inland_area decimal(12,3)",
    "Hectares decimal(12,3)",    "Census_code char (10)",         "Area_type char (2)",
    "Fcode smallint",            "Area_code char (3)",            "Name char (100)",
    "Non_type_code char (3)"};

}  // namespace

extern const OutputLayer kPolygonLayer{"_poly", kMixedCaseHeader, kPolygonColumns, LayerContent::Regions};
extern const OutputLayer kLinkLayer{"_pline", kMixedCaseHeader, kLinkColumns, LayerContent::Lines};

namespace {

// Polygons first: the files are created and closed in this order.
const OutputLayer kLayers[] = {kPolygonLayer, kLinkLayer};

}  // namespace

// Boundary-Line writes only its own polygon and link pairs.
extern const ProductDescriptor kBoundaryLineProduct{
    .key = "boundaryline",
    .nameShown = "Boundary Line",
    .Matches = IsBoundaryLine,
    .headerStyle = kMixedCaseHeader,
    .columns = {},
    .writesMain = false,
    .layers = kLayers,
    .translate = TranslateBoundaryLine,
};

}  // namespace quorvel
