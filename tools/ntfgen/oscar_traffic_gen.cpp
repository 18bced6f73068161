// OSCAR Traffic-Manager tiles: the Asset-Manager layout under the
// Traffic-Manager database name, with comment records "90" among them.
#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

std::string GenerateOscarTile(const Options& options, std::string_view database, bool traffic);

std::string GenerateOscarTraffic(const Options& options) {
  return GenerateOscarTile(options, "OSCAR_TRAFFIC_MAN.01", true);
}

}  // namespace ntfgen
