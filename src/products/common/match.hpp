// Database name tests used by the product descriptors.
#pragma once

#include <string_view>

namespace quorvel {

inline bool StartsWith(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && name.substr(0, prefix.size()) == prefix;
}

// All 20 characters, trailing blanks included.
inline bool WholeName(std::string_view name, std::string_view expected) { return name == expected; }

}  // namespace quorvel
