#include "products/registry.hpp"

namespace quorvel {

namespace {

// In the order the recognition tests are made.
const ProductDescriptor* const kProducts[] = {
    &kCodePointProduct,    &kPanoramaDtmProduct,  &kPanoramaContourProduct, &kProfileDtmProduct,
    &kProfileContourProduct, &kMeridian1Product,  &kMeridian2Product,       &kOscarAssetProduct,
    &kOscarTrafficProduct, &kLandLineProduct,     &kStrategiProduct,        &kBoundaryLineProduct,
};

}  // namespace

const ProductRegistry& BuiltInProducts() {
  static const ProductRegistry registry(kProducts);
  return registry;
}

}  // namespace quorvel
