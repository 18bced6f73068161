#include "run/options.hpp"

#include <algorithm>
#include <cctype>

namespace quorvel {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The non-empty items of a comma-separated list, blanks around them removed.
std::vector<std::string_view> SplitList(std::string_view list) {
  std::vector<std::string_view> items;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = Trim(list.substr(0, comma));
    if (!item.empty()) items.push_back(item);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return items;
}

// Up to four digits.
bool ParseSmallNumber(std::string_view s, int& value) {
  if (s.empty() || s.size() > 4 || !std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  value = 0;
  for (char c : s) value = value * 10 + (c - '0');
  return true;
}

std::string Flag(const ProductOption& option) { return "--" + std::string(option.key) + ": "; }

bool ParseEntriesOff(const ProductOption& option, std::string_view text, OptionValue& value, std::string& error) {
  const std::string count = std::to_string(option.count);
  for (std::string_view item : SplitList(text)) {
    int entry = 0;
    // Four characters are a name such as a feature code ("0001"); shorter
    // items are entry numbers.
    if (item.size() == 4 && option.EntryForName) entry = option.EntryForName(item);
    if (entry == 0 && item.size() < 4 && !ParseSmallNumber(item, entry)) entry = 0;
    if (entry < 1 || entry > option.count) {
      error = Flag(option) + "'" + std::string(item) + "' is neither a " + std::string(option.productName) +
              " entry number (1-" + count + ") nor a " + std::string(option.productName) + " " +
              std::string(option.entryNameKind);
      return false;
    }
    if (!option.HasBox(entry)) {
      error = Flag(option) + "entry " + std::to_string(entry) + " cannot be switched off";
      return false;
    }
    value.on[static_cast<std::size_t>(entry - 1)] = false;
  }
  return true;
}

bool ParseLayersKept(const ProductOption& option, std::string_view text, OptionValue& value, std::string& error) {
  const std::string count = std::to_string(option.count);
  const std::vector<std::string_view> items = SplitList(text);
  if (items.empty()) {
    error = Flag(option) + "name at least one layer from 1 to " + count;
    return false;
  }
  std::vector<bool> chosen(static_cast<std::size_t>(option.count), false);
  for (std::string_view item : items) {
    int from = 0, to = 0;
    const std::size_t dash = item.find('-');
    const bool ok = dash == std::string_view::npos
                        ? ParseSmallNumber(item, from) && (to = from, true)
                        : ParseSmallNumber(item.substr(0, dash), from) && ParseSmallNumber(item.substr(dash + 1), to);
    if (!ok || from < 1 || to > option.count || from > to) {
      error = Flag(option) + "'" + std::string(item) + "' is not a layer number from 1 to " + count +
              " or a range of them";
      return false;
    }
    for (int layer = from; layer <= to; ++layer) chosen[static_cast<std::size_t>(layer - 1)] = true;
  }
  value.on = std::move(chosen);
  return true;
}

}  // namespace

bool ProductOption::HasBox(int number) const {
  for (const OptionEntry& e : EntryBoxes())
    if (e.number == number) return true;
  return false;
}

OptionValue& OptionValues::Slot(const ProductOption& option) {
  auto it = values_.find(option.key);
  if (it == values_.end()) {
    OptionValue value;
    if (option.kind != OptionKind::Flag) value.on.assign(static_cast<std::size_t>(option.count), true);
    it = values_.emplace(std::string(option.key), std::move(value)).first;
  }
  return it->second;
}

const OptionValue* OptionValues::Find(std::string_view key) const {
  auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

bool OptionValues::Flag(const ProductOption& option) const { return OptionView(Find(option.key)).Flag(); }

bool OptionValues::EntryOn(const ProductOption& option, int number) const {
  return OptionView(Find(option.key)).EntryOn(number);
}

void OptionValues::SetEntry(const ProductOption& option, int number, bool on) {
  if (number < 1 || number > option.count || !option.HasBox(number)) return;
  Slot(option).on[static_cast<std::size_t>(number - 1)] = on;
}

bool ParseOptionText(const ProductOption& option, std::string_view text, OptionValue& value, std::string& error) {
  switch (option.kind) {
    case OptionKind::Flag: value.flag = true; return true;
    case OptionKind::EntryList: return ParseEntriesOff(option, text, value, error);
    case OptionKind::LayerSet: return ParseLayersKept(option, text, value, error);
  }
  return false;
}

}  // namespace quorvel
