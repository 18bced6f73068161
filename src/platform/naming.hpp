// The rules a system sets for file names, checked when a run is planned so
// that nothing is written under a name the system refuses or takes for
// another.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::platform {

enum class NameRules {
  Posix,    // any name but "/" and NUL; case counts
  Windows,  // case does not count; device names and a final dot or blank refused
};

// The characters that end a folder's name in a path: "/", and on Windows
// "\\" too.
#ifdef _WIN32
inline constexpr std::string_view kSeparators = "/\\";
#else
inline constexpr std::string_view kSeparators = "/";
#endif
inline std::size_t LastSeparator(std::string_view path) { return path.find_last_of(kSeparators); }
inline bool IsSeparator(char c) { return kSeparators.find(c) != std::string_view::npos; }
// A path that does not lean on the current folder: "/..."; on Windows also
// "\\...", a drive "C:..." and a UNC name.
inline bool IsAbsolute(std::string_view path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return true;
#endif
  return !path.empty() && IsSeparator(path.front());
}

// The rules of the system the program runs on.
constexpr NameRules SystemNameRules() {
#ifdef _WIN32
  return NameRules::Windows;
#else
  return NameRules::Posix;
#endif
}

// What is wrong with a file name (the last part of a path) under the rules.
enum class NameProblem {
  None,
  DeviceName,      // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with any extension
  EndsInDotOrBlank,
};
NameProblem ProblemOfName(std::string_view name, NameRules rules);

// `path` as the rules compare names: itself, or (Windows) folded to one
// case, so that two names of one file give one key.
std::string ComparedName(std::string_view path, NameRules rules);

}  // namespace quorvel::platform
