#include "quorvel.hpp"

#include <malloc.h>

#include "products/registry.hpp"

namespace quorvel {

const ProductRegistry& Products() { return BuiltInProducts(); }

RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer) {
  return Translate(request, settings, observer, Products());
}

void KeepFreedTileMemory() {
  // Blocks up to 32 MiB (glibc's largest mapping threshold; a larger tile
  // is mapped and unmapped as before) come from the heap, and the heap is
  // given back only when a quarter of a gigabyte lies free at its top.
  // Without this, glibc's threads give their arenas' free tops back at
  // every tile and fault them in again at the next.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace quorvel
