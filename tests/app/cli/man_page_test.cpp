// The manual pages as configured into the build tree, and the bash and zsh
// completion scripts: clean roff, the project's version, the same options
// everywhere, and what the completion offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "quorvel.hpp"
#include "run/run_options.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

const std::string kManDir = QUORVEL_MAN_BUILD_DIR;
const std::string kSource = QUORVEL_SOURCE_DIR;
const std::string kBash = kSource + "/completions/quorvel.bash";
const std::string kZsh = kSource + "/completions/_quorvel";

// The options of the command, each as the page and the completion name
// it: the run options' table, the products' own and the two every command
// has.
std::set<std::string> LongOptions() {
  std::set<std::string> names = {"--version", "--help"};
  for (const RunOption& option : RunOptions()) names.emplace(option.LongName());
  for (const ProductDescriptor* product : Products().products())
    for (const ProductOption& option : product->options) names.insert("--" + std::string(option.key));
  return names;
}

std::set<std::string> ShortOptions() {
  std::set<std::string> names;
  for (const RunOption& option : RunOptions())
    if (!option.ShortName().empty()) names.emplace(option.ShortName());
  return names;
}

// The long names of the options that take a value.
std::set<std::string> ValueOptions() {
  std::set<std::string> names;
  for (const RunOption& option : RunOptions())
    if (option.kind != RunOptionKind::Flag) names.emplace(option.LongName());
  for (const ProductDescriptor* product : Products().products())
    for (const ProductOption& option : product->options)
      if (option.kind != OptionKind::Flag) names.insert("--" + std::string(option.key));
  return names;
}

// A choice's words as a completion offers them: "include separate ignore".
std::string Words(const RunOption& option) {
  std::string words;
  for (const RunOptionChoice& c : option.choices) words += (words.empty() ? "" : " ") + std::string(c.word);
  return words;
}

// Long options as written in roff ("\-\-name\-part") or in a script
// ("--name-part").
std::set<std::string> LongOptionsIn(const std::string& text) {
  std::set<std::string> found;
  auto dashAt = [&](std::size_t i) -> std::size_t {  // length of a dash at i, or 0
    if (text.compare(i, 2, "\\-") == 0) return 2;
    return i < text.size() && text[i] == '-' ? 1 : 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t d1 = dashAt(i);
    if (!d1) continue;
    const std::size_t d2 = dashAt(i + d1);
    if (!d2) continue;
    std::size_t j = i + d1 + d2;
    std::string name;
    while (j < text.size()) {
      if (text[j] >= 'a' && text[j] <= 'z') {
        name += text[j++];
      } else if (const std::size_t d = dashAt(j); d && !name.empty()) {
        name += '-';
        j += d;
      } else {
        break;
      }
    }
    while (!name.empty() && name.back() == '-') name.pop_back();
    if (!name.empty()) found.insert("--" + name);
    i = j - 1;
  }
  return found;
}

TEST(ManPage, PagesFormatWithoutWarnings) {
  for (const char* page : {"quorvel.1", "quorvel-gui.1"}) {
    SCOPED_TRACE(page);
    const std::string path = kManDir + "/" + page;
    ASSERT_TRUE(test::Exists(path));
    const auto r = test::RunCommand("groff -ww -man -Tutf8 -z " + test::Quote(path));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    // And as man(1) shows it, with every section the reader looks for.
    const auto shown = test::RunCommand("MANWIDTH=80 man -l " + test::Quote(path) + " | col -b");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "SEE ALSO"})
      EXPECT_NE(shown.out.find(std::string("\n") + section + "\n"), std::string::npos) << section;
  }
}

TEST(ManPage, CarriesTheProjectVersion) {
  // The version is written once, in the top-level project() line.
  const std::string cmake = test::ReadFile(kSource + "/CMakeLists.txt");
  const std::string key = "project(quorvel VERSION ";
  const std::size_t at = cmake.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::size_t from = at + key.size();
  const std::string version = cmake.substr(from, cmake.find_first_not_of("0123456789.", from) - from);
  EXPECT_EQ(version, QUORVEL_PROJECT_VERSION);
  EXPECT_EQ(version, QUORVEL_VERSION);
  for (const char* page : {"quorvel.1", "quorvel-gui.1"}) {
    const std::string text = test::ReadFile(kManDir + "/" + page);
    const std::string th = text.substr(0, text.find('\n'));
    EXPECT_NE(th.find("\"quorvel " + version + "\""), std::string::npos) << page << ": " << th;
    EXPECT_EQ(text.find('@'), std::string::npos) << page << " has a placeholder left";
  }
}

TEST(ManPage, DocumentsEveryOptionAndTheExitStatuses) {
  const std::string page = test::ReadFile(kManDir + "/quorvel.1");
  EXPECT_EQ(LongOptionsIn(page), LongOptions());
  for (const std::string& s : ShortOptions())
    EXPECT_NE(page.find(".BR \\-" + s.substr(1) + " \", \" \\-\\-"), std::string::npos) << s;
  // Each word of a choice is set in bold where the option is described.
  for (const RunOption& option : RunOptions())
    for (const RunOptionChoice& c : option.choices)
      EXPECT_NE(page.find("\n.B " + std::string(c.word) + "\n"), std::string::npos) << option.names << " " << c.word;
  for (const char* status : {".B 0\n", ".B 1\n", ".B 2\n", ".B 3\n", "130", "143", "129"})
    EXPECT_NE(page.find(status), std::string::npos) << status;
  for (const char* file : {"_Text.mif", "_Network.txt", "_poly.mif", "_pline.mif", "quorvel.ini"})
    EXPECT_NE(page.find(file), std::string::npos) << file;
}

TEST(Completion, OffersTheOptionsOfThePage) {
  for (const std::string& script : {kBash, kZsh}) {
    SCOPED_TRACE(script);
    const std::string text = test::ReadFile(script);
    EXPECT_EQ(LongOptionsIn(text), LongOptions());
    for (const std::string& s : ShortOptions()) EXPECT_NE(text.find(s), std::string::npos) << s;
    for (const RunOption& option : RunOptions()) {
      if (option.kind == RunOptionKind::Choice) {
        EXPECT_NE(text.find(Words(option)), std::string::npos) << option.names;
      }
    }
  }
  const std::string zsh = test::ReadFile(kZsh);
  // zsh takes a value after exactly the options that have one.
  const std::set<std::string> values = ValueOptions();
  for (const std::string& name : LongOptions())
    EXPECT_EQ(zsh.find(name + "=") != std::string::npos, values.count(name) > 0) << name;
  // zsh offers neither of two options that exclude each other once one is
  // given: "(--merge)--separate".
  for (const RunOption& option : RunOptions()) {
    if (option.excludes.empty()) continue;
    const std::string name(option.LongName()), other(option.excludes);
    EXPECT_NE(zsh.find("'(" + other + ")" + name + "["), std::string::npos) << name;
    EXPECT_NE(zsh.find("'(" + name + ")" + other + "["), std::string::npos) << other;
  }
}

// The README lists every option of the command too.
TEST(Readme, ListsEveryOption) {
  const std::set<std::string> listed = LongOptionsIn(test::ReadFile(kSource + "/README.md"));
  for (const std::string& name : LongOptions()) EXPECT_TRUE(listed.count(name)) << name;
}

// Runs the bash completion function on a command line whose last word is
// being completed, with the bash-completion helpers replaced by stubs that
// report how they were called.
std::string Complete(const std::string& words) {
  const std::string script =
      "_init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; split=false; }\n"
      "_filedir() { COMPREPLY=(\"FILEDIR:$*\"); }\n"
      "complete() { :; }\n"
      "source " + test::Quote(kBash) + "\n"
      "COMP_WORDS=(" + words + "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
      "_quorvel\n"
      "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
  const std::string path = std::string(::testing::TempDir()) + "quorvel-completion-test.bash";
  test::WriteFile(path, script);
  const auto r = test::RunCommand("bash " + test::Quote(path));
  EXPECT_EQ(r.err, "");
  return r.out;
}

TEST(Completion, BashScriptParsesAndCompletesValuesFilesAndFolders) {
  const auto syntax = test::RunCommand("bash -n " + test::Quote(kBash));
  EXPECT_EQ(syntax.exitCode, 0) << syntax.err;

  EXPECT_EQ(Complete("quorvel --text s"), "separate\n");
  for (const RunOption& option : RunOptions()) {
    if (option.kind != RunOptionKind::Choice) continue;
    std::string words;
    for (const RunOptionChoice& c : option.choices) words += std::string(c.word) + "\n";
    EXPECT_EQ(Complete("quorvel " + std::string(option.LongName()) + " ''"), words) << option.names;
  }
  // A value is never completed as a tile: each option that takes one has a
  // case of its own.
  for (const std::string& name : ValueOptions())
    EXPECT_EQ(Complete("quorvel " + name + " ''").find("FILEDIR:@(ntf"), std::string::npos) << name;
  EXPECT_EQ(Complete("quorvel --sy"), "--symbols\n");
  EXPECT_EQ(Complete("quorvel --meridian"), "--meridian-heights\n");
  EXPECT_EQ(Complete("quorvel -d ''"), "FILEDIR:-d\n");
  EXPECT_EQ(Complete("quorvel --output-dir o"), "FILEDIR:-d\n");
  // Tiles and archives: the endings of the glob _filedir is given.
  const std::string tiles = Complete("quorvel --separate ''");
  const std::string head = "FILEDIR:@(", tail = ")\n";
  ASSERT_TRUE(tiles.size() > head.size() + tail.size() && tiles.compare(0, head.size(), head) == 0 &&
              tiles.compare(tiles.size() - tail.size(), tail.size(), tail) == 0)
      << tiles;
  const std::string endings = "|" + tiles.substr(head.size(), tiles.size() - head.size() - tail.size()) + "|";
  for (const char* ext : {"ntf", "NTF", "zip", "tar", "tgz", "gz"})
    EXPECT_NE(endings.find(std::string("|") + ext + "|"), std::string::npos) << ext << " in " << tiles;
}

// The zsh completion, driven by an interactive zsh on a pseudo-terminal:
// each line is typed, completed with Tab and read back as completion left
// it. Skipped where zsh is not installed.
TEST(Completion, ZshCompletesOptionsValuesFilesAndFolders) {
  if (test::RunCommand("command -v zsh").exitCode != 0) GTEST_SKIP() << "zsh is not installed";
  test::ScratchDir dir;
  for (const char* name : {"a.ntf", "b.txt", "c.zip"}) test::WriteFile(dir / name, "");
  std::filesystem::create_directory(dir / "sub");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"quorvel --te", "quorvel --text="},
      {"quorvel --text=sep", "quorvel --text=separate "},
      {"quorvel a.ntf --symbols=t", "quorvel a.ntf --symbols=truetype "},
      {"quorvel --land", "quorvel --landline-off="},
      {"quorvel -k c", "quorvel -k c.zip "},  // an archive is a tile too
      {"quorvel -d s", "quorvel -d sub/"},    // folders only
      {"quorvel --separate a", "quorvel --separate a.ntf "},
  };
  std::string command = "zsh -f " + test::Quote(kSource + "/tests/app/cli/complete_zsh.zsh") + " " +
                        test::Quote(kSource + "/completions") + " " + test::Quote(dir.path().string());
  std::string expected;
  for (const auto& [typed, completed] : cases) {
    command += " " + test::Quote(typed);
    expected += completed + "\n";
  }
  const auto r = test::RunCommand(command);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST(ManPage, InstallPutsPagesAndCompletionWhereTheToolsLook) {
  test::ScratchDir dir;
  const auto r = test::RunCommand("cmake -DCMAKE_INSTALL_PREFIX=" + test::Quote(dir.path().string()) + " -P " +
                                  test::Quote(kManDir + "/cmake_install.cmake"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(test::ReadFile(dir / "share/man/man1/quorvel.1"), test::ReadFile(kManDir + "/quorvel.1"));
  EXPECT_TRUE(test::Exists(dir / "share/man/man1/quorvel-gui.1"));
  EXPECT_EQ(test::ReadFile(dir / "share/bash-completion/completions/quorvel"), test::ReadFile(kBash));
  EXPECT_EQ(test::ReadFile(dir / "share/zsh/vendor-completions/_quorvel"), test::ReadFile(kZsh));
}

}  // namespace
