// One generator per product. Each returns the whole NTF text of a tile.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ntfgen {

enum class Size {
  Small,   // a few records that exercise the edge cases
  Medium,  // a few hundred features
  Full,    // a full-size tile
};

struct Options {
  Size size = Size::Small;
  std::uint64_t seed = 1;
  std::string lineEnd = "\r\n";
};

struct Generator {
  std::string_view product;  // the name the command takes, e.g. "codepoint"
  std::string (*generate)(const Options&);
};

const std::vector<Generator>& Generators();
const Generator* FindGenerator(std::string_view product);
// False while a product's generator is still to be written (it returns
// nothing).
bool IsAvailable(const Generator& generator);

std::string GenerateCodePoint(const Options& options);
std::string GenerateLandLine(const Options& options);
std::string GenerateMeridian2(const Options& options);
std::string GenerateStrategi(const Options& options);
std::string GenerateBoundaryLine(const Options& options);
std::string GenerateOscarAsset(const Options& options);
std::string GenerateOscarTraffic(const Options& options);
std::string GeneratePanoramaDtm(const Options& options);
std::string GenerateProfileDtm(const Options& options);
std::string GeneratePanoramaContours(const Options& options);
std::string GenerateProfileContours(const Options& options);
std::string GenerateMeridian1(const Options& options);
std::string GenerateUnknown(const Options& options);

}  // namespace ntfgen
