#include "cli_options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <thread>

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

// What the run-wide options are parsed into before they become settings.
struct RunFlags {
  std::string output, outputDir, text = "separate", symbols = "truetype", previewSize;
  bool separate = false, merge = false;
  CLI::Option* jobs = nullptr;
};

constexpr const char* kFooter = R"(
Exit status:
  0    every tile translated
  1    a tile was skipped (not loadable, not a known product, refused) or cut short by a read error
  2    usage error, or an output file is one of the inputs or belongs to two sets (nothing written)
  3    an output set could not be created, written or closed, or exists already without --overwrite
  130, 143, 129  stopped by SIGINT, SIGTERM, SIGHUP (sets in progress discarded, earlier output untouched)

Examples:
  quorvel SK12.ntf                                  writes SK12.mif and SK12.mid beside the tile
  quorvel --separate -j 0 -d out/ /data/ntf/*.ntf   one set per tile in out/, on every core
  quorvel --overwrite -o london.mif tiles.zip       every tile of the archive merged into london.mif
)";

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

void AddRunOptions(CLI::App& app, CommandLine& cl, RunFlags& f) {
  app.add_option("files", cl.request.files, "NTF files, translated in the order given")->required()->type_name("FILE.ntf...");
  app.add_option("-o,--output", f.output,
                                "MIF name for one file or a merged run (default: named after the first tile); "
                                "an existing folder or a name ending in / means --output-dir")
                     ->type_name("FILE.mif");
  app.add_option("-d,--output-dir", f.outputDir, "write the sets into DIR (created if missing), named after each tile")
      ->type_name("DIR");
  auto* separate = app.add_flag("--separate", f.separate, "one output set per tile, named after each NTF file");
  auto* merge = app.add_flag("--merge", f.merge, "all tiles into one output set (the default for several files)");
  separate->excludes(merge);
  app.add_flag("--overwrite", cl.overwrite, "replace existing output sets");
  app.add_flag("-k,--keep-going", cl.request.keepGoing,
               "with --separate, a set that cannot be written is reported and the run goes on");
  app.add_option("--text", f.text, "include | separate | ignore (default separate)")
      ->check(CLI::IsMember({"include", "separate", "ignore"}))
      ->type_name("MODE");
  app.add_option("--symbols", f.symbols, "truetype | standard (default truetype)")
      ->check(CLI::IsMember({"truetype", "standard"}))
      ->type_name("SET");
  app.add_flag("--network", cl.settings.extractNetworkData, "write the network file (_Network.txt)");
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

// Settles the parsed values into the settings; false with `error` set for a
// value no option takes.
bool ApplyFlags(CommandLine& cl, RunFlags& f, std::vector<ProductFlag>& productFlags, std::string& error) {
  if (f.jobs->count() > 0 && cl.settings.jobs != 1 && !f.separate) {
    error = "-j needs --separate: a merged set is written in tile order by one writer";
    return false;
  }
  // An existing folder, or a name ending in "/", is where the sets go.
  if (!f.output.empty() && (f.output.back() == '/' || IsFolder(f.output))) {
    if (!f.outputDir.empty()) {
      error = "-o names a folder and --output-dir is given too";
      return false;
    }
    f.outputDir = f.output;
    f.output.clear();
  }
  if (f.separate && !f.output.empty()) {
    error = "--output names one set; with --separate use --output-dir";
    return false;
  }
  cl.request.outputDir = f.outputDir;
  int width = 0, height = 0;
  if (!f.previewSize.empty() && !ParseSize(f.previewSize, width, height)) {
    error = "--preview-size: '" + f.previewSize + "' is not WxH or a number of pixels";
    return false;
  }
  cl.previewSize = f.previewSize;
  cl.settings.text = f.text == "include" ? TextOption::Include
                     : f.text == "ignore" ? TextOption::Ignore
                                          : TextOption::Separate;
  cl.settings.useTrueTypeSymbols = f.symbols == "truetype";
  cl.request.mergeTiles = !f.separate;
  for (ProductFlag& p : productFlags) {
    if (p.flag->count() == 0) continue;
    if (!ParseOptionText(*p.option, p.text, cl.settings.productOptions.Slot(*p.option), error)) return false;
  }
  if (!f.output.empty()) {
    if (!EndsWithMif(f.output)) f.output += ".mif";
    cl.request.mifName = f.output;
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

  RunFlags flags;
  AddRunOptions(app, cl, flags);
  std::vector<ProductFlag> productFlags = AddProductOptions(app, products);
  flags.jobs = app.add_option("-j,--jobs", cl.settings.jobs, "with --separate, translate on N threads (0: one per core)")
                   ->check(CLI::Range(0, 1024))
                   ->type_name("N");
  app.add_flag("-q,--quiet", cl.quiet, "no progress bar and no summary line; only messages");
  app.add_option("--preview", cl.preview, "after the run, a picture of the output (--separate: one per set)")
      ->type_name("FILE.png");
  app.add_option("--preview-size", flags.previewSize, "size of the picture (default 1600 px on the long side)")
      ->type_name("WxH");
  app.footer(kFooter);

  auto usage = [&](const std::string& message) {
    cl.done = true;
    cl.exitCode = 2;
    cl.output = "quorvel: " + message + "\nRun with --help for more information.\n";
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
  std::string error;
  if (!ApplyFlags(cl, flags, productFlags, error)) return usage(error);
  return cl;
}

}  // namespace quorvel::cli
