// Options a product declares: what the user can switch for that product
// alone (a flag, numbered entries, numbered layers). The declaration carries
// everything a front end needs to offer it (command-line flag, help line,
// dialog, captions); the values live in OptionValues, by option key, so the
// run-wide settings know no product.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

enum class OptionKind {
  Flag,       // off unless given: "--KEY" switches it on
  EntryList,  // numbered entries, all on: "--KEY LIST" switches entries off
  LayerSet,   // numbered layers, all on: "--KEY LIST" names the layers kept
};

// One numbered entry or layer with the check box that shows it. An entry
// between 1 and `count` that has no box here is always on.
struct OptionEntry {
  int number = 0;
  std::string_view caption = {};
  std::string_view objectName = {};
};

struct ProductOption {
  std::string_view key = {};        // the command-line flag without "--", and the value key
  OptionKind kind = OptionKind::Flag;
  std::string_view help = {};       // the --help line
  std::string_view valueName = {};  // what the flag takes, e.g. "LIST"
  std::string_view productName = {};  // in messages, e.g. "Land-Line"
  int count = 0;               // entries or layers are numbered 1 to count
  // The entries with boxes, in number order. A function, so a table can be
  // built from the product's own tables on first use.
  std::span<const OptionEntry> (*Entries)() = nullptr;
  // An entry named otherwise than by its number (e.g. by a feature code),
  // or 0; `entryNameKind` says what such a name is.
  int (*EntryForName)(std::string_view name) = nullptr;
  std::string_view entryNameKind = {};

  // How the window offers it: a dialog opened from the Options dialog.
  std::string_view dialogName = {};   // the dialog's object name
  std::string_view dialogTitle = {};
  std::string_view buttonName = {};   // the Options dialog's button that opens it
  std::string_view buttonCaption = {};
  std::span<const std::string_view> notes = {};  // paragraphs above the boxes
  std::string_view flagCaption = {};  // a flag's check box
  std::string_view flagObjectName = {};
  int gridRows = 0;              // entries laid out in columns of this many rows (0: one column)

  std::span<const OptionEntry> EntryBoxes() const {
    return Entries ? Entries() : std::span<const OptionEntry>{};
  }
  bool HasBox(int number) const;
};

// The value of one option: a flag, or one switch per entry (index number - 1).
struct OptionValue {
  bool flag = false;
  std::vector<bool> on;
};

// The values of every product option that has been set, by key. An option
// never set has its declared default: a flag off, every entry on.
class OptionValues {
 public:
  // The value to change, made with the option's default when first asked for.
  OptionValue& Slot(const ProductOption& option);
  // The stored value, or nullptr while the option has its default.
  const OptionValue* Find(std::string_view key) const;

  bool Flag(const ProductOption& option) const;
  bool EntryOn(const ProductOption& option, int number) const;
  // The option as a translator reads it (see OptionView).
  class OptionView View(const ProductOption& option) const;
  void SetFlag(const ProductOption& option, bool on) { Slot(option).flag = on; }
  // Out-of-range numbers and entries without a box are not stored.
  void SetEntry(const ProductOption& option, int number, bool on);

 private:
  std::map<std::string, OptionValue, std::less<>> values_;
};

// A product option as a translator reads it: resolved once per file, read at
// every lookup, so a value changed during a run takes effect at once.
class OptionView {
 public:
  explicit OptionView(const OptionValue* value) : value_(value) {}
  bool Flag() const { return value_ && value_->flag; }
  // Out-of-range numbers read as on.
  bool EntryOn(int number) const {
    if (!value_ || number < 1 || number > static_cast<int>(value_->on.size())) return true;
    return value_->on[static_cast<std::size_t>(number - 1)];
  }

 private:
  const OptionValue* value_;
};

inline OptionView OptionValues::View(const ProductOption& option) const { return OptionView(Find(option.key)); }

// Sets `value` from the text given to the option's flag ("1,2,5", "1-3",
// "0001,12"). False with `error` set (the flag, the item and why) when an
// item names nothing the option knows.
bool ParseOptionText(const ProductOption& option, std::string_view text, OptionValue& value, std::string& error);

}  // namespace quorvel
