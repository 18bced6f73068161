// Helpers the suites share: a recording observer, scratch folders, file
// reading and running the command line tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "run/observer.hpp"
#include "quorvel.hpp"
#include "run/run.hpp"

namespace quorvel::test {

struct RecordedMessage {
  MessageKind kind;
  std::string text;
};

class RecordingObserver : public RunObserver {
 public:
  void ShowMessage(MessageKind kind, std::string_view text) override { messages.push_back({kind, std::string(text)}); }
  // The text alone is kept; the file it is about goes to `paths`.
  void ShowFileMessage(MessageKind kind, std::string_view path, std::string_view text) override {
    messages.push_back({kind, std::string(text)});
    paths.emplace_back(path);
  }
  std::vector<std::string> paths;
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void ShowRecordsRead(std::int64_t n) override { recordsLabel.push_back(n); }
  void ShowObjectsCreated(std::int64_t n) override { objectsLabel.push_back(n); }
  void ShowFilesSelected(std::size_t n) override { filesSelected = n; }
  void ShowFilesTranslated(std::size_t n) override { filesTranslated = n; }
  void SetProgressMaximum(std::size_t n) override { progressMaximum = n; }
  void SetProgress(std::size_t n) override { progress = n; }
  void RunStarted() override { ++runsStarted; }
  void EnableRunControls() override { ++controlsEnabled; }
  // Tests translate into their scratch folders again and again.
  bool ConfirmReplace(const std::vector<std::string>& existing) override {
    replaceAsked.insert(replaceAsked.end(), existing.begin(), existing.end());
    return replace;
  }
  bool replace = true;
  std::vector<std::string> replaceAsked;

  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages) t.push_back(m.text);
    return t;
  }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> statuses;
  std::vector<std::int64_t> recordsLabel;
  std::vector<std::int64_t> objectsLabel;
  std::size_t filesSelected = 0;
  std::size_t filesTranslated = 0;
  std::size_t progressMaximum = 0;
  std::size_t progress = 0;
  int runsStarted = 0;
  int controlsEnabled = 0;
};

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// The lines of a CR LF file, without their ends.
std::vector<std::string> CrLfLines(const std::string& text);

// The values of a plain MID or network row, split at every comma.
std::vector<std::string> SplitRow(const std::string& row);

// The system's words for a file that is not there, and for a path through
// a folder that is not there: strerror's on POSIX (the same for both), the
// system's own on Windows.
std::string NoSuchFile();
std::string NoSuchFolder();

// Joins records into NTF text with CR LF line ends.
std::string Ntf(std::initializer_list<std::string> lines);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs a command, capturing stdout and stderr: through the shell on POSIX;
// on Windows a program and its arguments as one command line, no shell.
CommandResult RunCommand(const std::string& command);
// Runs the quorvel command with the given (already quoted) arguments, with
// nothing on its standard input.
CommandResult RunQuorvel(const std::string& arguments);
// The same, started in `folder`.
CommandResult RunQuorvelIn(const std::filesystem::path& folder, const std::string& arguments);
// One argument quoted for RunCommand: for the shell on POSIX, as
// CommandLineToArgvW reads it back on Windows.
std::string Quote(const std::string& s);

// Removes every file of the output set named `mifName`: a test that
// translates again and again under one name starts from nothing each time
// (a set whose tile is cut short never replaces an earlier one).
void RemoveSet(const std::string& mifName);

// POSIX only: Windows has no file size limit to set, and no libarchive to
// write archives with.
#ifndef _WIN32
// Calls `f` with the process's file size limit set to `bytes` (writes
// beyond it fail as on a full disk, SIGXFSZ ignored), then puts the limit
// back; returns what `f` returned.
bool UnderFileSizeLimit(std::uint64_t bytes, const std::function<bool()>& f);

// Archives of tiles, written with libarchive's writer.
enum class Kind { Zip, Tar, TarGz, Gz };
struct Member {
  std::string name;
  std::string bytes;
  bool folder = false;
  // A link member, to this target: no data of its own.
  std::string symlink = {};
  std::string hardlink = {};
  bool fifo = false;
};
// A Gz holds the first member alone as a single compressed file.
void WriteArchive(const std::string& path, Kind kind, const std::vector<Member>& members);
#endif

}  // namespace quorvel::test
