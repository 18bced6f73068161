// Land-Form PANORAMA contour tiles: per feature a point record "15" (spot
// height) or a line record "23" (contour and other height lines) holding the
// height at columns 11-16 and the feature code at 17-20, followed by its
// geometry record "21" of ten-character integer offsets from the origin.
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

using Points = std::vector<std::pair<std::int64_t, std::int64_t>>;

struct Panorama {
  NtfWriter& w;
  std::int64_t feature = 0;
  std::int64_t geometry = 0;

  static std::string Feature(std::string_view id, std::int64_t number, std::int64_t height, std::string_view fcode) {
    return std::string(id) + Num(number, 6) + "HT" + Num(height, 6) + std::string(fcode);
  }
  std::string Geometry(char type, const Points& points) {
    std::string s = "21" + Num(++geometry, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4);
    for (const auto& [x, y] : points) s += Num(x, 10) + Num(y, 10) + " ";
    return s;
  }
  void Spot(std::int64_t x, std::int64_t y, std::int64_t height, std::string_view fcode = "0200") {
    w.Record(Feature("15", ++feature, height, fcode));
    w.Record(Geometry('1', {{x, y}}));
  }
  void Line(const Points& points, std::int64_t height, std::string_view fcode = "0201") {
    w.Record(Feature("23", ++feature, height, fcode));
    w.Record(Geometry('2', points));
  }
};

// A closed-ish contour ring around (cx, cy), in whole metres.
Points Ring(Rng& rng, std::int64_t cx, std::int64_t cy, std::int64_t radius, int vertices, std::int64_t extent) {
  Points p;
  for (int i = 0; i < vertices; ++i) {
    // A polygon approximation built from integer steps: deterministic on
    // every machine.
    static constexpr int kCos[8] = {100, 71, 0, -71, -100, -71, 0, 71};
    static constexpr int kSin[8] = {0, 71, 100, 71, 0, -71, -100, -71};
    const int k = i % 8;
    const std::int64_t r = radius + rng.Range(-radius / 8, radius / 8) + (i / 8) * 3;
    p.push_back({std::clamp<std::int64_t>(cx + r * kCos[k] / 100, 0, extent),
                 std::clamp<std::int64_t>(cy + r * kSin[k] / 100, 0, extent)});
  }
  return p;
}

}  // namespace

std::string GeneratePanoramaContours(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  constexpr std::int64_t kExtent = 20000;
  w.Headers("OS_LANDRANGER_CONT");
  w.Record(SectionHeaderRecord("SK20", 10, 1000, 0, 1000, 420000, 300000, kExtent, "19990401"));
  Panorama p{w};

  if (options.size == Size::Small) {
    // A spot height before the first contour; its height 000125 is 125.
    p.Spot(5413, 2436, 125);
    p.Line({{6413, 3436}, {6913, 4036}, {7413, 3836}, {8013, 4336}, {8513, 3936}}, 120);
    // A contour whose records are cut inside fields.
    w.RecordCutAt(Panorama::Feature("23", ++p.feature, 130, "0202"), {12});
    w.RecordCutAt(p.Geometry('2', {{9413, 6436}, {10013, 6836}, {10613, 6536}, {9413, 6436}}), {30, 61});
    // A code missing from the style table keeps the previous pen.
    p.Line({{11413, 2436}, {11513, 2936}}, 140, "0299");
    // Spot heights of other codes, and one at the origin.
    p.Spot(12413, 9436, 251, "1372");
    p.Spot(0, 0, 7, "0027");
    // A line of one vertex: written with the vertex twice.
    p.Line({{13413, 10436}}, 150, "0203");
    p.Line({{13413, 10436}, {13913, 10536}, {20000, 20000}}, 150, "0207");
    w.End();
    return w.Take();
  }

  const int rings = options.size == Size::Medium ? 40 : 600;
  const int spots = options.size == Size::Medium ? 100 : 1500;
  for (int i = 0; i < spots; ++i) p.Spot(rng.Range(0, kExtent), rng.Range(0, kExtent), rng.Range(20, 600));
  for (int i = 0; i < rings; ++i) {
    const std::int64_t cx = rng.Range(1000, kExtent - 1000), cy = rng.Range(1000, kExtent - 1000);
    const std::int64_t height = rng.Range(2, 60) * 10;
    const int vertices = static_cast<int>(rng.Range(8, options.size == Size::Medium ? 40 : 120));
    const char* fcode = height % 50 == 0 ? "0202" : (rng.Chance(5) ? "0205" : "0201");
    p.Line(Ring(rng, cx, cy, rng.Range(100, 900), vertices, kExtent), height, fcode);
  }
  w.End();
  return w.Take();
}

}  // namespace ntfgen
