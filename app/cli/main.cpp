// quorvel: translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.
#include <cstdio>
#include <unistd.h>

#include "cli_options.hpp"
#include "quorvel.hpp"
#include "terminal_observer.hpp"

int main(int argc, char** argv) {
  using namespace quorvel;
  cli::CommandLine cl = cli::ParseCommandLine(argc, argv);
  if (cl.done) {
    std::fputs(cl.output.c_str(), cl.exitCode == 0 ? stdout : stderr);
    return cl.exitCode;
  }
  const bool progress = !cl.quiet && ::isatty(STDERR_FILENO);
  cli::TerminalObserver observer(stderr, progress, cl.request.files.size());
  const RunResult result = Translate(cl.request, cl.settings, observer);
  return cli::ExitStatus(result);
}
