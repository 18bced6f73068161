// Land-Form height grid tiles, PANORAMA and PROFILE: a grid header record
// "50", then one record "51" per grid column (south to north) with its
// heights at fixed columns of fixed lines.
//
//   PANORAMA: 401 x 401 nodes, 50 m apart, heights of 4 characters. The "51"
//   line holds no heights, the line after it the count; then 21 lines of 19
//   heights and a last line of 2.
//   PROFILE: 501 x 501 nodes, 10 m apart, heights of 5 characters: 12 on the
//   "51" line, then 32 lines of 15 and a last line of 9.
#include <algorithm>
#include <string>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

std::string SectionHeaderRecord(std::string_view sectionRef, int coordWidth, std::int64_t xyMultiplier, int zWidth,
                                std::int64_t zMultiplier, std::int64_t xOrigin, std::int64_t yOrigin,
                                std::int64_t extent, std::string_view surveyDate);

namespace {

struct Grid {
  bool profile;
  int size;             // nodes per column and columns per tile
  std::int64_t spacing;  // metres
  std::size_t width;    // characters per height
};

// Smooth terrain: each column starts near its neighbour's start and walks
// north in small steps.
class Terrain {
 public:
  Terrain(Rng& rng, std::int64_t low, std::int64_t high, std::int64_t step)
      : rng_(rng), low_(low), high_(high), step_(step), start_((low + high) / 2) {}

  std::vector<std::int64_t> Column(int rows) {
    start_ = std::clamp(start_ + rng_.Range(-step_, step_), low_, high_);
    std::vector<std::int64_t> h(static_cast<std::size_t>(rows));
    std::int64_t v = start_;
    std::int64_t slope = 0;
    for (auto& x : h) {
      slope = std::clamp<std::int64_t>(slope + rng_.Range(-1, 1), -step_, step_);
      v = std::clamp(v + slope, low_, high_);
      if (v == low_ || v == high_) slope = -slope;
      x = v;
    }
    return h;
  }

 private:
  Rng& rng_;
  std::int64_t low_, high_, step_, start_;
};

void WriteColumn(NtfWriter& w, const Grid& g, int column, std::int64_t easting, std::int64_t northing,
                 const std::vector<std::string>& heights) {
  auto take = [&](std::size_t from, std::size_t count) {
    std::string s;
    for (std::size_t i = from; i < from + count; ++i) s += heights[i];
    return s;
  };
  const std::string id = "51" + Num(column + 1, 6) + Num(column + 1, 4);
  if (!g.profile) {
    w.Raw(id + Num(easting, 10) + Num(northing, 10) + Num(0, 10) + "5" + Num(0, 20) + Num(1, 10) + "00000" + "1%");
    w.Raw("00" + Num(g.size, 5) + "1%");
    for (std::size_t line = 0; line < 21; ++line) w.Raw("00" + take(line * 19, 19) + "1%");
    w.Raw("00" + take(399, 2) + "0%");
  } else {
    w.Raw(id + Num(g.size, 6) + take(0, 12) + "1%");
    for (std::size_t line = 0; line < 32; ++line) w.Raw("00" + take(12 + line * 15, 15) + "1%");
    w.Raw("00" + take(492, 9) + "0%");
  }
}

}  // namespace

std::string GenerateLandformGrid(const Options& options, bool profile) {
  const Grid g = profile ? Grid{true, 501, 10, 5} : Grid{false, 401, 50, 4};
  const std::int64_t xOrigin = profile ? 455000 : 420000;
  const std::int64_t yOrigin = profile ? 325000 : 300000;
  int columns = g.size;
  if (options.size == Size::Small) columns = profile ? 2 : 3;
  else if (options.size == Size::Medium) columns = profile ? 50 : 60;

  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers(profile ? "L-F_PROFILE_DTM" : "OS_LANDRANGER_DTM");
  w.Record(SectionHeaderRecord(profile ? "SK52NE" : "SK20", 10, 1000, 0, 1000, xOrigin, yOrigin,
                               g.spacing * (g.size - 1), "19990401"));
  // The grid header: the columns this tile holds, the nodes per column and
  // the spacing.
  if (profile)
    w.Raw("50" + Num(1, 6) + Num(0, 4) + Num(0, 5) + Num(0, 5) + Num(columns, 8) + Num(g.size, 8) + Num(g.spacing, 4) +
          Num(g.spacing, 4) + "0%");
  else
    w.Raw("50" + Num(1, 6) + Num(0, 4) + Num(columns, 4) + Num(g.size, 4) + Num(g.spacing, 4) + Num(xOrigin, 10) +
          Num(yOrigin, 10) + Num(0, 14) + "0%");

  Terrain terrain(rng, profile ? 500 : 20, profile ? 9000 : 900, profile ? 6 : 2);
  std::vector<std::string> heights(static_cast<std::size_t>(g.size));
  for (int c = 0; c < columns; ++c) {
    const std::vector<std::int64_t> h = terrain.Column(g.size);
    for (std::size_t r = 0; r < heights.size(); ++r) heights[r] = Num(h[r], g.width);
    if (options.size == Size::Small && c == columns - 1) {
      // Heights written as they stand: a leading blank and a leading zero.
      if (profile) heights[5] = "01234";
      else heights[5] = " 123";
    }
    WriteColumn(w, g, c, xOrigin + g.spacing * c, yOrigin, heights);
  }
  // In a small tile the grid ends early: "99" where the next "51" would be.
  w.End();
  return w.Take();
}

std::string GeneratePanoramaDtm(const Options& options) { return GenerateLandformGrid(options, false); }

}  // namespace ntfgen
