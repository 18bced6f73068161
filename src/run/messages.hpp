// Every text the run shows, once, with its kind. A text names its values
// "{1}", "{2}", ...; callers pass the values (a path, a line, a reason).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "run/observer.hpp"

namespace quorvel {

enum class MessageId {
  NoFilesSelected,
  UnableToOpenMif,
  UnableToOpenNtf,          // {1} path
  ReadErrorAtLine,          // {1} line
  ErrorWriting,             // {1} path, {2} reason
  ErrorClosing,
  UnknownProduct,           // {1} path, {2} database name
  ProductNotTranslated,     // {1} path, {2} product
  HeaderClash,              // {1} path, {2} product, {3} MIF path, {4} the product heading it
  // Status lines.
  StatusLoading,
  StatusReady,
  StatusTranslating,        // {1} product, {2} path
  StatusCompleteOneFile,
  StatusComplete,
  StatusStopped,
};

struct MessageText {
  MessageId id;
  MessageKind kind;  // for status lines: Information
  std::string_view text;
};

const MessageText& Message(MessageId id);

// The text with its values put in.
std::string ComposeMessage(MessageId id, std::initializer_list<std::string_view> values = {});

// Shows the message in a box of its kind.
void ShowMessage(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values = {});
// Shows the text in the status line.
void ShowStatus(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values = {});

}  // namespace quorvel
