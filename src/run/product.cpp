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

std::vector<const OutputLayer*> ProductRegistry::Pairs() const {
  std::vector<const OutputLayer*> pairs;
  for (const ProductDescriptor* p : products_)
    for (const OutputLayer& layer : p->layers) {
      bool known = false;
      for (const OutputLayer* q : pairs) known = known || q->suffix == layer.suffix;
      if (!known) pairs.push_back(&layer);
    }
  return pairs;
}

std::vector<std::string> ProductRegistry::PairSuffixes() const {
  std::vector<std::string> suffixes;
  for (const OutputLayer* layer : Pairs()) suffixes.emplace_back(layer->suffix);
  return suffixes;
}

}  // namespace quorvel
