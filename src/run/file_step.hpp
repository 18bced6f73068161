// The per-file step of a run: load the NTF file, recognise its product,
// head the layers of the output set it writes and hand the file to its
// translator.
#pragma once

#include <string>

#include "mif/output_set.hpp"
#include "ntf/record_list.hpp"
#include "ntf/tile_input.hpp"
#include "run/context.hpp"
#include "run/observer.hpp"
#include "run/settings.hpp"

namespace quorvel {

// What one file step works with. Each worker of a run has its own.
struct FileStep {
  const ProductRegistry& registry;
  const TranslationSettings& settings;
  RunObserver& observer;
  RunCounters& counters;
  NtfRecordList& records;
  bool runUsesTrueTypeSymbols;
  // The name of the product last recognised, shown in the status line.
  std::string& productNameShown;
  TileReader& reader;

  // Translates one tile into `out`; `bytes` is set to the tile's size.
  FileOutcome TranslateNtfFile(const TileInput& tile, OutputSet& out, std::uint64_t& bytes);

 private:
  bool LoadNtfFile(const TileInput& tile, const std::string& name, const std::string& spoolFolder,
                   std::uint64_t& bytes);
  // Opens and heads the layers the product writes; false (the tile is
  // skipped) when a layer already holds another product's header or cannot
  // be created.
  FileOutcome HeadLayers(const std::string& path, const ProductDescriptor& product, OutputSet& out);
};


}  // namespace quorvel
