// Archives of tiles: any bytes, written to a file named after what they look
// like (.zip, .gz or .tar), are listed and every tile found is read twice,
// last to first and then first to last, through one reader. Nothing may
// crash, leak or hang; a member read whole twice gives the same bytes both
// times, and a tile's bytes either load as a record list or are refused
// with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "ntf/record_list.hpp"
#include "ntf/tile_input.hpp"

namespace {

#define REQUIRE(cond)              \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

const char* ExtensionFor(const std::uint8_t* data, std::size_t size) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') return ".zip";
  if (size >= 2 && data[0] == 0x1f && data[1] == 0x8b) return ".gz";
  return ".tar";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::Get();
  const std::string path = scratch.path() + "/in" + ExtensionFor(data, size);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  REQUIRE(f);
  REQUIRE(std::fwrite(data, 1, size, f) == size);
  std::fclose(f);

  std::vector<InputProblem> problems;
  const std::vector<TileInput> tiles = ExpandInputs({path}, problems);
  for (const InputProblem& p : problems)
    REQUIRE(p.error.fault != InputError::Fault::None && p.name.rfind(path, 0) == 0);

  // Members are bounded so that a small input cannot decompress into
  // gigabytes.
  TileReader reader(16u << 20);
  std::vector<std::string> first(tiles.size());
  std::vector<bool> read(tiles.size(), false);
  for (std::size_t k = tiles.size(); k-- > 0;) {
    const TileInput& tile = tiles[k];
    REQUIRE(tile.InArchive() && tile.path == path);
    InputError error;
    read[k] = reader.Read(tile, first[k], error);
    REQUIRE(read[k] || error.fault != InputError::Fault::None);
  }
  for (std::size_t k = 0; k < tiles.size(); ++k) {
    std::string bytes;
    InputError error;
    if (reader.Read(tiles[k], bytes, error)) {
      if (read[k]) REQUIRE(bytes == first[k]);
      NtfRecordList list;
      InputError why;
      if (!list.LoadText(std::move(bytes), &why)) REQUIRE(why.fault == InputError::Fault::TooFewLines);
    } else {
      REQUIRE(error.fault != InputError::Fault::None);
    }
  }
  scratch.Clear();
  return 0;
}
