// Windows only: paths and texts between the program's UTF-8 and the wide
// (UTF-16) characters of the system's calls, and the system's reasons.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>

namespace quorvel::platform {

std::wstring Wide(const std::string& text);
std::string Utf8(const wchar_t* text, int length = -1);

// A path for the wide calls: `\` for `/`, and, where it is long (260
// characters and more), made whole and given the "\\?\" (or "\\?\UNC\")
// prefix that lifts the limit. Messages keep the path as the user gave it.
std::wstring WidePath(const std::string& path);

// The system's words for `code` (GetLastError), in UTF-8, without the
// final full stop and line end, so that they read as strerror's do. The
// codes of a file held open by another program say so plainly.
std::string SystemReason(DWORD code);

}  // namespace quorvel::platform

#endif
