// Land-Form PROFILE contour tiles: per feature a point record "15" or a line
// record "23" with the feature code at columns 17-20, then either a
// three-dimensional geometry record "22" (six-character offsets in
// centimetres, each point with its height) or a two-dimensional one "21"
// followed by an attribute record "14" holding the height.
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

using Points = std::vector<std::pair<std::int64_t, std::int64_t>>;  // centimetres from the origin

struct Profile {
  NtfWriter& w;
  std::int64_t feature = 0;
  std::int64_t geometry = 0;
  std::int64_t attribute = 0;

  static std::string Feature(std::string_view id, std::int64_t number, std::string_view fcode) {
    return std::string(id) + Num(number, 6) + Blanks(8) + std::string(fcode);
  }
  std::string Geometry3d(char type, const Points& points, std::int64_t heightCm) {
    std::string s = "22" + Num(++geometry, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4);
    for (const auto& [x, y] : points) s += Num(x, 6) + Num(y, 6) + " " + Num(heightCm, 6) + " ";
    return s;
  }
  std::string Geometry2d(char type, const Points& points) {
    std::string s = "21" + Num(++geometry, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4);
    for (const auto& [x, y] : points) s += Num(x, 6) + Num(y, 6) + " ";
    return s;
  }
  std::string Attribute(std::int64_t heightCm) { return "14" + Num(++attribute, 6) + "HT" + Num(heightCm, 6); }

  void Feature3d(std::string_view id, std::string_view fcode, char type, const Points& points, std::int64_t height) {
    w.Record(Feature(id, ++feature, fcode));
    w.Record(Geometry3d(type, points, height));
  }
  void Feature2d(std::string_view id, std::string_view fcode, char type, const Points& points, std::int64_t height) {
    w.Record(Feature(id, ++feature, fcode));
    w.Record(Geometry2d(type, points));
    w.Record(Attribute(height));
  }
};

// A contour across the tile from west to east, wandering north and south.
Points Wander(Rng& rng, std::int64_t y, int vertices, std::int64_t extent) {
  Points p;
  const std::int64_t step = extent / vertices;
  for (int i = 0; i < vertices; ++i) {
    y = std::clamp<std::int64_t>(y + rng.Range(-1500, 1500), 0, extent);
    p.push_back({std::min<std::int64_t>(i * step + rng.Range(0, step / 2), extent), y});
  }
  return p;
}

}  // namespace

std::string GenerateProfileContours(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  // Offsets of six characters in centimetres reach 9,999.99 m: the tile's
  // 5 km fit.
  constexpr std::int64_t kExtent = 500000;
  w.Headers("L-F_PROFILE_CON");
  w.Record("40HT006I6   HEIGHT\\");
  w.Record(SectionHeaderRecord("SK52NE", 6, 10, 6, 10, 455000, 325000, 5000, "19990401"));
  Profile p{w};

  if (options.size == Size::Small) {
    // A spot height before the first contour, its height 012500 as it stands.
    p.Feature3d("15", "0027", '1', {{106474, 21124}}, 12500);
    p.Feature3d("23", "0075", '2', {{106474, 31124}, {121474, 37124}, {126474, 35124}}, 11000);
    // A two-dimensional contour with its height in an attribute record.
    p.Feature2d("23", "1361", '2', {{136474, 51124}, {141474, 53124}, {144474, 52124}}, 12500);
    p.Feature3d("15", "1372", '1', {{129474, 45124}}, 13070);
    // A two-dimensional point: written as a point.
    p.Feature2d("15", "0027", '1', {{131474, 47124}}, 9950);
    p.Feature3d("23", "0071", '2', {{96574, 11224}, {146374, 11324}}, 0);
    // Low water, its geometry record cut inside a field.
    w.Record(Profile::Feature("23", ++p.feature, "0072"));
    w.RecordCutAt(p.Geometry3d('2', {{96574, 11174}, {106474, 11176}, {116474, 11179}, {126474, 11181}}, 0),
                  {20, 50});
    // A code in neither table keeps the previous description and style.
    p.Feature3d("15", "0999", '1', {{132474, 48124}}, 10000);
    // A two-dimensional line of one vertex; a point at the tile's far corner.
    p.Feature2d("23", "0075", '2', {{150000, 60000}}, 11500);
    p.Feature3d("15", "0027", '1', {{500000, 500000}}, 4250);
    w.End();
    return w.Take();
  }

  const int lines = options.size == Size::Medium ? 50 : 400;
  const int spots = options.size == Size::Medium ? 80 : 800;
  const int vertices = options.size == Size::Medium ? 30 : 120;
  for (int i = 0; i < lines; ++i) {
    const std::int64_t height = rng.Range(50, 250) * 100;
    const char* fcode = height % 5000 == 0 ? "1361" : "0075";
    const Points points = Wander(rng, rng.Range(0, kExtent), vertices, kExtent);
    if (rng.Chance(30)) p.Feature2d("23", fcode, '2', points, height);
    else p.Feature3d("23", fcode, '2', points, height);
    if (i % (lines / 10) == 0) {
      for (int s = 0; s < spots / 10; ++s) {
        const Points at{{rng.Range(0, kExtent), rng.Range(0, kExtent)}};
        const std::int64_t h = rng.Range(5000, 30000);
        if (rng.Chance(20)) p.Feature2d("15", "0027", '1', at, h);
        else p.Feature3d("15", rng.Chance(10) ? "1372" : "0027", '1', at, h);
      }
    }
  }
  w.End();
  return w.Take();
}

}  // namespace ntfgen
