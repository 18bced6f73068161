// Land-Form PANORAMA DTM tiles.
#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

// Not written yet: returns nothing, so the command does not offer it.
std::string GeneratePanoramaDtm(const Options&) { return {}; }

}  // namespace ntfgen
