#include "products/strategi/strategi.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <stdexcept>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "mif/format.hpp"
#include "products/common/network_node.hpp"
#include "products/strategi/strategi_ordinates.hpp"
#include "products/strategi/strategi_text.hpp"
#include "run/record_loop.hpp"

namespace quorvel {

namespace {

struct GroupRange {
  int first, last;
  char group;
};

// Feature codes by attribute group.
constexpr GroupRange kGroupRanges[] = {
    {5006, 5006, 'A'}, {5016, 5016, 'A'}, {5020, 5020, 'A'}, {5025, 5026, 'A'}, {5031, 5034, 'A'},
    {5036, 5046, 'A'}, {5049, 5049, 'A'}, {5060, 5062, 'A'}, {5081, 5082, 'A'}, {5090, 5090, 'A'},
    {5721, 5721, 'A'}, {5731, 5731, 'A'}, {5741, 5741, 'A'},
    {5115, 5115, 'B'},
    {5121, 5121, 'C'}, {5123, 5123, 'C'}, {5251, 5251, 'C'}, {5421, 5421, 'C'}, {5423, 5423, 'C'},
    {5611, 5611, 'C'},
    {5378, 5379, 'D'}, {5805, 5805, 'D'}, {5835, 5835, 'D'}, {5843, 5844, 'D'}, {5861, 5863, 'D'},
    {5865, 5866, 'D'}, {5868, 5869, 'D'}, {5876, 5876, 'D'}, {5881, 5882, 'D'}, {5884, 5884, 'D'},
    {5889, 5889, 'D'},
    {5300, 5313, 'E'}, {5320, 5327, 'E'}, {5330, 5337, 'E'}, {5340, 5340, 'E'}, {5342, 5343, 'E'},
    {5345, 5347, 'E'}, {5358, 5359, 'E'}, {5373, 5373, 'E'},
    {5211, 5213, 'F'}, {5221, 5222, 'F'}, {5241, 5242, 'F'}, {5353, 5353, 'F'}, {5407, 5407, 'F'},
    {5810, 5810, 'F'}, {5812, 5812, 'F'}, {5860, 5860, 'F'}, {5864, 5864, 'F'}, {5877, 5878, 'F'},
    {5620, 5620, 'G'}, {5715, 5715, 'G'},
    {5621, 5621, 'H'},
    {5140, 5142, 'I'}, {5520, 5520, 'I'}, {5815, 5816, 'I'}, {5838, 5840, 'I'}, {5867, 5867, 'I'},
    {5870, 5871, 'I'}, {5873, 5875, 'I'}, {5885, 5885, 'I'},
    {5360, 5360, 'J'},
    {5370, 5370, 'K'}, {5372, 5372, 'K'},
    {5380, 5380, 'L'}, {5530, 5531, 'L'},
    {5413, 5413, 'M'}, {5416, 5416, 'M'}, {5427, 5427, 'M'},
    {5419, 5419, 'N'},
    {5733, 5733, 'O'},
    {5879, 5879, 'P'},
    {5883, 5883, 'Q'},
    {5901, 5901, 'R'},
};

constexpr int kFirstGroupCode = 5000;
constexpr int kGroupCodes = 1000;

constexpr std::array<char, kGroupCodes> BuildGroupTable() {
  std::array<char, kGroupCodes> table{};
  for (const GroupRange& r : kGroupRanges)
    for (int code = r.first; code <= r.last; ++code) table[static_cast<std::size_t>(code - kFirstGroupCode)] = r.group;
  return table;
}

constexpr std::array<char, kGroupCodes> kGroupTable = BuildGroupTable();

// The attributes (as bits of StrategiAttributeSlots) that
// ReadStrategiAttributes reads for each group, 'A' to 'R'.
namespace slot {
constexpr unsigned LO = 1u << 0, UE = 1u << 1, HI = 1u << 2, HM = 1u << 3, NU = 1u << 4, RB = 1u << 5, RU = 1u << 6,
                   TX = 1u << 7, GS = 1u << 8, FM = 1u << 9, OW = 1u << 10, CM = 1u << 11, UN = 1u << 12,
                   DN = 1u << 13;
}  // namespace slot
constexpr auto kGroupSlots = [] {
  using namespace slot;
  return std::array<unsigned, 'R' - 'A' + 1>{TX,      RU,           RB,      GS,      NU,      FM,
                                             RU | FM, RB | FM,      FM | GS, LO | UE | NU | GS, NU | GS, GS,
                                             LO | FM | CM | UN, FM | CM | UN, RU | CM | DN, FM | GS, FM | OW, HI | HM};
}();

// Terminator sets of the value scan: the first also ends a value at a
// double quote, the second only at the backslash and "%".
enum class Terminators { T1, T2 };

// Scans a value from 1-based column `start`: characters up to the next
// terminator, which is not part of the value. `t` receives the terminator's
// column. A scan that runs off the end of the record keeps everything it
// read and sets `t` one past the record's last column.
std::string_view Scan(std::string_view record, std::size_t start, Terminators set, std::size_t& t) {
  if (start == 0) start = 1;
  if (start > record.size()) {
    t = start;
    return {};
  }
  const std::string_view rest = record.substr(start - 1);
  const bool quoteEnds = set == Terminators::T1;
  std::size_t at = 0;
  // Eight bytes a step while eight are left, the last ones one by one.
  for (; at + 8 <= rest.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, rest.data() + at, 8);
    std::uint64_t marks = BytesEqual(word, '\\') | BytesEqual(word, '%');
    if (quoteEnds) marks |= BytesEqual(word, '"');
    if (marks != 0) {
      at += static_cast<std::size_t>(std::countr_zero(marks)) / 8;
      t = start + at;
      return rest.substr(0, at);
    }
  }
  while (at < rest.size() && rest[at] != '\\' && rest[at] != '%' && !(quoteEnds && rest[at] == '"')) ++at;
  if (at == rest.size()) {
    t = record.size() + 1;
    return rest;
  }
  t = start + at;
  return rest.substr(0, at);
}

// An attribute record with, where it is 16 to 64 bytes long (nearly all
// are), the bytes that end values and those a MID value must mark found for
// the whole record at once: bit i of each mask stands for the byte at
// offset i. Values are then found by the masks and checked with them;
// other records are scanned and checked value by value.
class RecordScan {
 public:
  explicit RecordScan(std::string_view record) : record_(record) {
#ifdef __SSE2__
    const std::size_t n = record.size();
    if (n < 16 || n > 64) return;
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i percent = _mm_set1_epi8('%');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i del = _mm_set1_epi8(0x7f);
    const __m128i lastControl = _mm_set1_epi8(0x1f);
    // Blocks of sixteen; the last one ends with the record, over bytes a
    // block before took already (their bits come out the same).
    for (std::size_t at = 0; at < n; at += 16) {
      const std::size_t from = at + 16 <= n ? at : n - 16;
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record.data() + from));
      const __m128i quotes = _mm_cmpeq_epi8(v, quote);
      const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, percent));
      // min(v, 0x1f) == v: an unsigned byte below 0x20.
      const __m128i marks = _mm_or_si128(_mm_or_si128(quotes, _mm_cmpeq_epi8(v, comma)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, del),
                                                      _mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v)));
      ends_ |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(ends))) << from;
      quotes_ |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(quotes))) << from;
      marks_ |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(marks))) << from;
    }
    masked_ = true;
#endif
  }

  std::string_view record() const { return record_; }

  // Scan of the record: the value from 1-based column `start`, with its
  // terminator's column in `t`.
  std::string_view Value(std::size_t start, Terminators set, std::size_t& t) const {
    if (!masked_) return Scan(record_, start, set, t);
    if (start == 0) start = 1;
    if (start > record_.size()) {
      t = start;
      return {};
    }
    const std::uint64_t ends = (set == Terminators::T1 ? ends_ | quotes_ : ends_) >> (start - 1);
    if (ends == 0) {
      t = record_.size() + 1;
      return record_.substr(start - 1);
    }
    const auto length = static_cast<std::size_t>(std::countr_zero(ends));
    t = start + length;
    return record_.substr(start - 1, length);
  }

  // IsPlainMidValue of `part`, a part of the record.
  bool IsPlain(std::string_view part) const {
    if (!masked_) return IsPlainMidValue(part);
    if (part.empty()) return true;
    const auto offset = static_cast<std::size_t>(part.data() - record_.data());
    const std::uint64_t bits = ~std::uint64_t{0} >> (64 - part.size());  // the size is 1 to 64
    return (marks_ >> offset & bits) == 0;
  }

 private:
  std::string_view record_;
  bool masked_ = false;
  std::uint64_t ends_ = 0;    // "\\" and "%"
  std::uint64_t quotes_ = 0;  // the double quote, which ends values of one terminator set only
  std::uint64_t marks_ = 0;   // ",", the double quote, DEL and the control bytes
};

// The two characters at 1-based `column` are `tag`.
bool TagAt(std::string_view record, std::size_t column, const char (&tag)[3]) {
  if (column == 0) column = 1;
  return column < record.size() && record[column - 1] == tag[0] && record[column] == tag[1];
}

// Groups M and N after their FM value (terminator at `t`): CM two columns
// on, then UN one column after the CM terminator, or where CM was looked for
// when it is absent.
void ReadCmUn(const RecordScan& s, std::size_t t, StrategiAttributes& a) {
  const std::string_view record = s.record();
  std::size_t unTag = t + 2;
  if (TagAt(record, t + 2, "CM")) {
    std::size_t tc = 0;
    a.CM = s.Value(t + 4, Terminators::T1, tc);
    unTag = tc + 1;
  }
  if (TagAt(record, unTag, "UN")) {
    std::size_t tu = 0;
    a.UN = s.Value(unTag + 2, Terminators::T1, tu);
  }
}

}  // namespace

unsigned StrategiAttributeSlots(char group) {
  if (group < 'A' || group > 'R') return 0;
  return kGroupSlots[static_cast<std::size_t>(group - 'A')];
}

char StrategiAttributeGroup(std::int64_t code) {
  if (code < kFirstGroupCode || code >= kFirstGroupCode + kGroupCodes) return 0;
  return kGroupTable[static_cast<std::size_t>(code - kFirstGroupCode)];
}

namespace {

// A value tagged `tag` at 1-based `column`, scanned from after the tag.
// These three are inlined into the one switch over the groups.
[[gnu::always_inline]] inline void ReadTagged(const RecordScan& s, std::size_t column, const char (&tag)[3],
                                              Terminators set, std::string_view& value) {
  std::size_t t = 0;
  if (TagAt(s.record(), column, tag)) value = s.Value(column + 2, set, t);
}

// A value of one character tagged `tag` at 1-based `column`.
[[gnu::always_inline]] inline void ReadTaggedCharacter(std::string_view record, std::size_t column,
                                                       const char (&tag)[3], std::string_view& value) {
  if (TagAt(record, column, tag)) value = Field(record, column + 2, 1);
}

// A value tagged `tag` at column 25 and a second one whose tag stands `gap`
// columns after the first value's terminator; false, reading nothing, when
// the first tag is not there.
[[gnu::always_inline]] inline bool ReadTaggedPair(const RecordScan& s, const char (&tag)[3], std::string_view& value,
                                                  const char (&secondTag)[3], std::string_view& second, Terminators set,
                                                  std::size_t gap) {
  const std::string_view r = s.record();
  if (!TagAt(r, 25, tag)) return false;
  std::size_t t = 0;
  value = s.Value(27, set, t);
  if (TagAt(r, t + gap, secondTag)) second = s.Value(t + gap + 2, set, t);
  return true;
}

// ReadStrategiAttributes into attributes that are empty already: groups A
// to F and L hold one tagged value, I, K, P and Q two, the others start
// with untagged values at fixed columns.
void ReadAttributes(const RecordScan& s, char group, StrategiAttributes& a) {
  const std::string_view r = s.record();
  std::size_t t = 0;
  switch (group) {
    case 'A': ReadTagged(s, 25, "TX", Terminators::T1, a.TX); break;
    case 'B': ReadTaggedCharacter(r, 25, "RU", a.RU); break;
    case 'C': ReadTaggedCharacter(r, 25, "RB", a.RB); break;
    case 'D': ReadTagged(s, 25, "GS", Terminators::T1, a.GS); break;
    case 'E': ReadTagged(s, 25, "NU", Terminators::T1, a.NU); break;
    case 'F': ReadTagged(s, 25, "FM", Terminators::T2, a.FM); break;
    case 'L': ReadTagged(s, 31, "GS", Terminators::T1, a.GS); break;
    case 'I': ReadTaggedPair(s, "FM", a.FM, "GS", a.GS, Terminators::T2, 1); break;
    case 'K': ReadTaggedPair(s, "NU", a.NU, "GS", a.GS, Terminators::T2, 1); break;
    case 'P':  // in either order
      if (!ReadTaggedPair(s, "FM", a.FM, "GS", a.GS, Terminators::T1, 2))
        ReadTaggedPair(s, "GS", a.GS, "FM", a.FM, Terminators::T1, 2);
      break;
    case 'Q': ReadTaggedPair(s, "FM", a.FM, "OW", a.OW, Terminators::T1, 2); break;
    case 'G':
      a.RU = Field(r, 27, 1);
      ReadTagged(s, 28, "FM", Terminators::T1, a.FM);
      break;
    case 'H':
      a.RB = Field(r, 27, 1);
      ReadTagged(s, 28, "FM", Terminators::T1, a.FM);
      break;
    case 'J':
      a.LO = Field(r, 27, 1);
      a.UE = Field(r, 30, 1);
      a.NU = s.Value(39, Terminators::T1, t);
      if (TagAt(r, t + 2, "GS")) a.GS = s.Value(t + 4, Terminators::T1, t);
      break;
    case 'M':
      a.LO = Field(r, 27, 1);
      a.FM = s.Value(30, Terminators::T1, t);
      ReadCmUn(s, t, a);
      break;
    case 'N':
      a.FM = s.Value(27, Terminators::T1, t);
      ReadCmUn(s, t, a);
      break;
    case 'O':
      a.RU = Field(r, 27, 1);
      a.CM = s.Value(30, Terminators::T1, t);
      if (TagAt(r, t + 2, "DN")) a.DN = s.Value(t + 4, Terminators::T1, t);
      break;
    case 'R':
      a.HI = Field(r, 27, 4);
      a.HM = Field(r, 33, 4);
      break;
    default:
      break;
  }
}

}  // namespace

void ReadStrategiAttributes(std::string_view record, char group, StrategiAttributes& a) {
  a = StrategiAttributes{};
  ReadAttributes(RecordScan(record), group, a);
}

namespace {

class StrategiTranslator final : public RecordLoopTranslator {
 public:
  explicit StrategiTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx),
        carried_(ctx.out.Carried<StrategiCarried>()),
        offsets_(ctx.out.Carried<TextOffsets>()),
        layers_(ctx.Option(kStrategiLayerOption)),
        textLayer_(ctx.out.LayerFor(ObjectKind::Text)) {
    text_.reserve(256);
    sectionField_.assign(1 + kCopyBlock, ',');
  }

 protected:
  void ReadSectionHeader(std::string_view header) override {
    sectionField_.assign(sectionRef_).append(1 + kCopyBlock, ',');
    xOrigin_ = ToReal(Field(header, 47, 10));
    yOrigin_ = ToReal(Field(header, 57, 10));
    // Whole origins (the usual) make the sum with a whole field a whole
    // number, exact in integers as in double.
    wholeOrigins_ = IsWhole(xOrigin_) && IsWhole(yOrigin_);
    xDigits_ = yDigits_ = DecimalOrigin();
    if (wholeOrigins_) {
      xWhole_ = static_cast<std::int64_t>(xOrigin_);
      yWhole_ = static_cast<std::int64_t>(yOrigin_);
      xDigits_ = DecimalOrigin(xWhole_);
      yDigits_ = DecimalOrigin(yWhole_);
    }
  }

  static bool IsWhole(double v) { return std::fabs(v) < 1e15 && v == std::trunc(v); }

  void HandleRecord(std::string_view record) override { WriteStrategiRecord(record); }

 private:
  // Unwritable: a point or line with a number too large for the output.
  enum class Geometry { None, Point, Line, Unwritable };

  // The two characters of a record id as one number, for a switch.
  static constexpr int IdCode(char first, char second) {
    return static_cast<unsigned char>(first) << 8 | static_cast<unsigned char>(second);
  }

  // Each kind of record is handled out of line: the records that need
  // nothing (most "15" and "23") then pass without the saving and restoring
  // of registers that the larger handlers need.
  void WriteStrategiRecord(std::string_view record) {
    if (record.size() < 2) return;
    switch (IdCode(record[0], record[1])) {
      case IdCode('4', '3'): pendingText_ = true; break;
      case IdCode('1', '6'): WriteNode(record); break;
      case IdCode('4', '5'): ReadTextRepresentation(record); break;
      case IdCode('2', '1'): ReadGeometry(record); break;
      case IdCode('1', '4'): WriteFeature(record); break;
      default: break;
    }
  }

  [[gnu::noinline]] void WriteNode(std::string_view record) {
    if (OutputFile* network = ctx_.out.Network()) WriteNetworkNode(*network, record, sectionRef_, networkRow_);
  }

  [[gnu::noinline]] void ReadTextRepresentation(std::string_view record) {
    // Heights and angles are stored in tenths; dividing the whole count keeps
    // a height such as 1.2 exactly the value the width rules compare with.
    const long double height = ToFixedLongReal<3>(Field(record, 13, 3)) / 10;
    const std::int64_t position = ToFixedInteger<1>(Field(record, 16, 1));
    const long double angle = ToFixedLongReal<4>(Field(record, 17, 4)) / 10;
    carried_.textHeight = height;
    carried_.digitPosition = static_cast<int>(position);
    carried_.textAngle = angle;
    std::int64_t tenths = 0;
    if (TryToFixedDigits<4>(Field(record, 17, 4), tenths)) PrefetchSineAndCosineOfTenths(tenths);
    else tenths = -1;
    carried_.textAngleTenths = tenths;
  }

  // The most a vertex line takes: "x y" and CR LF.
  static constexpr std::size_t kMaxVertexLine = kMaxDecimalPair + 2;

  // "x y" of the two fields, in ground units, and CR LF after them when
  // `endLine`.
  void AppendGroundPair(std::string_view fx, std::string_view fy, int decimals, bool endLine) {
    if (AppendDecimalPair(fx, fy, decimals, endLine)) return;
    AppendGroundPairSlowly(fx, fy, decimals);
    if (endLine) geometry_.Append("\r\n");
  }

  // The same the quick way, for seven-digit fields on an origin made of
  // digits; false, keeping nothing, for any other.
  bool AppendDecimalPair(std::string_view fx, std::string_view fy, int decimals, bool endLine) {
    char* p = xDigits_.Write(geometry_.Room(kMaxVertexLine), fx, decimals);
    if (!p) return false;
    *p++ = ' ';
    p = yDigits_.Write(p, fy, decimals);
    if (!p) return false;
    std::memcpy(p, "\r\n", 2);
    geometry_.Advance(endLine ? p + 2 : p);
    return true;
  }

  // The pair of the X field at 1-based `column` of the record and the Y
  // field following it, written at `out` (room for kMaxVertexLine bytes) the
  // quick way; nullptr, writing nothing, where that cannot be done. The
  // usual: the record goes on past the Y field (a geometry record has a
  // blank after each pair), so each field is read with one load.
  template <int kDecimals>
  char* WriteRecordPair(char* out, std::string_view record, std::size_t column) const {
    if (column + 14 > record.size()) return nullptr;
    return DecimalOrigin::WritePair<kDecimals>(xDigits_, yDigits_, out, record.data() + column - 1);
  }

  // The pair at `column` (as WriteRecordPair) any way, with CR LF after it
  // when `endLine`.
  template <int kDecimals>
  void AppendRecordPair(std::string_view record, std::size_t column, bool endLine) {
    if (char* p = WriteRecordPair<kDecimals>(geometry_.Room(kMaxVertexLine), record, column)) {
      std::memcpy(p, "\r\n", 2);
      geometry_.Advance(endLine ? p + 2 : p);
      return;
    }
    AppendGroundPair(Field(record, column, 7), Field(record, column + 7, 7), kDecimals, endLine);
  }

  // The vertex lines of a polyline of `count` vertices, the first (at column
  // 14) with three decimals, the others every 15 columns on with two. The
  // count comes from the record; the vertices must be there too, so a count
  // larger than the record holds fails on the first missing one.
  void AppendVertices(std::string_view record, std::int64_t count) {
    AppendRecordPair<3>(record, 14, true);
    const auto vertices = static_cast<std::size_t>(count);
    // Room for all the vertex lines at once; a line taken the slow way asks
    // afresh for the rest.
    char* p = geometry_.Room((vertices - 1) * kMaxVertexLine);
    for (std::size_t k = 1; k < vertices; ++k) {
      const std::size_t column = 14 + 15 * k;
      if (column > record.size()) {
        geometry_.Advance(p);
        throw NtfReadFailure("Strategi line shorter than its vertex count");
      }
      if (char* end = WriteRecordPair<2>(p, record, column)) {
        std::memcpy(end, "\r\n", 2);
        p = end + 2;
        continue;
      }
      geometry_.Advance(p);
      AppendGroundPair(Field(record, column, 7), Field(record, column + 7, 7), 2, true);
      p = geometry_.Room((vertices - 1 - k) * kMaxVertexLine);
    }
    geometry_.Advance(p);
  }

  void AppendGroundPairSlowly(std::string_view fx, std::string_view fy, int decimals) {
    std::int64_t vx = 0, vy = 0;
    if (wholeOrigins_ && TryToFixedDigits<7>(fx, vx) && TryToFixedDigits<7>(fy, vy)) {
      char* p = WriteWholeFixed(geometry_.Room(2 * kMaxWholeFixed + 1), vx + xWhole_, decimals);
      *p++ = ' ';
      geometry_.Advance(WriteWholeFixed(p, vy + yWhole_, decimals));
      return;
    }
    const double x = ReadOrdinate(fx);
    const double y = ReadOrdinate(fy);
    try {
      AppendFixedPair(geometry_, x + xOrigin_, y + yOrigin_, decimals);
    } catch (const std::range_error&) {
      // A sum too large for the output (or no number at all) fails the
      // record only where the object is written, which its attribute
      // record decides; the other fields are still read.
      geometryKind_ = Geometry::Unwritable;
      unwritableLine_ = cursor_.currentLine;
    }
  }

  // Seven digits as a rule, a whole number read exactly either way; anything
  // else takes the general reading.
  static double ReadOrdinate(std::string_view field) {
    std::int64_t v = 0;
    return TryToFixedDigits<7>(field, v) ? static_cast<double>(v) : ToReal(field);
  }

  [[gnu::noinline]] void ReadGeometry(std::string_view record) {
    const std::string_view type = Field(record, 9, 1);
    const std::int64_t count = ToFixedInteger<4>(Field(record, 10, 4));
    geometry_.clear();
    geometryKind_ = Geometry::None;
    hasAnchor_ = false;

    if (SameText(type, "2")) {
      geometryKind_ = Geometry::Line;
      lineVertices_ = count;
      if (count <= 0) return;  // a line without points: the placeholder object
      AppendVertices(record, count);
      return;
    }
    if (!SameText(type, "1")) return;
    if (!pendingText_) {
      geometryKind_ = Geometry::Point;
      geometry_.Append("POINT ");
      AppendRecordPair<2>(record, 14, true);
    } else if (textLayer_) {
      // The raw anchor, converted when the text is placed.
      anchorX_.assign(Field(record, 14, 7));
      anchorY_.assign(Field(record, 21, 7));
      hasAnchor_ = true;
    }
  }

  [[gnu::noinline]] void WriteFeature(std::string_view record) {
    // The end mark is no part of any value.
    if (EndsWith(record, "0%")) record.remove_suffix(2);
    const std::string_view code = Field(record, 11, 4);
    // The code is read once for the style and the attribute group.
    std::int64_t codeValue = 0;
    if (TryToFixedDigits<4>(code, codeValue)) {
      LookupStrategiStyle(codeValue, layers_, carried_.style);
    } else {
      codeValue = ToInteger(code);
      LookupStrategiStyle(code, layers_, carried_.style);
    }
    const char group = StrategiAttributeGroup(codeValue);
    const RecordScan scan(record);
    // Only the attributes the group before could fill can be set: clearing
    // them leaves all empty.
    for (unsigned filled = filledSlots_; filled != 0; filled &= filled - 1)
      attributes_.*kStrategiRowOrder[std::countr_zero(filled)] = {};
    const unsigned slots = StrategiAttributeSlots(group);
    ReadAttributes(scan, group, attributes_);
    filledSlots_ = slots;

    const bool writeText = pendingText_ && textLayer_;
    const bool writeObject = carried_.style.featureEnabled && !pendingText_;
    if (writeText || writeObject) {
      styleLine_ = "\r\n";
      description_ = std::string_view(kCommas, 0);  // no row: no description (followed by commas, as a row's)
      if (const StrategiStyleRow* row = carried_.style.row) {
        const RowTexts& texts = TextsOf(*row);
        styleLine_ = texts.clauseLine;
        description_ = std::string_view(texts.description).substr(0, texts.descriptionSize);
      }
      BuildRow(scan, slots);
    }
    if (writeText) WriteText();
    else if (writeObject) WriteObject();
    EndFeature();
  }

  // What the rows' texts need, made the first time the file meets a row:
  // the style clause (a TrueType symbol's is built from its numbers) and
  // the description as a MID value, with its marks when it needs them.
  // The clause is kept with its line end; the description is followed by
  // a comma and room for a copy in whole sixteen-byte blocks.
  struct RowTexts {
    bool made = false;
    std::string clauseLine;
    std::string description;
    std::size_t descriptionSize = 0;
  };

  const RowTexts& TextsOf(const StrategiStyleRow& row) {
    const std::span<const StrategiStyleRow> table = StrategiStyleTable();
    if (rowTexts_.empty()) rowTexts_.resize(table.size());  // once: views into it stay valid
    RowTexts& texts = rowTexts_[static_cast<std::size_t>(&row - table.data())];
    if (!texts.made) {
      AppendStrategiStyleClause(texts.clauseLine, row, ctx_.runUsesTrueTypeSymbols, kSymbolRotation);
      texts.clauseLine.append("\r\n");
      AppendMidValue(texts.description, row.description);
      texts.descriptionSize = texts.description.size();
      texts.description.append(1 + kCopyBlock, ',');
      texts.made = true;
    }
    return texts;
  }

  void WriteObject() {
    MifLayer& layer = ctx_.out.main;
    bool styled = true;
    // Counted as it is written; a geometry too large to write is not.
    if (geometryKind_ == Geometry::Line) {
      ctx_.CountObjectCreated();
      styled = layer.WritePolyline(geometry_, lineVertices_);
    } else if (geometryKind_ == Geometry::Point) {
      ctx_.CountObjectCreated();
      layer.BeginObject();
      layer.mif.Write(geometry_);  // ended by its CR LF
    } else {
      if (geometryKind_ == Geometry::Unwritable) FailAtUnwritableGeometry();
      ctx_.CountObjectCreated();
      layer.WriteNone();
      styled = false;
    }
    if (styled) layer.mif.Write(styleLine_);
    WriteRow(layer);
  }

  // The read error of a geometry whose numbers are too large to write,
  // found only now that its object is to be written: reported at the
  // geometry record's line.
  [[noreturn]] void FailAtUnwritableGeometry() {
    cursor_.currentLine = unwritableLine_;
    throw std::range_error("number too large for the output");
  }

  // The row; a plain one has its CR LF at its end already.
  void WriteRow(MifLayer& layer) {
    if (!rowEnded_) {
      layer.WriteRow(rowText_);
      return;
    }
    layer.mid.Write(rowText_);
    layer.CountRows(1);
  }

  void WriteText() {
    if (!hasAnchor_) throw NtfReadFailure("Strategi text without its point");
    StrategiTextPlacement p;
    p.anchorX = ToFixedLongReal<7>(anchorX_) + xOrigin_;
    p.anchorY = ToFixedLongReal<7>(anchorY_) + yOrigin_;
    p.height = carried_.textHeight;
    p.position = carried_.digitPosition;
    p.angle = carried_.textAngle;
    text_.assign("TEXT ");
    AppendQuotedText(text_, attributes_.TX);
    text_.append("\r\n");
    // The corners in double where that cannot change a digit, else in long
    // double.
    char corners[kMaxTextRectangle];
    if (const char* end = WriteStrategiTextRectangle(corners, p, carried_.textAngleTenths, attributes_.TX, offsets_))
      text_.append(static_cast<const char*>(corners), end);
    else
      AppendTextRectangle(text_, PlaceStrategiText(p, attributes_.TX, offsets_));
    // Before the first listed code the style line is empty.
    text_.append("\r\n");
    text_.append(styleLine_.substr(0, styleLine_.size() - 2));
    text_.append("\r\nANGLE ");
    AppendFixed(text_, static_cast<double>(carried_.textAngle), 1);

    MifLayer& layer = *textLayer_;
    layer.BeginObject();
    layer.mif.WriteLine(text_);
    WriteRow(layer);
    ctx_.CountObjectCreated();
  }

  // The values but the section reference and the description (which comes
  // ready as a MID value) are parts of the record: one check of it covers
  // them all. A record that fails it most often has a double quote only as
  // the terminator of a value, so then the values are checked one by one.
  bool RecordValuesPlain(const RecordScan& scan, unsigned slots) const {
    if (scan.IsPlain(scan.record())) return true;
    if (!scan.IsPlain(Field(scan.record(), 3, 22))) return false;  // Id, FCode, DE and the columns between
    for (; slots != 0; slots &= slots - 1) {
      const std::string_view v = attributes_.*kStrategiRowOrder[std::countr_zero(slots)];
      if (!scan.IsPlain(v)) return false;
    }
    return true;
  }

  void BuildRow(const RecordScan& scan, unsigned slots) {
    const std::string_view record = scan.record();
    const bool plain = RecordValuesPlain(scan, slots);
    if (plain && sectionRefPlain_) {
      BuildPlainRow(record, slots);
      return;
    }
    BuildMarkedRow(record, plain);
    rowText_ = row_.str();
    rowEnded_ = false;
  }

  static constexpr std::size_t kCopyBlock = 16;
  static constexpr char kCommas[] = ",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,";  // 32, and the end
  static constexpr std::size_t kCommaRun = sizeof kCommas - 1;

  // A part of the record and its comma at `p`; returns the end. Most values
  // are short, of sizes known only here: they are copied by eight-byte words
  // read within the value, or, when shorter, from the eight bytes of the
  // record that end with it, shifted down to the value. Either is cheaper
  // than a copy of any size. Up to eight bytes after the comma may be
  // overwritten.
  static char* PutPart(char* p, std::string_view record, std::string_view value) {
    const std::size_t n = value.size();
    if (n >= 8) {
      for (std::size_t at = 0; at + 8 < n; at += 8) std::memcpy(p + at, value.data() + at, 8);
      std::memcpy(p + n - 8, value.data() + n - 8, 8);  // the last eight, over what is there
    } else if (n != 0) {
      const auto end = static_cast<std::size_t>(value.data() + n - record.data());
      if (end >= 8 && end <= record.size()) {
        std::uint64_t word;
        std::memcpy(&word, record.data() + end - 8, 8);
        word >>= 8 * (8 - n);  // the first character of the value in the lowest byte
        std::memcpy(p, &word, 8);
      } else {
        CopyText(p, value.data(), n);
      }
    }
    p += n;
    *p++ = ',';
    return p;
  }

  // `text` and the comma after it, copied by whole blocks from a text that
  // holds kCopyBlock bytes more after the comma.
  static char* PutPadded(char* p, std::string_view text) {
    const std::size_t n = text.size() + 1;
    for (std::size_t at = 0; at < n; at += kCopyBlock) std::memcpy(p + at, text.data() + at, kCopyBlock);
    return p + n;
  }

  // The `count` row columns of the attributes from the `first` in row order,
  // each ended by its comma, where bit i of `slots` marks the (first + i)th
  // as one the record's group can fill. The commas of the empty columns are
  // laid down in one run ahead of each value, which then writes over them.
  char* PutAttributes(char* p, std::string_view record, unsigned slots, std::size_t first, std::size_t count) const {
    std::memcpy(p, kCommas, kCommaRun);
    std::size_t next = 0;  // the first column not yet passed
    for (; slots != 0; slots &= slots - 1) {
      const auto i = static_cast<std::size_t>(std::countr_zero(slots));
      const std::string_view value = attributes_.*kStrategiRowOrder[first + i];
      if (value.empty()) continue;
      p = PutPart(p + (i - next), record, value);
      std::memcpy(p, kCommas, kCommaRun);
      next = i + 1;
    }
    return p + (count - next);
  }

  // The row of values that need no marks (and the description, marked
  // already) written straight into one room: the same bytes as
  // BuildMarkedRow gives them, and the line end.
  void BuildPlainRow(std::string_view record, unsigned slots) {
    // Id, FCode twice, DE and the 14 attributes are each at most the record;
    // then 33 commas, "0.0", the layer, CR LF and the bytes that the block
    // copies and comma runs may write past their end. Room asked for costs
    // nothing.
    plainRow_.clear();
    char* p = plainRow_.Room(sectionRef_.size() + description_.size() + 18 * record.size() + 33 + 3 + kMaxInteger +
                             2 + kCopyBlock + kCommaRun);
    p = PutPadded(p, std::string_view(sectionField_).substr(0, sectionRef_.size()));
    // The usual: the record holds Id (columns 3-8), FCode (11-14) and DE
    // (17-24) whole, and each is copied with one word.
    const bool whole = record.size() >= 24;
    if (whole) {
      std::memcpy(p, record.data() + 2, 8);
      p[6] = ',';
      std::memcpy(p + 7, record.data() + 10, 4);
      p[11] = ',';
      p += 12;
    } else {
      p = PutPart(p, record, Field(record, 3, 6));
      p = PutPart(p, record, Field(record, 11, 4));
    }
    p = PutPadded(p, description_);
    if (whole) {
      std::memcpy(p, record.data() + 16, 8);
      p[8] = ',';
      p += 9;
    } else {
      p = PutPart(p, record, Field(record, 17, 8));
    }
    p = PutAttributes(p, record, slots & 0xF, 0, 4);  // LO to HM
    static_assert(kSymbolRotation == 0.0, "the OR column is written as \"0.0\"");
    std::memcpy(p, "0.0,", 4);
    if (whole) {
      std::memcpy(p + 4, record.data() + 10, 4);
      p[8] = ',';
      p += 9;
    } else {
      p = PutPart(p + 4, record, Field(record, 11, 4));
    }
    p = PutAttributes(p, record, slots >> 4, 4, 10 + 12);  // NU to DN, then RJ to FI empty
    const int layer = carried_.style.layer();
    if (layer >= 0 && layer <= 9) *p++ = static_cast<char>('0' + layer);
    else p = WriteInteger(p, layer);
    std::memcpy(p, "\r\n", 2);
    plainRow_.Advance(p + 2);
    rowText_ = plainRow_.view();
    rowEnded_ = true;
  }

  void BuildMarkedRow(std::string_view record, bool plain) {
    const StrategiAttributes& a = attributes_;
    const std::string_view code = Field(record, 11, 4);
    row_.Clear();
    row_.Add(sectionRef_, sectionRefPlain_)
        .Add(Field(record, 3, 6), plain)
        .Add(code, plain)
        .AddPlain(description_)  // written as a MID value already
        .Add(Field(record, 17, 8), plain)
        .Add(a.LO, plain)
        .Add(a.UE, plain)
        .Add(a.HI, plain)
        .Add(a.HM, plain)
        .AddFixed(kSymbolRotation, 1)
        .Add(code, plain)
        .Add(a.NU, plain)
        .Add(a.RB, plain)
        .Add(a.RU, plain)
        .Add(a.TX, plain)
        .Add(a.GS, plain)
        .Add(a.FM, plain)
        .Add(a.OW, plain)
        .Add(a.CM, plain)
        .Add(a.UN, plain)
        .Add(a.DN, plain)
        .AddEmpty(12)  // RJ to FI
        .AddInteger(carried_.style.layer());
  }

  // Everything about one feature is dropped once its attribute record is done.
  void EndFeature() {
    geometry_.clear();
    geometryKind_ = Geometry::None;
    hasAnchor_ = false;
    pendingText_ = false;  // the attributes are read afresh for each feature
  }

  // Strategi data carries no symbol orientation: the OR column and the one
  // rotated symbol always read 0.
  static constexpr double kSymbolRotation = 0.0;

  StrategiCarried& carried_;
  TextOffsets& offsets_;
  double xOrigin_ = 0;
  bool wholeOrigins_ = false;
  std::int64_t xWhole_ = 0, yWhole_ = 0;
  DecimalOrigin xDigits_, yDigits_;
  double yOrigin_ = 0;
  bool pendingText_ = false;
  Geometry geometryKind_ = Geometry::None;
  // A point's "POINT x y" line, or a line's coordinate lines (each ended by
  // CR LF) with its vertex count.
  TextBuffer geometry_;
  std::int64_t lineVertices_ = 0;
  std::size_t unwritableLine_ = 0;  // the line of the Unwritable geometry's record
  bool hasAnchor_ = false;
  std::string anchorX_, anchorY_;
  StrategiAttributes attributes_;
  unsigned filledSlots_ = 0;  // the attributes ReadAttributes may have set (StrategiAttributeSlots)
  std::string_view styleLine_;  // the feature's style clause and CR LF, in rowTexts_
  std::string_view description_;  // the feature's description as a MID value, in rowTexts_
  std::vector<RowTexts> rowTexts_;
  std::string sectionField_;  // the section reference, its comma and room for PutPadded
  std::string text_;
  std::string networkRow_;
  OptionView layers_;
  MifLayer* textLayer_;  // nullptr: texts are dropped
  MidRow row_;          // the row when a value needs marks
  TextBuffer plainRow_;  // the row when none does
  std::string_view rowText_;
  bool rowEnded_ = false;  // rowText_ ends with CR LF
};

}  // namespace

FileOutcome TranslateStrategi(FileContext& ctx) {
  StrategiTranslator translator(ctx);
  return translator.Run();
}

}  // namespace quorvel
