// Land-Form PROFILE DTM tiles (the grid layout is in panorama_dtm_gen.cpp).
#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

std::string GenerateLandformGrid(const Options& options, bool profile);

std::string GenerateProfileDtm(const Options& options) { return GenerateLandformGrid(options, true); }

}  // namespace ntfgen
