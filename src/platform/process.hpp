// What the command needs of the system around it, in one place for every
// system it runs on: its arguments, the terminal, stop requests, other
// programs, the allocator.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quorvel::platform {

// The program's arguments in UTF-8: as given on POSIX; on Windows read
// again from the wide command line, so that any name survives.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and error written byte for byte: on Windows a C
// runtime's text mode would turn every line end into CR LF, and the
// command's output is the same bytes everywhere.
void WriteStandardStreamsAsIs();

// Readies `stream` for messages (UTF-8 on a Windows console); true when it
// is a terminal that takes the progress bar's control sequences.
bool PrepareTerminal(std::FILE* stream);

// The ways a user stops a run, each with the status the command ends with
// (128 and the number, as a shell reports a signal).
enum StopRequest : int {
  kStopHangUp = 1,     // SIGHUP; on Windows the console closed, logoff, shutdown
  kStopInterrupt = 2,  // SIGINT, Ctrl+C
  kStopQuit = 3,       // Ctrl+Break (Windows)
  kStopTerminate = 15  // SIGTERM
};
// Calls `onStop` for every stop request; the handler may run on a thread
// of its own (Windows) or as a signal handler (POSIX): it must only set a
// flag, or remove files and end the process (ExitNow). A file-size limit
// (SIGXFSZ) is made a write failure, not a kill.
using StopHandler = void (*)(int request);
void InstallStopHandlers(StopHandler onStop);
// Ends the process at once with `status`, nothing flushed.
[[noreturn]] void ExitNow(int status);
// Kills the process as the system kills it (SIGKILL), for fault tests.
[[noreturn]] void KillNow();

// The folder of the running program, with its final separator; empty when
// the system cannot tell.
std::string ProgramFolder();
bool IsProgram(const std::string& path);
// Runs `arguments` (the first found on the PATH when it names no folder)
// and waits for it: its exit status, or -1 when it could not be started.
int RunAndWait(const std::vector<std::string>& arguments);

// Freed blocks of up to 32 MiB are kept for the next tile rather than given
// back to the system and faulted in again (glibc; elsewhere nothing).
void KeepFreedMemory();

}  // namespace quorvel::platform
