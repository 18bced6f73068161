// The command line of `quorvel`: parsing into a run request and settings.
#pragma once

#include <string>
#include <vector>

#include "quorvel.hpp"

namespace quorvel::cli {

struct CommandLine {
  RunRequest request;
  TranslationSettings settings;
  bool quiet = false;
  bool overwrite = false;
  // After the run, a picture of the output (with separate tiles, one per
  // set, beside it); empty for none. Size 0: the default.
  std::string preview;
  std::string previewSize;  // WxH or the long side; empty: the default
  // A folder to recover instead of translating; empty for a run.
  std::string recover;
  // Set when the parse ended the program (help, version or a usage error):
  // print `output` (to stdout for help and version, stderr otherwise) and
  // exit with `exitCode`.
  bool done = false;
  int exitCode = 0;
  std::string output;
};

// Parses the arguments; the products' own options come from `products`.
CommandLine ParseCommandLine(int argc, const char* const* argv, const ProductRegistry& products = Products());

// The exit status of a run: 0 every file translated, 1 a file skipped or
// cut short, 2 nothing written because an output file is an input or
// belongs to two sets, 3 an output set could not be created, written or
// closed, or earlier output was not to be replaced.
int ExitStatus(const RunResult& result);

}  // namespace quorvel::cli
