// What the fuzz targets share: a scratch folder on a memory file system,
// forcing a product's database name into an input, settings picked from the
// input, whole runs through the library's entry and a check that every MIF
// written has as many objects as its MID has rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "quorvel.hpp"
#include "run/run.hpp"
#include "run/settings.hpp"

namespace quorvel::fuzz {

// A product a translation target forces: its key in the registry and the
// 20-character database name written into line index 1.
struct ForcedProduct {
  std::string_view key;
  std::string_view databaseName;
};

// The [start, end) byte offsets of line `index` of `text`, with the same
// line ends as the record list (CR LF, LF or CR). False when there is no
// such line.
bool FindLine(std::string_view text, std::size_t index, std::size_t& start, std::size_t& end);

// Replaces columns 3-22 of line index 1 with a database name of `family`:
// the name already there when it belongs to one of the family's products,
// otherwise the first product's. A line shorter than two characters is
// padded with blanks first. A text of one line is left as it is.
void ForceDatabaseName(std::string& text, std::span<const ForcedProduct> family);

// Settings chosen from a hash of line 0, which no translator reads: the text
// option, network extraction, symbols, Meridian 2 heights, some Land-Line
// features and Strategi layers off, and whether the tile is translated once
// or twice into one merged set.
struct FuzzRun {
  TranslationSettings settings;
  bool twiceMerged = false;
};
FuzzRun PickRun(std::string_view text);

// A folder of its own under /dev/shm (or $TMPDIR) for the input and the
// output set, emptied after every run and removed at exit.
class ScratchFolder {
 public:
  static ScratchFolder& Get();
  const std::string& path() const { return path_; }
  void Clear();

 private:
  ScratchFolder();
  ~ScratchFolder();
  std::string path_;
};

// Writes `text` as an NTF file, translates it (with `run`) into a set named
// out.mif in the scratch folder, checks the written pairs and empties the
// folder. Aborts when a check fails.
RunResult TranslateText(std::string_view text, const FuzzRun& run);

// Aborts unless every MIF in `folder` has as many objects after its "Data"
// line as the MID beside it has lines.
void CheckPairs(const std::string& folder);

}  // namespace quorvel::fuzz
