// The command line of `quorvel`: parsing into a run request and settings.
#pragma once

#include <string>
#include <vector>

#include "run/run.hpp"
#include "run/settings.hpp"

namespace quorvel::cli {

struct CommandLine {
  RunRequest request;
  TranslationSettings settings;
  int jobs = 1;
  bool quiet = false;
  // Set when the parse ended the program (help, version or a usage error):
  // print `output` (to stdout for help and version, stderr otherwise) and
  // exit with `exitCode`.
  bool done = false;
  int exitCode = 0;
  std::string output;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// Land-Line entries named by number (1-58) or feature code; false with
// `error` set when an item names none or names entry 8.
bool ParseLandLineOff(const std::string& list, TranslationSettings& settings, std::string& error);
// Strategi layers as a list of numbers and ranges ("1,2,5", "1-3,7").
bool ParseStrategiLayers(const std::string& list, TranslationSettings& settings, std::string& error);

// The exit status of a run: 0 every file translated, 1 a file skipped or
// cut short, 3 an output set could not be created, written or closed.
int ExitStatus(const RunResult& result);

}  // namespace quorvel::cli
