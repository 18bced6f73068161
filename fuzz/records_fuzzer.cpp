// The record list, continuation joining, fixed-column fields and number
// conversion on any text: no read outside a record, the same lines whichever
// way the list is split, joins that end in "0%" or fail, and conversions
// that agree with the C library on what they accept.
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ntf/cursor.hpp"
#include "ntf/record.hpp"
#include "ntf/record_list.hpp"

namespace {

using namespace quorvel;

#define REQUIRE(cond)           \
  do {                          \
    if (!(cond)) __builtin_trap(); \
  } while (0)

bool Inside(std::string_view part, std::string_view whole) {
  return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

// The throwing conversions are thin wrappers; unwinding is slow, so they are
// checked on about one field in sixteen, picked by its contents.
bool CheckThrowingForm(std::string_view field) {
  unsigned h = static_cast<unsigned>(field.size());
  for (char c : field.substr(0, 4)) h = h * 31 + static_cast<unsigned char>(c);
  return (h & 15) == 0;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void CheckInteger(std::string_view field) {
  std::int64_t value = 0;
  const bool ok = TryToInteger(field, value);
  // The same rule spelled out: blanks, an optional sign, digits, in range.
  std::string_view s = field;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  std::string_view digits = s;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  bool expected = AllDigits(digits);
  std::int64_t reference = 0;
  if (expected) {
    std::string text(digits);
    if (s.front() == '-') text.insert(text.begin(), '-');
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), reference);
    expected = ec == std::errc() && ptr == text.data() + text.size();
  }
  REQUIRE(ok == expected);
  if (ok) REQUIRE(value == reference);
  if (!CheckThrowingForm(field)) return;
  bool threw = false;
  try {
    REQUIRE(ToInteger(field) == value);
  } catch (const NtfReadFailure&) {
    threw = true;
  }
  REQUIRE(threw == !ok);
}

void CheckReal(std::string_view field) {
  double value = 0;
  const bool ok = TryToReal(field, value);
  if (ok) {
    std::string s(field);
    errno = 0;
    char* end = nullptr;
    const double reference = std::strtod(s.c_str(), &end);
    REQUIRE(reference == value || (reference != reference && value != value));
    while (*end == ' ') ++end;
    REQUIRE(*end == '\0');
  }
  long double wide = 0;
  if (TryToReal(field, wide) && ok) REQUIRE(std::abs(static_cast<double>(wide) - value) <= std::abs(value) * 1e-12 + 1e-300);
  if (!CheckThrowingForm(field)) return;
  bool threw = false;
  try {
    const double again = ToReal(field);
    REQUIRE(again == value);
  } catch (const NtfReadFailure&) {
    threw = true;
  }
  REQUIRE(threw == !ok);
}

void CheckFields(std::string_view record) {
  REQUIRE(Inside(RecordId(record), record));
  REQUIRE(Inside(TrimRight(record), record));
  const std::size_t n = record.size();
  const std::size_t a = n ? static_cast<unsigned char>(record[0]) : 0;
  const std::size_t b = n > 1 ? static_cast<unsigned char>(record[1]) : 0;
  const std::size_t starts[] = {0, 1, 2, 3, n, n + 1, n + 100, a % (n + 3), std::size_t(-1)};
  const std::size_t lengths[] = {0, 1, 2, 6, 10, b % 48, n, std::size_t(-1)};
  for (std::size_t start : starts)
    for (std::size_t length : lengths) {
      const std::string_view f = Field(record, start, length);
      REQUIRE(Inside(f, record));
      REQUIRE(f.size() <= length);
    }
  // Number conversion on the fields a translator would take.
  for (std::size_t start = 3; start <= n && start < 3 + 48; start += 6) {
    CheckInteger(Field(record, start, 6));
    CheckInteger(Field(record, start, 10));
    CheckReal(Field(record, start, 8));
    CheckReal(Field(record, start, 12));
  }
  CheckInteger(record);
  CheckReal(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NtfRecordList list;
  list.Assign(std::string(reinterpret_cast<const char*>(data), size));
  std::size_t total = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string_view line = list.line(i);
    REQUIRE(line.find('\r') == std::string_view::npos && line.find('\n') == std::string_view::npos);
    total += line.size();
  }
  REQUIRE(total <= size);
  REQUIRE(list.DatabaseName().size() <= 20);

  // The other ways of splitting (16-byte compares, line starts in 64 bits)
  // give the same lines.
  const bool wide = NtfRecordList::WideSteps();
  for (int way = 0; way < 2; ++way) {
    NtfRecordList::SetWideSteps(way == 0 ? !wide : wide);
    NtfRecordList::SetLongOffsetsAlways(way == 1);
    NtfRecordList other;
    other.Assign(std::string(reinterpret_cast<const char*>(data), size));
    REQUIRE(other.size() == list.size());
    for (std::size_t i = 0; i < list.size(); ++i) REQUIRE(other.line(i) == list.line(i));
  }
  NtfRecordList::SetWideSteps(wide);
  NtfRecordList::SetLongOffsetsAlways(false);

  RecordCursor cursor(list);
  std::string scratch;
  for (cursor.currentLine = 0; !cursor.AtEnd(); ++cursor.currentLine) {
    const std::size_t first = cursor.currentLine;
    const std::string_view line = cursor.Line();
    try {
      const std::string_view record = cursor.JoinRecord(scratch);
      if (!EndsWith(line, "1%")) {
        REQUIRE(record.data() == line.data() && record.size() == line.size());
        REQUIRE(cursor.currentLine == first);
      } else {
        REQUIRE(EndsWith(record, "0%"));
        REQUIRE(cursor.currentLine > first && cursor.currentLine < list.size());
      }
      CheckFields(record);
    } catch (const NtfReadFailure&) {
      // A chain that runs off the end of the list.
      REQUIRE(EndsWith(line, "1%"));
      break;
    }
  }
  return 0;
}
