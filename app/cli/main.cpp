// quorvel: translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include "cli_options.hpp"
#include "quorvel.hpp"
#include "run/messages.hpp"
#include "terminal_observer.hpp"

namespace {

std::atomic<int> gSignal{0};

// The first signal asks the run to stop after its record and put nothing
// half-written in place; a second one removes the temporaries and ends the
// process at once.
extern "C" void OnSignal(int signal) {
  int none = 0;
  if (gSignal.compare_exchange_strong(none, signal)) return;
  quorvel::RemoveTemporariesOnSignal();
  ::_exit(128 + signal);
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
  // A file-size limit is a write failure like a full disk, not a kill.
  ::signal(SIGXFSZ, SIG_IGN);
}

// quorvel-preview beside this program (installed), or in the build tree,
// or on the PATH.
std::string PreviewProgram() {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n > 0) {
    self.resize(static_cast<std::size_t>(n));
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    for (const std::string& candidate : {folder + "quorvel-preview", folder + "../preview/quorvel-preview"})
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "quorvel-preview";
}

// Draws each set the run wrote into its picture; false when one could not
// be drawn (quorvel-preview has said why).
bool WritePreviews(const quorvel::cli::CommandLine& cl, const quorvel::RunResult& result,
                   quorvel::RunObserver& observer) {
  using namespace quorvel;
  const std::string program = PreviewProgram();
  bool ok = true;
  for (const WrittenSet& set : result.sets) {
    if (std::none_of(set.members.begin(), set.members.end(), [](const SetMember& m) { return m.IsMif(); }))
      continue;  // nothing to draw
    // One set: the picture named; several: one beside each set, named after it.
    const std::string out = result.setsPlanned > 1 ? SetPicturePath(set.mifName) : cl.preview;
    std::vector<std::string> args = {program, set.mifName, "-o", out};
    if (!cl.previewSize.empty()) args.insert(args.end(), {"--size", cl.previewSize});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      ShowFileMessage(observer, MessageId::NoPictureProgram, out);
      return false;
    }
    ::waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvel;
  cli::CommandLine cl = cli::ParseCommandLine(argc, argv);
  if (cl.done) {
    std::fputs(cl.output.c_str(), cl.exitCode == 0 ? stdout : stderr);
    return cl.exitCode;
  }
  // --overwrite also replaces a set that appears while the run goes on.
  cl.request.replaceExisting = cl.overwrite;
  if (!cl.recover.empty()) {
    cli::TerminalObserver observer(stderr, false, false, gSignal);
    return RecoverOutputFolder(cl.recover, observer) ? 0 : 2;
  }
  InstallSignalHandlers();
  KeepFreedTileMemory();
  const bool progress = !cl.quiet && ::isatty(STDERR_FILENO);
  cli::TerminalObserver observer(stderr, progress, cl.overwrite, gSignal);
  const auto start = std::chrono::steady_clock::now();
  const RunResult result = Translate(cl.request, cl.settings, observer);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  int status = cli::ExitStatus(result);
  if (gSignal.load() != 0 || result.status == RunResult::Status::OutputFailed) {
    ShowMessage(observer, MessageId::RunStopped,
                {std::to_string(result.setsWritten), std::to_string(result.setsPlanned)});
    if (gSignal.load() != 0) status = 128 + gSignal.load();
  } else if (!cl.preview.empty() && result.setsWritten > 0 && !WritePreviews(cl, result, observer)) {
    status = std::max(status, 1);
  }
  if (!cl.quiet) std::fprintf(stderr, "quorvel: %s\n", cli::TerminalObserver::SummaryLine(result, seconds).c_str());
  return status;
}
