#include "platform/naming.hpp"

#include <array>

#ifdef _WIN32
#include <windows.h>

#include "platform/windows_text.hpp"
#endif

namespace quorvel::platform {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace

NameProblem ProblemOfName(std::string_view name, NameRules rules) {
  if (rules != NameRules::Windows || name.empty() || name == "." || name == "..") return NameProblem::None;
  if (name.back() == '.' || name.back() == ' ') return NameProblem::EndsInDotOrBlank;
  // The device names are reserved whatever follows the first dot, and
  // with blanks before it.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL"})
    if (SameNoCase(stem, device)) return NameProblem::DeviceName;
  if (stem.size() == 4 && (SameNoCase(stem.substr(0, 3), "COM") || SameNoCase(stem.substr(0, 3), "LPT")) &&
      stem[3] >= '1' && stem[3] <= '9')
    return NameProblem::DeviceName;
  return NameProblem::None;
}

std::string ComparedName(std::string_view path, NameRules rules) {
  std::string key(path);
  if (rules != NameRules::Windows) return key;
  for (char& c : key)
    if (c == '\\') c = '/';
#ifdef _WIN32
  // The system's own table folds every script, as NTFS compares names.
  std::wstring wide = Wide(key);
  ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Utf8(wide.c_str(), static_cast<int>(wide.size()));
#else
  for (char& c : key) c = Upper(c);
  return key;
#endif
}

}  // namespace quorvel::platform
