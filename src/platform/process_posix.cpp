#include "platform/process.hpp"

#include <cerrno>
#include <csignal>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void WriteStandardStreamsAsIs() {}

bool PrepareTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

namespace {

StopHandler gOnStop = nullptr;

extern "C" void OnSignal(int signal) {
  if (gOnStop) gOnStop(signal);
}

}  // namespace

void InstallStopHandlers(StopHandler onStop) {
  gOnStop = onStop;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
  ::signal(SIGXFSZ, SIG_IGN);
}

void ExitNow(int status) { ::_exit(status); }

void KillNow() {
  ::kill(::getpid(), SIGKILL);
  ::_exit(128 + SIGKILL);
}

std::string ProgramFolder() {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return {};
  self.resize(static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/') + 1);
}

bool IsProgram(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

int RunAndWait(const std::vector<std::string>& arguments) {
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void KeepFreedMemory() {
#if defined(__GLIBC__)
  // Blocks up to 32 MiB (glibc's largest mapping threshold; a larger tile
  // is mapped and unmapped as before) come from the heap, and the heap is
  // given back only when a quarter of a gigabyte lies free at its top.
  // Without this, glibc's threads give their arenas' free tops back at
  // every tile and fault them in again at the next.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace quorvel::platform
