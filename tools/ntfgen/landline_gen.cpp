// Land-Line tiles: line features ("23" and a geometry "21" of type 2), point
// features ("15", with or without an orientation, and a geometry of type 1)
// and texts (name "11", name position "12" and a geometry of type 1).
// Coordinates are six-digit hundredths of a metre from the section origin.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

struct Xy {
  std::int64_t x, y;
};

class LandLineWriter {
 public:
  explicit LandLineWriter(NtfWriter& w) : w_(w) {}

  // "07" with the reference, multiplier 10 (0.01 m), origin and source scale
  // at columns 179-187.
  void Section(std::string_view ref, std::int64_t xOrigin, std::int64_t yOrigin, std::int64_t scale) {
    std::string body = "07" + Pad(ref, 10) + "21000062" + Num(10, 10) + "0000010000000000" + Num(xOrigin, 10) +
                       Num(yOrigin, 10);
    body += "0000000000000000000000000500000000050000000010000119990401199905011999010100000000QUORVEL SAMPLE";
    body.resize(178, ' ');
    body += Num(scale, 9);
    w_.Record(body);
  }

  static std::string Coords(const std::vector<Xy>& points) {
    std::string s;
    for (const Xy& p : points) s += Num(p.x, 6) + Num(p.y, 6) + " ";
    return s;
  }
  std::string GeometryBody(char type, const std::vector<Xy>& points) {
    return "21" + Num(++geometry_, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4) + Coords(points);
  }

  void Line(std::int64_t id, std::string_view code, const std::vector<Xy>& points) {
    w_.Record("23" + Num(id, 6) + Blanks(8) + std::string(code));
    w_.Record(GeometryBody('2', points));
  }
  // Orientation in tenths of a degree; negative: none.
  void Point(std::int64_t id, std::string_view code, std::int64_t orientation, Xy at) {
    const std::string orient = orientation < 0 ? Blanks(8) : "OR00" + Num(orientation, 4);
    w_.Record("15" + Num(id, 6) + orient + std::string(code));
    w_.Record(GeometryBody('1', {at}));
  }
  // Height in tenths of a millimetre, orientation in tenths of a degree.
  void Name(std::int64_t id, std::string_view code, std::string_view text, std::int64_t height, int position,
            std::int64_t orientation, Xy at) {
    w_.Record("11" + Num(id, 6) + std::string(code) + Num(static_cast<std::int64_t>(text.size()), 2) + std::string(text));
    w_.Record(NamePosition(height, position, orientation));
    w_.Record(GeometryBody('1', {at}));
  }
  static std::string NamePosition(std::int64_t height, int position, std::int64_t orientation) {
    return "12" + Num(1, 4) + Num(height, 3) + std::to_string(position) + Num(orientation, 4);
  }

  NtfWriter& w() { return w_; }

 private:
  NtfWriter& w_;
  std::int64_t geometry_ = 0;
};

constexpr std::string_view kLineCodes[] = {"0001", "0004", "0007", "0008", "0009", "0010", "0014", "0015",
                                           "0021", "0030", "0032", "0033", "0035", "0036", "0043", "0052",
                                           "0059", "0071", "0072", "0079", "0098", "0374", "0375", "0376", "1212"};
constexpr std::string_view kPointCodes[] = {"0011", "0013", "0025", "0026", "0027", "0049", "0057", "0069",
                                            "0321", "0323", "0372", "0373", "0377", "0378", "0379", "0380",
                                            "0381", "0382", "0384", "0385", "0386", "0387", "0388", "0389",
                                            "0390", "0392", "0395", "0396", "0397", "0400", "1210", "1211"};
constexpr std::string_view kTextCodes[] = {"1000", "1005", "1006", "1009", "1010", "1013"};
constexpr std::int64_t kHeights[] = {8, 12, 13, 17, 20, 24, 25, 32, 39, 44, 18, 30};
constexpr std::string_view kWords[] = {"High",  "Street", "Mill",   "Lane",  "Church", "Road",  "Farm",  "Wood",
                                       "Brook", "House",  "Cottage", "Green", "Close",  "Water", "Works", "Depot"};

void Small(LandLineWriter& g) {
  NtfWriter& w = g.w();
  // A building outline; a road edge whose geometry runs over three lines.
  g.Line(1, "0001", {{1690, 2981}, {3190, 2981}, {3190, 4181}, {1690, 4181}, {1690, 2981}});
  {
    w.Record("23000002" + Blanks(8) + "0021");
    std::vector<Xy> pts;
    for (int i = 0; i < 14; ++i) pts.push_back({890 + 1500 * i, 4981 + 40 * (i % 3)});
    w.Record(g.GeometryBody('2', pts));
  }
  // A line of one coordinate, an unmatched line code and a line cut inside a
  // coordinate field.
  g.Line(3, "0098", {{5690, 4981}});
  g.Line(4, "0555", {{790, 2081}, {1590, 2381}});
  w.Record("23000005" + Blanks(8) + "0015");
  w.RecordCutAt(g.GeometryBody('2', {{30690, 31981}, {31690, 33481}, {32690, 31981}}), {30});

  // Point features: no orientation; every rotated symbol, with and without
  // an orientation (a benchmark both ways); an attribute record after a
  // point; a TrueType symbol that is not rotated; an unmatched point code.
  g.Point(1, "0011", -1, {3690, 5981});
  g.Point(2, "0013", 900, {4190, 6181});
  w.Record("14000002DT001250");
  g.Point(3, "0026", -1, {4690, 6481});
  g.Point(4, "0026", 900, {4890, 6581});
  g.Point(5, "0049", 2700, {5690, 6981});
  g.Point(6, "0069", 455, {5890, 7381});
  g.Point(7, "0013", -1, {5990, 7481});
  g.Point(8, "0372", -1, {6690, 7781});
  g.Point(9, "0444", -1, {6790, 7881});
  g.Point(10, "0321", -1, {2490, 3481});

  // Texts: position codes 0 to 8 and 9 (the previous offset), orientations
  // in every quarter and past 360, heights that are adjusted and not.
  struct T {
    std::string_view code, text;
    std::int64_t height;
    int position;
    std::int64_t orientation;
  };
  const T texts[] = {
      {"1000", "High Street", 20, 4, 0},
      {"1006", "12", 8, 0, 0},
      {"1009", "\"The Cross\", Market Place", 12, 1, 900},
      {"1005", "Ward Bdy", 17, 2, 1800},
      {"1010", "Mill Stream", 24, 3, 2700},
      {"1013", "1234", 32, 5, 455},
      {"1009", "M-#5 Toll, 'Pay here'", 39, 6, 1350},
      {"1006", "   ", 44, 7, 2250},
      {"1000", "Church Lane", 25, 8, 3150},
      {"1009", "Cost \xA3" "5 $4 [old]", 13, 9, 3599},
      {"1000", "Station Road", 20, 4, 4000},
  };
  std::int64_t id = 0;
  for (const T& t : texts) {
    ++id;
    g.Name(id, t.code, t.text, t.height, t.position, t.orientation, {8690 + 2000 * id, 5281 + 1700 * id});
  }
  // A name record continued over two lines, cut inside the text.
  {
    const std::string text = "Allotment Gardens and Recreation Ground, Borough of Testford (Disused)";
    w.RecordCutAt("11" + Num(++id, 6) + "1009" + Num(static_cast<std::int64_t>(text.size()), 2) + text, {76});
    w.Record(LandLineWriter::NamePosition(32, 2, 2700));
    w.Record(g.GeometryBody('1', {{12690, 10981}}));
  }
  // A name whose length runs past its text: the end mark is not text.
  w.Record("11" + Num(++id, 6) + "1000" + "20" + "Short");
  w.Record(LandLineWriter::NamePosition(20, 0, 0));
  w.Record(g.GeometryBody('1', {{13690, 11981}}));
  // A point feature right after a text is written as a point.
  g.Point(11, "0027", -1, {45690, 47981});
  // A three-point arc (geometry type 5) writes nothing.
  w.Record("23000006" + Blanks(8) + "0030");
  w.Record(g.GeometryBody('5', {{20000, 20000}, {20500, 20400}, {21000, 20000}}));
  // A vegetation limit after it, long enough to be cut over two lines.
  g.Line(7, "0035", {{40690, 41981}, {41690, 42081}, {42190, 43181}, {42090, 43981}, {41590, 44481},
                     {40890, 43281}, {40690, 41981}});
  // Geometry that follows no feature record: written with an empty Id and code.
  w.Record(g.GeometryBody('2', {{50000, 50000}, {50100, 50100}}));
}

void Random(LandLineWriter& g, Rng& rng, std::int64_t features) {
  std::int64_t lineId = 0, pointId = 0, nameId = 0;
  std::vector<Xy> pts;
  for (std::int64_t n = 0; n < features; ++n) {
    const std::int64_t kind = rng.Range(0, 99);
    const Xy at{rng.Range(0, 99000), rng.Range(0, 99000)};
    if (kind < 55) {
      pts.clear();
      const std::int64_t count = rng.Chance(5) ? rng.Range(30, 120) : rng.Range(2, 12);
      Xy p = at;
      for (std::int64_t i = 0; i < count; ++i) {
        pts.push_back(p);
        p.x = std::max<std::int64_t>(0, std::min<std::int64_t>(999999, p.x + rng.Range(-900, 900)));
        p.y = std::max<std::int64_t>(0, std::min<std::int64_t>(999999, p.y + rng.Range(-900, 900)));
      }
      g.Line(++lineId, kLineCodes[rng.Range(0, std::size(kLineCodes) - 1)], pts);
    } else if (kind < 70) {
      const std::int64_t orientation = rng.Chance(40) ? rng.Range(0, 3599) : -1;
      g.Point(++pointId, kPointCodes[rng.Range(0, std::size(kPointCodes) - 1)], orientation, at);
    } else {
      std::string text = std::string(kWords[rng.Range(0, std::size(kWords) - 1)]);
      const std::int64_t words = rng.Range(0, 3);
      for (std::int64_t i = 0; i < words; ++i) text += " " + std::string(kWords[rng.Range(0, std::size(kWords) - 1)]);
      if (rng.Chance(10)) text = std::to_string(rng.Range(1, 250));
      const std::int64_t orientation = rng.Chance(60) ? 0 : rng.Range(0, 3599);
      g.Name(++nameId, kTextCodes[rng.Range(0, std::size(kTextCodes) - 1)], text,
             kHeights[rng.Range(0, std::size(kHeights) - 1)], static_cast<int>(rng.Range(0, 8)), orientation, at);
    }
  }
}

}  // namespace

std::string GenerateLandLine(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers("LAND-LINE.93");
  w.Record("40DT006R6,3 DISTANCE\\");
  LandLineWriter g(w);
  g.Section("TQ3080NW", 530000, 180000, 1250);
  switch (options.size) {
    case Size::Small: Small(g); break;
    case Size::Medium: Random(g, rng, 400); break;
    case Size::Full: Random(g, rng, 80000); break;
  }
  w.End();
  return w.Take();
}

}  // namespace ntfgen
