#include "products/registry.hpp"

namespace quorvel {

namespace {

// In the order the recognition tests are made.
const ProductDescriptor* const kRegistry[] = {
    &kCodePointProduct,    &kPanoramaDtmProduct,  &kPanoramaContourProduct, &kProfileDtmProduct,
    &kProfileContourProduct, &kMeridian1Product,  &kMeridian2Product,       &kOscarAssetProduct,
    &kOscarTrafficProduct, &kLandLineProduct,     &kStrategiProduct,        &kBoundaryLineProduct,
};

}  // namespace

std::span<const ProductDescriptor* const> ProductRegistry() { return kRegistry; }

}  // namespace quorvel
