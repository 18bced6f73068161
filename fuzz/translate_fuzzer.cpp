// A whole translation of the input as an NTF file, with the database name of
// one product family forced into line index 1 so that the input reaches that
// family's translator. Built once per family (QUORVEL_FUZZ_FAMILY).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"

#ifndef QUORVEL_FUZZ_FAMILY
#error "QUORVEL_FUZZ_FAMILY names the product family to force"
#endif

namespace {

using quorvel::fuzz::ForcedProduct;

constexpr ForcedProduct kCodePoint[] = {{"codepoint", "CODE_POINT_1999.01  "}};
constexpr ForcedProduct kLandLine[] = {{"landline", "LAND-LINE.93        "}};
constexpr ForcedProduct kMeridian[] = {{"meridian2", "Meridian_02.01      "}};
constexpr ForcedProduct kStrategi[] = {{"strategi", "Strategi_02.96      "}};
constexpr ForcedProduct kBoundaryLine[] = {{"boundaryline", "Boundary-Line       "}};
constexpr ForcedProduct kOscar[] = {{"oscar-asset", "OSCAR_ASSET_MAN.01  "},
                                    {"oscar-traffic", "OSCAR_TRAFFIC_MAN.01"}};
constexpr ForcedProduct kLandForm[] = {{"panorama-dtm", "OS_LANDRANGER_DTM   "},
                                       {"panorama-contours", "OS_LANDRANGER_CONT  "},
                                       {"profile-dtm", "L-F_PROFILE_DTM     "},
                                       {"profile-contours", "L-F_PROFILE_CON     "}};

constexpr std::string_view kFamilyName = QUORVEL_FUZZ_FAMILY;

std::span<const ForcedProduct> Family() {
  if (kFamilyName == "codepoint") return kCodePoint;
  if (kFamilyName == "landline") return kLandLine;
  if (kFamilyName == "meridian") return kMeridian;
  if (kFamilyName == "strategi") return kStrategi;
  if (kFamilyName == "boundaryline") return kBoundaryLine;
  if (kFamilyName == "oscar") return kOscar;
  if (kFamilyName == "landform") return kLandForm;
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  quorvel::fuzz::ForceDatabaseName(text, Family());
  quorvel::fuzz::TranslateText(text, quorvel::fuzz::PickRun(text));
  return 0;
}
