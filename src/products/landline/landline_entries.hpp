// Land-Line feature codes and the feature settings entries that guard them.
#pragma once

#include <string_view>

namespace quorvel {

// The feature settings entry (1-58) that guards a Land-Line feature code, or
// 0 when no style table row has that code.
int LandLineEntryForFeatureCode(std::string_view code);

}  // namespace quorvel
