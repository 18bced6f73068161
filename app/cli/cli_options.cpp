#include "cli_options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <sstream>
#include <thread>

#include "products/landline/landline_entries.hpp"

namespace quorvel::cli {

namespace {

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::string item;
  std::istringstream in(list);
  while (std::getline(in, item, ',')) {
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

bool ParseSmallNumber(const std::string& s, int& value) {
  if (s.empty() || s.size() > 4 || !std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  value = std::stoi(s);
  return true;
}

bool EndsWithMif(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".mif";
}

}  // namespace

bool ParseLandLineOff(const std::string& list, TranslationSettings& settings, std::string& error) {
  for (const std::string& item : SplitList(list)) {
    int entry = 0;
    // Four characters are a feature code ("0001"); shorter numbers are entries.
    if (item.size() == 4) entry = LandLineEntryForFeatureCode(item);
    if (entry == 0 && item.size() < 4 && !ParseSmallNumber(item, entry)) entry = 0;
    if (entry < 1 || entry > 58) {
      error = "--landline-off: '" + item + "' is neither a Land-Line entry number (1-58) nor a Land-Line feature code";
      return false;
    }
    if (entry == 8) {
      error = "--landline-off: entry 8 cannot be switched off";
      return false;
    }
    settings.SetLandLineEntry(entry, false);
  }
  return true;
}

bool ParseStrategiLayers(const std::string& list, TranslationSettings& settings, std::string& error) {
  std::array<bool, 8> chosen{};
  const std::vector<std::string> items = SplitList(list);
  if (items.empty()) {
    error = "--strategi-layers: name at least one layer from 1 to 8";
    return false;
  }
  for (const std::string& item : items) {
    int from = 0, to = 0;
    const auto dash = item.find('-');
    bool ok = dash == std::string::npos
                  ? ParseSmallNumber(item, from) && (to = from, true)
                  : ParseSmallNumber(item.substr(0, dash), from) && ParseSmallNumber(item.substr(dash + 1), to);
    if (!ok || from < 1 || to > 8 || from > to) {
      error = "--strategi-layers: '" + item + "' is not a layer number from 1 to 8 or a range of them";
      return false;
    }
    for (int layer = from; layer <= to; ++layer) chosen[static_cast<std::size_t>(layer - 1)] = true;
  }
  for (int layer = 1; layer <= 8; ++layer) settings.SetStrategiLayer(layer, chosen[static_cast<std::size_t>(layer - 1)]);
  return true;
}

int ExitStatus(const RunResult& result) {
  switch (result.status) {
    case RunResult::Status::NoFiles: return 2;
    case RunResult::Status::OutputFailed: return 3;
    case RunResult::Status::Completed: break;
  }
  return result.AllTranslated() ? 0 : 1;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  CLI::App app{"Translates Ordnance Survey NTF tiles into MapInfo MIF/MID files.", "quorvel"};
  app.set_version_flag("--version", std::string("quorvel ") + QUORVEL_VERSION);
  app.get_formatter()->column_width(28);

  std::string output, textMode = "separate", symbols = "truetype", landlineOff, strategiLayers;
  bool separate = false, merge = false;
  app.add_option("files", cl.request.files, "NTF files, translated in the order given")->required()->type_name("FILE.ntf...");
  auto* outputOpt = app.add_option("-o,--output", output,
                                   "MIF name for one file or a merged run (default: named after the first file)")
                        ->type_name("FILE.mif");
  auto* separateOpt = app.add_flag("--separate", separate, "one output set per tile, named after each NTF file");
  auto* mergeOpt = app.add_flag("--merge", merge, "all tiles into one output set (the default for several files)");
  separateOpt->excludes(mergeOpt);
  separateOpt->excludes(outputOpt);
  app.add_option("--text", textMode, "include | separate | ignore (default separate)")
      ->check(CLI::IsMember({"include", "separate", "ignore"}))
      ->type_name("MODE");
  app.add_option("--symbols", symbols, "truetype | standard (default truetype)")
      ->check(CLI::IsMember({"truetype", "standard"}))
      ->type_name("SET");
  app.add_flag("--network", cl.settings.ExtractNetworkData, "write the network file (_Network.txt)");
  app.add_flag("--meridian-heights", cl.settings.ShowMeridianHeights, "draw Meridian 2 gridded heights visibly");
  app.add_option("--landline-off", landlineOff, "Land-Line features to leave out, by entry number or feature code")
      ->type_name("LIST");
  app.add_option("--strategi-layers", strategiLayers, "Strategi layers to translate, e.g. 1,2,5 (default 1-8)")
      ->type_name("L");
  app.add_option("-j,--jobs", cl.jobs, "translate separate tiles on N threads (0: one per core)")
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

  cl.settings.SetTextOption(textMode == "include" ? TextOption::Include
                            : textMode == "ignore" ? TextOption::Ignore
                                                   : TextOption::Separate);
  cl.settings.UseTrueTypeSymbols = symbols == "truetype";
  cl.settings.MergeTiles = !separate;
  std::string error;
  if (!landlineOff.empty() && !ParseLandLineOff(landlineOff, cl.settings, error)) return usage(error);
  if (app.count("--strategi-layers") > 0 && !ParseStrategiLayers(strategiLayers, cl.settings, error)) return usage(error);
  if (!output.empty()) {
    if (!EndsWithMif(output)) output += ".mif";
    cl.request.mifName = output;
  }
  if (cl.jobs == 0) cl.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return cl;
}

}  // namespace quorvel::cli
