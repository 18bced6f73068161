// quorvel-preview: draws output sets (NAME.mif with its text pair and any
// pairs of a product's own) as MapInfo would show them, into a PNG or SVG
// picture.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "preview/leak_suppressions.hpp"
#include "preview/render.hpp"

namespace {

// "WxH", or one number for the long side with the other from the data.
bool ParseSize(const std::string& text, QSize& size, int& longSide) {
  const auto x = text.find_first_of("xX");
  auto number = [](const std::string& s, int& v) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = std::stoi(s);
    return v >= 16 && v <= 20000;
  };
  if (x == std::string::npos) return number(text, longSide);
  int w = 0, h = 0;
  if (!number(text.substr(0, x), w) || !number(text.substr(x + 1), h)) return false;
  size = QSize(w, h);
  return true;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "quorvel-preview: %s\nRun with --help for more information.\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Draws MapInfo output sets into a PNG or SVG picture.", "quorvel-preview"};
  app.set_version_flag("--version", std::string("quorvel-preview ") + QUORVEL_VERSION);
  std::vector<std::string> sets;
  std::string output, sizeText;
  app.add_option("sets", sets, "output sets, each named by its main MIF (NAME.mif)")->required()->type_name("SET.mif...");
  app.add_option("-o,--output", output, "the picture to write; .png or .svg")->required()->type_name("FILE");
  app.add_option("--size", sizeText, "picture size WxH, or the long side alone (default 1600)")->type_name("WxH");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::printf("%s\n", app.version().c_str());
    return 0;
  } catch (const CLI::ParseError& e) {
    return Usage(e.what());
  }

  QSize size;
  int longSide = 1600;
  if (!sizeText.empty() && !ParseSize(sizeText, size, longSide))
    return Usage("--size " + sizeText + ": expected WxH or one number, 16 to 20000 pixels");

  const auto dot = output.find_last_of("./");
  std::string ending = dot == std::string::npos || output[dot] != '.' ? "" : output.substr(dot + 1);
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ending != "png" && ending != "svg") return Usage(output + ": the picture's name must end in .png or .svg");

  using namespace quorvel::preview;
  if (!EnsureGuiApplication()) {
    std::fprintf(stderr, "quorvel-preview: cannot start Qt's drawing\n");
    return 1;
  }
  // A set that cannot be read is reported and the others are drawn.
  std::vector<PreviewSet> read;
  int status = 0;
  for (const std::string& path : sets) {
    PreviewSet set;
    std::string error;
    if (ReadSet(path, set, error)) {
      read.push_back(std::move(set));
    } else {
      std::fprintf(stderr, "quorvel-preview: %s\n", error.c_str());
      status = 1;
    }
  }
  if (read.empty()) return 1;
  // The default size follows the data's aspect.
  if (!size.isValid()) size = DefaultSize(SetsExtent(read), longSide);
  std::string error;
  if (!SavePicture(read, output, size, error)) {
    std::fprintf(stderr, "quorvel-preview: %s\n", error.c_str());
    return 1;
  }
  return status;
}
