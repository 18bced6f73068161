// Writes NTF text: records cut into lines of at most 80 characters with the
// "1%" / "0%" continuation marks, continuation lines starting "00".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ntfgen {

class NtfWriter {
 public:
  // Line ends used for the whole file ("\r\n" by default).
  explicit NtfWriter(std::string lineEnd = "\r\n") : eol_(std::move(lineEnd)) {}

  // One record: `body` is the whole logical record without its end mark. It
  // is cut into lines of at most `width` characters (mark included).
  void Record(std::string_view body, std::size_t width = 80);
  // One record cut at the given body offsets (to place cuts inside fields).
  void RecordCutAt(std::string_view body, std::initializer_list<std::size_t> cuts);
  // A line written exactly as given (plus the line end).
  void Raw(std::string_view line);

  // The volume header "01" and the database header "02" naming `database`
  // (padded or cut to 20 characters).
  void Headers(std::string_view database);
  // "07" section header with the reference, XY multiplier and origins.
  void SectionHeader(std::string_view sectionRef, double xyMultiplier, std::int64_t xOrigin, std::int64_t yOrigin);
  void End() { Raw("990%"); }

  const std::string& text() const { return text_; }
  std::string Take() { return std::move(text_); }

 private:
  std::string eol_;
  std::string text_;
};

// Fixed-width helpers.
std::string Pad(std::string_view s, std::size_t width);            // blanks on the right, cut to width
std::string Num(std::int64_t value, std::size_t width);            // zero-filled, cut to width
std::string Blanks(std::size_t width);

// A small deterministic generator (splitmix64), the same on every machine.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::int64_t Range(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool Chance(int percent) { return Range(0, 99) < percent; }
  char Letter() { return static_cast<char>('A' + Range(0, 25)); }

 private:
  std::uint64_t state_;
};

}  // namespace ntfgen
