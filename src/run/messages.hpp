// Every text the run shows, once, with its kind. A text names its values
// "{1}", "{2}", ...; callers pass the values (a path, a line, a reason).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "run/observer.hpp"

namespace quorvel {

struct InputError;

// The messages about one file are shown after the file's path.
enum class MessageId {
  NoFilesSelected,
  UnableToOpenMif,          // {1} reason
  UnableToOpenNtf,          // {1} reason
  ReadErrorAtLine,          // {1} line
  ErrorReadingNtf,          // {1} reason
  ErrorWriting,             // {1} reason
  UnknownProduct,           // {1} database name
  ProductNotTranslated,     // {1} product
  HeaderClash,              // {1} product, {2} MIF path, {3} the product heading it
  OutputIsInput,            // {1} the input
  SharedOutput,             // {1}, {2} the inputs that give the two sets
  NameIsADevice,            // {1} the input that gives the set
  NameEndsInDotOrBlank,     // {1} the input that gives the set
  // Status lines.
  StatusLoading,
  StatusReady,
  StatusTranslating,        // {1} product, {2} path
  StatusCompleteOneFile,
  StatusComplete,
  StatusStopped,             // {1} sets written, {2} sets planned
  StatusStoppedNothingWritten,
  StatusFailed,
  StatusFailedBecause,      // {1} the file and what went wrong
  StatusStopping,
  StatusNothingWritten,
  StatusNothingReplaced,
  // Reasons.
  FileShrankWhileRead,
  // Committing sets.
  AppearedSinceStart,
  EarlierSetKept,
  CommitsUndone,            // {1} how many
  LeftoversRemoved,         // {1} files, {2} bytes
  NothingToRecover,
  NotAFolder,
  // The command's own lines.
  UsageOutputFolderTwice,
  UsageOutputWithSeparate,
  UsageJobsNeedSeparate,
  UsageBadPictureSize,      // {1} the size given
  UsageBadPictureName,      // {1} the name given
  ExistsAlready,
  RunStopped,               // {1} sets written, {2} sets planned
  NoPictureProgram,
  RunSummary,               // {1} files translated, {2} "s" or "", {3} skipped, {4} failed, {5} objects,
                            // {6} MB read, {7} seconds, {8} MB/s
  // Inputs that give no tile and tiles that cannot be read (InputErrorText).
  InputIsAFolder,
  InputOutOfMemory,
  ArchiveNotOpened,
  ArchiveUnreadable,
  MemberUnreadable,
  MemberIsALink,
  NotAnNtfFile,
  ArchiveHoldsNoFiles,
  MemberTooLarge,           // {1} the limit in bytes
  NoSuchMember,             // {1} the member
  // Inputs, plan and usage: what the reader and the plan name by a code,
  // and the run's own checks of its inputs and its output folder.
  TooFewLines,
  NoArchiveLibrary,
  NoArchiveLibraryBecause,  // {1} the loader's reason
  ArchiveLibraryTooOld,     // {1} the function it lacks
  MemberIsASymbolicLink,
  MemberNotAFile,
  GivenTwice,
  MemberNotSpooled,         // {1} the system's reason
  UsageKeepGoingNeedsSeparate,
  OutputFolderNotMade,      // {1} reason
  // The products' own texts.
  IncompletePolygon,        // {1} polygon, {2} rings written, {3} its rings
  StatusBuildingPolygons,
  Meridian1Refused,
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
// Shows a message about the file at `path`.
void ShowFileMessage(RunObserver& observer, MessageId id, std::string_view path,
                     std::initializer_list<std::string_view> values = {});

// The text with every byte a terminal would act on (control bytes, DEL)
// written as \xHH, so a name read from a tile cannot drive the terminal.
std::string EscapeControls(std::string_view text);
// Shows the text in the status line.
void ShowStatus(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values = {});

// A reason given by the system or a library without the line end some of
// them carry: a message is one line.
std::string_view TrimLineEnds(std::string_view reason);

// The words for why an input gives no tile or a tile cannot be read (or
// loaded), control bytes escaped.
std::string InputErrorText(const InputError& error);

}  // namespace quorvel
