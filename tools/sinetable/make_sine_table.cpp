// Writes the sines and cosines of every whole tenth of a degree below 360,
// as this machine's C library gives them for long doubles, as a C++
// initializer list: one {radians, sine, cosine} per tenth, the radians
// being the degrees (tenths / 10) times kRadiansPerDegree, all three as
// hexadecimal floating literals, which read back bit for bit. Run at build
// time; the text placement includes the list.
//
//   quorvel-sine-table OUTPUT
#include <cmath>
#include <cstdio>
#include <string>

#include "products/common/text_placement.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quorvel-sine-table OUTPUT\n");
    return 2;
  }
  // Written beside its place and renamed: a failed run leaves no short list.
  const std::string temporary = std::string(argv[1]) + ".tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) {
    std::perror(temporary.c_str());
    return 1;
  }
  std::fprintf(out, "// Made at build time by quorvel-sine-table: {radians, sine, cosine} per tenth of a degree.\n");
  for (int tenths = 0; tenths < 3600; ++tenths) {
    const long double degrees = static_cast<long double>(tenths) / 10;
    const long double theta = degrees * quorvel::kRadiansPerDegree;
    const long double s = tenths == 0 ? theta : std::sin(theta);
    const long double c = tenths == 0 ? 1.0L : std::cos(theta);
    std::fprintf(out, "{%LaL, %LaL, %LaL},\n", theta, s, c);
  }
  if (std::ferror(out) != 0 || std::fclose(out) != 0 || std::rename(temporary.c_str(), argv[1]) != 0) {
    std::perror(argv[1]);
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
