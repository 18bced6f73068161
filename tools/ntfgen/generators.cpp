#include "ntfgen/generators.hpp"

namespace ntfgen {

const std::vector<Generator>& Generators() {
  static const std::vector<Generator> all = {
      {"codepoint", GenerateCodePoint},
      {"landline", GenerateLandLine},
      {"meridian2", GenerateMeridian2},
      {"strategi", GenerateStrategi},
      {"boundaryline", GenerateBoundaryLine},
      {"oscar-asset", GenerateOscarAsset},
      {"oscar-traffic", GenerateOscarTraffic},
      {"panorama-dtm", GeneratePanoramaDtm},
      {"profile-dtm", GenerateProfileDtm},
      {"panorama-contours", GeneratePanoramaContours},
      {"profile-contours", GenerateProfileContours},
      {"meridian1", GenerateMeridian1},
      {"unknown", GenerateUnknown},
  };
  return all;
}

const Generator* FindGenerator(std::string_view product) {
  for (const Generator& g : Generators())
    if (g.product == product && IsAvailable(g)) return &g;
  return nullptr;
}

bool IsAvailable(const Generator& generator) {
  Options small;
  return !generator.generate(small).empty();
}

}  // namespace ntfgen
