// The file system on Windows: wide-character calls on UTF-8 paths, locks
// that are files opened for no one else (deleted when closed), renames
// written through to the disk.
#include "platform/file_system.hpp"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

#include "platform/windows_text.hpp"

namespace quorvel::platform {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const wchar_t* text, int length) {
  if (!text || length == 0) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  if (length < 0 && !out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Wide(path.empty() ? std::string(".") : path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string SystemReason(DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_USER_MAPPED_FILE)
    return "in use by another program";
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = n > 0 ? Utf8(text, static_cast<int>(n)) : "system error " + std::to_string(code);
  if (text) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' ||
                             reason.back() == '.'))
    reason.pop_back();
  return reason;
}

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Held(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

void Describe(const BY_HANDLE_FILE_INFORMATION& info, FileStatus& status) {
  const DWORD a = info.dwFileAttributes;
  status.kind = (a & FILE_ATTRIBUTE_DIRECTORY)   ? FileStatus::Kind::Folder
                : (a & FILE_ATTRIBUTE_DEVICE)    ? FileStatus::Kind::Other
                                                 : FileStatus::Kind::Regular;
  status.size = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
  status.device = info.dwVolumeSerialNumber;
  status.number = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
}

// Opens `path` to read its status or data; folders too (backup semantics).
HANDLE OpenExisting(const std::string& path, DWORD access) {
  return ::CreateFileW(WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

// The lock is the file opened for no one else and deleted when closed:
// another run's open fails with a sharing violation until the holder closes
// it (or the system does, ending the holder), and no file is left behind.
bool FileLock::Acquire(const std::string& path, std::string& error) {
  Release();
  const std::wstring wide = WidePath(path);
  for (int wait = 1;; wait = std::min(wait * 2, 100)) {
    const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = Held(h);
      path_ = path;
      return true;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) {
      error = SystemReason(code);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
  }
}

void FileLock::Release() {
  if (handle_ == -1) return;
  ::CloseHandle(Handle(handle_));  // deletes the file, and lets the next run in
  handle_ = -1;
  path_.clear();
}

bool ReplaceName(const std::string& from, const std::string& to, std::string& error) {
  const std::wstring target = WidePath(to);
  if (::MoveFileExW(WidePath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DWORD code = ::GetLastError();
  if (code == ERROR_ACCESS_DENIED) {
    // Refused for a file another program holds open (MapInfo keeps its
    // tables open) as for one we may not write: the first says so.
    const HANDLE h = ::CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) code = ERROR_SHARING_VIOLATION;
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  error = SystemReason(code);
  return false;
}

// A rename written through is on the disk when it returns: a folder has
// nothing more to sync.
bool SyncFolder(const std::string& /*folder*/) { return true; }

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const std::wstring pattern = WidePath(folder) + L"\\*";
  const HANDLE h = ::FindFirstFileW(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(h, &found));
  ::FindClose(h);
  return names;
}

bool RegularFileSize(const std::string& path, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  const DWORD notRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  if (data.dwFileAttributes & notRegular) return false;
  size = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
  return true;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(WidePath(path).c_str()) != 0; }

bool MayExist(const std::string& path) {
  if (::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD code = ::GetLastError();
  return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND;
}

bool StatusOf(const std::string& path, FileStatus& status, std::string* error) {
  const HANDLE h = OpenExisting(path, FILE_READ_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info);
  if (!ok && error) *error = SystemReason(::GetLastError());
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (ok) Describe(info, status);
  return ok;
}

bool File::OpenToRead(const std::string& path, std::string& error) {
  Close();
  const HANDLE h = OpenExisting(path, GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE) error = SystemReason(::GetLastError());
  handle_ = Held(h);
  return IsOpen();
}

bool File::CreateScratch(const std::string& folder, std::string& error) {
  Close();
  static std::atomic<unsigned> serial{0};
  const std::string name = (folder.empty() ? std::string(".") : folder) + "\\.quorvel-scratch-" +
                           std::to_string(RunToken()) + "-" + std::to_string(serial++);
  const HANDLE h = ::CreateFileW(WidePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                 nullptr);
  if (h == INVALID_HANDLE_VALUE) error = SystemReason(::GetLastError());
  handle_ = Held(h);
  return IsOpen();
}

// A temporary is shared for deleting, so that this run's own rename can
// move it while it is open; another run's clean-up opens it for no one else
// (RemoveIfUnheld), which fails while this run holds it.
bool File::CreateNew(const std::string& path, std::string& error, bool& exists) {
  Close();
  const HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD code = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
  exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
  if (code != 0) error = SystemReason(code);
  handle_ = Held(h);
  return IsOpen();
}

bool File::OpenToWrite(const std::string& path, std::string& error) {
  Close();
  const HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) error = SystemReason(::GetLastError());
  handle_ = Held(h);
  return IsOpen();
}

// A new file takes its folder's permissions, as the one it replaces did.
void File::CopyPermissionsOf(const std::string& /*path*/) {}

void File::StartWriting(std::uint64_t /*offset*/, std::uint64_t /*length*/) {}

bool File::Sync(std::string& error) {
  if (::FlushFileBuffers(Handle(handle_))) return true;
  error = SystemReason(::GetLastError());
  return false;
}

bool File::ConfirmWritten(std::string& error) { return Sync(error); }

bool File::CloseChecked(std::string& error) {
  if (handle_ == kClosed) return true;
  const bool ok = ::CloseHandle(Handle(std::exchange(handle_, kClosed))) != 0;
  if (!ok) error = SystemReason(::GetLastError());
  return ok;
}

bool RemoveIfUnheld(const std::string& path, std::uint64_t& size) {
  const HANDLE h = ::CreateFileW(WidePath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER n{};
  ::GetFileSizeEx(h, &n);
  size = static_cast<std::uint64_t>(n.QuadPart);
  return ::CloseHandle(h) != 0;
}

// Links are rare on Windows and need rights to make: a name is its file.
std::string FinalTarget(const std::string& path) { return path; }

bool File::Append(const char* data, std::size_t size, std::string& error) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(Handle(handle_), data, chunk, &written, nullptr) || written == 0) {
      error = SystemReason(::GetLastError());
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

std::int64_t File::Read(char* into, std::size_t size, std::string& error) {
  DWORD got = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (::ReadFile(Handle(handle_), into, chunk, &got, nullptr)) return got;
  const DWORD code = ::GetLastError();
  if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
  error = SystemReason(code);
  return -1;
}

std::int64_t File::ReadAt(std::uint64_t offset, char* into, std::size_t size, std::string& error) const {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (::ReadFile(Handle(handle_), into, chunk, &got, &at)) return got;
  const DWORD code = ::GetLastError();
  if (code == ERROR_HANDLE_EOF) return 0;
  error = SystemReason(code);
  return -1;
}

bool File::Status(FileStatus& status) const {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(Handle(handle_), &info)) return false;
  Describe(info, status);
  if (status.kind == FileStatus::Kind::Regular && ::GetFileType(Handle(handle_)) != FILE_TYPE_DISK)
    status.kind = FileStatus::Kind::Other;
  return true;
}

bool File::Size(std::uint64_t& size) const {
  LARGE_INTEGER n;
  if (!::GetFileSizeEx(Handle(handle_), &n)) return false;
  size = static_cast<std::uint64_t>(n.QuadPart);
  return true;
}

void File::Close() {
  if (handle_ != kClosed) ::CloseHandle(Handle(handle_));
  handle_ = kClosed;
}

void* LoadLibraryNamed(const std::vector<const char*>& names, std::string& error) {
  DWORD code = ERROR_MOD_NOT_FOUND;
  for (const char* name : names) {
    if (HMODULE module = ::LoadLibraryW(Wide(name).c_str())) return reinterpret_cast<void*>(module);
    code = ::GetLastError();
  }
  error = SystemReason(code);
  return nullptr;
}

void* LibrarySymbol(void* library, const char* symbol) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), symbol));
}

std::uint64_t RunToken() {
  static const std::uint64_t token = [] {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (static_cast<std::uint64_t>(device()) << 32 ^ device() ^ now ^
            static_cast<std::uint64_t>(::GetCurrentProcessId()) << 20);
  }();
  return token;
}

// Syncing a whole volume needs an administrator: each file is synced on
// its own instead.
bool SyncFileSystems(const std::vector<std::string>& /*folders*/) { return false; }

}  // namespace quorvel::platform
