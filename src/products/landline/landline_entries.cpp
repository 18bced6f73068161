#include "products/landline/landline_entries.hpp"

#include "products/landline/landline_style.hpp"

namespace quorvel {

int LandLineEntryForFeatureCode(std::string_view code) {
  const LandLineStyleRow* row = FindLandLineStyleRow(code);
  return row ? row->guard : 0;
}

}  // namespace quorvel
