#include "preview/mif_reader.hpp"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <utility>

#include "platform/file_system.hpp"
#include "quorvel.hpp"
#include "run/set_names.hpp"

namespace quorvel::preview {

void Extent::Add(double x, double y) {
  if (empty) {
    minX = maxX = x;
    minY = maxY = y;
    empty = false;
    return;
  }
  minX = std::min(minX, x);
  maxX = std::max(maxX, x);
  minY = std::min(minY, y);
  maxY = std::max(maxY, y);
}

void Extent::Add(const Extent& other) {
  if (other.empty) return;
  Add(other.minX, other.minY);
  Add(other.maxX, other.maxY);
}

bool Extent::Intersects(const Extent& o) const {
  return !empty && !o.empty && minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
}

const char* LayerName(Layer layer) {
  switch (layer) {
    case Layer::Polygons: return "polygons";
    case Layer::Links: return "links";
    case Layer::Main: return "main";
    case Layer::Text: return "text";
  }
  return "main";
}

namespace {

// A fault at a line of the file being read; turned into the caller's message.
struct ReadError {
  std::size_t line;
  std::string reason;
};

// Objects and rings have at most this many points; a larger count is an
// error before anything is read.
constexpr double kMaxCount = 100000000.0;
constexpr std::size_t kMaxColumns = 4096;

// Into a string kept from line to line: no allocation per keyword.
void LowerInto(std::string& out, std::string_view s) {
  out.assign(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string Lower(std::string_view s) {
  std::string out;
  LowerInto(out, s);
  return out;
}

// What a bad token looked like, short and printable.
std::string Shown(std::string_view s) {
  std::string out;
  for (char c : s.substr(0, 24)) out += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
  if (s.size() > 24) out += "...";
  return "'" + out + "'";
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// Reads the tokens of one line.
class Scanner {
 public:
  explicit Scanner(std::string_view line) : s_(line) {}

  void SkipSpace() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\f' || s_[p_] == '\v')) ++p_;
  }
  bool AtEnd() {
    SkipSpace();
    return p_ >= s_.size();
  }
  std::string_view Rest() {
    SkipSpace();
    return s_.substr(p_);
  }
  // A keyword or column name: letters, digits and underscores.
  std::string_view Word() {
    SkipSpace();
    const std::size_t start = p_;
    if (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) return {};
    while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_' ||
                              static_cast<unsigned char>(s_[p_]) >= 128))
      ++p_;
    return s_.substr(start, p_ - start);
  }
  bool Number(double& value) {
    SkipSpace();
    std::size_t q = p_;
    if (q < s_.size() && s_[q] == '+') ++q;
    if (q >= s_.size() || !(std::isdigit(static_cast<unsigned char>(s_[q])) || s_[q] == '-' || s_[q] == '.')) return false;
    double v = 0;
    std::size_t end = QuickDecimal(q, v);
    if (end == 0) {
      const auto [ptr, ec] = std::from_chars(s_.data() + q, s_.data() + s_.size(), v);
      if (ec != std::errc() || !std::isfinite(v)) return false;
      end = static_cast<std::size_t>(ptr - s_.data());
    }
    if (end < s_.size() && !IsSeparator(s_[end])) return false;
    p_ = end;
    value = v;
    return true;
  }
  bool Peek(char c) {
    SkipSpace();
    return p_ < s_.size() && s_[p_] == c;
  }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++p_;
    return true;
  }
  // A double-quoted string with \" and \\ (and \n) escapes; false when the
  // line has none here, throws when it is not closed.
  bool String(std::string& out, std::size_t lineNo) {
    if (!Take('"')) return false;
    out.clear();
    while (p_ < s_.size()) {
      const char c = s_[p_++];
      if (c == '"') return true;
      if (c == '\\' && p_ < s_.size()) {
        const char e = s_[p_++];
        out += e == 'n' ? '\n' : e;
        continue;
      }
      out += c;
    }
    throw ReadError{lineNo, "a quoted string is not closed"};
  }
  // The next token, for messages.
  std::string_view Token() {
    SkipSpace();
    std::size_t q = p_;
    while (q < s_.size() && !IsSeparator(s_[q])) ++q;
    if (q == p_ && q < s_.size()) ++q;
    return s_.substr(p_, q - p_);
  }

 private:
  // A plain decimal as this program writes it ("-530075.41"), read at `q`
  // the quick way: with at most 15 digits they make an integer a double
  // holds exactly, and one division by a power of ten (also exact) rounds
  // correctly, so the value is the one std::from_chars gives. Returns the
  // end, or 0 for anything else (exponents, long digit runs, no digits),
  // which is left to std::from_chars.
  std::size_t QuickDecimal(std::size_t q, double& value) const {
    static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = q < s_.size() && s_[q] == '-';
    if (negative) ++q;
    std::uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; q < s_.size(); ++q) {
      const char c = s_[q];
      if (c >= '0' && c <= '9') {
        if (++count > 15) return 0;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (point) ++decimals;
      } else if (c == '.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (count == 0 || (q < s_.size() && (s_[q] == 'e' || s_[q] == 'E'))) return 0;
    const double magnitude = static_cast<double>(digits) / kPowers[decimals];
    value = negative ? -magnitude : magnitude;
    return q;
  }
  static bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ')' || c == '(' || c == '\r'; }
  std::string_view s_;
  std::size_t p_ = 0;
};

struct Arg {
  bool isString = false;
  double number = 0;
  std::string text;
};

int ToInt(double v) {
  if (!(v > -1e9)) return -1000000000;
  if (!(v < 1e9)) return 1000000000;
  return static_cast<int>(v);
}

Colour ToColour(double v) {
  if (!(v >= 0)) return 0;
  if (v >= 4294967295.0) return 0xFFFFFF;
  return static_cast<Colour>(static_cast<std::uint64_t>(v) & 0xFFFFFF);
}

class MifParser {
 public:
  MifParser(std::string_view text, PreviewLayer& out) : lines_(SplitLines(text)), out_(out) {}

  void Parse() {
    Header();
    Objects();
  }

 private:
  std::size_t LineNo() const { return i_ + 1; }
  [[noreturn]] void Fail(std::size_t line, std::string reason) const { throw ReadError{line, std::move(reason)}; }

  void ExpectEnd(Scanner& s, const char* after) const {
    if (!s.AtEnd()) Fail(LineNo(), "unexpected " + Shown(s.Token()) + " after " + after);
  }

  void Header() {
    bool sawVersion = false;
    for (;; ++i_) {
      if (i_ >= lines_.size()) Fail(LineNo(), "the file ends before its Data line");
      Scanner s(lines_[i_]);
      if (s.AtEnd()) continue;
      const std::string_view raw = s.Word();
      const std::string word = Lower(raw);
      if (word.empty()) Fail(LineNo(), "expected a header keyword, found " + Shown(s.Token()));
      if (!sawVersion && word != "version") Fail(LineNo(), "the file does not start with a Version line");
      if (word == "version") {
        double v;
        if (!s.Number(v)) Fail(LineNo(), "Version needs a number");
        sawVersion = true;
      } else if (word == "charset") {
        if (!s.String(out_.charset, LineNo())) Fail(LineNo(), "Charset needs a quoted name");
      } else if (word == "delimiter") {
        std::string d;
        if (!s.String(d, LineNo()) || d.size() != 1) Fail(LineNo(), "Delimiter needs one quoted character");
        out_.delimiter = d[0];
      } else if (word == "coordsys" || word == "index" || word == "unique" || word == "transform") {
        // Not needed for drawing.
      } else if (word == "columns") {
        double n;
        if (!s.Number(n) || n < 0 || n != std::floor(n)) Fail(LineNo(), "Columns needs a count");
        if (n > static_cast<double>(kMaxColumns)) Fail(LineNo(), "too many columns (" + std::string(s.Rest()) + ")");
        const std::size_t count = static_cast<std::size_t>(n);
        const std::size_t first = LineNo();
        for (std::size_t c = 0; c < count; ++c) {
          ++i_;
          if (i_ >= lines_.size())
            Fail(LineNo(), "the file ends inside the column list of line " + std::to_string(first) + " (" +
                               std::to_string(c) + " of " + std::to_string(count) + " columns)");
          Scanner col(lines_[i_]);
          std::string name;
          if (!col.String(name, LineNo())) name = std::string(col.Word());
          if (name.empty() || col.AtEnd())
            Fail(LineNo(), "expected column " + std::to_string(c + 1) + " of " + std::to_string(count) +
                               " (a name and a type), found " + Shown(lines_[i_]));
          out_.columns.push_back(name);
        }
      } else if (word == "data") {
        ExpectEnd(s, "Data");
        ++i_;
        break;
      } else {
        Fail(LineNo(), "unknown header keyword " + Shown(raw));
      }
    }
  }

  // Numbers that may run over several lines (coordinates and counts).
  class Stream {
   public:
    Stream(MifParser& p, std::string what, std::size_t begun) : p_(p), what_(std::move(what)), begun_(begun) {}
    // Starts on the rest of the current line.
    void Start(const Scanner& s) {
      scanner_ = s;
      started_ = true;
    }
    double Next(const char* item) {
      for (;;) {
        if (!started_) Advance();
        started_ = true;
        if (!scanner_.AtEnd()) break;
        Advance();
      }
      double v;
      if (!scanner_.Number(v))
        p_.Fail(p_.LineNo(), "expected " + std::string(item) + " of the " + what_ + " begun at line " +
                                 std::to_string(begun_) + ", found " + Shown(scanner_.Token()));
      return v;
    }
    std::size_t Count(const char* item) {
      const double n = Next(item);
      if (n < 0 || n != std::floor(n)) p_.Fail(p_.LineNo(), std::string(item) + " is not a count");
      if (n > kMaxCount) p_.Fail(p_.LineNo(), std::string(item) + " is too large");
      return static_cast<std::size_t>(n);
    }
    XY Point() {
      XY xy;
      xy.x = Next("a coordinate");
      xy.y = Next("a coordinate");
      return xy;
    }
    std::vector<XY> Points(std::size_t n) {
      std::vector<XY> pts;
      pts.reserve(std::min<std::size_t>(n, 65536));
      for (std::size_t k = 0; k < n; ++k) pts.push_back(Point());
      return pts;
    }
    // Nothing may follow the last number on its line.
    void Finish() {
      if (started_ && !scanner_.AtEnd())
        p_.Fail(p_.LineNo(), "unexpected " + Shown(scanner_.Token()) + " after the " + what_ + " begun at line " +
                                 std::to_string(begun_));
    }

   private:
    void Advance() {
      ++p_.i_;
      if (p_.i_ >= p_.lines_.size())
        p_.Fail(p_.lines_.size() + 1, "the file ends inside the " + what_ + " begun at line " + std::to_string(begun_));
      scanner_ = Scanner(p_.lines_[p_.i_]);
    }
    MifParser& p_;
    std::string what_;
    std::size_t begun_;
    Scanner scanner_{std::string_view()};
    bool started_ = false;
  };

  // The values of a clause, in a list kept from clause to clause (its
  // strings keep their room).
  std::span<const Arg> Args(Scanner& s, const char* clause) {
    std::vector<Arg>& args = args_;
    std::size_t used = 0;
    if (!s.Take('(')) Fail(LineNo(), std::string(clause) + " needs values in brackets");
    for (;;) {
      if (used == 16) Fail(LineNo(), std::string("too many values in ") + clause);
      if (used == args.size()) args.emplace_back();
      Arg& a = args[used++];
      a.number = 0;
      a.isString = s.String(a.text, LineNo());
      if (!a.isString && !s.Number(a.number))
        Fail(LineNo(), std::string("expected a value in ") + clause + ", found " + Shown(s.Token()));
      if (s.Take(')')) break;
      if (!s.Take(',')) Fail(LineNo(), std::string("expected ',' or ')' in ") + clause + ", found " + Shown(s.Token()));
    }
    ExpectEnd(s, clause);
    return std::span<const Arg>(args.data(), used);
  }

  void NeedNumbers(std::span<const Arg> args, std::size_t from, std::size_t to, const char* clause) {
    for (std::size_t k = from; k < to && k < args.size(); ++k)
      if (args[k].isString) Fail(LineNo(), "value " + std::to_string(k + 1) + " of " + clause + " must be a number");
  }

  void PenClause(Scanner& s, MapObject& o) {
    const auto a = Args(s, "Pen");
    if (a.size() != 3) Fail(LineNo(), "Pen needs 3 values (width, pattern, colour)");
    NeedNumbers(a, 0, 3, "Pen");
    o.pen = {ToInt(a[0].number), ToInt(a[1].number), ToColour(a[2].number)};
  }

  void BrushClause(Scanner& s, MapObject& o) {
    const auto a = Args(s, "Brush");
    if (a.size() != 2 && a.size() != 3) Fail(LineNo(), "Brush needs 2 or 3 values (pattern, foreground[, background])");
    NeedNumbers(a, 0, 3, "Brush");
    o.brush.pattern = ToInt(a[0].number);
    o.brush.foreground = ToColour(a[1].number);
    o.brush.hasBackground = a.size() == 3;
    if (o.brush.hasBackground) o.brush.background = ToColour(a[2].number);
  }

  void SymbolClause(Scanner& s, MapObject& o) {
    const auto a = Args(s, "Symbol");
    SymbolStyle& y = o.symbol;
    if (a.size() == 3) {
      NeedNumbers(a, 0, 3, "Symbol");
      y = SymbolStyle{};
      y.shape = ToInt(a[0].number);
      y.colour = ToColour(a[1].number);
      y.size = ToInt(a[2].number);
    } else if (a.size() == 6 && a[3].isString) {
      NeedNumbers(a, 0, 3, "Symbol");
      NeedNumbers(a, 4, 6, "Symbol");
      y.shape = ToInt(a[0].number);
      y.colour = ToColour(a[1].number);
      y.size = ToInt(a[2].number);
      y.trueType = true;
      y.font = a[3].text;
      y.style = ToInt(a[4].number);
      y.rotation = a[5].number;
    } else if (a.size() == 4 && a[0].isString) {
      // A picture file symbol: drawn as a marker.
      NeedNumbers(a, 1, 4, "Symbol");
      y = SymbolStyle{};
      y.trueType = true;
      y.font = a[0].text;
      y.colour = ToColour(a[1].number);
      y.size = ToInt(a[2].number);
    } else {
      Fail(LineNo(), "Symbol needs 3 values (shape, colour, size) or 6 (shape, colour, size, font, style, rotation)");
    }
  }

  void FontClause(Scanner& s, MapObject& o) {
    const auto a = Args(s, "Font");
    if ((a.size() != 4 && a.size() != 5) || !a[0].isString)
      Fail(LineNo(), "Font needs a quoted name, style, size, foreground[, background]");
    NeedNumbers(a, 1, 5, "Font");
    o.font.name = a[0].text;
    o.font.style = ToInt(a[1].number);
    o.font.size = ToInt(a[2].number);
    o.font.foreground = ToColour(a[3].number);
    o.font.hasBackground = a.size() == 5;
    if (o.font.hasBackground) o.font.background = ToColour(a[4].number);
  }

  // "Angle n" and "Spacing n": one number.
  double NumberClause(Scanner& s, const char* clause) {
    double v;
    if (!s.Number(v)) Fail(LineNo(), std::string(clause) + " needs a number");
    ExpectEnd(s, clause);
    return v;
  }

  void Clause(const std::string& word, Scanner& s) {
    if (!current_) Fail(LineNo(), "a " + word + " clause before any object");
    MapObject& o = *current_;
    if (word == "pen") PenClause(s, o);
    else if (word == "brush") BrushClause(s, o);
    else if (word == "symbol") SymbolClause(s, o);
    else if (word == "font") FontClause(s, o);
    else if (word == "angle") o.angle = std::fmod(NumberClause(s, "Angle"), 360.0);
    else if (word == "spacing") NumberClause(s, "Spacing");
    // Justify, Label, Smooth, Center: nothing to draw from.
  }

  static bool IsClause(const std::string& word) {
    return word == "pen" || word == "brush" || word == "symbol" || word == "font" || word == "angle" ||
           word == "justify" || word == "spacing" || word == "label" || word == "smooth" || word == "center";
  }

  void ReadPline(Scanner& s, std::size_t begun, MapObject& o) {
    o.kind = ObjectKind::Pline;
    Stream st(*this, "PLINE", begun);
    Scanner probe = s;
    if (Lower(probe.Word()) == "multiple") {
      st.Start(probe);
      const std::size_t sections = st.Count("the section count");
      for (std::size_t k = 0; k < sections; ++k) o.parts.push_back(st.Points(st.Count("a section's point count")));
    } else {
      st.Start(s);
      o.parts.push_back(st.Points(st.Count("the point count")));
    }
    st.Finish();
  }

  void ReadText(Scanner& s, std::size_t begun, MapObject& o) {
    o.kind = ObjectKind::Text;
    if (s.AtEnd()) {
      do {
        ++i_;
        if (i_ >= lines_.size()) Fail(LineNo(), "the file ends inside the TEXT begun at line " + std::to_string(begun));
        s = Scanner(lines_[i_]);
      } while (s.AtEnd());
    }
    if (!s.String(o.text, LineNo())) Fail(LineNo(), "expected the quoted string of a TEXT, found " + Shown(s.Token()));
    Stream st(*this, "TEXT", begun);
    st.Start(s);
    const XY a = st.Point();
    const XY b = st.Point();
    st.Finish();
    o.boxMin = {std::min(a.x, b.x), std::min(a.y, b.y)};
    o.boxMax = {std::max(a.x, b.x), std::max(a.y, b.y)};
  }

  // One object from the line in hand (and the lines it goes on over).
  void ReadObject(const std::string& word, std::string_view raw, Scanner& s, std::size_t begun, MapObject& o) {
    if (word == "none") {
      ExpectEnd(s, "NONE");
    } else if (word == "point") {
      o.kind = ObjectKind::Point;
      Stream st(*this, "POINT", begun);
      st.Start(s);
      o.parts.push_back({st.Point()});
      st.Finish();
    } else if (word == "line") {
      o.kind = ObjectKind::Line;
      Stream st(*this, "LINE", begun);
      st.Start(s);
      const XY a = st.Point();
      const XY b = st.Point();
      o.parts.push_back({a, b});
      st.Finish();
    } else if (word == "multipoint") {
      o.kind = ObjectKind::MultiPoint;
      Stream st(*this, "MULTIPOINT", begun);
      st.Start(s);
      o.parts.push_back(st.Points(st.Count("the point count")));
      st.Finish();
    } else if (word == "pline") {
      ReadPline(s, begun, o);
    } else if (word == "region") {
      o.kind = ObjectKind::Region;
      Stream st(*this, "REGION", begun);
      st.Start(s);
      const std::size_t rings = st.Count("the ring count");
      for (std::size_t k = 0; k < rings; ++k) o.parts.push_back(st.Points(st.Count("a ring's point count")));
      st.Finish();
    } else if (word == "text") {
      ReadText(s, begun, o);
    } else if (word.empty()) {
      Fail(LineNo(), "expected an object, found " + Shown(s.Token()));
    } else {
      Fail(LineNo(), "unknown object " + Shown(raw));
    }
  }

  void AddExtents() {
    for (MapObject& o : out_.objects) {
      o.extent = Extent{};
      if (o.kind == ObjectKind::Text) {
        // The box turned about its lower left corner.
        const double r = o.angle * std::numbers::pi / 180.0, c = std::cos(r), sn = std::sin(r);
        const double w = o.boxMax.x - o.boxMin.x, h = o.boxMax.y - o.boxMin.y;
        for (const XY d : {XY{0, 0}, XY{w, 0}, XY{0, h}, XY{w, h}})
          o.extent.Add(o.boxMin.x + d.x * c - d.y * sn, o.boxMin.y + d.x * sn + d.y * c);
      } else {
        for (const auto& part : o.parts)
          for (const XY& p : part) o.extent.Add(p.x, p.y);
      }
      out_.extent.Add(o.extent);
    }
  }

  void Objects() {
    // Every object takes at least one line: room for as many as the lines
    // left, so that the list never moves its objects while growing (pages
    // of the room that no object uses are never touched).
    out_.objects.reserve(lines_.size() - std::min(i_, lines_.size()));
    for (; i_ < lines_.size(); ++i_) {
      Scanner s(lines_[i_]);
      if (s.AtEnd()) continue;
      const std::string_view raw = s.Word();
      LowerInto(word_, raw);
      if (IsClause(word_)) {
        Clause(word_, s);
        continue;
      }
      MapObject o;
      const std::size_t begun = LineNo();
      o.line = static_cast<int>(begun);
      ReadObject(word_, raw, s, begun, o);
      out_.objects.push_back(std::move(o));
      current_ = &out_.objects.back();
    }
    current_ = nullptr;
    AddExtents();
  }

  std::vector<std::string_view> lines_;
  PreviewLayer& out_;
  std::size_t i_ = 0;
  MapObject* current_ = nullptr;  // the object style clauses apply to
  std::string word_;               // the line's keyword, lower case
  std::vector<Arg> args_;          // a clause's values
};

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
  using Kind = platform::FileStatus::Kind;
  platform::FileStatus status;
  if (!platform::StatusOf(path, status)) {
    error = path + ": cannot open the file";
    return false;
  }
  if (status.kind != Kind::Regular) {
    error = path + ": not a regular file";
    return false;
  }
  platform::File file;
  std::string reason;
  if (!file.OpenToRead(path, reason)) {
    error = path + ": cannot open the file";
    return false;
  }
  // Read straight into the string, at the size the file had; a file that
  // grew meanwhile is read to its end.
  text.resize(static_cast<std::size_t>(status.size));
  std::size_t filled = 0;
  for (;;) {
    if (filled == text.size()) text.resize(filled + 65536);
    const std::int64_t n = file.Read(text.data() + filled, text.size() - filled, reason);
    if (n < 0) {
      error = path + ": cannot read the file";
      return false;
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  text.resize(filled);
  return true;
}

bool FileExists(const std::string& path) {
  platform::FileStatus status;
  return platform::StatusOf(path, status) && status.kind == platform::FileStatus::Kind::Regular;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && Lower(s.substr(s.size() - suffix.size())) == Lower(suffix);
}

}  // namespace

std::vector<std::string> SplitRow(std::string_view row, char delimiter) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (std::size_t k = 0; k < row.size(); ++k) {
    const char c = row[k];
    if (quoted) {
      if (c == '"') {
        if (k + 1 < row.size() && row[k + 1] == '"') {
          field += '"';
          ++k;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == delimiter) {
      fields.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
  return fields;
}

bool ParseLayer(std::string_view mif, std::string_view mid, const std::string& mifPath, const std::string& midPath,
                Layer layer, PreviewLayer& out, std::string& error) {
  out = PreviewLayer{};
  out.layer = layer;
  out.mifPath = mifPath;
  try {
    MifParser(mif, out).Parse();
  } catch (const ReadError& e) {
    error = mifPath + ": line " + std::to_string(e.line) + ": " + e.reason;
    out.objects.clear();
    return false;
  }
  // Without a MID (no path) the rows stay empty.
  std::vector<std::string_view> rows = SplitLines(mid);
  if (midPath.empty()) rows.clear();
  if (rows.size() > out.objects.size()) {
    error = midPath + ": line " + std::to_string(out.objects.size() + 1) + ": more rows than the " +
            std::to_string(out.objects.size()) + " objects of " + mifPath;
    out.objects.clear();
    return false;
  }
  if (!midPath.empty() && rows.size() < out.objects.size()) {
    error = midPath + ": line " + std::to_string(rows.size() + 1) + ": the file ends after " +
            std::to_string(rows.size()) + " rows for " + std::to_string(out.objects.size()) + " objects";
    out.objects.clear();
    return false;
  }
  out.rows.reserve(rows.size());
  for (std::string_view r : rows) out.rows.emplace_back(r);
  return true;
}

bool ReadLayer(const std::string& mifPath, Layer layer, PreviewLayer& out, std::string& error) {
  std::string mif, mid;
  if (!ReadFile(mifPath, mif, error)) return false;
  std::string midPath = mifPath;
  if (EndsWithNoCase(midPath, ".mif")) {
    midPath.replace(midPath.size() - 4, 4, midPath.substr(midPath.size() - 4) == ".MIF" ? ".MID" : ".mid");
  } else {
    midPath += ".mid";
  }
  if (!FileExists(midPath)) midPath.clear();
  else if (!ReadFile(midPath, mid, error)) return false;
  return ParseLayer(mif, mid, mifPath, midPath, layer, out, error);
}

namespace {

// Where a member of a set is drawn: a product's regions beneath its lines,
// both beneath the main objects, texts on top.
bool DrawnAs(const SetMember& member, Layer& layer) {
  if (!member.IsMif()) return false;
  switch (member.kind) {
    case MemberKind::Main: layer = Layer::Main; return true;
    case MemberKind::Text: layer = Layer::Text; return true;
    case MemberKind::Pair: {
      const OutputLayer* pair = FindPair(member.suffix, Products());
      layer = pair && pair->content == LayerContent::Regions ? Layer::Polygons : Layer::Links;
      return true;
    }
    case MemberKind::Network: break;
  }
  return false;
}

}  // namespace

bool ReadSet(const std::string& mifPath, PreviewSet& out, std::string& error) {
  out = PreviewSet{};
  out.name = mifPath;
  const std::string setName = SetNameOf(mifPath, Products());
  std::vector<std::pair<std::string, Layer>> files;
  std::string names;
  for (const SetMember& member : SetMembers(setName, Products())) {
    Layer layer;
    if (!DrawnAs(member, layer)) continue;
    names += (names.empty() ? "" : ", ") + member.path;
    if (FileExists(member.path)) files.emplace_back(member.path, layer);
  }
  std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  for (const auto& [path, layer] : files) {
    PreviewLayer l;
    if (!ReadLayer(path, layer, l, error)) {
      out.layers.clear();
      return false;
    }
    out.extent.Add(l.extent);
    out.layers.push_back(std::move(l));
  }
  if (out.layers.empty()) {
    error = mifPath + ": no such output set (none of " + names + ")";
    return false;
  }
  return true;
}

}  // namespace quorvel::preview
