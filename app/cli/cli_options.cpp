#include "cli_options.hpp"

#include "run/messages.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <thread>

#include "run/run_options.hpp"

namespace quorvel::cli {

namespace {

bool EndsWithMif(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".mif";
}

// The text given to each product option's flag, in declaration order.
struct ProductFlag {
  const ProductOption* option;
  CLI::Option* flag;
  std::string text;
  bool on = false;
};

// What one run option was given: the flag's state, the value's text (a
// choice's word) or the number, each starting at the option's default.
struct GivenRunOption {
  CLI::Option* option = nullptr;
  bool on = false;
  std::string text;
  int number = 0;
};

// The run options as parsed, before they become settings.
class RunFlags {
 public:
  RunFlags() : given_(RunOptions().size()) {
    for (const RunOption& o : RunOptions()) {
      GivenRunOption& g = At(o.id);
      if (o.kind == RunOptionKind::Number)
        std::from_chars(o.defaultValue.data(), o.defaultValue.data() + o.defaultValue.size(), g.number);
      else
        g.text = std::string(o.defaultValue);
    }
  }
  GivenRunOption& At(RunOptionId id) { return given_[static_cast<std::size_t>(id)]; }
  bool On(RunOptionId id) { return At(id).on; }
  const std::string& Text(RunOptionId id) { return At(id).text; }
  bool Given(RunOptionId id) { return At(id).option->count() > 0; }

 private:
  std::vector<GivenRunOption> given_;
};

constexpr const char* kFooter = R"(
Exit status:
  0    every tile translated
  1    a tile was skipped (not loadable, not a known product, refused) or cut short by a read error
  2    usage error, or an output file is one of the inputs or belongs to two sets (nothing written)
  3    an output set could not be created, written or closed, or exists already without --overwrite
  130, 143, 129  stopped by SIGINT, SIGTERM, SIGHUP (sets in progress discarded, earlier output untouched);
                 on Windows 130, 131, 129: Ctrl+C, Ctrl+Break, the console window closed

Examples:
  quorvel SK12.ntf                                  writes SK12.mif and SK12.mid beside the tile
  quorvel --separate -j 0 -d out/ /data/ntf/*.ntf   one set per tile in out/, on every core
  quorvel --overwrite -o london.mif tiles.zip       every tile of the archive merged into london.mif
)";

// A name quorvel-preview can draw into: NAME.png or NAME.svg (any case).
bool IsPictureName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string ending = name.substr(name.size() - 4);
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ending == ".png" || ending == ".svg";
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

// "WxH" or one number for the long side.
bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  try {
    std::size_t used = 0;
    if (x == std::string::npos) {
      width = height = std::stoi(text, &used);
      return used == text.size() && width > 0 && width <= 20000;
    }
    width = std::stoi(text.substr(0, x), &used);
    if (used != x) return false;
    height = std::stoi(text.substr(x + 1), &used);
    return used == text.size() - x - 1 && width > 0 && height > 0 && width <= 20000 && height <= 20000;
  } catch (const std::exception&) {
    return false;
  }
}

// The option's flag, as its table row declares it.
CLI::Option* AddRunOption(CLI::App& app, const RunOption& o, GivenRunOption& given) {
  const std::string names(o.names), help(o.help), valueName(o.valueName);
  switch (o.kind) {
    case RunOptionKind::Flag: return app.add_flag(names, given.on, help);
    case RunOptionKind::Value: return app.add_option(names, given.text, help)->type_name(valueName);
    case RunOptionKind::Number:
      return app.add_option(names, given.number, help)->check(CLI::Range(o.min, o.max))->type_name(valueName);
    case RunOptionKind::Choice: {
      std::vector<std::string> words;
      for (const RunOptionChoice& c : o.choices) words.emplace_back(c.word);
      return app.add_option(names, given.text, help)->check(CLI::IsMember(words))->type_name(valueName);
    }
  }
  return nullptr;
}

// The run options of one group, in table order.
void AddRunOptions(CLI::App& app, RunFlags& f, RunOptionGroup group) {
  for (const RunOption& o : RunOptions())
    if (o.group == group) f.At(o.id).option = AddRunOption(app, o, f.At(o.id));
}

// Options that cannot be given together; CLI11 makes each exclusion mutual.
void AddExclusions(CLI::App& app, RunFlags& f) {
  for (const RunOption& o : RunOptions())
    if (!o.excludes.empty()) f.At(o.id).option->excludes(app.get_option(std::string(o.excludes)));
}

// One flag per declared product option, in registry order.
std::vector<ProductFlag> AddProductOptions(CLI::App& app, const ProductRegistry& products) {
  std::vector<ProductFlag> flags;
  for (const ProductDescriptor* product : products.products())
    for (const ProductOption& option : product->options) flags.push_back({&option, nullptr, {}});
  for (ProductFlag& f : flags) {
    const std::string name = "--" + std::string(f.option->key);
    const std::string help(f.option->help);
    if (f.option->kind == OptionKind::Flag) f.flag = app.add_flag(name, f.on, help);
    else f.flag = app.add_option(name, f.text, help)->type_name(std::string(f.option->valueName));
  }
  return flags;
}

// Where the output goes: -o, -d and --separate together. False with `error`
// set for a combination that names no output.
bool SettleOutput(CommandLine& cl, RunFlags& f, std::string& error) {
  std::string output = f.Text(RunOptionId::Output), outputDir = f.Text(RunOptionId::OutputDir);
  // An existing folder, or a name ending in "/", is where the sets go.
  if (!output.empty() && (output.back() == '/' || IsFolder(output))) {
    if (!outputDir.empty()) {
      error = ComposeMessage(MessageId::UsageOutputFolderTwice);
      return false;
    }
    outputDir = output;
    output.clear();
  }
  if (f.On(RunOptionId::Separate) && !output.empty()) {
    error = ComposeMessage(MessageId::UsageOutputWithSeparate);
    return false;
  }
  cl.request.outputDir = outputDir;
  if (!output.empty()) {
    if (!EndsWithMif(output)) output += ".mif";
    cl.request.mifName = output;
  }
  return true;
}

// Settles the parsed values into the settings; false with `error` set for a
// value no option takes.
bool ApplyFlags(CommandLine& cl, RunFlags& f, std::vector<ProductFlag>& productFlags, std::string& error) {
  const bool separate = f.On(RunOptionId::Separate);
  const int jobs = f.At(RunOptionId::Jobs).number;
  if (f.Given(RunOptionId::Jobs) && jobs != 1 && !separate) {
    error = ComposeMessage(MessageId::UsageJobsNeedSeparate);
    return false;
  }
  if (f.On(RunOptionId::KeepGoing) && !separate) {
    error = ComposeMessage(MessageId::UsageKeepGoingNeedsSeparate);
    return false;
  }
  if (!SettleOutput(cl, f, error)) return false;
  const std::string& previewSize = f.Text(RunOptionId::PreviewSize);
  int width = 0, height = 0;
  if (!previewSize.empty() && !ParseSize(previewSize, width, height)) {
    error = ComposeMessage(MessageId::UsageBadPictureSize, {previewSize});
    return false;
  }
  cl.previewSize = previewSize;
  cl.preview = f.Text(RunOptionId::Preview);
  if (!cl.preview.empty() && !IsPictureName(cl.preview)) {
    error = ComposeMessage(MessageId::UsageBadPictureName, {cl.preview});
    return false;
  }
  // The picture is a file of the run: checked with its sets before anything
  // is written.
  cl.request.picture = cl.preview;
  for (const RunOption& o : RunOptions())
    if (o.kind == RunOptionKind::Choice) Choose(o, f.Text(o.id), cl.settings);
  cl.request.mergeTiles = !separate;
  cl.request.keepGoing = f.On(RunOptionId::KeepGoing);
  cl.settings.extractNetworkData = f.On(RunOptionId::Network);
  cl.overwrite = f.On(RunOptionId::Overwrite);
  cl.quiet = f.On(RunOptionId::Quiet);
  if (f.Given(RunOptionId::Jobs)) cl.settings.jobs = jobs;
  for (ProductFlag& p : productFlags) {
    if (p.flag->count() == 0) continue;
    if (!ParseOptionText(*p.option, p.text, cl.settings.productOptions.Slot(*p.option), error)) return false;
  }
  if (cl.settings.jobs == 0) cl.settings.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return true;
}

}  // namespace

int ExitStatus(const RunResult& result) {
  switch (result.status) {
    case RunResult::Status::NoFiles:
    case RunResult::Status::Refused: return 2;
    case RunResult::Status::OutputFailed:
    case RunResult::Status::NotReplaced: return 3;
    case RunResult::Status::Completed: break;
  }
  if (result.outputFailures > 0) return 3;
  return result.AllTranslated() ? 0 : 1;
}

CommandLine ParseCommandLine(int argc, const char* const* argv, const ProductRegistry& products) {
  CommandLine cl;
  CLI::App app{"Translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.", "quorvel"};
  app.set_version_flag("--version", std::string("quorvel ") + QUORVEL_VERSION);
  app.get_formatter()->column_width(28);

  // Required unless --recover is given (checked after the parse).
  app.add_option("files", cl.request.files, "NTF files, translated in the order given")->type_name("FILE.ntf...");
  // The run options about what is written, the products' own, then those
  // about how the run goes: the order of --help.
  RunFlags flags;
  AddRunOptions(app, flags, RunOptionGroup::Output);
  std::vector<ProductFlag> productFlags = AddProductOptions(app, products);
  AddRunOptions(app, flags, RunOptionGroup::Run);
  AddExclusions(app, flags);
  app.footer(kFooter);

  auto usage = [&](const std::string& message) {
    cl.done = true;
    cl.exitCode = 2;
    // The parser's words quote the arguments, which may hold any byte.
    cl.output = "quorvel: " + EscapeControls(message) + "\nRun with --help for more information.\n";
    return cl;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    cl.done = true;
    cl.output = app.help();
    return cl;
  } catch (const CLI::CallForVersion&) {
    cl.done = true;
    cl.output = app.version() + "\n";
    return cl;
  } catch (const CLI::ParseError& e) {
    return usage(e.what());
  }
  cl.recover = flags.Text(RunOptionId::Recover);
  if (cl.request.files.empty() && cl.recover.empty()) return usage("files is required");
  std::string error;
  if (!ApplyFlags(cl, flags, productFlags, error)) return usage(error);
  return cl;
}

}  // namespace quorvel::cli
