// A product known only to this test: one option and one pair of its own.
// It needs nothing but its descriptor and a registry that lists it.
#include <gtest/gtest.h>

#include "cli_options.hpp"
#include "mif/format.hpp"
#include "run/record_loop.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

constexpr std::string_view kColumns[] = {"Id char (6)"};
constexpr std::string_view kExtraColumns[] = {"Id char (6)", "Twice char (12)"};

const ProductOption kDoubleOption{
    .key = "made-up-double",
    .kind = OptionKind::Flag,
    .help = "write every id twice in the extra pair",
    .productName = "Made-up",
};

const OutputLayer kExtraLayer{"_extra", kMixedCaseHeader, kExtraColumns};

class MadeUpTranslator final : public RecordLoopTranslator {
 public:
  explicit MadeUpTranslator(FileContext& ctx)
      : RecordLoopTranslator(ctx), twice_(ctx.Option(kDoubleOption)), extra_(ctx.Layer(kExtraLayer)) {}

 protected:
  void HandleRecord(std::string_view record) override {
    const std::string id(Field(record, 3, 6));
    ctx_.out.main.WritePoint("1", "2");
    ctx_.out.main.WriteRow(id);
    ctx_.CountObjectCreated();
    extra_.WriteNone();
    extra_.WriteRow(id + "," + (twice_.Flag() ? id + id : id));
  }

 private:
  OptionView twice_;
  MifLayer& extra_;
};

FileOutcome TranslateMadeUp(FileContext& ctx) { return MadeUpTranslator(ctx).Run(); }

const ProductOption kOptions[] = {kDoubleOption};
const OutputLayer kLayers[] = {kExtraLayer};

const ProductDescriptor kMadeUp{
    .key = "made-up",
    .nameShown = "Made-up",
    .Matches = [](std::string_view name) { return name.substr(0, 7) == "MADE_UP"; },
    .headerStyle = kMixedCaseHeader,
    .columns = kColumns,
    .layers = kLayers,
    .options = kOptions,
    .translate = TranslateMadeUp,
};

const ProductDescriptor* const kProducts[] = {&kMadeUp};

TEST(MadeUpProduct, ItsOptionAndItsPairComeFromItsDeclarationAlone) {
  const ProductRegistry registry(kProducts);
  test::ScratchDir dir;
  test::WriteFile(dir / "t.ntf", test::Ntf({"01V0%", "02MADE_UP             0%", "07SECTION   0%", "14ABC1230%",
                                              "14XYZ9870%", "99"}));
  // The command line offers the option by its key, with its help line.
  const char* argv[] = {"quorvel", "--made-up-double", "t.ntf"};
  const cli::CommandLine cl = cli::ParseCommandLine(3, argv, registry);
  ASSERT_FALSE(cl.done) << cl.output;
  EXPECT_TRUE(cl.settings.productOptions.Flag(kDoubleOption));
  const char* help[] = {"quorvel", "--help"};
  EXPECT_NE(cli::ParseCommandLine(2, help, registry).output.find("write every id twice"), std::string::npos);

  test::RecordingObserver observer;
  const RunResult r = Translate(RunRequest{{dir / "t.ntf"}, dir / "out.mif"}, cl.settings, observer, registry);
  EXPECT_TRUE(r.AllTranslated()) << (observer.messages.empty() ? "" : observer.messages[0].text);
  EXPECT_EQ(test::ReadFile(dir / "out_extra.mid"), "ABC123,ABC123ABC123\r\nXYZ987,XYZ987XYZ987\r\n");
  const std::string extraHeader = test::ReadFile(dir / "out_extra.mif");
  EXPECT_NE(extraHeader.find("Columns 2\r\nId char (6)\r\nTwice char (12)\r\n"), std::string::npos);
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "out.mid")), (std::vector<std::string>{"ABC123", "XYZ987"}));

  // Without the option, and the earlier pair replaced whole.
  TranslationSettings plain;
  Translate(RunRequest{{dir / "t.ntf"}, dir / "out.mif"}, plain, observer, registry);
  EXPECT_EQ(test::ReadFile(dir / "out_extra.mid"), "ABC123,ABC123\r\nXYZ987,XYZ987\r\n");
}

}  // namespace
