// The MIF header block: version, character set, delimiter, coordinate
// system, columns and data line, then an empty line.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// British National Grid in metres; the same line heads every MIF file.
inline constexpr std::string_view kCoordSysLine =
    "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000 "
    "Bounds (-7845061.1011, -15524202.1641) (8645061.1011, 4470074.53373)";

struct HeaderStyle {
  std::string_view version;    // "Version 300" or "VERSION 300"
  std::string_view charset;    // "Charset \"WindowsLatin1\""; empty for none
  std::string_view delimiter;  // "Delimiter \",\"" or "DELIMITER \",\" "
  std::string_view columns;    // "Columns " or "COLUMNS "
  std::string_view data;       // "Data" or "DATA"
};

inline constexpr HeaderStyle kMixedCaseHeader{"Version 300", "Charset \"WindowsLatin1\"",
                                              "Delimiter \",\"", "Columns ", "Data"};

// The whole block as text, each line ended by CR LF, the last one empty.
std::string RenderHeaderBlock(const HeaderStyle& style, const std::vector<std::string_view>& columns);

}  // namespace quorvel
