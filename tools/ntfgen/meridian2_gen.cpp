// Meridian 2 tiles: lines ("23", "21", "14"), points ("15", "21", "14"),
// names ("43", "44", "45", "21", "14") and road network nodes ("16"), with
// the feature class ("05") and attribute description ("40") records a
// reader needs to decode the attribute records.
#include <string>
#include <utility>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

using Xy = std::pair<std::int64_t, std::int64_t>;  // offsets from the tile origin

const char* const kClasses[][2] = {
    {"3000", "Motorway"},          {"3001", "A road"},          {"3002", "B road"},
    {"3004", "Minor road"},        {"3500", "Road node"},       {"3501", "Road edge node"},
    {"6140", "Railway"},           {"6142", "Railway tunnel"},  {"6155", "Railway station"},
    {"6730", "Railway node"},      {"6401", "County boundary"}, {"6403", "District boundary"},
    {"6405", "County/district boundary"}, {"6800", "Neat line"}, {"6411", "County seed"},
    {"6415", "District seed"},     {"6711", "Boundary edge node"}, {"6200", "Coastline"},
    {"6740", "Coastline node"},    {"6300", "DLUA boundary"},   {"6310", "DLUA seed"},
    {"6500", "Place name"},        {"6551", "Station name"},    {"6223", "Water feature river small"},
    {"6224", "Water feature river medium"}, {"6230", "Hidden water"}, {"6243", "Canal"},
    {"6255", "Water feature lake"}, {"6292", "Water area seed"}, {"6552", "Water text"},
    {"6770", "Water feature node"}, {"6664", "Woodland boundary"}, {"6663", "Woodland seed"},
    {"6762", "Gridded height"},
};

const char* const kAttributes[][3] = {
    {"FC", "004A4", "FEAT_CODE"},     {"OD", "013A13", "OSODR"},         {"PO", "013A13", "PARENT_OSODR"},
    {"LL", "005I5", "LINK_LENGTH"},   {"NP", "002I2", "NUM_PARENTS"},    {"RT", "001A1", "ROUNDABOUT"},
    {"SN", "000A*", "SETTLEMENT_NAME"}, {"TR", "001A1", "TRUNK_ROAD"},   {"PN", "000A*", "PROPER_NAME"},
    {"JN", "000A*", "JUNCTION_NAME"}, {"RN", "000A*", "ROAD_NUM"},       {"RI", "013A13", "RAIL_ID"},
    {"SI", "013A13", "STATION_ID"},   {"LC", "006I6", "LEFT_COUNTY"},    {"RC", "006I6", "RIGHT_COUNTY"},
    {"LD", "006I6", "LEFT_DISTRICT"}, {"RD", "006I6", "RIGHT_DISTRICT"}, {"WI", "013A13", "WATER_LINK_ID"},
    {"WA", "006A6", "WATER_AREA"},    {"DA", "013A13", "DA_DLUA_ID"},    {"PI", "006I6", "GLOBAL_ID"},
    {"NM", "000A*", "ADMIN_NAME"},    {"TX", "000A*", "TEXT"},           {"FA", "013A13", "FOREST_ID"},
    {"HT", "008I8", "HEIGHT"},
};

struct Link {
  char dir;
  std::int64_t id;
  std::int64_t orientTenths;
  char level;
};

class Meridian2Writer {
 public:
  explicit Meridian2Writer(NtfWriter& w) : w_(w) {}

  void Preamble(std::string_view sectionRef, std::int64_t xOrigin, std::int64_t yOrigin) {
    w_.Headers("Meridian_02.01");
    for (const auto& c : kClasses) w_.Record(std::string("05") + c[0] + c[0] + Blanks(26) + c[1] + "\\");
    for (const auto& a : kAttributes) w_.Record(std::string("40") + a[0] + Pad(a[1], 8) + a[2] + "\\");
    // XY field width 5, multiplier 1.000 (written as thousandths), origins.
    w_.Record("07" + Pad(sectionRef, 10) + "21" + Num(5, 5) + "2" + Num(1000, 10) + Num(0, 5) + "2" +
              Num(1000, 10) + Num(xOrigin, 10) + Num(yOrigin, 10) + Num(0, 10) + Num(0, 10) +
              "19990401199905011999010100001" + "QUORVEL SAMPLE");
  }

  static std::string Coords(const std::vector<Xy>& pts) {
    std::string s;
    for (const auto& [x, y] : pts) s += Num(x, 5) + Num(y, 5) + " ";
    return s;
  }

  std::string Geometry(char type, const std::vector<Xy>& pts) {
    return "21" + Num(++id_, 6) + type + Num(static_cast<std::int64_t>(pts.size()), 4) + Coords(pts);
  }

  // A point feature: point record, geometry, attributes.
  void Point(Xy p, const std::string& attributes) {
    const std::int64_t feature = ++points_;
    const std::string geometry = Geometry('1', {p});
    w_.Record("15" + Num(feature, 6) + Num(id_, 6) + "01" + Num(id_, 6));
    w_.Record(geometry);
    w_.Record("14" + Num(id_, 6) + attributes);
  }

  // A line feature; `attributeCuts` places line breaks inside the attribute
  // record (continuation join inside a value).
  void Line(const std::vector<Xy>& pts, const std::string& attributes,
            std::initializer_list<std::size_t> attributeCuts = {}) {
    const std::int64_t feature = ++lines_;
    const std::string geometry = Geometry('2', pts);
    w_.Record("23" + Num(feature, 6) + Num(id_, 6) + "01" + Num(id_, 6));
    w_.Record(geometry);
    const std::string record = "14" + Num(id_, 6) + attributes;
    if (attributeCuts.size() > 0) w_.RecordCutAt(record, attributeCuts);
    else w_.Record(record);
  }

  // A name: text record, position, representation (height in tenths of a
  // millimetre, position code, orientation in tenths of a degree), anchor
  // point and the attribute record holding the text.
  void Text(Xy p, int heightTenths, int position, int orientTenths, const std::string& code,
            const std::string& text) {
    const std::int64_t t = ++texts_;
    const std::int64_t geometry = id_ + 1;
    w_.Record("43" + Num(t, 6) + "01" + Num(0, 6) + Num(t, 6) + "01" + Num(geometry, 6));
    w_.Record("44" + Num(t, 6) + "01" + Num(t, 6) + Num(geometry, 6));
    w_.Record("45" + Num(t, 6) + "0001" + Num(heightTenths, 3) + std::to_string(position) + Num(orientTenths, 4));
    w_.Record(Geometry('1', {p}));
    w_.Record("14" + Num(id_, 6) + "FC" + code + "TX" + text + "\\");
  }

  // A node naming `claimed` links, of which `links` are present.
  void Node(std::int64_t pointId, std::int64_t claimed, const std::vector<Link>& links) {
    std::string body = "16" + Num(++nodes_, 6) + Num(pointId, 6) + Num(claimed, 4);
    for (const Link& l : links)
      body += std::string(1, l.dir) + Num(l.id, 6) + Num(l.orientTenths, 4) + std::string(1, l.level);
    w_.Record(body);
  }

  std::int64_t lastGeometry() const { return id_; }

 private:
  NtfWriter& w_;
  std::int64_t id_ = 0;  // geometry and attribute identifiers
  std::int64_t points_ = 0, lines_ = 0, texts_ = 0, nodes_ = 0;
};

std::string Od(std::int64_t n) { return "ST" + Num(n, 11); }

std::string RoadAttributes(std::int64_t n, const std::string& code, const std::string& tags) {
  return "OD" + Od(n) + "FC" + code + tags;
}

std::vector<Xy> Path(Rng& rng, Xy start, int count, std::int64_t extent) {
  std::vector<Xy> pts{start};
  for (int i = 1; i < count; ++i) {
    auto [x, y] = pts.back();
    x = std::min<std::int64_t>(extent, std::max<std::int64_t>(0, x + rng.Range(-400, 400)));
    y = std::min<std::int64_t>(extent, std::max<std::int64_t>(0, y + rng.Range(-400, 400)));
    pts.push_back({x, y});
  }
  return pts;
}

void SmallTile(Meridian2Writer& m, Rng& rng) {
  // Road nodes: roundabout flag, junction name with a comma and quotes,
  // settlement name; a node with no road values.
  m.Point({5000, 5000}, RoadAttributes(1, "3500", "RTYJNHigh Cross, \"The Square\"\\SNAbertest\\"));
  m.Point({1000, 1200}, RoadAttributes(2, "3500", "RTN"));
  m.Point({9990, 4000}, RoadAttributes(3, "3501", ""));
  m.Node(1, 3, {{'1', 4, 900, '0'}, {'2', 5, 5, '1'}, {'1', 6, 3599, '0'}});
  m.Node(2, 0, {});
  std::vector<Link> twelve;
  for (int k = 1; k <= 12; ++k) twelve.push_back({k % 3 ? '1' : '2', 100 + k, 300 * k % 3600, k % 4 ? '0' : '1'});
  m.Node(3, 12, twelve);

  // Roads: every mnemonic. Two parents after NP, a road number, trunk flag
  // and name after it.
  m.Line(Path(rng, {1000, 1200}, 9, 9999),
         RoadAttributes(10, "3001", "LL05300NP02PO" + Od(90) + "PO" + Od(91) + "RNA4067\\TRYPNHeol Test\\"));
  // Name with a comma and quotes; the road number last.
  m.Line(Path(rng, {5000, 5000}, 7, 9999),
         RoadAttributes(11, "3000", "LL05700TRNPNMotorway, \"Spur\"\\RNM4\\"));
  // Road number first (even length), one parent, name, junction name.
  m.Line(Path(rng, {9990, 4000}, 12, 9999),
         RoadAttributes(12, "3002", "RNB4282\\LL04900NP01PO" + Od(92) + "PNBryn Road\\JNCross Inn\\"));
  // A parent without a count, settlement name, trunk flag, roundabout.
  m.Line(Path(rng, {5000, 5000}, 5, 9999),
         RoadAttributes(13, "3004", "LL01200PO" + Od(93) + "\\SNPentest\\TRNRTY"));
  // Attribute record cut across lines inside the name.
  m.Line(Path(rng, {2000, 8000}, 4, 9999), RoadAttributes(14, "3004", "LL00900PNLon y Felin\\"), {40});
  // Only a link length: the end mark follows the value directly.
  m.Line({{5000, 5000}, {5845, 5307}}, RoadAttributes(15, "3004", "LL00090"));
  // A long line: its geometry record runs over several lines.
  m.Line(Path(rng, {0, 300}, 30, 9999), RoadAttributes(16, "3004", "LL09999PNLong Lane\\"));

  // Coded values, one feature per family.
  m.Line(Path(rng, {0, 7000}, 10, 9999), "FC6140RIRL00000000501");
  m.Line({{3000, 7100}, {3600, 7150}}, "FC6142RIRL00000000502");
  m.Point({4500, 7200}, "FC6155SIST00000000077PNTestford Parkway\\");
  m.Point({0, 7000}, "FC6730");
  m.Line(Path(rng, {2000, 0}, 12, 9999), "FC6403LC000017RC000017LD001701RD001702");
  m.Line(Path(rng, {0, 300}, 14, 9999), "FC6200LC000017RC000000LD001701RD000000");
  m.Line({{0, 0}, {9999, 0}, {9999, 9999}, {0, 9999}, {0, 0}}, "FC6800");
  m.Point({1200, 6000}, "FC6415PI001701NMTestford District\\");
  m.Point({7000, 2000}, "FC6411PI000017NMGorllewin \"Test\", Sir\\");
  m.Point({2000, 0}, "FC6711PI001701");
  m.Point({3300, 400}, "FC6740");
  m.Line(Path(rng, {9999, 9000}, 16, 9999), "FC6224WIWL00000003001PNAfon Brawf\\");
  m.Line({{6200, 2000}, {6300, 1500}}, "FC6230WIWL00000003002");
  m.Line({{7500, 5500}, {7000, 5800}, {6500, 5500}, {7000, 5200}, {7500, 5500}}, "FC6255WIWL00000003003PNLlyn Prawf\\");
  m.Point({7000, 5500}, "FC6292WA000044PNLlyn Prawf\\");
  m.Point({9225, 7248}, "FC6770");
  m.Line({{500, 8000}, {1500, 8100}, {1600, 9200}, {400, 9100}, {500, 8000}}, "FC6664");
  m.Point({1000, 8600}, "FC6663FAFR00000000061");
  m.Line({{8000, 1000}, {9000, 1000}, {9000, 2000}}, "FC6300");
  m.Point({8500, 1500}, "FC6310DADL00000000071PNTestford Urban Area\\");
  m.Point({2000, 3000}, "FC6762HT00000060");
  m.Point({6000, 3000}, "FC6762HT00000100");
  // A code the table does not hold: the previous description and style,
  // layer 0.
  m.Point({4000, 4000}, "FC6999");
  m.Node(m.lastGeometry(), 1, {{'1', 10, 1800, '0'}});

  // Names at every position code, with a water text, a station name and a
  // name holding a comma and quotes.
  const char* const names[] = {"Testford", "Five Ways", "Pen-y-bryn", "Cwm \"Bach\", Upper", "Afon",
                               "Llyn Prawf", "Testford Parkway", "Bryn", "Y Waun"};
  for (int pos = 0; pos <= 8; ++pos) {
    const std::string code = pos == 5 ? "6552" : pos == 6 ? "6551" : "6500";
    m.Text({1000 + 900 * pos, 2000 + 700 * pos}, 10 + 5 * pos, pos, 450 * pos, code, names[pos]);
  }
}

void RandomTile(Meridian2Writer& m, Rng& rng, std::int64_t features) {
  static const char* const roadCodes[] = {"3000", "3001", "3002", "3004"};
  static const char* const words[] = {"Heol", "Ffordd", "Lon", "Mill", "Church", "Station", "Bryn", "Pant", "Coed"};
  auto name = [&] { return std::string(words[rng.Range(0, 8)]) + " " + words[rng.Range(0, 8)]; };
  const std::int64_t extent = 99999;
  auto at = [&] { return Xy{rng.Range(0, extent), rng.Range(0, extent)}; };
  std::int64_t od = 0;
  for (std::int64_t n = 0; n < features; ++n) {
    const std::int64_t kind = rng.Range(0, 99);
    if (kind < 40) {
      std::string tags = "LL" + Num(rng.Range(10, 99999), 5);
      if (rng.Chance(30)) tags += "NP01PO" + Od(rng.Range(1, 99999));
      if (rng.Chance(40)) tags += "RN" + std::string(rng.Chance(50) ? "A" : "B") + std::to_string(rng.Range(1, 4999)) + "\\";
      if (rng.Chance(30)) tags += std::string("TR") + (rng.Chance(50) ? "Y" : "N");
      if (rng.Chance(50)) tags += "PN" + name() + "\\";
      m.Line(Path(rng, at(), static_cast<int>(rng.Range(2, 40)), extent),
             RoadAttributes(++od, roadCodes[rng.Range(0, 3)], tags));
    } else if (kind < 55) {
      std::string tags = rng.Chance(20) ? "RTY" : "";
      if (rng.Chance(20)) tags += "JN" + name() + "\\";
      m.Point(at(), RoadAttributes(++od, rng.Chance(80) ? "3500" : "3501", tags));
      std::vector<Link> links;
      const std::int64_t count = rng.Range(0, 5);
      for (std::int64_t k = 0; k < count; ++k)
        links.push_back({rng.Chance(50) ? '1' : '2', rng.Range(1, 999999), rng.Range(0, 3599), rng.Chance(90) ? '0' : '1'});
      m.Node(m.lastGeometry(), count, links);
    } else if (kind < 65) {
      m.Line(Path(rng, at(), static_cast<int>(rng.Range(2, 30)), extent),
             "FC622" + std::to_string(rng.Range(3, 5)) + "WIWL" + Num(rng.Range(1, 99999999), 9) + "PN" + name() + "\\");
    } else if (kind < 72) {
      m.Line(Path(rng, at(), static_cast<int>(rng.Range(2, 30)), extent),
             std::string("FC640") + (rng.Chance(50) ? "1" : "3") + "LC" + Num(rng.Range(1, 99), 6) + "RC" +
                 Num(rng.Range(1, 99), 6) + "LD" + Num(rng.Range(1, 9999), 6) + "RD" + Num(rng.Range(1, 9999), 6));
    } else if (kind < 77) {
      m.Line(Path(rng, at(), static_cast<int>(rng.Range(2, 30)), extent), "FC6140RIRL" + Num(rng.Range(1, 99999999), 11));
    } else if (kind < 85) {
      m.Point(at(), "FC6762HT" + Num(rng.Range(0, 900), 8));
    } else if (kind < 90) {
      m.Point(at(), "FC6663FAFR" + Num(rng.Range(1, 99999999), 11));
    } else if (kind < 93) {
      m.Line(Path(rng, at(), static_cast<int>(rng.Range(3, 20)), extent), "FC6664");
    } else {
      m.Text(at(), static_cast<int>(rng.Range(10, 40)), static_cast<int>(rng.Range(0, 8)),
             static_cast<int>(rng.Range(0, 3599)), rng.Chance(80) ? "6500" : "6551", name());
    }
  }
}

}  // namespace

std::string GenerateMeridian2(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  Meridian2Writer m(w);
  if (options.size == Size::Small) {
    m.Preamble("ST57", 350000, 170000);
    SmallTile(m, rng);
  } else {
    m.Preamble("SO00", 300000, 200000);
    RandomTile(m, rng, options.size == Size::Medium ? 400 : 30000);
  }
  w.End();
  return w.Take();
}

}  // namespace ntfgen
