// quorvel: translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "cli_options.hpp"
#include "platform/process.hpp"
#include "quorvel.hpp"
#include "run/messages.hpp"
#include "terminal_observer.hpp"

namespace {

std::atomic<int> gSignal{0};

// The first stop request (a signal; on Windows Ctrl+C, Ctrl+Break or the
// console closing) asks the run to stop after its record and put nothing
// half-written in place; a second one removes the temporaries and ends the
// process at once.
void OnStopRequest(int request) {
  int none = 0;
  if (gSignal.compare_exchange_strong(none, request)) return;
  quorvel::RemoveTemporariesOnSignal();
  quorvel::platform::ExitNow(128 + request);
}

// quorvel-preview beside this program (installed), or in the build tree,
// or on the PATH.
std::string PreviewProgram() {
  using quorvel::platform::IsProgram;
#ifdef _WIN32
  const char* name = "quorvel-preview.exe";
#else
  const char* name = "quorvel-preview";
#endif
  const std::string folder = quorvel::platform::ProgramFolder();
  if (!folder.empty())
    for (const std::string& candidate : {folder + name, folder + "../preview/" + name})
      if (IsProgram(candidate)) return candidate;
  return name;
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
    const int status = platform::RunAndWait(args);
    if (status < 0) {
      ShowFileMessage(observer, MessageId::NoPictureProgram, out);
      return false;
    }
    ok = ok && status == 0;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvel;
  const std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
  std::vector<const char*> utf8;
  for (const std::string& a : arguments) utf8.push_back(a.c_str());
  platform::WriteStandardStreamsAsIs();
  const bool terminal = platform::PrepareTerminal(stderr);
  cli::CommandLine cl = cli::ParseCommandLine(static_cast<int>(utf8.size()), utf8.data());
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
  platform::InstallStopHandlers(OnStopRequest);
  KeepFreedTileMemory();
  const bool progress = !cl.quiet && terminal;
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
