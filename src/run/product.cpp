#include "run/product.hpp"

#include <vector>

namespace quorvel {

namespace {

std::string RenderHeader(const HeaderStyle& style, std::span<const std::string_view> columns) {
  return RenderHeaderBlock(style, std::vector<std::string_view>(columns.begin(), columns.end()));
}

}  // namespace

std::string OutputLayer::HeaderBlock() const { return RenderHeader(headerStyle, columns); }

std::string ProductDescriptor::HeaderBlock() const { return RenderHeader(headerStyle, columns); }

const ProductOption* ProductDescriptor::FindOption(std::string_view optionKey) const {
  for (const ProductOption& o : options)
    if (o.key == optionKey) return &o;
  return nullptr;
}

const ProductDescriptor* ProductRegistry::Recognize(std::string_view databaseName) const {
  for (const ProductDescriptor* p : products_)
    if (p->Matches(databaseName)) return p;
  return nullptr;
}

}  // namespace quorvel
