// The run options' table: its defaults are the run's, its choices set the
// settings and read back, and the Options dialog can lay its choices out.
#include <gtest/gtest.h>

#include <charconv>
#include <set>
#include <string>

#include "run/run_options.hpp"

using namespace quorvel;

namespace {

TEST(RunOptions, DefaultsAreTheSettingsDefaults) {
  const TranslationSettings defaults;
  for (const RunOption& option : RunOptions()) {
    SCOPED_TRACE(option.names);
    switch (option.kind) {
      case RunOptionKind::Flag: EXPECT_EQ(option.defaultValue, ""); break;
      case RunOptionKind::Choice: EXPECT_EQ(ChosenWord(option, defaults), option.defaultValue); break;
      case RunOptionKind::Number: {
        int value = -1;
        const auto [end, error] =
            std::from_chars(option.defaultValue.data(), option.defaultValue.data() + option.defaultValue.size(), value);
        EXPECT_TRUE(error == std::errc() && end == option.defaultValue.data() + option.defaultValue.size());
        EXPECT_GE(value, option.min);
        EXPECT_LE(value, option.max);
        break;
      }
      case RunOptionKind::Value: break;
    }
  }
  EXPECT_EQ(GetRunOption(RunOptionId::Jobs).defaultValue, std::to_string(defaults.jobs));
}

TEST(RunOptions, EachWordOfAChoiceSetsTheSettingsAndReadsBack) {
  for (const RunOption& option : RunOptions()) {
    if (option.kind != RunOptionKind::Choice) continue;
    SCOPED_TRACE(option.names);
    ASSERT_FALSE(option.choices.empty());
    TranslationSettings settings;
    for (const RunOptionChoice& choice : option.choices) {
      EXPECT_TRUE(Choose(option, choice.word, settings)) << choice.word;
      EXPECT_EQ(ChosenWord(option, settings), choice.word);
      // A word the option does not have changes nothing.
      for (const std::string& bad : {std::string(), std::string(choice.word) + "s", std::string("IGNORE")}) {
        EXPECT_FALSE(Choose(option, bad, settings)) << bad;
        EXPECT_EQ(ChosenWord(option, settings), choice.word);
      }
    }
  }
  TranslationSettings settings;
  ASSERT_TRUE(Choose(GetRunOption(RunOptionId::Text), "ignore", settings));
  EXPECT_EQ(settings.text, TextOption::Ignore);
  ASSERT_TRUE(Choose(GetRunOption(RunOptionId::Symbols), "standard", settings));
  EXPECT_FALSE(settings.useTrueTypeSymbols);
  // Not a choice: nothing to choose.
  EXPECT_FALSE(Choose(GetRunOption(RunOptionId::Network), "on", settings));
  EXPECT_EQ(ChosenWord(GetRunOption(RunOptionId::Output), settings), "");
}

// The Options dialog lays out each choice it offers as a group of radio
// buttons, one row per word.
TEST(RunOptions, ChoicesInTheOptionsDialogHaveAGroupAndOneRowPerWord) {
  std::set<std::string> objectNames;
  for (const RunOption& option : RunOptions()) {
    if (option.window != RunOptionPlace::OptionsDialog) continue;
    SCOPED_TRACE(option.names);
    EXPECT_EQ(option.kind, RunOptionKind::Choice);
    EXPECT_FALSE(option.windowTitle.empty());
    EXPECT_TRUE(objectNames.emplace(option.windowName).second);
    std::set<int> rows;
    for (const RunOptionChoice& choice : option.choices) {
      EXPECT_FALSE(choice.caption.empty()) << choice.word;
      EXPECT_TRUE(objectNames.emplace(choice.objectName).second) << choice.objectName;
      rows.insert(choice.windowRow);
    }
    EXPECT_EQ(rows.size(), option.choices.size());
    EXPECT_EQ(*rows.begin(), 0);
    EXPECT_EQ(*rows.rbegin(), static_cast<int>(option.choices.size()) - 1);
  }
  EXPECT_TRUE(objectNames.count("RadioButtonInclude"));
  EXPECT_TRUE(objectNames.count("RadioButtonStandard"));
}

}  // namespace
