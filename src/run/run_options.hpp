// The run options: what the user chooses for a whole run, as against a
// product's own options (run/options.hpp). One table declares each of them
// once, with everything a front end needs to offer it: the command builds
// its parser and --help lines from it, the window takes the captions of the
// choices it offers from it, and the tests check the manual page and the
// shell completions against it. The table is plain data; what a value does
// is up to the run (settings.hpp, run.hpp) and the front end.
#pragma once

#include <span>
#include <string_view>

#include "run/settings.hpp"

namespace quorvel {

// In table order, which is the order of --help, of the manual page and of
// the completions.
enum class RunOptionId {
  Output,
  OutputDir,
  Separate,
  Merge,
  Overwrite,
  KeepGoing,
  Text,
  Symbols,
  Network,
  Jobs,
  Quiet,
  Preview,
  PreviewSize,
  Recover,
};

enum class RunOptionKind {
  Flag,    // off unless given
  Value,   // takes a value; `valueName` says what
  Number,  // takes a whole number from `min` to `max`
  Choice,  // takes one of the words of `choices`
};

// Where a listing puts the option: those about what a run writes come
// before the products' options, those about how it goes after them.
enum class RunOptionGroup { Output, Run };

// Where the window offers the option, if anywhere.
enum class RunOptionPlace {
  CommandOnly,
  MainWindow,     // a control of the main window, which lays it out itself
  OptionsDialog,  // a group of radio buttons in the Options dialog, one per word
};

// One word of a choice option and the window's radio button for it.
struct RunOptionChoice {
  std::string_view word = {};
  std::string_view caption = {};
  std::string_view objectName = {};
  std::string_view hint = {};  // the button's tooltip; empty for none
  int windowRow = 0;           // the buttons' order in their group, from 0
};

struct RunOption {
  RunOptionId id = RunOptionId::Output;
  std::string_view names = {};  // as the command spells them: "-o,--output" or "--separate"
  RunOptionKind kind = RunOptionKind::Flag;
  std::string_view valueName = {};  // what a value is called in --help: "FILE.mif", "MODE"
  std::string_view help = {};       // the --help line
  // The value the run takes when the option is not given, as it would be
  // written on the command line; empty for a flag (off) and for a value
  // whose default the run works out (a name after the first tile).
  std::string_view defaultValue = {};
  std::span<const RunOptionChoice> choices = {};  // a choice's words, in --help order
  int min = 0, max = 0;                           // a number's range
  // The long name of an option that cannot be given with this one.
  std::string_view excludes = {};
  RunOptionGroup group = RunOptionGroup::Output;
  RunOptionPlace window = RunOptionPlace::CommandOnly;
  // The Options dialog's group box for a choice offered there.
  std::string_view windowName = {};
  std::string_view windowTitle = {};

  // "--output" of "-o,--output".
  std::string_view LongName() const;
  // "-o" of "-o,--output"; empty when there is none.
  std::string_view ShortName() const;
};

// Every run option, in RunOptionId order.
std::span<const RunOption> RunOptions();
const RunOption& GetRunOption(RunOptionId id);

// The word of a choice option that `settings` hold ("separate"); empty for
// an option that is not a choice kept in the settings.
std::string_view ChosenWord(const RunOption& option, const TranslationSettings& settings);
// Makes `settings` hold `word`. False, with nothing changed, for a word the
// option does not have or an option that is not a choice kept in the
// settings.
bool Choose(const RunOption& option, std::string_view word, TranslationSettings& settings);

}  // namespace quorvel
