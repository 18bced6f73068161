#include "run/run_options.hpp"

#include <cstddef>

namespace quorvel {

namespace {

constexpr RunOptionChoice kTextChoices[] = {
    {.word = "include",
     .caption = "&Include",
     .objectName = "RadioButtonInclude",
     .hint = "Include text objects in MIF",
     .windowRow = 0},
    {.word = "separate",
     .caption = "Se&parate",
     .objectName = "RadioButtonSeparate",
     .hint = "Translate text objects into a separate MIF",
     .windowRow = 1},
    {.word = "ignore",
     .caption = "Ig&nore",
     .objectName = "RadioButtonIgnore",
     .hint = "Do not translate text objects",
     .windowRow = 2},
};

constexpr RunOptionChoice kSymbolChoices[] = {
    {.word = "truetype", .caption = "&True-type fonts", .objectName = "RadioButtonTrueType", .windowRow = 1},
    {.word = "standard", .caption = "&Standard fonts", .objectName = "RadioButtonStandard", .windowRow = 0},
};

constexpr RunOption kRunOptions[] = {
    {.id = RunOptionId::Output,
     .names = "-o,--output",
     .kind = RunOptionKind::Value,
     .valueName = "FILE.mif",
     .help = "MIF name for one file or a merged run (default: named after the first tile); "
             "an existing folder or a name ending in / means --output-dir",
     .window = RunOptionPlace::MainWindow},
    {.id = RunOptionId::OutputDir,
     .names = "-d,--output-dir",
     .kind = RunOptionKind::Value,
     .valueName = "DIR",
     .help = "write the sets into DIR (created if missing), named after each tile"},
    {.id = RunOptionId::Separate,
     .names = "--separate",
     .help = "one output set per tile, named after each NTF file",
     .excludes = "--merge",
     .window = RunOptionPlace::MainWindow},
    {.id = RunOptionId::Merge,
     .names = "--merge",
     .help = "all tiles into one output set (the default for several files)",
     .window = RunOptionPlace::MainWindow},
    {.id = RunOptionId::Overwrite, .names = "--overwrite", .help = "replace existing output sets"},
    {.id = RunOptionId::KeepGoing,
     .names = "-k,--keep-going",
     .help = "with --separate, a set that cannot be written is reported and the run goes on"},
    {.id = RunOptionId::Text,
     .names = "--text",
     .kind = RunOptionKind::Choice,
     .valueName = "MODE",
     .help = "include | separate | ignore (default separate)",
     .defaultValue = "separate",
     .choices = kTextChoices,
     .window = RunOptionPlace::OptionsDialog,
     .windowName = "GroupBoxText",
     .windowTitle = " Text object options: "},
    {.id = RunOptionId::Symbols,
     .names = "--symbols",
     .kind = RunOptionKind::Choice,
     .valueName = "SET",
     .help = "truetype | standard (default truetype)",
     .defaultValue = "truetype",
     .choices = kSymbolChoices,
     .window = RunOptionPlace::OptionsDialog,
     .windowName = "GroupBoxSymbols",
     .windowTitle = " Symbol options: "},
    {.id = RunOptionId::Network,
     .names = "--network",
     .help = "write the network file (_Network.txt)",
     .window = RunOptionPlace::MainWindow},
    {.id = RunOptionId::Jobs,
     .names = "-j,--jobs",
     .kind = RunOptionKind::Number,
     .valueName = "N",
     .help = "with --separate, translate on N threads (0: one per core)",
     .defaultValue = "1",
     .min = 0,
     .max = 1024,
     .group = RunOptionGroup::Run},
    {.id = RunOptionId::Quiet,
     .names = "-q,--quiet",
     .help = "no progress bar and no summary line; only messages",
     .group = RunOptionGroup::Run},
    {.id = RunOptionId::Preview,
     .names = "--preview",
     .kind = RunOptionKind::Value,
     .valueName = "FILE.png",
     .help = "after the run, a picture of the output (--separate: one per set)",
     .group = RunOptionGroup::Run},
    {.id = RunOptionId::PreviewSize,
     .names = "--preview-size",
     .kind = RunOptionKind::Value,
     .valueName = "WxH",
     .help = "size of the picture (default 1600 px on the long side)",
     .group = RunOptionGroup::Run},
    {.id = RunOptionId::Recover,
     .names = "--recover",
     .kind = RunOptionKind::Value,
     .valueName = "DIR",
     .help = "undo the commits that runs killed midway left in DIR and remove their temporaries; "
             "translates nothing (a run does this in its own folders)",
     .group = RunOptionGroup::Run},
};

constexpr bool InIdOrder() {
  for (std::size_t i = 0; i < std::size(kRunOptions); ++i)
    if (static_cast<std::size_t>(kRunOptions[i].id) != i) return false;
  return true;
}
static_assert(InIdOrder(), "kRunOptions is listed in RunOptionId order");

}  // namespace

std::string_view RunOption::LongName() const {
  const std::size_t comma = names.find(',');
  return comma == std::string_view::npos ? names : names.substr(comma + 1);
}

std::string_view RunOption::ShortName() const {
  const std::size_t comma = names.find(',');
  return comma == std::string_view::npos ? std::string_view{} : names.substr(0, comma);
}

std::span<const RunOption> RunOptions() { return kRunOptions; }

const RunOption& GetRunOption(RunOptionId id) { return kRunOptions[static_cast<std::size_t>(id)]; }

std::string_view ChosenWord(const RunOption& option, const TranslationSettings& settings) {
  switch (option.id) {
    case RunOptionId::Text:
      switch (settings.text) {
        case TextOption::Include: return "include";
        case TextOption::Separate: return "separate";
        case TextOption::Ignore: return "ignore";
      }
      break;
    case RunOptionId::Symbols: return settings.useTrueTypeSymbols ? "truetype" : "standard";
    default: break;
  }
  return {};
}

bool Choose(const RunOption& option, std::string_view word, TranslationSettings& settings) {
  if (option.id == RunOptionId::Text) {
    if (word == "include") settings.text = TextOption::Include;
    else if (word == "separate") settings.text = TextOption::Separate;
    else if (word == "ignore") settings.text = TextOption::Ignore;
    else return false;
    return true;
  }
  if (option.id == RunOptionId::Symbols) {
    if (word != "truetype" && word != "standard") return false;
    settings.useTrueTypeSymbols = word == "truetype";
    return true;
  }
  return false;
}

}  // namespace quorvel
