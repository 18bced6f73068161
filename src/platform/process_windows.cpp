// The command's surroundings on Windows: the wide command line, the
// console (UTF-8, virtual terminal sequences where it has them), console
// control events as stop requests, CreateProcessW.
#include "platform/process.hpp"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "platform/windows_text.hpp"

namespace quorvel::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < n; ++i) arguments.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void WriteStandardStreamsAsIs() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool PrepareTerminal(std::FILE* stream) {
  ::SetConsoleOutputCP(CP_UTF8);
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  if (h == INVALID_HANDLE_VALUE || !::GetConsoleMode(h, &mode)) return false;
  // The bar redraws its line with control sequences: only where the
  // console takes them (Windows 10 and later), otherwise no bar.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

namespace {

StopHandler gOnStop = nullptr;

// Runs on a thread of its own. Ctrl+C and Ctrl+Break ask the run to stop
// (a second one ends it at once). When the console closes, the system ends
// the process a few seconds after this returns: the run is asked to stop,
// given the time to put nothing half-written in place, and then ended with
// its temporaries removed, by the second request.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (!gOnStop) return FALSE;
  switch (event) {
    case CTRL_C_EVENT: gOnStop(kStopInterrupt); return TRUE;
    case CTRL_BREAK_EVENT: gOnStop(kStopQuit); return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      gOnStop(kStopHangUp);
      ::Sleep(4000);
      gOnStop(kStopHangUp);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

void InstallStopHandlers(StopHandler onStop) {
  gOnStop = onStop;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ExitNow(int status) { ::ExitProcess(static_cast<UINT>(status)); }

void KillNow() {
  ::TerminateProcess(::GetCurrentProcess(), 137);
  ::ExitProcess(137);
}

std::string ProgramFolder() {
  std::wstring self(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (n == 0 || n >= self.size()) return {};
  const std::string path = Utf8(self.c_str(), static_cast<int>(n));
  return path.substr(0, path.find_last_of("\\/") + 1);
}

bool IsProgram(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(WidePath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring q = L"\"";
  std::size_t slashes = 0;
  for (wchar_t c : a) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    q.push_back(c);
  }
  q.append(2 * slashes, L'\\');
  return q + L"\"";
}

}  // namespace

int RunAndWait(const std::vector<std::string>& arguments) {
  std::wstring line;
  for (const std::string& a : arguments) line += (line.empty() ? L"" : L" ") + Quoted(Wide(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

void KeepFreedMemory() {}

}  // namespace quorvel::platform
