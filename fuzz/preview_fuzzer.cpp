// The MIF/MID reader behind the map preview, on any text: an input up to
// its first NUL byte is the MIF, the rest its MID (no NUL: no MID). It
// must fail with a message naming the file and a line within it, or give
// objects that hold together; never read past its input or allocate for a
// count it cannot back with text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "preview/mif_reader.hpp"

namespace {

using namespace quorvel::preview;

#define REQUIRE(cond)              \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

std::size_t Lines(std::string_view s) {
  std::size_t n = 1;
  for (char c : s) n += c == '\n';
  return n;
}

// The line number of a message "PATH: line N: reason".
std::size_t LineOf(const std::string& error, const std::string& path) {
  const std::string prefix = path + ": line ";
  REQUIRE(error.rfind(prefix, 0) == 0);
  std::size_t n = 0, k = prefix.size();
  REQUIRE(k < error.size() && error[k] >= '1' && error[k] <= '9');
  for (; k < error.size() && error[k] >= '0' && error[k] <= '9'; ++k) n = n * 10 + static_cast<std::size_t>(error[k] - '0');
  REQUIRE(error.compare(k, 2, ": ") == 0 && error.size() > k + 2);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view mif = input.substr(0, nul);
  const std::string_view mid = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
  const std::string midPath = nul == std::string_view::npos ? "" : "t.mid";

  PreviewLayer layer;
  std::string error;
  if (!ParseLayer(mif, mid, "t.mif", midPath, Layer::Main, layer, error)) {
    if (error.rfind("t.mif", 0) == 0) REQUIRE(LineOf(error, "t.mif") <= Lines(mif) + 1);
    else REQUIRE(LineOf(error, "t.mid") <= Lines(mid) + 1);
    REQUIRE(layer.objects.empty());
    return 0;
  }
  if (!midPath.empty()) REQUIRE(layer.rows.size() == layer.objects.size());
  else REQUIRE(layer.rows.empty());
  // Every coordinate was a number in the text.
  std::size_t numbers = 0;
  const std::size_t lines = Lines(mif);
  for (const MapObject& o : layer.objects) {
    REQUIRE(o.line >= 1 && static_cast<std::size_t>(o.line) <= lines);
    switch (o.kind) {
      case ObjectKind::None: REQUIRE(o.parts.empty() && o.extent.empty); break;
      case ObjectKind::Point: REQUIRE(o.parts.size() == 1 && o.parts[0].size() == 1); break;
      case ObjectKind::Line: REQUIRE(o.parts.size() == 1 && o.parts[0].size() == 2); break;
      case ObjectKind::Text: REQUIRE(o.boxMin.x <= o.boxMax.x && o.boxMin.y <= o.boxMax.y); numbers += 4; break;
      default: break;
    }
    for (const auto& part : o.parts) {
      numbers += 2 * part.size();
      for (const XY& p : part) REQUIRE(std::isfinite(p.x) && std::isfinite(p.y));
    }
    REQUIRE(o.pen.colour <= 0xFFFFFF && o.brush.foreground <= 0xFFFFFF && o.symbol.colour <= 0xFFFFFF);
    if (!o.extent.empty) REQUIRE(o.extent.minX <= o.extent.maxX && o.extent.minY <= o.extent.maxY);
  }
  REQUIRE(numbers <= mif.size());
  for (const std::string& row : layer.rows) {
    const auto fields = SplitRow(row, layer.delimiter);
    REQUIRE(!fields.empty());
    std::size_t total = 0;
    for (const auto& f : fields) total += f.size();
    REQUIRE(total <= row.size());
  }
  return 0;
}
