// Every product the translator recognises, one descriptor each, defined in
// the product's own folder.
#pragma once

#include "run/product.hpp"

namespace quorvel {

extern const ProductDescriptor kCodePointProduct;
extern const ProductDescriptor kPanoramaDtmProduct;
extern const ProductDescriptor kPanoramaContourProduct;
extern const ProductDescriptor kProfileDtmProduct;
extern const ProductDescriptor kProfileContourProduct;
extern const ProductDescriptor kMeridian1Product;
extern const ProductDescriptor kMeridian2Product;
extern const ProductDescriptor kOscarAssetProduct;
extern const ProductDescriptor kOscarTrafficProduct;
extern const ProductDescriptor kLandLineProduct;
extern const ProductDescriptor kStrategiProduct;
extern const ProductDescriptor kBoundaryLineProduct;

// Every product above, in recognition order.
const ProductRegistry& BuiltInProducts();

}  // namespace quorvel
