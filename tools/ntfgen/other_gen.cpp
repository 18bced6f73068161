// Tiles of products that are recognised but not translated: Meridian 1
// (refused) and a database name no product has.
#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

std::string Minimal(const Options& options, std::string_view database) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers(database);
  w.SectionHeader("SK00", 1.0, 400000, 300000);
  for (int i = 1; i <= 5; ++i) {
    w.Record("15" + Num(i, 6) + Num(i, 6) + "01" + Num(i * 10, 7));
    w.Record("21" + Num(i, 6) + "1" + "0001" + Num(rng.Range(0, 9999), 5) + Num(rng.Range(0, 9999), 5) + " ");
  }
  w.End();
  return w.Take();
}

}  // namespace

std::string GenerateMeridian1(const Options& options) { return Minimal(options, "Meridian_01.95"); }
std::string GenerateUnknown(const Options& options) { return Minimal(options, "OS_LANDPLAN"); }

}  // namespace ntfgen
