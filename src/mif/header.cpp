#include "mif/header.hpp"

#include "mif/format.hpp"

namespace quorvel {

std::string RenderHeaderBlock(const HeaderStyle& style, const std::vector<std::string_view>& columns) {
  std::string out;
  auto line = [&out](std::string_view text) {
    out.append(text);
    out.append("\r\n");
  };
  line(style.version);
  if (!style.charset.empty()) line(style.charset);
  line(style.delimiter);
  line(kCoordSysLine);
  std::string count(style.columns);
  AppendInteger(count, static_cast<std::int64_t>(columns.size()));
  line(count);
  for (std::string_view c : columns) line(c);
  line(style.data);
  line("");
  return out;
}

}  // namespace quorvel
