// Boundary-Line tiles: a grid of administrative polygons whose boundaries are
// links (line "23", geometry "21" and attribute "14" records), then the
// polygon block: per polygon a "31" record, its attribute record and its
// chain "24"; groups of islands as complex polygons "33"; and collections
// "34" with their attribute records.
//
// The topology is consistent: every grid edge is cut into links, each cell's
// chain walks its bottom and right edges forward (direction 1) and its top
// and left edges backward (direction 2), so every ring closes. Islands are
// single closed links, grouped into complex polygons.
#include <cmath>
#include <string>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

struct Xy {
  std::int64_t x, y;  // tenths of a metre
};

struct ChainPart {
  std::int64_t link;
  int direction;
};

struct Layout {
  int columns, rows;        // grid cells
  int maxLinksPerEdge;      // each grid edge is cut into 1..this many links
  int pointsPerEdge;        // vertices between the two corners of an edge
  std::vector<int> islandGroups;  // members of each complex polygon
};

constexpr std::int64_t kX0 = 4300000, kY0 = 2620000, kCell = 20000;

class BoundaryLineTile {
 public:
  BoundaryLineTile(const Options& options, Layout layout)
      : w_(options.lineEnd), rng_(options.seed), layout_(std::move(layout)) {}

  std::string Make(bool small) {
    Headers();
    ClassRecords();
    SectionHeader(small ? "BL2000SMPL" : "BL2000GEN");
    MakeGrid();
    MakeIslands();
    WritePolygons();
    WriteCollections(small);
    w_.End();
    return w_.Take();
  }

 private:
  // The database header names the Boundary-Line feature classification
  // ("A20N_FC"), as real tiles do.
  void Headers() {
    w_.Raw("01ORDNANCE SURVEY     QUORVEL NTFGEN      1999040100010132.00V0%");
    w_.Record("02" + Pad("Boundary-Line", 20) + "19990401QUORVEL SAMPLE      19990401OS                  " +
              "A20N_FC             19990401OS_SEQ              19990401");
  }

  void ClassRecords() {
    const char* const classes[][3] = {
        {"LK", "010I10  ", "GLOBAL_LINK_ID"}, {"FC", "004A4   ", "FEAT_CODE"},
        {"PI", "006I6   ", "GLOBAL_SEED_ID"}, {"HA", "012R12,3", "HECTARES"},
        {"AI", "006I6   ", "ADMIN_AREA_ID"},  {"NA", "012R12,3", "NON_INLAND_AREA"},
        {"OP", "007A7   ", "CENSUS_CODE"},    {"TY", "002A2   ", "AREA_TYPE"},
        {"AC", "003A3   ", "AREA_CODE"},      {"NM", "000A*   ", "ADMIN_NAME"},
        {"NB", "003A3   ", "NON_TYPE_CODE"},
    };
    for (const auto& c : classes) w_.Record(std::string("40") + c[0] + c[1] + c[2] + "\\");
  }

  // Coordinates of eight digits in tenths of a metre (XY multiplier 0.1).
  void SectionHeader(const std::string& ref) {
    w_.Record("07" + Pad(ref, 10) + "21" + "00008" + "2" + Num(100, 10) + "0" + Num(200000, 10) + "01000" +
              Num(0, 10) + Num(0, 10) + Num(0, 10) + Num(0, 10) + Num(0, 10) + Num(99999999, 10) +
              Num(99999999, 10) + "00001000011999040119990501199901010000" + "0000QUORVEL SAMPLE    0000100000");
  }

  // One link: line, geometry and attribute records.
  std::int64_t Link(const std::vector<Xy>& points) {
    const std::int64_t id = ++linkId_;
    const std::int64_t attr = ++attrId_;
    w_.Record("23" + Num(id, 6) + Num(id, 6) + "01" + Num(attr, 6));
    std::string geometry = "21" + Num(id, 6) + "2" + Num(static_cast<std::int64_t>(points.size()), 4);
    for (const Xy& p : points) geometry += Num(p.x, 8) + Num(p.y, 8) + " ";
    w_.Record(geometry);
    w_.Record("14" + Num(attr, 6) + "LK" + Num(86210000 + id, 10) + "FC" + (rng_.Chance(40) ? "0001" : "0002"));
    return id;
  }

  // A grid edge from a to b, wobbling across its line, cut into links.
  std::vector<std::int64_t> Edge(Xy a, Xy b) {
    std::vector<Xy> pts{a};
    const int n = layout_.pointsPerEdge;
    const bool horizontal = a.y == b.y;
    for (int k = 1; k <= n; ++k) {
      const std::int64_t along = (horizontal ? b.x - a.x : b.y - a.y) * k / (n + 1);
      const std::int64_t across = rng_.Range(-300, 300);
      pts.push_back(horizontal ? Xy{a.x + along, a.y + across} : Xy{a.x + across, a.y + along});
    }
    pts.push_back(b);
    const int links = static_cast<int>(rng_.Range(1, layout_.maxLinksPerEdge));
    std::vector<std::int64_t> ids;
    std::size_t start = 0;
    for (int l = 0; l < links; ++l) {
      const std::size_t end = l + 1 == links ? pts.size() - 1 : (pts.size() - 1) * static_cast<std::size_t>(l + 1) / static_cast<std::size_t>(links);
      if (end <= start) continue;
      ids.push_back(Link(std::vector<Xy>(pts.begin() + static_cast<std::ptrdiff_t>(start),
                                         pts.begin() + static_cast<std::ptrdiff_t>(end) + 1)));
      start = end;
    }
    // The edge's points, for the areas.
    edgePoints_.push_back(std::move(pts));
    return ids;
  }

  Xy Corner(int i, int j) const { return {kX0 + i * kCell, kY0 + j * kCell}; }

  void MakeGrid() {
    const int c = layout_.columns, r = layout_.rows;
    horizontal_.assign(static_cast<std::size_t>(c * (r + 1)), {});
    vertical_.assign(static_cast<std::size_t>((c + 1) * r), {});
    horizontalPts_.assign(horizontal_.size(), 0);
    verticalPts_.assign(vertical_.size(), 0);
    for (int j = 0; j <= r; ++j)
      for (int i = 0; i < c; ++i) {
        horizontal_[H(i, j)] = Edge(Corner(i, j), Corner(i + 1, j));
        horizontalPts_[H(i, j)] = edgePoints_.size() - 1;
      }
    for (int i = 0; i <= c; ++i)
      for (int j = 0; j < r; ++j) {
        vertical_[V(i, j)] = Edge(Corner(i, j), Corner(i, j + 1));
        verticalPts_[V(i, j)] = edgePoints_.size() - 1;
      }
  }

  // Small closed rings east of the grid, one link each.
  void MakeIslands() {
    int n = 0;
    for (int members : layout_.islandGroups) {
      std::vector<std::int64_t> group;
      for (int m = 0; m < members; ++m, ++n) {
        const Xy centre{kX0 + layout_.columns * kCell + 6000 + (n % 10) * 5000, kY0 + 4000 + (n / 10) * 5000};
        const int k = static_cast<int>(rng_.Range(5, 9));
        std::vector<Xy> ring;
        for (int p = 0; p < k; ++p) {
          const double angle = 2 * 3.14159265358979 * p / k;
          const double radius = static_cast<double>(rng_.Range(1200, 2000));
          ring.push_back({centre.x + std::llround(radius * std::cos(angle)), centre.y + std::llround(radius * std::sin(angle))});
        }
        ring.push_back(ring.front());
        islandAreas_.push_back(Area(ring));
        group.push_back(Link(ring));
      }
      islands_.push_back(std::move(group));
    }
  }

  std::size_t H(int i, int j) const { return static_cast<std::size_t>(j * layout_.columns + i); }
  std::size_t V(int i, int j) const { return static_cast<std::size_t>(i * layout_.rows + j); }

  // Area in thousandths of a hectare of a closed ring in tenths of a metre.
  static std::int64_t Area(const std::vector<Xy>& ring) {
    double twice = 0;
    for (std::size_t k = 0; k + 1 < ring.size(); ++k)
      twice += static_cast<double>(ring[k].x) * static_cast<double>(ring[k + 1].y) -
               static_cast<double>(ring[k + 1].x) * static_cast<double>(ring[k].y);
    // tenths squared -> square metres (/100) -> hectares (/10000), in 1/1000.
    return std::llround(std::fabs(twice) / 2 / 100 / 10000 * 1000);
  }

  std::vector<Xy> CellRing(int i, int j) const {
    std::vector<Xy> ring;
    auto add = [&](const std::vector<Xy>& pts, bool reverse) {
      if (reverse)
        for (auto p = pts.rbegin(); p != pts.rend(); ++p) ring.push_back(*p);
      else
        ring.insert(ring.end(), pts.begin(), pts.end());
    };
    add(edgePoints_[horizontalPts_[H(i, j)]], false);
    add(edgePoints_[verticalPts_[V(i + 1, j)]], false);
    add(edgePoints_[horizontalPts_[H(i, j + 1)]], true);
    add(edgePoints_[verticalPts_[V(i, j)]], true);
    return ring;
  }

  std::vector<ChainPart> CellChain(int i, int j) const {
    std::vector<ChainPart> parts;
    for (std::int64_t id : horizontal_[H(i, j)]) parts.push_back({id, 1});
    for (std::int64_t id : vertical_[V(i + 1, j)]) parts.push_back({id, 1});
    const auto& top = horizontal_[H(i, j + 1)];
    for (auto id = top.rbegin(); id != top.rend(); ++id) parts.push_back({*id, 2});
    const auto& left = vertical_[V(i, j)];
    for (auto id = left.rbegin(); id != left.rend(); ++id) parts.push_back({*id, 2});
    return parts;
  }

  void Chain(std::int64_t polygon, const std::vector<ChainPart>& parts) {
    std::string chain = "24" + Num(polygon, 6) + Num(static_cast<std::int64_t>(parts.size()), 4);
    for (const ChainPart& p : parts) chain += Num(p.link, 6) + std::to_string(p.direction);
    w_.Record(chain);
  }

  void PolygonAttributes(std::int64_t attr, std::int64_t polygon, std::int64_t area) {
    w_.Record("14" + Num(attr, 6) + "PI" + Num(polygon, 6) + "HA" + Num(area, 12));
  }

  void WritePolygons() {
    for (int j = 0; j < layout_.rows; ++j)
      for (int i = 0; i < layout_.columns; ++i) {
        const std::int64_t id = NextPolygonId();
        const std::int64_t attr = ++attrId_;
        w_.Record("31" + Num(id, 6) + Num(id, 6) + "000000" + "01" + Num(attr, 6));
        PolygonAttributes(attr, id, Area(CellRing(i, j)));
        Chain(id, CellChain(i, j));
        cells_.push_back(id);
      }
    std::size_t island = 0;
    for (const auto& group : islands_) {
      std::vector<std::int64_t> members;
      std::int64_t area = 0;
      for (std::int64_t link : group) {
        const std::int64_t id = NextPolygonId();
        w_.Record("31" + Num(id, 6) + Num(id, 6) + "000000" + "00");
        Chain(id, {{link, 1}});
        members.push_back(id);
        area += islandAreas_[island++];
      }
      const std::int64_t complexId = NextPolygonId();
      const std::int64_t attr = ++attrId_;
      std::string record = "33" + Num(complexId, 6) + Num(static_cast<std::int64_t>(members.size()), 4);
      for (std::int64_t m : members) record += Num(m, 6) + "1";
      record += "000000" "01" + Num(attr, 6);
      w_.Record(record);
      PolygonAttributes(attr, complexId, area);
      islandMembers_.push_back(std::move(members));
    }
  }

  std::int64_t NextPolygonId() { return polygonId_ += 3; }

  std::string Name() {
    static const char* const first[] = {"Ash", "Brook", "Clay", "Dun", "Elm", "Fern", "Glen", "Holm", "Kirk", "Lang"};
    static const char* const second[] = {"ford", "ley", "ton", "by", "wick", "field", "stow", "mere", "dale", "wood"};
    return std::string(first[rng_.Range(0, 9)]) + second[rng_.Range(0, 9)];
  }

  struct Collection {
    std::vector<std::int64_t> polygons;
    std::string type, code, name, nonType;
    bool terminated = true;  // the name ends with a backslash
  };

  void WriteCollection(const Collection& c) {
    const std::int64_t attr = ++attrId_;
    std::string record = "34" + Num(++collectionId_, 6) + Num(static_cast<std::int64_t>(c.polygons.size()), 4);
    for (std::int64_t p : c.polygons) record += "31" + Num(p, 6);
    record += "01" + Num(attr, 6);
    w_.Record(record);
    std::string attributes = "14" + Num(attr, 6) + "AI" + Num(++adminAreaId_, 6) + "NA" +
                             Num(rng_.Range(0, 2000000), 12) + "OP" + Num(rng_.Range(1, 99), 2) + rng_.Letter() +
                             rng_.Letter() + "FA " + "TY" + c.type + "AC" + c.code + "NM" + c.name;
    if (c.terminated) attributes += "\\ NB" + c.nonType;
    w_.Record(attributes);
  }

  void WriteCollections(bool small) {
    // A ward per cell; some cells have none.
    for (std::size_t k = 0; k < cells_.size(); ++k) {
      if (!small && rng_.Chance(10)) continue;
      Collection ward{{cells_[k]}, "WA", "WAR", Name() + " Ward", rng_.Chance(50) ? "NCP" : "   "};
      if (small && k == 2) ward.name = "St. Ann's, \"Old Town\" Ward";
      if (small && k == 1) ward.terminated = false;  // the name runs to the end of the record
      WriteCollection(ward);
    }
    // Districts of one grid row each: those of more than eight polygons run
    // over two lines and index their last polygon, the others their first.
    for (int j = 0; j < layout_.rows; ++j) {
      Collection district{{}, "DI", "DIS", Name() + " District", "NON"};
      for (int i = 0; i < layout_.columns; ++i) district.polygons.push_back(cells_[static_cast<std::size_t>(j * layout_.columns + i)]);
      WriteCollection(district);
    }
    // The island groups: a collection listing every member indexes the last
    // one, whose id keys the complex polygon's row.
    for (const auto& members : islandMembers_) WriteCollection({members, "CP", "CPC", "Isles of " + Name(), "   "});
    // A county listing the first column of cells: on one line, it indexes
    // the first cell, which its ward listed already (the county wins).
    Collection county{{}, "CT", "CTY", Name() + "shire", "NON"};
    for (int j = 0; j < layout_.rows && j < 8; ++j) county.polygons.push_back(cells_[static_cast<std::size_t>(j * layout_.columns)]);
    WriteCollection(county);
  }

  NtfWriter w_;
  Rng rng_;
  Layout layout_;
  std::int64_t linkId_ = 0, attrId_ = 0, polygonId_ = 188000, collectionId_ = 700000, adminAreaId_ = 100;
  std::vector<std::vector<std::int64_t>> horizontal_, vertical_;  // link ids per grid edge
  std::vector<std::size_t> horizontalPts_, verticalPts_;          // index into edgePoints_
  std::vector<std::vector<Xy>> edgePoints_;
  std::vector<std::vector<std::int64_t>> islands_;  // link ids per island group
  std::vector<std::int64_t> islandAreas_;
  std::vector<std::int64_t> cells_;
  std::vector<std::vector<std::int64_t>> islandMembers_;
};

}  // namespace

std::string GenerateBoundaryLine(const Options& options) {
  switch (options.size) {
    case Size::Small:
      return BoundaryLineTile(options, {3, 2, 2, 4, {12, 2}}).Make(true);
    case Size::Medium:
      return BoundaryLineTile(options, {12, 10, 2, 6, {12, 5, 3, 2}}).Make(false);
    case Size::Full:
      break;
  }
  return BoundaryLineTile(options, {50, 40, 4, 12, {12, 12, 8, 6, 5, 4, 3, 2, 2, 2}}).Make(false);
}

}  // namespace ntfgen
