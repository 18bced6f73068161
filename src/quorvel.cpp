#include "quorvel.hpp"

#include "platform/process.hpp"
#include "products/registry.hpp"

namespace quorvel {

const ProductRegistry& Products() { return BuiltInProducts(); }

RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer) {
  return Translate(request, settings, observer, Products());
}

void KeepFreedTileMemory() { platform::KeepFreedMemory(); }

}  // namespace quorvel
