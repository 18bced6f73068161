#include "run/messages.hpp"

#include <array>

#include "ntf/tile_input.hpp"

namespace quorvel {

namespace {

constexpr MessageKind E = MessageKind::Error, W = MessageKind::Warning, I = MessageKind::Information;

constexpr std::array kMessages{
    MessageText{MessageId::NoFilesSelected, E, "No NTF files have been selected!"},
    MessageText{MessageId::UnableToOpenMif, W, "Unable to open MIF file: {1}"},
    MessageText{MessageId::UnableToOpenNtf, E, "Unable to open NTF file: {1}"},
    MessageText{MessageId::ReadErrorAtLine, E, "Error reading NTF file at line {1}"},
    MessageText{MessageId::ErrorReadingNtf, E, "Error reading NTF file: {1}"},
    MessageText{MessageId::ErrorWriting, E, "Error writing file: {1}"},
    MessageText{MessageId::UnknownProduct, W,
                "Not translated: not a product this version knows (database name \"{1}\")."},
    MessageText{MessageId::ProductNotTranslated, E,
                "Not translated: it holds {1} data, which this version does not translate yet."},
    MessageText{MessageId::HeaderClash, E, "Not translated: it holds {1} data, but {2} already holds {3} data."},
    MessageText{MessageId::OutputIsInput, E, "would overwrite the input {1}; nothing written"},
    MessageText{MessageId::SharedOutput, E, "would be written by two output sets, from {1} and {2}; nothing written"},
    MessageText{MessageId::NameIsADevice, E,
                "a name Windows keeps for a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9), from {1}; "
                "nothing written"},
    MessageText{MessageId::NameEndsInDotOrBlank, E,
                "a name ending in a dot or a blank, which Windows cannot keep, from {1}; nothing written"},
    MessageText{MessageId::StatusLoading, I, "Loading file.........please wait - this may take several seconds"},
    MessageText{MessageId::StatusReady, I, "Ready:"},
    MessageText{MessageId::StatusTranslating, I, "Translating {1} tile {2}"},
    MessageText{MessageId::StatusCompleteOneFile, I, "Translation complete."},
    MessageText{MessageId::StatusComplete, I, "Translation complete"},
    MessageText{MessageId::StatusStopped, I, "Translation stopped: {1} of {2} output sets written"},
    MessageText{MessageId::StatusStoppedNothingWritten, I, "Translation stopped: nothing written"},
    MessageText{MessageId::StatusFailed, I, "Translation failed: an output set could not be written"},
    MessageText{MessageId::StatusFailedBecause, I, "Translation failed: {1}"},
    MessageText{MessageId::StatusStopping, I, "Stopping after the current record..."},
    MessageText{MessageId::StatusNothingWritten, I, "Nothing translated: the output was not written"},
    MessageText{MessageId::StatusNothingReplaced, I, "Not translated: nothing replaced"},
    MessageText{MessageId::FileShrankWhileRead, E, "the file shrank while it was read"},
    MessageText{MessageId::AppearedSinceStart, E,
                "appeared since the run began; the set was not written (--overwrite replaces it)"},
    MessageText{MessageId::EarlierSetKept, W, "not replaced: a tile of the set was cut short; the earlier set is kept"},
    MessageText{MessageId::CommitsUndone, W, "{1} interrupted commit(s) undone: the earlier set is back whole"},
    MessageText{MessageId::LeftoversRemoved, I, "removed {1} file(s) left by runs that did not finish ({2} bytes freed)"},
    MessageText{MessageId::NothingToRecover, I, "nothing left by an interrupted run"},
    MessageText{MessageId::NotAFolder, E, "not a folder"},
    MessageText{MessageId::UsageOutputFolderTwice, E, "-o names a folder and --output-dir is given too"},
    MessageText{MessageId::UsageOutputWithSeparate, E, "--output names one set; with --separate use --output-dir"},
    MessageText{MessageId::UsageJobsNeedSeparate, E,
                "-j needs --separate: a merged set is written in tile order by one writer"},
    MessageText{MessageId::UsageBadPictureSize, E, "--preview-size: '{1}' is not WxH or a number of pixels"},
    MessageText{MessageId::UsageBadPictureName, E, "--preview: {1}: the picture's name must end in .png or .svg"},
    MessageText{MessageId::ExistsAlready, E, "exists already; use --overwrite to replace it"},
    MessageText{MessageId::RunStopped, E, "stopped; {1} of {2} output sets written"},
    MessageText{MessageId::NoPictureProgram, E, "no picture: quorvel-preview cannot be started"},
    MessageText{MessageId::RunSummary, I, "{1} file{2} translated, {3} skipped, {4} failed; {5} objects; {6} MB read in {7} s ({8} MB/s)"},
    MessageText{MessageId::InputIsAFolder, E, "is a folder"},
    MessageText{MessageId::InputOutOfMemory, E, "out of memory"},
    MessageText{MessageId::ArchiveNotOpened, E, "cannot be opened as an archive"},
    MessageText{MessageId::ArchiveUnreadable, E, "the archive cannot be read"},
    MessageText{MessageId::MemberUnreadable, E, "the member cannot be read"},
    MessageText{MessageId::MemberIsALink, W, "a link to another member; skipped"},
    MessageText{MessageId::NotAnNtfFile, W, "not an NTF file; skipped"},
    MessageText{MessageId::ArchiveHoldsNoFiles, W, "the archive holds no files; nothing to translate"},
    MessageText{MessageId::MemberTooLarge, E, "larger than {1} bytes; not read"},
    MessageText{MessageId::NoSuchMember, E, "no member {1} in the archive"},
    MessageText{MessageId::TooFewLines, E, "fewer than two lines"},
    MessageText{MessageId::NoArchiveLibrary, E, "archives need libarchive, which cannot be loaded"},
    MessageText{MessageId::NoArchiveLibraryBecause, E, "archives need libarchive, which cannot be loaded: {1}"},
    MessageText{MessageId::ArchiveLibraryTooOld, E, "archives need libarchive 3, which lacks {1}"},
    MessageText{MessageId::MemberIsASymbolicLink, W, "a symbolic link, not a file; skipped"},
    MessageText{MessageId::MemberNotAFile, W, "not a regular file; skipped"},
    MessageText{MessageId::GivenTwice, W, "given twice; translated once"},
    MessageText{MessageId::MemberNotSpooled, E,
                "too large to hold in memory, and the scratch file beside its output failed: {1}"},
    MessageText{MessageId::UsageKeepGoingNeedsSeparate, E,
                "-k needs --separate: a merged set is written whole or not at all"},
    MessageText{MessageId::OutputFolderNotMade, E, "the output folder cannot be made: {1}; nothing written"},
    MessageText{MessageId::IncompletePolygon, W,
                "Polygon {1} is incomplete: its region is written with {2} of its {3} rings."},
    MessageText{MessageId::StatusBuildingPolygons, I, "Building polygons....."},
    MessageText{MessageId::Meridian1Refused, I,
                "Not translated: this is Meridian 1 data; Quorvel translates Meridian 2 only."},
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
      if (n < values.size()) out.append(EscapeControls(values.begin()[n]));
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

void ShowFileMessage(RunObserver& observer, MessageId id, std::string_view path,
                     std::initializer_list<std::string_view> values) {
  observer.ShowFileMessage(Message(id).kind, EscapeControls(path), ComposeMessage(id, values));
}

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7f) {
      out.push_back(c);
      continue;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out.append("\\x");
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

void ShowStatus(RunObserver& observer, MessageId id, std::initializer_list<std::string_view> values) {
  observer.ShowStatus(ComposeMessage(id, values));
}

std::string_view TrimLineEnds(std::string_view reason) {
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.remove_suffix(1);
  return reason;
}

std::string InputErrorText(const InputError& error) {
  using Fault = InputError::Fault;
  switch (error.fault) {
    case Fault::None: return {};
    case Fault::Described: return EscapeControls(TrimLineEnds(error.detail));
    case Fault::IsAFolder: return ComposeMessage(MessageId::InputIsAFolder);
    case Fault::OutOfMemory: return ComposeMessage(MessageId::InputOutOfMemory);
    case Fault::TooFewLines: return ComposeMessage(MessageId::TooFewLines);
    case Fault::NoArchiveLibrary:
      if (error.detail.empty()) return ComposeMessage(MessageId::NoArchiveLibrary);
      return ComposeMessage(MessageId::NoArchiveLibraryBecause, {error.detail});
    case Fault::ArchiveLibraryTooOld: return ComposeMessage(MessageId::ArchiveLibraryTooOld, {error.detail});
    case Fault::ArchiveNotOpened: return ComposeMessage(MessageId::ArchiveNotOpened);
    case Fault::ArchiveUnreadable: return ComposeMessage(MessageId::ArchiveUnreadable);
    case Fault::MemberUnreadable: return ComposeMessage(MessageId::MemberUnreadable);
    case Fault::MemberIsALink: return ComposeMessage(MessageId::MemberIsALink);
    case Fault::MemberIsASymbolicLink: return ComposeMessage(MessageId::MemberIsASymbolicLink);
    case Fault::MemberNotAFile: return ComposeMessage(MessageId::MemberNotAFile);
    case Fault::NotAnNtfFile: return ComposeMessage(MessageId::NotAnNtfFile);
    case Fault::ArchiveHoldsNoFiles: return ComposeMessage(MessageId::ArchiveHoldsNoFiles);
    case Fault::MemberTooLarge: return ComposeMessage(MessageId::MemberTooLarge, {error.detail});
    case Fault::NoSuchMember: return ComposeMessage(MessageId::NoSuchMember, {error.detail});
    case Fault::GivenTwice: return ComposeMessage(MessageId::GivenTwice);
    case Fault::SpoolFailed: return ComposeMessage(MessageId::MemberNotSpooled, {EscapeControls(error.detail)});
  }
  return error.detail;
}

}  // namespace quorvel
