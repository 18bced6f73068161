#include "cli_options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
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
  std::string output, text = "separate", symbols = "truetype";
  bool separate = false, merge = false;
};

void AddRunOptions(CLI::App& app, CommandLine& cl, RunFlags& f) {
  app.add_option("files", cl.request.files, "NTF files, translated in the order given")->required()->type_name("FILE.ntf...");
  auto* output = app.add_option("-o,--output", f.output,
                                "MIF name for one file or a merged run (default: named after the first file)")
                     ->type_name("FILE.mif");
  auto* separate = app.add_flag("--separate", f.separate, "one output set per tile, named after each NTF file");
  auto* merge = app.add_flag("--merge", f.merge, "all tiles into one output set (the default for several files)");
  separate->excludes(merge);
  separate->excludes(output);
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
    case RunResult::Status::NoFiles: return 2;
    case RunResult::Status::OutputFailed: return 3;
    case RunResult::Status::Completed: break;
  }
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
  app.add_option("-j,--jobs", cl.settings.jobs, "translate separate tiles on N threads (0: one per core)")
      ->check(CLI::Range(0, 1024))
      ->type_name("N");
  app.add_flag("-q,--quiet", cl.quiet, "no progress display");

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
