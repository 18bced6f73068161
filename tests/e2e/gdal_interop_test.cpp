// Reads the output of every sample tile back with GDAL's MapInfo driver and
// checks that every object comes through as a feature with all its
// attributes, and that GDAL reports no error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "support/test_support.hpp"

namespace fs = std::filesystem;
using namespace quorvel::test;

namespace {

bool HaveOgrInfo() { return RunCommand("command -v ogrinfo >/dev/null").exitCode == 0; }

// Objects written to a MIF file: the lines that start an object.
std::size_t CountObjects(const std::string& mif) {
  static const std::regex object("^(POINT|Point|PLINE|Pline|REGION|Region|TEXT|Text|NONE|LINE|Line|MULTIPOINT|Multipoint)( |$)");
  std::size_t n = 0;
  bool data = false;
  for (const std::string& line : CrLfLines(mif)) {
    if (!data) {
      data = line == "Data" || line == "DATA";
      continue;
    }
    if (std::regex_search(line, object)) ++n;
  }
  return n;
}

std::size_t DeclaredColumns(const std::string& mif) {
  for (const std::string& line : CrLfLines(mif))
    if (line.rfind("Columns ", 0) == 0 || line.rfind("COLUMNS ", 0) == 0) return std::stoul(line.substr(8));
  return 0;
}

struct OgrReading {
  std::size_t features = 0;
  std::vector<std::size_t> fieldsPerFeature;
  std::string errors;
};

OgrReading ReadWithOgr(const std::string& mif) {
  OgrReading reading;
  const CommandResult r = RunCommand("ogrinfo -ro -al -q " + Quote(mif));
  static const std::regex field(R"(^  [^ ].* \([A-Za-z0-9]+(\([0-9.,]+\))?\) = )");
  for (const std::string& line : [&] {
         std::vector<std::string> lines;
         std::size_t start = 0;
         while (start <= r.out.size()) {
           std::size_t end = r.out.find('\n', start);
           if (end == std::string::npos) end = r.out.size();
           lines.push_back(r.out.substr(start, end - start));
           start = end + 1;
         }
         return lines;
       }()) {
    if (line.rfind("OGRFeature(", 0) == 0) {
      ++reading.features;
      reading.fieldsPerFeature.push_back(0);
    } else if (!reading.fieldsPerFeature.empty() && std::regex_search(line, field)) {
      ++reading.fieldsPerFeature.back();
    }
    if (line.find("ERROR") != std::string::npos) reading.errors += line + "\n";
  }
  for (const std::string& line : CrLfLines(r.err))
    if (line.find("ERROR") != std::string::npos) reading.errors += line + "\n";
  if (r.exitCode != 0) reading.errors += "ogrinfo exit " + std::to_string(r.exitCode) + "\n";
  return reading;
}

TEST(GdalInterop, EveryExampleOutputLoadsWhole) {
  ASSERT_TRUE(HaveOgrInfo()) << "ogrinfo (Debian gdal-bin) is needed; scripts/install-deps installs it";
  std::size_t checked = 0;
  for (const auto& e : fs::directory_iterator(fs::path(QUORVEL_SOURCE_DIR) / "examples")) {
    if (e.path().extension() != ".ntf") continue;
    for (const char* text : {"separate", "include"}) {
      ScratchDir dir;
      const std::string name = e.path().stem().string();
      RunQuorvel(std::string("-q --network --text ") + text + " -o " + Quote(dir / (name + ".mif")) + " " +
                 Quote(e.path().string()));
      for (const auto& out : fs::directory_iterator(dir.path())) {
        if (out.path().extension() != ".mif") continue;
        SCOPED_TRACE(name + " --text " + text + ": " + out.path().filename().string());
        const std::string mif = ReadFile(out.path().string());
        const OgrReading reading = ReadWithOgr(out.path().string());
        EXPECT_EQ(reading.errors, "");
        EXPECT_EQ(reading.features, CountObjects(mif));
        const std::size_t columns = DeclaredColumns(mif);
        for (std::size_t i = 0; i < reading.fieldsPerFeature.size(); ++i)
          ASSERT_EQ(reading.fieldsPerFeature[i], columns) << "feature " << i;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0u);
}

}  // namespace
