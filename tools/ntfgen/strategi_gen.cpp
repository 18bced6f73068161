// Strategi tiles. Every feature is a short run of records: a point record
// "15" or a line record "23", its geometry record "21" and its attribute
// record "14" (feature code and tagged attributes); a text feature starts
// with a text record "43", its position record "44" and its representation
// "45" (height, digit position, orientation). Node records "16" carry the
// road network.
#include <string>
#include <vector>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

constexpr std::int64_t kXOrigin = 200000;
constexpr std::int64_t kYOrigin = 100000;

struct Coord {
  std::int64_t x, y;  // raw, before the section origin is added
};

class StrategiWriter {
 public:
  explicit StrategiWriter(NtfWriter& w) : w_(w) {}

  static std::string Vertex(Coord c) { return Num(c.x, 7) + Num(c.y, 7); }

  // The geometry record: type, count and the vertices, 15 columns each.
  static std::string Geometry(std::int64_t geomId, char type, const std::vector<Coord>& points) {
    std::string body = "21" + Num(geomId, 6) + type + Num(static_cast<std::int64_t>(points.size()), 4);
    for (const Coord& c : points) body += Vertex(c) + " ";
    return body;
  }

  static std::string Attribute(std::int64_t id, std::string_view code, std::string_view attributes) {
    return "14" + Num(id, 6) + "FC" + std::string(code) + "DE" + "19960401" + std::string(attributes);
  }

  void Point(std::string_view code, Coord c, std::string_view attributes) {
    const std::int64_t geom = ++geomId_, att = ++attId_;
    w_.Record("15" + Num(++pointId_, 6) + Num(geom, 6) + "01" + Num(att * 10, 7));
    w_.Record(Geometry(geom, '1', {c}));
    w_.Record(Attribute(att, code, attributes));
  }

  void Line(std::string_view code, const std::vector<Coord>& points, std::string_view attributes) {
    const std::int64_t geom = ++geomId_, att = ++attId_;
    w_.Record("23" + Num(++lineId_, 6) + Num(geom, 6) + "01" + Num(att * 10, 7));
    w_.Record(Geometry(geom, '2', points));
    w_.Record(Attribute(att, code, attributes));
  }

  // height in tenths of a millimetre, orientation in tenths of a degree.
  void Text(std::string_view code, Coord c, int heightTenths, int digit, int orientationTenths,
            std::string_view text) {
    const std::int64_t geom = ++geomId_, att = ++attId_, t = ++textId_;
    w_.Record("43" + Num(t, 6) + "01" + "000000" + Num(t, 6) + "01" + Num(geom, 6));
    w_.Record("44" + Num(t, 6) + "01" + Num(t, 6) + Num(geom, 6));
    w_.Record("45" + Num(t, 6) + "0001" + Num(heightTenths, 3) + std::to_string(digit) + Num(orientationTenths, 4));
    w_.Record(Geometry(geom, '1', {c}));
    w_.Record(Attribute(att, code, "TX" + std::string(text) + "\\"));
  }

  struct Link {
    char direction;
    std::int64_t id;
    int orientationTenths;
    char level;
  };
  // `claimed` is the link count written; the links given follow it.
  void Node(std::int64_t claimed, const std::vector<Link>& links) {
    ++nodeId_;
    std::string body = "16" + Num(nodeId_, 6) + Num(nodeId_ + 100000, 6) + Num(claimed, 4);
    for (const Link& l : links) body += std::string(1, l.direction) + Num(l.id, 6) + Num(l.orientationTenths, 4) + l.level;
    w_.Record(body);
  }

  // The records of a feature written by hand.
  std::int64_t NextGeomId() { return ++geomId_; }
  std::int64_t NextAttId() { return ++attId_; }
  std::int64_t NextPointId() { return ++pointId_; }
  std::int64_t NextLineId() { return ++lineId_; }

 private:
  NtfWriter& w_;
  std::int64_t pointId_ = 0, lineId_ = 0, geomId_ = 0, attId_ = 0, textId_ = 0, nodeId_ = 0;
};

// The attribute description records "40": mnemonic, width (0: up to the
// next backslash), format and name.
void AttributeDescriptions(NtfWriter& w) {
  const char* const attributes[][3] = {
      {"FC", "004A4   ", "FEAT_CODE"},       {"DE", "008I8   ", "DATE"},          {"TX", "000A*   ", "TEXT"},
      {"RU", "001A1   ", "RU"},              {"RB", "001A1   ", "RB"},            {"GS", "000A*   ", "GIS"},
      {"NU", "000A*   ", "FEATURE_NUMBER"},  {"FM", "000A*   ", "FEATURE_NAME"},  {"LO", "001I1   ", "LOCATION"},
      {"UE", "001A1   ", "USAGE"},           {"CM", "000A*   ", "COUNTY_NAME"},   {"UN", "000A*   ", "UNITARY_NAME"},
      {"DN", "000A*   ", "DISTRICT_NAME"},   {"OW", "000A*   ", "OWNER"},         {"HI", "004I4   ", "HEIGHT_IMPERIAL"},
      {"HM", "004I4   ", "HEIGHT_METRIC"},   {"OR", "004R4,1 ", "ORIENTATION"},
  };
  for (const auto& a : attributes) w.Record(std::string("40") + a[0] + a[1] + a[2] + "\\");
}

// Codes by attribute group, for the random tiles (all are in the style table).
struct CodeSet {
  char group;
  std::vector<std::string_view> codes;
  bool line;
};

const std::vector<CodeSet>& RandomCodes() {
  static const std::vector<CodeSet> sets = {
      {'-', {"5200", "5243", "5314", "5355", "5356", "5361", "5365", "5382", "5515", "5612", "5725", "5806", "5837",
             "5841", "5845", "5847", "5880", "5886", "5887", "5892"},
       false},
      {'-', {"5110", "5120", "5230", "5240", "5250", "5350", "5384", "5390", "5397", "5398", "5405", "5420", "5491",
             "5510", "5522", "5610", "5710", "5720", "5730", "5825", "5890"},
       true},
      {'B', {"5115"}, false},
      {'C', {"5121", "5123", "5251", "5421", "5423", "5611"}, false},
      {'D', {"5378", "5379", "5805", "5835", "5843", "5844", "5861", "5862", "5863", "5881", "5884", "5889"}, false},
      {'E', {"5300", "5310", "5320", "5323", "5330", "5333", "5340", "5343", "5358", "5373"}, true},
      {'F', {"5211", "5212", "5221", "5241", "5353", "5407", "5810", "5812"}, true},
      {'F', {"5860", "5864", "5877", "5878"}, false},
      {'G', {"5620", "5715"}, false},
      {'H', {"5621"}, false},
      {'I', {"5140", "5141", "5520", "5815", "5838", "5840", "5867", "5870", "5885"}, false},
      {'J', {"5360"}, false},
      {'K', {"5370", "5372"}, false},
      {'L', {"5380", "5530", "5531"}, false},
      {'M', {"5413", "5416", "5427"}, false},
      {'N', {"5419"}, false},
      {'O', {"5733"}, false},
      {'P', {"5879"}, false},
      {'Q', {"5883"}, false},
      {'R', {"5901"}, false},
  };
  return sets;
}

const char* const kTextCodes[] = {"5006", "5016", "5020", "5025", "5031", "5033", "5040", "5044", "5060", "5090", "5721"};

std::string Name(Rng& rng) {
  static const char* const first[] = {"Ash", "Bex", "Cal", "Dun", "Elm", "Fen", "Glen", "Hol", "Ketl", "Mor", "Pen"};
  static const char* const last[] = {"ford", "by", "wick", "ton", " Hall", " Park", "ham", " Castle", "mere"};
  return std::string(first[rng.Range(0, 10)]) + last[rng.Range(0, 8)];
}

std::string GridRef(Rng& rng) {
  static const char* const squares[] = {"SS", "SN", "ST", "SO"};
  return std::string(squares[rng.Range(0, 3)]) + " " + Num(rng.Range(0, 999), 3) + " " + Num(rng.Range(0, 999), 3);
}

std::string RandomAttributes(char group, Rng& rng) {
  const std::string digit = std::to_string(rng.Range(1, 4));
  switch (group) {
    case 'B': return "RU" + digit;
    case 'C': return "RB" + digit;
    case 'D': return "GS" + GridRef(rng) + "\\";
    case 'E': return "NU" + std::string(rng.Chance(50) ? "A" : "B") + std::to_string(rng.Range(1, 4999)) + "\\";
    case 'F': return "FM" + Name(rng) + "\\";
    case 'G': return "RU" + digit + "FM" + Name(rng) + "\\";
    case 'H': return "RB" + digit + "FM" + Name(rng) + "\\";
    case 'I': return "FM" + Name(rng) + "\\GS" + GridRef(rng) + "\\";
    case 'J': return "LO" + digit + "UE1OR0" + Num(rng.Range(0, 359), 3) + "NUM" + std::to_string(rng.Range(1, 99)) + "\"\\GS" +
                     GridRef(rng) + "\\";
    case 'K': return "NUM" + std::to_string(rng.Range(1, 99)) + "\\GS" + GridRef(rng) + "\\";
    // Orientations below 100 degrees: GDAL writes the field as four characters.
    case 'L': return "OR" + Num(rng.Range(0, 999), 4) + "GS" + GridRef(rng) + "\\";
    case 'M': return "LO" + digit + "FM" + Name(rng) + "\"\\CM" + Name(rng) + "shire\\UN" + Name(rng) + "\\";
    case 'N': return "FM" + Name(rng) + "\"\\CM" + Name(rng) + "shire\\UN" + Name(rng) + "\\";
    case 'O': return "RU" + digit + "CM" + Name(rng) + "shire\"\\DN" + Name(rng) + " District\\";
    case 'P': return "FM" + Name(rng) + "\"\\GS" + GridRef(rng) + "\\";
    case 'Q': return "FM" + Name(rng) + "\"\\OWNational Trust\\";
    case 'R': return "HI" + Num(rng.Range(0, 1344), 4) + "HM" + Num(rng.Range(0, 9999), 4);
    default: return {};
  }
}

std::vector<Coord> RandomLine(Rng& rng, int maxVertices) {
  const int n = static_cast<int>(rng.Range(2, maxVertices));
  std::vector<Coord> points;
  Coord c{rng.Range(0, 90000), rng.Range(0, 90000)};
  for (int i = 0; i < n; ++i) {
    points.push_back(c);
    c.x = std::min<std::int64_t>(9999999, std::max<std::int64_t>(0, c.x + rng.Range(-900, 900)));
    c.y = std::min<std::int64_t>(9999999, std::max<std::int64_t>(0, c.y + rng.Range(-900, 900)));
  }
  return points;
}

void RandomTile(NtfWriter& w, Rng& rng, std::int64_t features, int maxVertices) {
  StrategiWriter s(w);
  const auto& sets = RandomCodes();
  std::int64_t linksWritten = 0;
  for (std::int64_t n = 0; n < features; ++n) {
    const int kind = static_cast<int>(rng.Range(0, 99));
    if (kind < 10) {
      const char* code = kTextCodes[rng.Range(0, 10)];
      s.Text(code, {rng.Range(0, 90000), rng.Range(0, 90000)}, static_cast<int>(rng.Range(8, 45)),
             static_cast<int>(rng.Range(0, 9)), static_cast<int>(rng.Range(0, 3599)), Name(rng));
    } else if (kind < 20) {
      std::vector<StrategiWriter::Link> links;
      const std::int64_t count = rng.Range(1, 4);
      for (std::int64_t k = 0; k < count; ++k)
        links.push_back({rng.Chance(50) ? '1' : '2', ++linksWritten, static_cast<int>(rng.Range(0, 3599)),
                         static_cast<char>('0' + rng.Range(0, 2))});
      s.Node(count, links);
    } else {
      const CodeSet& set = sets[static_cast<std::size_t>(rng.Range(0, static_cast<std::int64_t>(sets.size()) - 1))];
      const std::string_view code = set.codes[static_cast<std::size_t>(rng.Range(0, static_cast<std::int64_t>(set.codes.size()) - 1))];
      const std::string attributes = RandomAttributes(set.group, rng);
      if (set.line) s.Line(code, RandomLine(rng, maxVertices), attributes);
      else s.Point(code, {rng.Range(0, 90000), rng.Range(0, 90000)}, attributes);
    }
  }
}

// A tile that exercises the cases a translator can get wrong.
void SmallTile(NtfWriter& w) {
  StrategiWriter s(w);
  // Plain points and lines: three decimals on the first vertex of a line.
  s.Point("5200", {3000, 3000}, "");
  s.Line("5330", {{3000, 3000}, {3761, 3057}, {4511, 3181}}, "NUA4067\\");
  // A line of one vertex.
  s.Line("5350", {{9000, 4000}}, "");
  // A long line whose records run over several lines, cut inside fields.
  {
    std::vector<Coord> points;
    for (int i = 0; i < 11; ++i) points.push_back({5000 + i * 1413, 19000 - i * 402});
    s.Line("5212", points, "FMAfon \"Nedd\", Fach\\");
  }
  {
    const std::int64_t geom = s.NextGeomId(), att = s.NextAttId();
    w.Record("15" + Num(s.NextPointId(), 6) + Num(geom, 6) + "01" + Num(att * 10, 7));
    w.RecordCutAt(StrategiWriter::Geometry(geom, '1', {{7876, 12942}}), {17, 24});
    w.RecordCutAt(StrategiWriter::Attribute(att, "5620", "RU2FMWelllin Hall\\"), {12, 28});
  }
  // Network nodes with 0, 3 and 12 links (only nine are read).
  s.Node(0, {});
  s.Node(3, {{'1', 3, 900, '0'}, {'2', 4, 5, '1'}, {'1', 123, 1824, '2'}});
  {
    std::vector<StrategiWriter::Link> links;
    for (int k = 1; k <= 12; ++k) links.push_back({k % 2 ? '1' : '2', 200 + k, 300 * k, static_cast<char>('0' + k % 3)});
    s.Node(12, links);
  }
  // Every attribute group.
  s.Point("5115", {14331, 6018}, "RU2");                                     // B
  s.Point("5251", {14819, 4290}, "RB1");                                     // C
  s.Point("5881", {7582, 12358}, "GSST 852 134\\");                          // D, rotated symbol
  s.Line("5310", {{8000, 12000}, {11287, 12239}}, "NUM4");                   // E, no terminator before the end mark
  s.Point("5621", {11271, 16966}, "RB2FMCotlin Abbey\\");                    // H
  s.Point("5140", {8825, 14633}, "FMMumbles Head\\GSSS 629 872\\");          // I
  s.Point("5815", {8830, 14640}, "GSSS 630 873\\");                          // I without FM: nothing read
  s.Point("5360", {3434, 591}, "LO2UE1OR0210NUM46\"\\GSST 115 765\\");       // J
  s.Point("5370", {10068, 10576}, "NUM61\\GSST 636 248\\");                  // K
  s.Point("5530", {7620, 5523}, "OR2275GSSN 934 890\\");                     // L
  s.Point("5413", {6546, 15939}, "LO2FMPenmor Park\"\\CMNewstead, Shire\\UNWorthcombe\\");  // M
  s.Point("5416", {15247, 18628}, "LO1FMLowdal Castle\"\\UNMinburgate\\");  // M without CM
  s.Point("5427", {4587, 3846}, "LO3FMCalcliff Castle\\CMHurstshire\\UNCombefield\\");  // M, CM right after
  s.Point("5419", {1561, 17737}, "FMGravethorp\"\\CMHolmdenshire\\UNStokeing\\");       // N
  s.Point("5733", {3128, 2819}, "RU1CMErellshire\"\\DNWalwin District\\");                // O
  s.Point("5879", {16165, 8632}, "FMBranwick Park\"\\GSSS 003 828\\");                   // P, FM first
  s.Point("5879", {12536, 19263}, "GSSN 484 709\"\\FMWellches Hall\\");                  // P, GS first
  s.Point("5883", {19495, 16911}, "FMBelockash Park\"\\OWNational Trust\\");             // Q
  s.Point("5883", {9399, 9819}, "FMOckridge\\OWNational Trust\\");                       // Q, OW right after
  s.Point("5901", {6219, 2463}, "HI0028HM0100");                                          // R, leading zeros
  // A code the style table does not hold: not written.
  s.Point("5999", {2313, 16979}, "");
  // An attribute record with no geometry since the previous one.
  w.Record(StrategiWriter::Attribute(s.NextAttId(), "5200", ""));
  // Lines of other layers.
  s.Line("5710", {{0, 100}, {1818, 187}, {3636, 241}, {5460, 176}}, "");
  s.Line("5398", {{10000, 0}, {10000, 19999}}, "");
  // Texts: every digit position (9 reuses the offsets of the text before),
  // heights that are and are not adjusted, several orientations, a double
  // quote (the text ends there) and a comma.
  s.Text("5006", {9760, 18156}, 20, 4, 0, "Testford");
  s.Text("5040", {18365, 1728}, 12, 0, 0, "Pen-y-bryn");
  s.Text("5020", {18123, 8664}, 13, 2, 450, "Afon Nedd");
  s.Text("5031", {8625, 5441}, 17, 5, 900, "M4");
  s.Text("5044", {9952, 15062}, 20, 9, 0, "Land's End, \"Point\"");
  s.Text("5721", {9012, 9858}, 30, 1, 2700, "West Glamorgan");
  s.Text("5060", {4229, 12296}, 24, 3, 1800, "Gower Peninsula");
  s.Text("5090", {2351, 17185}, 12, 6, 3600, "213");
  s.Text("5033", {5000, 5000}, 44, 7, 905, "A465");
  s.Text("5062", {6000, 7000}, 8, 8, 1801, "Worms Head");
  s.Text("5741", {7000, 8000}, 39, 9, 2701, "Swansea");
}

}  // namespace

std::string GenerateStrategi(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers("Strategi_02.96");
  AttributeDescriptions(w);
  // The section header with the XY multiplier in thousandths (1.000), as
  // Strategi tiles have it; the translator adds only the origin.
  w.Record("07" + Pad("SS", 10) + "21000072" + Num(1000, 10) + Num(1, 6) + Num(0, 10) + Num(kXOrigin, 10) +
           Num(kYOrigin, 10) + Num(0, 10) + Num(0, 10) + "199904011999050119990101" + "QUORVEL SAMPLE");
  if (options.size == Size::Small) SmallTile(w);
  else if (options.size == Size::Medium) RandomTile(w, rng, 400, 12);
  else RandomTile(w, rng, 60000, 40);
  w.End();
  return w.Take();
}

}  // namespace ntfgen
