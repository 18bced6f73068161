#include "ntfgen/ntf_writer.hpp"

#include <cstdio>
#include <vector>

namespace ntfgen {

std::string Pad(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

std::string Num(std::int64_t value, std::size_t width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  if (value < 0) digits[0] = '-';
  return digits.substr(digits.size() - width);
}

std::string Blanks(std::size_t width) { return std::string(width, ' '); }

void NtfWriter::Raw(std::string_view line) {
  text_.append(line);
  text_.append(eol_);
}

void NtfWriter::Record(std::string_view body, std::size_t width) {
  // The first line holds width - 2 characters of the body; each continuation
  // line holds width - 4 (its "00" and the mark).
  std::vector<std::size_t> cuts;
  std::size_t pos = width - 2;
  while (pos < body.size()) {
    cuts.push_back(pos);
    pos += width - 4;
  }
  std::string line;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t end = i < cuts.size() ? cuts[i] : body.size();
    line.assign(i == 0 ? "" : "00");
    line.append(body.substr(start, end - start));
    line.append(i < cuts.size() ? "1%" : "0%");
    Raw(line);
    start = end;
  }
}

void NtfWriter::RecordCutAt(std::string_view body, std::initializer_list<std::size_t> cuts) {
  std::size_t start = 0;
  bool first = true;
  std::string line;
  for (std::size_t cut : cuts) {
    line.assign(first ? "" : "00");
    line.append(body.substr(start, cut - start));
    line.append("1%");
    Raw(line);
    start = cut;
    first = false;
  }
  line.assign(first ? "" : "00");
  line.append(body.substr(start));
  line.append("0%");
  Raw(line);
}

void NtfWriter::Headers(std::string_view database) {
  Raw("01ORDNANCE SURVEY     QUORVEL NTFGEN      1999040100010132.00V0%");
  Record("02" + Pad(database, 20) + "19990401QUORVEL SAMPLE       19990401OS                  " +
         "CLASSES             19990401SEQ                 19990401");
}

void NtfWriter::SectionHeader(std::string_view sectionRef, double xyMultiplier, std::int64_t xOrigin,
                              std::int64_t yOrigin) {
  char mult[16];
  std::snprintf(mult, sizeof mult, "%10.3f", xyMultiplier);
  std::string body = "07" + Pad(sectionRef, 10) + "21000072" + Pad(mult, 10) + Num(1, 6) + Num(0, 10) +
                     Num(xOrigin, 10) + Num(yOrigin, 10) + Num(0, 10) + Num(0, 10) + "199904011999050119990101" +
                     "QUORVEL SAMPLE";
  Record(body);
}

}  // namespace ntfgen
