// The quorvel command: options, messages on stderr and exit status.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_options.hpp"
#include "run/run_options.hpp"
#include "products/landline/landline_style.hpp"
#include "products/meridian/meridian2_styles.hpp"
#include "products/strategi/strategi_styles.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using test::Quote;

namespace {

cli::CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quorvel");
  return cli::ParseCommandLine(static_cast<int>(args.size()), args.data());
}

std::string CodePointTile() {
  return test::Ntf({"01V0%", "02CODE_POINT_1999.01  0%", "07NN        0%", "210000011000100000010000001 0%",
                    "14000001PCA0%", "99"});
}

TEST(CommandLine, OptionsSetTheSettings) {
  auto cl = Parse({"--separate", "--text", "ignore", "--symbols", "standard", "--network", "--meridian-heights",
                   "--landline-off", "1, 58", "--strategi-layers", "1-3,7", "-q", "-j", "3", "a.ntf", "b.ntf"});
  ASSERT_FALSE(cl.done) << cl.output;
  EXPECT_FALSE(cl.request.mergeTiles);
  EXPECT_EQ(cl.settings.text, TextOption::Ignore);
  EXPECT_FALSE(cl.settings.useTrueTypeSymbols);
  EXPECT_TRUE(cl.settings.extractNetworkData);
  EXPECT_TRUE(cl.settings.productOptions.Flag(kMeridianHeightsOption));
  EXPECT_FALSE(cl.settings.productOptions.EntryOn(kLandLineFeatureOption, 1));
  EXPECT_TRUE(cl.settings.productOptions.EntryOn(kLandLineFeatureOption, 2));
  EXPECT_FALSE(cl.settings.productOptions.EntryOn(kLandLineFeatureOption, 58));
  for (int layer = 1; layer <= 8; ++layer)
    EXPECT_EQ(cl.settings.productOptions.EntryOn(kStrategiLayerOption, layer), layer <= 3 || layer == 7) << layer;
  EXPECT_EQ(cl.settings.jobs, 3);
  EXPECT_TRUE(cl.quiet);
  EXPECT_EQ(cl.request.files, (std::vector<std::string>{"a.ntf", "b.ntf"}));
}

TEST(CommandLine, DefaultsAreTheSettingsDefaults) {
  auto cl = Parse({"a.ntf"});
  ASSERT_FALSE(cl.done);
  EXPECT_EQ(cl.settings.text, TextOption::Separate);
  EXPECT_TRUE(cl.settings.useTrueTypeSymbols);
  EXPECT_TRUE(cl.request.mergeTiles);
  EXPECT_FALSE(cl.settings.extractNetworkData);
  EXPECT_EQ(cl.request.mifName, "");
  EXPECT_EQ(Parse({"--text", "include", "a.ntf"}).settings.text, TextOption::Include);
}

TEST(CommandLine, OutputNamesGetTheMifExtension) {
  EXPECT_EQ(Parse({"-o", "out/roads", "a.ntf"}).request.mifName, "out/roads.mif");
  EXPECT_EQ(Parse({"-o", "roads.MIF", "a.ntf"}).request.mifName, "roads.MIF");
  EXPECT_EQ(Parse({"--output", "x.txt", "a.ntf"}).request.mifName, "x.txt.mif");
}

TEST(CommandLine, UsageErrorsExitTwo) {
  for (std::vector<const char*> bad : {
           std::vector<const char*>{},
           {"-o", "x.mif", "--separate", "a.ntf"},
           {"--separate", "--merge", "a.ntf"},
           {"--text", "both", "a.ntf"},
           {"--symbols", "wingdings", "a.ntf"},
           {"--landline-off", "8", "a.ntf"},
           {"--landline-off", "59", "a.ntf"},
           {"--strategi-layers", "0-3", "a.ntf"},
           {"--strategi-layers", "9", "a.ntf"},
           {"--strategi-layers", ",", "a.ntf"},
           {"--strategi-layers", "", "a.ntf"},
           {"-j", "-1", "a.ntf"},
           {"--no-such-option", "a.ntf"},
       }) {
    auto cl = Parse(bad);
    EXPECT_TRUE(cl.done);
    EXPECT_EQ(cl.exitCode, 2) << cl.output;
    EXPECT_EQ(cl.output.rfind("quorvel: ", 0), 0u) << cl.output;
  }
  auto help = Parse({"--help"});
  EXPECT_TRUE(help.done);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--strategi-layers"), std::string::npos);
}

// What a parse gave, as the fields that differ from a parse of "a.ntf"
// alone; for a parse that ended the program, its exit code and first line.
std::string Describe(const cli::CommandLine& cl) {
  if (cl.done) {
    const std::string first = cl.output.substr(0, cl.output.find('\n'));
    const bool usage = cl.output == first + "\nRun with --help for more information.\n";
    return "exit " + std::to_string(cl.exitCode) + ": " + first + (usage || cl.exitCode == 0 ? "" : " (and more)");
  }
  const TranslationSettings& s = cl.settings;
  const RunRequest& r = cl.request;
  std::string out;
  auto add = [&](bool shown, const std::string& text) {
    if (shown) out += (out.empty() ? "" : " ") + text;
  };
  std::string files;
  for (const std::string& f : r.files) files += (files.empty() ? "" : ",") + f;
  add(files != "a.ntf", "files=" + files);
  add(!r.mifName.empty(), "mif=" + r.mifName);
  add(!r.outputDir.empty(), "dir=" + r.outputDir);
  add(!r.mergeTiles, "separate");
  add(r.keepGoing, "keep-going");
  add(cl.overwrite, "overwrite");
  add(cl.quiet, "quiet");
  add(s.text == TextOption::Include, "text=include");
  add(s.text == TextOption::Ignore, "text=ignore");
  add(!s.useTrueTypeSymbols, "symbols=standard");
  add(s.extractNetworkData, "network");
  add(s.jobs != 1, "jobs=" + std::to_string(s.jobs));
  add(!cl.preview.empty(), "preview=" + cl.preview);
  add(!cl.previewSize.empty(), "size=" + cl.previewSize);
  for (const ProductDescriptor* product : Products().products())
    for (const ProductOption& option : product->options) {
      const OptionValue* v = s.productOptions.Find(option.key);
      if (!v) continue;
      std::string bits;
      for (bool on : v->on) bits += on ? '1' : '0';
      add(true, std::string(option.key) + "=" + (option.kind == OptionKind::Flag ? (v->flag ? "on" : "off") : bits));
    }
  return out.empty() ? "defaults" : out;
}

// The parser is built from the run options' table: every command line it
// takes or refuses, with what it gives, as the command has always parsed it.
TEST(CommandLine, ParsesEachOptionItsKindAndItsExclusions) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "there");
  const std::string there = dir / "there";
  const std::string version = std::string("quorvel ") + QUORVEL_VERSION;
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      // Defaults and the two ways of writing several tiles.
      {{"a.ntf"}, "defaults"},
      {{"a.ntf", "b.ntf"}, "files=a.ntf,b.ntf"},
      {{"--separate", "a.ntf", "b.ntf"}, "files=a.ntf,b.ntf separate"},
      {{"--merge", "a.ntf", "b.ntf"}, "files=a.ntf,b.ntf"},
      {{"--separate", "--merge", "a.ntf"}, "exit 2: quorvel: --separate excludes --merge"},
      {{"--merge", "--separate", "a.ntf"}, "exit 2: quorvel: --separate excludes --merge"},
      // Where the output goes: -o, -o naming a folder, -d.
      {{"-o", "x", "a.ntf"}, "mif=x.mif"},
      {{"--output=x.MIF", "a.ntf"}, "mif=x.MIF"},
      {{"-o", "out/", "a.ntf"}, "dir=out/"},
      {{"-o", there, "a.ntf"}, "dir=" + there},
      {{"-o", there, "-d", "y", "a.ntf"}, "exit 2: quorvel: -o names a folder and --output-dir is given too"},
      {{"-o", "out/", "--output-dir", "y", "a.ntf"}, "exit 2: quorvel: -o names a folder and --output-dir is given too"},
      {{"--separate", "-o", "x.mif", "a.ntf"}, "exit 2: quorvel: --output names one set; with --separate use --output-dir"},
      {{"--separate", "-o", "out/", "a.ntf"}, "dir=out/ separate"},
      {{"--separate", "-o", there, "a.ntf"}, "dir=" + there + " separate"},
      {{"-d", "out", "a.ntf", "b.ntf"}, "files=a.ntf,b.ntf dir=out"},
      {{"-d", "out", "-o", "all", "a.ntf", "b.ntf"}, "files=a.ntf,b.ntf mif=all.mif dir=out"},
      {{"--output"}, "exit 2: quorvel: --output: 1 required FILE.mif missing"},
      // -j: a number in range, and only with --separate unless it is 1.
      {{"-j", "2", "a.ntf"}, "exit 2: quorvel: -j needs --separate: a merged set is written in tile order by one writer"},
      {{"-j", "1", "a.ntf"}, "defaults"},
      {{"--jobs=1", "a.ntf", "b.ntf"}, "files=a.ntf,b.ntf"},
      {{"--separate", "-j", "2", "a.ntf"}, "separate jobs=2"},
      {{"--separate", "-j2", "a.ntf"}, "separate jobs=2"},
      {{"--separate", "-j", "1024", "a.ntf"}, "separate jobs=1024"},
      {{"--separate", "-j", "1025", "a.ntf"}, "exit 2: quorvel: --jobs: Value 1025 not in range 0 to 1024"},
      {{"--separate", "-j", "x", "a.ntf"}, "exit 2: quorvel: --jobs: Value x not in range 0 to 1024"},
      {{"--separate", "-j", "-1", "a.ntf"}, "exit 2: quorvel: --jobs: Value -1 not in range 0 to 1024"},
      // Each word of each choice, and words it does not have.
      {{"--text", "include", "a.ntf"}, "text=include"},
      {{"--text", "separate", "a.ntf"}, "defaults"},
      {{"--text", "ignore", "a.ntf"}, "text=ignore"},
      {{"--text=ignore", "a.ntf"}, "text=ignore"},
      {{"--text", "Ignore", "a.ntf"}, "exit 2: quorvel: --text: Ignore not in {include,separate,ignore}"},
      {{"--text", "", "a.ntf"}, "exit 2: quorvel: --text:  not in {include,separate,ignore}"},
      {{"--text", "a.ntf"}, "exit 2: quorvel: --text: a.ntf not in {include,separate,ignore}"},
      {{"--text", "include", "--text", "ignore", "a.ntf"}, "exit 2: quorvel: --text: At Most 1 required but received 2"},
      {{"--symbols", "truetype", "a.ntf"}, "defaults"},
      {{"--symbols", "standard", "a.ntf"}, "symbols=standard"},
      {{"--symbols", "std", "a.ntf"}, "exit 2: quorvel: --symbols: std not in {truetype,standard}"},
      // Flags.
      {{"--network", "a.ntf"}, "network"},
      {{"--overwrite", "a.ntf"}, "overwrite"},
      {{"--overwrite=false", "a.ntf"}, "defaults"},
      {{"-k", "--separate", "a.ntf"}, "separate keep-going"},
      {{"-qk", "--separate", "a.ntf"}, "separate keep-going quiet"},
      // -k only with --separate, as -j: a merged set is written whole or not at all.
      {{"--keep-going", "a.ntf"}, "exit 2: quorvel: -k needs --separate: a merged set is written whole or not at all"},
      {{"-qk", "a.ntf", "b.ntf"}, "exit 2: quorvel: -k needs --separate: a merged set is written whole or not at all"},
      {{"-k", "--merge", "a.ntf"}, "exit 2: quorvel: -k needs --separate: a merged set is written whole or not at all"},
      {{"--quiet", "a.ntf"}, "quiet"},
      // The picture and its size.
      {{"--preview", "p.png", "a.ntf"}, "preview=p.png"},
      {{"--preview", "p.png", "--preview-size", "800x600", "a.ntf"}, "preview=p.png size=800x600"},
      {{"--preview-size", "800", "a.ntf"}, "size=800"},
      {{"--preview-size", "800X600", "a.ntf"}, "size=800X600"},
      {{"--preview-size", "20000x1", "a.ntf"}, "size=20000x1"},
      {{"--preview-size", "0", "a.ntf"}, "exit 2: quorvel: --preview-size: '0' is not WxH or a number of pixels"},
      {{"--preview-size", "20001", "a.ntf"}, "exit 2: quorvel: --preview-size: '20001' is not WxH or a number of pixels"},
      {{"--preview-size", "800x", "a.ntf"}, "exit 2: quorvel: --preview-size: '800x' is not WxH or a number of pixels"},
      {{"--preview-size", "x600", "a.ntf"}, "exit 2: quorvel: --preview-size: 'x600' is not WxH or a number of pixels"},
      {{"--preview-size", "8a", "a.ntf"}, "exit 2: quorvel: --preview-size: '8a' is not WxH or a number of pixels"},
      // The products' options among the run options.
      {{"--meridian-heights", "--landline-off", "1,0001", "--strategi-layers", "2-3", "--network", "a.ntf"},
       "network meridian-heights=on landline-off=0111111111111111111111111111111111111111111111111111111111 "
       "strategi-layers=01100000"},
      {{"--landline-off", "", "a.ntf"}, "landline-off=1111111111111111111111111111111111111111111111111111111111"},
      // What ends the program before a run.
      {{"--version"}, "exit 0: " + version},
      {{"--version", "a.ntf"}, "exit 0: " + version},
      {{"a.ntf", "--", "-o"}, "files=a.ntf,-o"},
      {{"-x", "a.ntf"}, "exit 2: quorvel: The following argument was not expected: -x"},
      // An argument quoted in a usage error never drives the terminal.
      {{"--text", "\x1b[2J\n", "a.ntf"},
       "exit 2: quorvel: --text: \\x1b[2J\\x0a not in {include,separate,ignore}"},
      {{}, "exit 2: quorvel: files is required"},
  };
  for (const auto& [line, expected] : cases) {
    std::vector<const char*> args;
    std::string shown;
    for (const std::string& a : line) {
      args.push_back(a.c_str());
      shown += a + " ";
    }
    EXPECT_EQ(Describe(Parse(args)), expected) << shown;
  }
  // -j 0: one thread per core.
  EXPECT_GE(Parse({"--separate", "-j", "0", "a.ntf"}).settings.jobs, 1);
}

// --help lists the run options about what is written, then the products'
// own, then the run options about how the run goes, each with its line.
TEST(CommandLine, HelpListsTheOptionsInTheirGroups) {
  const std::string help = Parse({"--help"}).output;
  std::vector<std::pair<std::string, std::string>> expected;  // names, help line
  auto group = [&](RunOptionGroup g) {
    for (const RunOption& o : RunOptions())
      if (o.group == g) expected.emplace_back(o.names, o.help);
  };
  group(RunOptionGroup::Output);
  for (const ProductDescriptor* product : Products().products())
    for (const ProductOption& o : product->options) expected.emplace_back("--" + std::string(o.key), o.help);
  group(RunOptionGroup::Run);
  std::size_t at = 0;
  for (const auto& [names, line] : expected) {
    at = help.find("\n  " + names + " ", at);
    ASSERT_NE(at, std::string::npos) << names << " in order in\n" << help;
    at = help.find(line, at);
    ASSERT_NE(at, std::string::npos) << line;
  }
  EXPECT_NE(help.find("--separate Excludes: --merge"), std::string::npos);
  EXPECT_NE(help.find("--text MODE:{include,separate,ignore}"), std::string::npos);
  EXPECT_NE(help.find("-j,--jobs N:INT in [0 - 1024]"), std::string::npos);
}

TEST(CommandLine, ExitStatusTellsWhatHappened) {
  test::ScratchDir dir;
  test::WriteFile(dir / "a.ntf", CodePointTile());
  auto ok = test::RunQuorvel("-q " + Quote(dir / "a.ntf"));
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.err, "");  // no message is due
  EXPECT_TRUE(test::Exists(dir / "a.mif"));

  auto skipped = test::RunQuorvel("-q -o " + Quote(dir / "m.mif") + " " + Quote(dir / "a.ntf") + " " +
                                  Quote(dir / "missing.ntf"));
  EXPECT_EQ(skipped.exitCode, 1);
  EXPECT_EQ(skipped.err, "quorvel: " + (dir / "missing.ntf") + ": Unable to open NTF file: " + test::NoSuchFile() + "\n");

  test::WriteFile(dir / "cut.ntf", CodePointTile().substr(0, CodePointTile().size() - 4));
  auto cut = test::RunQuorvel("-q " + Quote(dir / "cut.ntf"));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_EQ(cut.err, "quorvel: " + (dir / "cut.ntf") + ": Error reading NTF file at line 5\n");

  auto noFolder = test::RunQuorvel("-q -o " + Quote(dir / "nowhere/x.mif") + " " + Quote(dir / "a.ntf"));
  EXPECT_EQ(noFolder.exitCode, 3);
  EXPECT_EQ(noFolder.err, "quorvel: " + (dir / "nowhere/x.mif") + ": Unable to open MIF file: " + test::NoSuchFolder() +
                              "\n" + "quorvel: stopped; 0 of 1 output sets written\n");

  if (test::Exists("/dev/full")) {
    std::filesystem::create_symlink("/dev/full", dir / "full.mif");
    auto full = test::RunQuorvel("-q -o " + Quote(dir / "full.mif") + " " + Quote(dir / "a.ntf"));
    EXPECT_EQ(full.exitCode, 3);
    EXPECT_NE(full.err.find(": Error writing file: No space left on device"), std::string::npos) << full.err;
  }
}

}  // namespace
