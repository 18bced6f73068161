// quorvel: translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "cli_options.hpp"
#include "mif/output_file.hpp"
#include "quorvel.hpp"
#include "terminal_observer.hpp"

#ifdef QUORVEL_HAVE_PREVIEW
#include "preview/render.hpp"

// Fontconfig keeps a cache it never frees; under LeakSanitizer that is not
// this program's leak.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif
#endif

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

// Draws each set written into its picture; false when one could not be drawn.
bool WritePreviews(const quorvel::cli::CommandLine& cl, quorvel::RunObserver& observer) {
#ifdef QUORVEL_HAVE_PREVIEW
  using namespace quorvel;
  if (!preview::EnsureGuiApplication()) {
    observer.ShowFileMessage(MessageKind::Error, cl.preview, "no picture: the drawing library cannot start");
    return false;
  }
  const RunPlan plan = PlanRun(cl.request);
  const QSize size(cl.previewWidth, cl.previewHeight);
  bool ok = true;
  for (const PlannedSet& set : plan.sets) {
    std::string out = cl.preview;
    if (plan.sets.size() > 1) out = MemberPath(set.mifName, "", ".png");  // beside each set, named after it
    std::string error;
    if (!preview::WritePicture({set.mifName}, out, size.width() > 0 ? size : QSize(), error)) {
      observer.ShowMessage(MessageKind::Error, error);
      ok = false;
    }
  }
  return ok;
#else
  observer.ShowFileMessage(quorvel::MessageKind::Error, cl.preview, "no picture: this build has no preview");
  return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvel;
  cli::CommandLine cl = cli::ParseCommandLine(argc, argv);
  if (cl.done) {
    std::fputs(cl.output.c_str(), cl.exitCode == 0 ? stdout : stderr);
    return cl.exitCode;
  }
  InstallSignalHandlers();
  const bool progress = !cl.quiet && ::isatty(STDERR_FILENO);
  cli::TerminalObserver observer(stderr, progress, cl.overwrite, gSignal);
  const auto start = std::chrono::steady_clock::now();
  const RunResult result = Translate(cl.request, cl.settings, observer);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  int status = cli::ExitStatus(result);
  if (gSignal.load() != 0 || result.status == RunResult::Status::OutputFailed) {
    observer.ShowMessage(MessageKind::Error, "stopped; " + std::to_string(result.setsWritten) + " of " +
                                                 std::to_string(result.setsPlanned) + " output sets written");
    if (gSignal.load() != 0) status = 128 + gSignal.load();
  } else if (!cl.preview.empty() && result.setsWritten > 0 && !WritePreviews(cl, observer)) {
    status = std::max(status, 1);
  }
  if (!cl.quiet) std::fprintf(stderr, "quorvel: %s\n", cli::TerminalObserver::SummaryLine(result, seconds).c_str());
  return status;
}
