// The per-file step of a run: load the NTF file, recognise its product,
// head the files of the output set and hand the file to its translator.
#pragma once

#include <string>

#include "mif/output_set.hpp"
#include "ntf/record_list.hpp"
#include "run/context.hpp"
#include "run/observer.hpp"
#include "run/settings.hpp"

namespace quorvel {

// What one file step works with. The run driver keeps one for a run; a
// worker translating tiles in parallel has its own.
struct FileStep {
  const TranslationSettings& settings;
  RunObserver& observer;
  RunCounters& counters;
  NTFRecordList& records;
  bool runUsesTrueTypeSymbols;
  // The name of the product last recognised, shown in the status line.
  std::string& productNameShown;

  FileOutcome TranslateNTFFile(const std::string& path, OutputSet& out);
  bool LoadNTFFile(const std::string& path);
};

// The NTF name without its last four characters, followed by ".mif".
std::string MifNameFor(const std::string& ntfPath);

}  // namespace quorvel
