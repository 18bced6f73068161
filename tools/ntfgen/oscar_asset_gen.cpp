// OSCAR Asset-Manager tiles, and the body both OSCAR editions share: per
// node a point record "15", a geometry record "21" of type 1 and an attribute
// record "14"; per link a line record "23", a geometry record "21" of type 2
// with four-character offsets and an attribute record "14" with the optional
// SC, LL, PN, RN, TR and FW attributes; node records "16" at the end.
#include <algorithm>
#include <string>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

// The section header record of the Land-Form and OSCAR tiles: coordinate
// width, XY multiplier (thousandths), Z width and multiplier, origins, the
// tile extent and the survey date at columns 127-134.
std::string SectionHeaderRecord(std::string_view sectionRef, int coordWidth, std::int64_t xyMultiplier, int zWidth,
                                std::int64_t zMultiplier, std::int64_t xOrigin, std::int64_t yOrigin,
                                std::int64_t extent, std::string_view surveyDate) {
  return "07" + Pad(sectionRef, 10) + "21" + Num(coordWidth, 5) + "2" + Num(xyMultiplier, 10) + Num(zWidth, 5) + "2" +
         Num(zMultiplier, 10) + Num(xOrigin, 10) + Num(yOrigin, 10) + Num(0, 10) + Num(0, 10) + Num(0, 10) +
         Num(extent, 10) + Num(extent, 10) + Num(1, 6) + "0001" + Pad(surveyDate, 8) + "1999050119990101" +
         Num(0, 4) + "QUORVEL SAMPLE" + Blanks(4) + Num(1, 5) + Num(0, 5);
}

namespace {

constexpr std::int64_t kXOrigin = 450000;
constexpr std::int64_t kYOrigin = 330000;

struct Oscar {
  NtfWriter& w;
  Rng& rng;
  std::int64_t feature = 0;  // feature, geometry and attribute ids
  std::vector<std::pair<std::int64_t, std::int64_t>> nodes;

  std::string Offsets(const std::vector<std::pair<std::int64_t, std::int64_t>>& points) {
    std::string s;
    for (const auto& [x, y] : points) s += Num(x, 4) + Num(y, 4) + " ";
    return s;
  }
  std::string Geometry(char type, const std::vector<std::pair<std::int64_t, std::int64_t>>& points) {
    return "21" + Num(feature, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4) + Offsets(points);
  }
  std::string Attributes(char kind, std::string_view fcode, std::string_view rest) {
    return "14" + Num(feature, 6) + "OD" + kind + Num(feature, 12) + "FC" + std::string(fcode) + std::string(rest);
  }

  void Node(std::int64_t x, std::int64_t y, std::string_view fcode, std::string_view rest = "") {
    ++feature;
    nodes.push_back({x, y});
    w.Record("15" + Num(feature, 6) + Num(feature, 6) + "01" + Num(feature * 10, 7));
    w.Record(Geometry('1', {{x, y}}));
    w.Record(Attributes('N', fcode, rest));
  }
  void Link(const std::vector<std::pair<std::int64_t, std::int64_t>>& points, std::string_view fcode,
            std::string_view rest) {
    ++feature;
    w.Record("23" + Num(feature, 6) + Num(feature, 6) + "01" + Num(feature * 10, 7));
    w.Record(Geometry('2', points));
    w.Record(Attributes('L', fcode, rest));
  }
  // A link between two nodes with a few bends.
  std::vector<std::pair<std::int64_t, std::int64_t>> Route(std::pair<std::int64_t, std::int64_t> a,
                                                          std::pair<std::int64_t, std::int64_t> b) {
    std::vector<std::pair<std::int64_t, std::int64_t>> p{a};
    const std::int64_t bends = rng.Range(0, 6);
    for (std::int64_t i = 1; i <= bends; ++i) {
      const std::int64_t x = a.first + (b.first - a.first) * i / (bends + 1) + rng.Range(-40, 40);
      const std::int64_t y = a.second + (b.second - a.second) * i / (bends + 1) + rng.Range(-40, 40);
      p.push_back({std::clamp<std::int64_t>(x, 0, 9999), std::clamp<std::int64_t>(y, 0, 9999)});
    }
    p.push_back(b);
    return p;
  }
};

void ClassRecords(NtfWriter& w) {
  const char* const classes[][3] = {
      {"OD", "013A13", "OSODR"},      {"FC", "004A4 ", "FEAT_CODE"},   {"SC", "001A1 ", "SOURCE"},
      {"LL", "005I5 ", "LINE_LENGTH"}, {"PN", "000A* ", "PROPER_NAME"}, {"RN", "000A* ", "ROAD_NUM"},
      {"TR", "001A1 ", "TRUNK_ROAD"},  {"FW", "001A1 ", "FORM_OF_WAY"}, {"JN", "000A* ", "JUNCTION_NAME"},
  };
  for (const auto& c : classes) w.Record(std::string("40") + c[0] + c[1] + "  " + c[2] + "\\");
}

const char* const kStreets[] = {"High Street", "Station Road", "Church Lane", "Mill Road", "London Road",
                                "Park Avenue", "Queens Drive", "Victoria Street", "Manor Way", "The Green"};
const char* const kLinkCodes[] = {"3000", "3001", "3001", "3002", "3004", "3004", "3004",
                                  "3007", "3008", "3009", "3010"};

std::string RandomLinkAttributes(Rng& rng, std::string_view fcode) {
  std::string a = "SC" + std::to_string(rng.Range(1, 3)) + "LL" + Num(rng.Range(20, 4000), 5);
  if (rng.Chance(60)) a += std::string("PN") + kStreets[rng.Range(0, 9)] + "\\";
  if (fcode == "3000") a += "RNM" + std::to_string(rng.Range(1, 69)) + "\\";
  else if (fcode == "3001") a += "RNA" + std::to_string(rng.Range(1, 699)) + "\\";
  else if (fcode == "3002") a += "RNB" + std::to_string(rng.Range(1000, 6999)) + "\\";
  if (fcode == "3000" || fcode == "3001") a += rng.Chance(50) ? "TRY" : "TRN";
  a += "FW" + std::to_string(rng.Range(1, 4));
  return a;
}

}  // namespace

std::string GenerateOscarTile(const Options& options, std::string_view database, bool traffic) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers(database);
  ClassRecords(w);
  w.Record(SectionHeaderRecord("SK53", 4, 1000, 0, 1000, kXOrigin, kYOrigin, 10000, "19981215"));
  Oscar o{w, rng, 0, {}};

  if (options.size == Size::Small) {
    // Nodes: standard, edge, and a code missing from the table after a
    // standard node (its symbol and description repeat).
    o.Node(1551, 1629, "3501");
    o.Node(123, 456, "3500", "JNForest Road Junction\\");
    o.Node(2951, 229, "3599");
    // Offsets with leading zeros; SC, LL and TR "Y" only: Trunk "T".
    o.Link({{123, 456}, {851, 929}, {1551, 1629}}, "3001", "SC1LL01950TRY");
    // Every optional attribute; the road name holds a comma and quotes.
    o.Link({{1551, 1629}, {2251, 929}, {2951, 229}}, "3002",
           "SC2LL01980PNLondon Road, \"The Parade\"\\RNB4282\\TRNFW1");
    // No TR: Trunk "F".
    o.Link({{123, 456}, {1551, 129}, {2951, 229}}, "3004", "LL02790FW3");
    // A code missing from the table repeats the previous pen and description;
    // the road name runs to the end of the record without a backslash.
    o.Link({{2951, 229}, {3000, 1529}, {3000, 3000}}, "3099", "SC1LL02800PNUnclassified Lane");
    // Geometry and attribute records cut inside fields.
    {
      ++o.feature;
      w.Record("23" + Num(o.feature, 6) + Num(o.feature, 6) + "01" + Num(o.feature * 10, 7));
      w.RecordCutAt(o.Geometry('2', {{3000, 3000}, {3512, 3579}, {4012, 4011}, {4512, 4979}}), {16, 33});
      w.RecordCutAt(o.Attributes('L', "3010", "LL01101PNMarket Street Precinct\\RNA6\\"), {14, 27, 50});
    }
    // A link of a single vertex with its attributes out of order
    // (PN before LL: LL is not found after PN).
    o.Link({{4512, 4979}}, "3000", "SC3PNM1 Spur\\LL00010TRY");
    // A geometry type other than node or link: no object, a placeholder.
    {
      ++o.feature;
      w.Record("23" + Num(o.feature, 6) + Num(o.feature, 6) + "01" + Num(o.feature * 10, 7));
      w.Record(o.Geometry('5', {{4512, 4979}, {5000, 5000}, {5500, 4500}}));
      w.Record(o.Attributes('L', "3007", "SC1LL00700FW2"));
    }
    if (traffic) w.Record("90CHANGE RECORD 000001 ROAD RENUMBERED");
    o.Node(4512, 4979, "3500");
    // Network node records: not translated.
    w.Record("16" + Num(1, 6) + Num(1, 6) + "0002" + "1" + Num(4, 6) + "00000" + "0" + Num(6, 6) + "00000");
    w.Record("16" + Num(2, 6) + Num(3, 6) + "0002" + "1" + Num(5, 6) + "00000" + "0" + Num(7, 6) + "00000");
    w.End();
    return w.Take();
  }

  const std::int64_t nodeCount = options.size == Size::Medium ? 120 : 2500;
  const std::int64_t linkCount = options.size == Size::Medium ? 200 : 4000;
  for (std::int64_t i = 0; i < nodeCount; ++i)
    o.Node(rng.Range(0, 9999), rng.Range(0, 9999), rng.Chance(90) ? "3500" : "3501");
  const auto nodes = o.nodes;
  for (std::int64_t i = 0; i < linkCount; ++i) {
    // A link joins two different nodes.
    const std::int64_t from = rng.Range(0, nodeCount - 1);
    const std::int64_t to = (from + rng.Range(1, nodeCount - 1)) % nodeCount;
    const auto& a = nodes[static_cast<std::size_t>(from)];
    const auto& b = nodes[static_cast<std::size_t>(to)];
    const char* fcode = kLinkCodes[rng.Range(0, 10)];
    o.Link(o.Route(a, b), fcode, RandomLinkAttributes(rng, fcode));
    if (traffic && rng.Chance(1)) w.Record("90CHANGE RECORD " + Num(i, 6) + " LINK REVISED");
  }
  w.End();
  return w.Take();
}

std::string GenerateOscarAsset(const Options& options) {
  return GenerateOscarTile(options, "OSCAR_ASSET_MAN.01", false);
}

}  // namespace ntfgen
