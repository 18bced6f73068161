// The quorvel command: options, messages on stderr and exit status.
#include <gtest/gtest.h>

#include "cli_options.hpp"
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
  EXPECT_EQ(skipped.err, "quorvel: " + (dir / "missing.ntf") + ": Unable to open NTF file: No such file or directory\n");

  test::WriteFile(dir / "cut.ntf", CodePointTile().substr(0, CodePointTile().size() - 4));
  auto cut = test::RunQuorvel("-q " + Quote(dir / "cut.ntf"));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_EQ(cut.err, "quorvel: " + (dir / "cut.ntf") + ": Error reading NTF file at line 5\n");

  auto noFolder = test::RunQuorvel("-q -o " + Quote(dir / "nowhere/x.mif") + " " + Quote(dir / "a.ntf"));
  EXPECT_EQ(noFolder.exitCode, 3);
  EXPECT_EQ(noFolder.err, "quorvel: " + (dir / "nowhere/x.mif") + ": Unable to open MIF file: No such file or directory\n" +
                              "quorvel: stopped; 0 of 1 output sets written\n");

  if (test::Exists("/dev/full")) {
    std::filesystem::create_symlink("/dev/full", dir / "full.mif");
    auto full = test::RunQuorvel("-q -o " + Quote(dir / "full.mif") + " " + Quote(dir / "a.ntf"));
    EXPECT_EQ(full.exitCode, 3);
    EXPECT_NE(full.err.find(": Error writing file: No space left on device"), std::string::npos) << full.err;
  }
}

}  // namespace
