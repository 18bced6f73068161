// The Windows side of the shared helpers: scratch folders under the
// system's temporary folder, and programs started with CreateProcessW,
// their output read through pipes. No shell is involved: a command is a
// program and its arguments on one command line.
#ifdef _WIN32

#include <windows.h>

#include <random>
#include <thread>

#include "platform/windows_text.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {

ScratchDir::ScratchDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("quorvel-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string NoSuchFile() { return platform::SystemReason(ERROR_FILE_NOT_FOUND); }
std::string NoSuchFolder() { return platform::SystemReason(ERROR_PATH_NOT_FOUND); }

std::string Quote(const std::string& s) {
  std::string q = "\"";
  std::size_t slashes = 0;
  for (char c : s) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes are doubled only before a quote, which gets one more.
    q.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    q.push_back(c);
  }
  q.append(2 * slashes, '\\');
  return q + "\"";
}

namespace {

// Closes its handle when it goes.
struct Handle {
  HANDLE h = nullptr;
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  void Close() {
    if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    h = nullptr;
  }
};

// A pipe whose write end the child inherits; the read end stays here.
bool ChildOutputPipe(Handle& read, Handle& write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!::CreatePipe(&read.h, &write.h, &inherit, 0)) return false;
  return ::SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0) != 0;
}

void ReadAll(HANDLE from, std::string& into) {
  char buffer[65536];
  DWORD n = 0;
  while (::ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
}

// Starts `commandLine` in `folder` (the current one when empty) with the
// null device for its input; both outputs are read at once, so that
// neither pipe fills while the other is waited on.
CommandResult Run(const std::string& commandLine, const std::filesystem::path& folder) {
  CommandResult r;
  Handle outRead, outWrite, errRead, errWrite, in;
  if (!ChildOutputPipe(outRead, outWrite) || !ChildOutputPipe(errRead, errWrite)) return r;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  in.h = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.h;
  startup.hStdOutput = outWrite.h;
  startup.hStdError = errWrite.h;
  std::wstring line = platform::Wide(commandLine);
  const std::wstring where = folder.empty() ? std::wstring() : folder.wstring();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        where.empty() ? nullptr : where.c_str(), &startup, &process))
    return r;
  Handle child, thread;
  child.h = process.hProcess;
  thread.h = process.hThread;
  // Only the child holds the write ends now: its end closes the pipes.
  outWrite.Close();
  errWrite.Close();
  std::thread errReader([&] { ReadAll(errRead.h, r.err); });
  ReadAll(outRead.h, r.out);
  errReader.join();
  ::WaitForSingleObject(child.h, INFINITE);
  DWORD status = 0;
  if (::GetExitCodeProcess(child.h, &status)) r.exitCode = static_cast<int>(status);
  return r;
}

// The command as a program path for the command line: the system's own
// separators.
std::string Cli() {
  std::string cli = QUORVEL_CLI;
  for (char& c : cli)
    if (c == '/') c = '\\';
  return Quote(cli);
}

}  // namespace

CommandResult RunCommand(const std::string& command) { return Run(command, {}); }

CommandResult RunQuorvel(const std::string& arguments) { return Run(Cli() + " " + arguments, {}); }

CommandResult RunQuorvelIn(const std::filesystem::path& folder, const std::string& arguments) {
  return Run(Cli() + " " + arguments, folder);
}

}  // namespace quorvel::test

#endif
