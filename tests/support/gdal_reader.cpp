#include "support/gdal_reader.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>

#include "support/test_support.hpp"

namespace quorvel::test {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Splits text at '\n', dropping a '\r' before it; a last line without an end
// counts too.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A field line of a feature, "  NAME (Type) = value", where the type is a
// word with an optional width: "String", "Real(12.3)". The name runs to the
// first " (" after which such a type and ") = " follow.
bool ParseField(std::string_view line, GdalField& field) {
  if (line.size() < 3 || !StartsWith(line, "  ") || line[2] == ' ') return false;
  for (std::size_t open = line.find(" (", 3); open != std::string_view::npos; open = line.find(" (", open + 1)) {
    std::size_t i = open + 2;
    const std::size_t typeStart = i;
    while (i < line.size() && std::isalnum(static_cast<unsigned char>(line[i]))) ++i;
    if (i == typeStart) continue;
    if (i < line.size() && line[i] == '(') {
      const std::size_t widthStart = ++i;
      while (i < line.size() && (std::isdigit(static_cast<unsigned char>(line[i])) || line[i] == '.' || line[i] == ','))
        ++i;
      if (i == widthStart || i >= line.size() || line[i] != ')') continue;
      ++i;
    }
    if (line.substr(i, 4) != ") = ") continue;
    field.name = std::string(line.substr(2, open - 2));
    field.type = std::string(line.substr(typeStart, i - typeStart));
    field.value = std::string(line.substr(i + 4));
    return true;
  }
  return false;
}

constexpr std::array<std::string_view, 15> kGeometryKeywords = {
    "POINT",        "LINESTRING",         "POLYGON",        "MULTIPOINT",    "MULTILINESTRING",
    "MULTIPOLYGON", "GEOMETRYCOLLECTION", "CIRCULARSTRING", "COMPOUNDCURVE", "CURVEPOLYGON",
    "MULTICURVE",   "MULTISURFACE",       "TRIANGLE",       "TIN",           "POLYHEDRALSURFACE"};

// A geometry line of a feature, "  POINT (1 2)", "  LINESTRING Z (...)".
bool IsGeometryLine(std::string_view line) {
  if (!StartsWith(line, "  ")) return false;
  const std::string_view rest = line.substr(2);
  return std::any_of(kGeometryKeywords.begin(), kGeometryKeywords.end(), [&](std::string_view keyword) {
    return StartsWith(rest, keyword) && rest.size() > keyword.size() && rest[keyword.size()] == ' ';
  });
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// The vertices of one coordinate list, "1 2,3 4".
GdalPath Vertices(std::string_view list) {
  GdalPath path;
  for (std::size_t from = 0;;) {
    const std::size_t comma = list.find(',', from);
    path.push_back(Words(list.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from)));
    if (comma == std::string_view::npos) return path;
    from = comma + 1;
  }
}

}  // namespace

const std::string* GdalFeature::Field(std::string_view name) const {
  for (const GdalField& f : fields)
    if (f.name == name) return &f.value;
  return nullptr;
}

std::string GdalFeature::GeometryType() const {
  std::size_t end = geometry.find(" (");
  if (end == std::string::npos) end = geometry.find(" EMPTY");
  return geometry.substr(0, end);
}

std::string GdalFeature::CoordinateText() const {
  const std::size_t open = geometry.find('('), close = geometry.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return "";
  return geometry.substr(open + 1, close - open - 1);
}

std::vector<GdalPath> GdalFeature::Paths() const {
  std::vector<GdalPath> paths;
  std::size_t start = std::string::npos;
  for (std::size_t i = 0; i < geometry.size(); ++i) {
    if (geometry[i] == '(') {
      start = i + 1;
    } else if (geometry[i] == ')' && start != std::string::npos) {
      GdalPath path = Vertices(std::string_view(geometry).substr(start, i - start));
      std::erase_if(path, [](const GdalVertex& v) { return v.empty(); });
      paths.push_back(std::move(path));
      start = std::string::npos;
    }
  }
  return paths;
}

std::string GdalFeature::Wkt2d() const {
  std::string type = GeometryType();
  for (std::string_view suffix : {" ZM", " Z", " M"})
    if (type.size() > suffix.size() && type.ends_with(suffix)) type.resize(type.size() - suffix.size());
  std::string out = type;
  const std::size_t open = geometry.find('(');
  if (open == std::string::npos) return out + geometry.substr(GeometryType().size());
  out += ' ';
  // Copies the nesting as it stands and rewrites every innermost list with
  // the first two coordinates of each vertex.
  std::size_t i = open;
  while (i < geometry.size()) {
    const char c = geometry[i];
    if (c != '(') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t next = geometry.find_first_of("()", i + 1);
    if (next == std::string::npos || geometry[next] == '(') {
      out += c;
      ++i;
      continue;
    }
    out += '(';
    bool first = true;
    for (const GdalVertex& v : Vertices(std::string_view(geometry).substr(i + 1, next - i - 1))) {
      if (!first) out += ',';
      first = false;
      for (std::size_t k = 0; k < v.size() && k < 2; ++k) out += (k ? " " : "") + v[k];
    }
    out += ')';
    i = next + 1;
  }
  return out;
}

std::vector<const GdalFeature*> GdalReading::InLayer(std::string_view layer) const {
  std::vector<const GdalFeature*> in;
  for (const GdalFeature& f : features)
    if (f.layer == layer) in.push_back(&f);
  return in;
}

std::string GdalReading::Problems() const {
  std::string problems;
  for (const std::string& e : errors) problems += e + "\n";
  if (exitCode != 0) problems += "ogrinfo exit " + std::to_string(exitCode) + "\n";
  return problems;
}

bool HaveGdal() { return RunCommand("command -v ogrinfo >/dev/null").exitCode == 0; }

GdalReading ParseOgrInfo(const std::string& out, const std::string& err, int exitCode) {
  GdalReading reading;
  reading.exitCode = exitCode;
  GdalFeature* feature = nullptr;
  for (std::string_view line : Lines(out)) {
    if (line.find("ERROR") != std::string_view::npos) reading.errors.emplace_back(line);
    if (StartsWith(line, "Layer name: ")) {
      reading.layers.emplace_back(line.substr(12));
      feature = nullptr;
    } else if (StartsWith(line, "OGRFeature(")) {
      const std::size_t close = line.find(')');
      GdalFeature f;
      f.layer = std::string(line.substr(11, close == std::string_view::npos ? std::string_view::npos : close - 11));
      if (std::find(reading.layers.begin(), reading.layers.end(), f.layer) == reading.layers.end())
        reading.layers.push_back(f.layer);
      reading.features.push_back(std::move(f));
      feature = &reading.features.back();
    } else if (feature) {
      GdalField field;
      if (ParseField(line, field))
        feature->fields.push_back(std::move(field));
      else if (IsGeometryLine(line) && feature->geometry.empty())
        feature->geometry = std::string(line.substr(2));
    }
  }
  for (std::string_view line : Lines(err)) {
    if (line.find("ERROR") != std::string_view::npos) reading.errors.emplace_back(line);
    if (line.find("Warning") != std::string_view::npos) reading.warnings.emplace_back(line);
  }
  return reading;
}

GdalReading ReadWithGdal(const std::string& path, const std::vector<std::string>& layers) {
  std::string command = "ogrinfo -ro -al -q " + Quote(path);
  for (const std::string& layer : layers) command += " " + Quote(layer);
  const CommandResult r = RunCommand(command);
  return ParseOgrInfo(r.out, r.err, r.exitCode);
}

std::size_t MifObjectCount(const std::string& mifText) {
  static constexpr std::array<std::string_view, 13> kObjects = {"POINT",  "Point",      "PLINE",     "Pline", "REGION",
                                                                "Region", "TEXT",       "Text",      "NONE",  "LINE",
                                                                "Line",   "MULTIPOINT", "Multipoint"};
  std::size_t n = 0;
  bool data = false;
  for (const std::string& line : CrLfLines(mifText)) {
    if (!data) {
      data = line == "Data" || line == "DATA";
      continue;
    }
    const std::string_view l = line;
    n += std::any_of(kObjects.begin(), kObjects.end(), [&](std::string_view keyword) {
      return StartsWith(l, keyword) && (l.size() == keyword.size() || l[keyword.size()] == ' ');
    });
  }
  return n;
}

std::size_t MifDeclaredColumns(const std::string& mifText) {
  for (const std::string& line : CrLfLines(mifText))
    if (line.rfind("Columns ", 0) == 0 || line.rfind("COLUMNS ", 0) == 0) return std::stoul(line.substr(8));
  return 0;
}

::testing::AssertionResult GdalReadsMifWhole(const std::string& path) {
  const std::string mif = ReadFile(path);
  const GdalReading reading = ReadWithGdal(path);
  bool ok = true;
  std::ostringstream why;
  if (const std::string problems = reading.Problems(); !problems.empty()) {
    ok = false;
    why << "GDAL reports:\n" << problems;
  }
  if (const std::size_t objects = MifObjectCount(mif); reading.features.size() != objects) {
    ok = false;
    why << "GDAL reads " << reading.features.size() << " features of " << objects << " objects\n";
  }
  const std::size_t columns = MifDeclaredColumns(mif);
  for (std::size_t i = 0; i < reading.features.size(); ++i) {
    if (reading.features[i].fields.size() != columns) {
      ok = false;
      why << "feature " << i << " has " << reading.features[i].fields.size() << " fields of " << columns
          << " columns\n";
      break;
    }
  }
  if (ok) return ::testing::AssertionSuccess() << path << " reads whole";
  return ::testing::AssertionFailure() << path << ":\n" << why.str();
}

}  // namespace quorvel::test
