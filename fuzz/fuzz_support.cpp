#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "ntf/record_list.hpp"
#include "products/landline/landline_style.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "products/registry.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "quorvel.hpp"

namespace quorvel::fuzz {

namespace fs = std::filesystem;

bool FindLine(std::string_view text, std::size_t index, std::size_t& start, std::size_t& end) {
  std::size_t pos = 0;
  for (std::size_t line = 0;; ++line) {
    if (pos >= text.size()) return false;
    std::size_t stop = pos;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    if (line == index) {
      start = pos;
      end = stop;
      return true;
    }
    if (stop >= text.size()) return false;
    pos = stop + 1;
    if (text[stop] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
}

void ForceDatabaseName(std::string& text, std::span<const ForcedProduct> family) {
  std::size_t start = 0, end = 0;
  if (family.empty() || !FindLine(text, 1, start, end)) return;
  std::string_view line(text.data() + start, end - start);
  const std::string_view current = line.size() > 2 ? line.substr(2, 20) : std::string_view{};
  if (const ProductDescriptor* p = Products().Recognize(current)) {
    for (const ForcedProduct& f : family)
      if (f.key == p->key) return;
  }
  std::string replacement(line.substr(0, line.size() < 2 ? line.size() : 2));
  replacement.resize(2, ' ');
  replacement.append(family.front().databaseName);
  if (line.size() > 22) replacement.append(line.substr(22));
  text.replace(start, end - start, replacement);
}

FuzzRun PickRun(std::string_view text) {
  std::size_t start = 0, end = 0;
  std::uint32_t h = 2166136261u;
  if (FindLine(text, 0, start, end))
    for (std::size_t i = start; i < end; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
  FuzzRun run;
  TranslationSettings& s = run.settings;
  s.text = static_cast<TextOption>(h % 3);
  s.extractNetworkData = (h & 0x04) != 0;
  s.useTrueTypeSymbols = (h & 0x08) == 0;
  s.productOptions.SetFlag(kMeridianHeightsOption, (h & 0x10) != 0);
  if (h & 0x20) {
    for (int entry = 1; entry <= 58; entry += 3) s.productOptions.SetEntry(kLandLineFeatureOption, entry, false);
    for (int layer = 1; layer <= 8; layer += 2) s.productOptions.SetEntry(kStrategiLayerOption, layer, false);
  }
  run.twiceMerged = (h & 0x40) != 0;
  return run;
}

ScratchFolder& ScratchFolder::Get() {
  static ScratchFolder folder;
  return folder;
}

ScratchFolder::ScratchFolder() {
  std::string base = "/dev/shm";
  std::error_code ec;
  if (!fs::is_directory(base, ec)) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp && *tmp ? tmp : "/tmp";
  }
  path_ = base + "/quorvel-fuzz-" + std::to_string(::getpid());
  fs::remove_all(path_, ec);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void ScratchFolder::Clear() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(path_, ec)) fs::remove_all(entry.path(), ec);
}

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool IsObjectKeyword(std::string_view word) {
  static constexpr std::string_view kObjects[] = {"point", "pline", "region", "text", "none", "line",
                                                  "multipoint", "collection", "arc", "rect", "roundrect",
                                                  "ellipse"};
  std::string lower(word);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (std::string_view k : kObjects)
    if (lower == k) return true;
  return false;
}

// Objects after the "Data" line: lines whose first word names an object.
// Coordinates, counts, style clauses and quoted text strings never do.
std::size_t CountObjects(const std::string& mif) {
  std::size_t objects = 0;
  bool inData = false;
  std::size_t pos = 0;
  while (pos < mif.size()) {
    std::size_t eol = mif.find("\r\n", pos);
    if (eol == std::string::npos) eol = mif.size();
    std::string_view line(mif.data() + pos, eol - pos);
    pos = eol + 2;
    std::size_t w = 0;
    while (w < line.size() && line[w] == ' ') ++w;
    std::size_t e = w;
    while (e < line.size() && line[e] != ' ') ++e;
    const std::string_view word = line.substr(w, e - w);
    if (!inData) {
      inData = word == "Data" || word == "DATA";
      continue;
    }
    if (IsObjectKeyword(word)) ++objects;
  }
  return objects;
}

std::size_t CountLines(const std::string& mid) {
  std::size_t lines = 0;
  for (std::size_t p = mid.find("\r\n"); p != std::string::npos; p = mid.find("\r\n", p + 2)) ++lines;
  if (!mid.empty() && (mid.size() < 2 || mid.compare(mid.size() - 2, 2, "\r\n") != 0)) ++lines;
  return lines;
}

void WriteWhole(const std::string& path, std::string_view text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot write " + path);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) Fail("cannot write " + path);
}

}  // namespace

void CheckPairs(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const fs::path& mifPath = entry.path();
    if (mifPath.extension() != ".mif") continue;
    fs::path midPath = mifPath;
    midPath.replace_extension(".mid");
    if (!fs::exists(midPath)) Fail(mifPath.string() + " has no MID beside it");
    const std::size_t objects = CountObjects(Slurp(mifPath));
    const std::size_t rows = CountLines(Slurp(midPath));
    if (objects != rows)
      Fail(mifPath.filename().string() + " holds " + std::to_string(objects) + " objects but its MID " +
           std::to_string(rows) + " rows");
  }
}

RunResult TranslateText(std::string_view text, const FuzzRun& run) {
  ScratchFolder& scratch = ScratchFolder::Get();
  const std::string input = scratch.path() + "/in.ntf";
  WriteWhole(input, text);
  RunRequest request;
  request.files = {input};
  if (run.twiceMerged) request.files.push_back(input);
  request.mifName = scratch.path() + "/out.mif";
  SilentObserver observer;
  const RunResult result = Translate(request, run.settings, observer);
  if (result.status == RunResult::Status::OutputFailed) Fail("the output set on the scratch folder failed");
  CheckPairs(scratch.path());
  scratch.Clear();
  return result;
}

}  // namespace quorvel::fuzz
