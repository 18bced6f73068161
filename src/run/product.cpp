#include "run/product.hpp"

#include <vector>

namespace quorvel {

std::string ProductDescriptor::HeaderBlock() const {
  std::vector<std::string_view> cols(columns.begin(), columns.end());
  return RenderHeaderBlock(headerStyle, cols);
}

const ProductDescriptor* RecognizeProduct(std::string_view databaseName) {
  for (const ProductDescriptor* p : ProductRegistry())
    if (p->Matches(databaseName)) return p;
  return nullptr;
}

}  // namespace quorvel
