#include "products/landline/landline_entries.hpp"

namespace quorvel {

// Filled in from the Land-Line style table once that table is in place.
int LandLineEntryForFeatureCode(std::string_view) { return 0; }

}  // namespace quorvel
