// quorvel-ntfgen: writes deterministic sample NTF tiles.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ntfgen/generators.hpp"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: quorvel-ntfgen PRODUCT [small|medium|full] [--seed N] [--lf|--cr] [-o FILE]\n"
               "products:");
  for (const auto& g : ntfgen::Generators())
    if (ntfgen::IsAvailable(g)) std::fprintf(stderr, " %.*s", static_cast<int>(g.product.size()), g.product.data());
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const ntfgen::Generator* gen = ntfgen::FindGenerator(argv[1]);
  if (!gen) return Usage();
  ntfgen::Options options;
  std::string output;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "small") options.size = ntfgen::Size::Small;
    else if (a == "medium") options.size = ntfgen::Size::Medium;
    else if (a == "full") options.size = ntfgen::Size::Full;
    else if (a == "--seed" && i + 1 < argc) options.seed = std::strtoull(argv[++i], nullptr, 10);
    else if (a == "--lf") options.lineEnd = "\n";
    else if (a == "--cr") options.lineEnd = "\r";
    else if (a == "-o" && i + 1 < argc) output = argv[++i];
    else return Usage();
  }
  const std::string text = gen->generate(options);
  std::FILE* f = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
  if (!f) {
    std::perror(output.c_str());
    return 1;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f != stdout ? std::fclose(f) != 0 : std::fflush(f) != 0) return 1;
  return ok ? 0 : 1;
}
