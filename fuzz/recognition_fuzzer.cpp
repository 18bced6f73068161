// Product recognition and dispatch: the database name of any input picks at
// most one product, the first in the registry whose test accepts it, and the
// whole run on the input as given (unknown names, refused and short files,
// headers) neither fails nor leaves a MIF out of step with its MID.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "ntf/record_list.hpp"
#include "products/registry.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  std::string text(reinterpret_cast<const char*>(data), size);
  NtfRecordList list;
  list.Assign(text);
  const std::string_view name = list.DatabaseName();
  if (name.size() > 20) __builtin_trap();
  const ProductDescriptor* product = Products().Recognize(name);
  for (const ProductDescriptor* p : Products().products()) {
    if (p == product) break;
    if (p->Matches(name)) __builtin_trap();  // an earlier product should have won
  }
  if (product) {
    if (!product->Matches(name)) __builtin_trap();
    if (product->writesMain && !product->refusal && product->HeaderBlock().empty()) __builtin_trap();
  }
  fuzz::TranslateText(text, fuzz::PickRun(text));
  return 0;
}
