#include "products/boundaryline/boundaryline.hpp"
#include "products/match.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

bool IsBoundaryLine(std::string_view name) { return StartsWith(name, "Boundary-Line"); }

}  // namespace

// Boundary-Line writes its own polygon and link files with their own headers.
extern const ProductDescriptor kBoundaryLineProduct{
    .key = "boundaryline",
    .nameShown = "Boundary Line",
    .Matches = IsBoundaryLine,
    .headerStyle = kMixedCaseHeader,
    .columns = {},
    .textPair = TextPairUse::Deletes,
    .ownFiles = true,
    .translate = TranslateBoundaryLine,
};

}  // namespace quorvel
