#include "run/messages.hpp"

#include <array>

namespace quorvel {

namespace {

constexpr MessageKind E = MessageKind::Error, W = MessageKind::Warning, I = MessageKind::Information;

constexpr std::array kMessages{
    MessageText{MessageId::NoFilesSelected, E, "No NTF files have been selected!"},
    MessageText{MessageId::UnableToOpenMif, W, "Unable to open MIF file - path and/or folder does not exist!"},
    MessageText{MessageId::UnableToOpenNtf, E, "Unable to open NTF file: {1}"},
    MessageText{MessageId::ReadErrorAtLine, E, "Error reading NTF file at line {1}"},
    MessageText{MessageId::ErrorWriting, E, "Error writing file {1}: {2}"},
    MessageText{MessageId::ErrorClosing, E, "Error closing file(s)."},
    MessageText{MessageId::UnknownProduct, W,
                "Not translated: {1} is not a product this version knows (database name \"{2}\")."},
    MessageText{MessageId::ProductNotTranslated, E,
                "Not translated: {1} holds {2} data, which this version does not translate yet."},
    MessageText{MessageId::HeaderClash, E, "Not translated: {1} holds {2} data, but {3} already holds {4} data."},
    MessageText{MessageId::StatusLoading, I, "Loading file.........please wait - this may take several seconds"},
    MessageText{MessageId::StatusReady, I, "Ready:"},
    MessageText{MessageId::StatusTranslating, I, "Translating {1} tile {2}"},
    MessageText{MessageId::StatusCompleteOneFile, I, "Translation complete."},
    MessageText{MessageId::StatusComplete, I, "Translation complete"},
    MessageText{MessageId::StatusStopped, I, "Translation stopped"},
};

// The table is in MessageId order.
constexpr bool InOrder() {
  for (std::size_t i = 0; i < kMessages.size(); ++i)
    if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
  return true;
}
static_assert(InOrder());

}  // namespace

const MessageText& Message(MessageId id) { return kMessages[static_cast<std::size_t>(id)]; }

std::string ComposeMessage(MessageId id, std::initializer_list<std::string_view> values) {
  const std::string_view text = Message(id).text;
  std::string out;
  out.reserve(text.size() + 64);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{' && i + 2 < text.size() && text[i + 2] == '}' && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < values.size()) out.append(values.begin()[n]);
      i += 2;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

void ShowMessage(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values) {
  observer.ShowMessage(Message(id).kind, ComposeMessage(id, values));
}

void ShowStatus(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values) {
  observer.ShowStatus(ComposeMessage(id, values));
}

}  // namespace quorvel
