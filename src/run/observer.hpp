// What a front end implements to follow a translation run: messages, the
// status line, the counters, the progress display and a pump hook. Every
// call comes from the thread that runs the translation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

enum class MessageKind { Error, Warning, Information };

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // A message box of the given kind with a single OK button. The run waits
  // for it to return.
  virtual void ShowMessage(MessageKind kind, std::string_view text) = 0;
  // A message about one file (an NTF tile, a member of an output set):
  // shown as "PATH: text" unless the front end shows the path apart.
  virtual void ShowFileMessage(MessageKind kind, std::string_view path, std::string_view text) {
    if (path.empty()) return ShowMessage(kind, text);
    std::string full(path);
    full.append(": ");
    full.append(text);
    ShowMessage(kind, full);
  }
  // Before anything is written: these files of earlier output would be
  // replaced by the run. True lets the run replace them; false ends the run
  // before it writes anything.
  virtual bool ConfirmReplace(const std::vector<std::string>& /*existing*/) { return false; }
  virtual void ShowStatus(std::string_view /*text*/) {}
  virtual void ShowRecordsRead(std::int64_t /*count*/) {}
  virtual void ShowObjectsCreated(std::int64_t /*count*/) {}
  virtual void ShowFilesSelected(std::size_t /*count*/) {}
  virtual void ShowFilesTranslated(std::size_t /*count*/) {}
  virtual void SetProgressMaximum(std::size_t /*lines*/) {}
  virtual void SetProgress(std::size_t /*line*/) {}
  // The whole run's progress: bytes of tiles translated so far (the tile in
  // hand counted by its share of lines done) of all the run's bytes.
  virtual void ShowBytes(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
  // A tile is being translated (its path, or ARCHIVE/MEMBER).
  virtual void ShowTileStarted(std::string_view /*name*/) {}
  // A run starts (controls that could start another are disabled, busy
  // cursor) or ends (EnableRunControls, normal cursor).
  virtual void RunStarted() {}
  virtual void EnableRunControls() {}
  // Lets the front end handle pending events. Called often; a front end
  // that repaints should throttle itself.
  virtual void PumpMessages() {}
  // True once the user has asked the run to stop (for example by closing
  // the window): the run ends after the current record and closes its files
  // with what was written.
  virtual bool StopRequested() { return false; }
  // A front end with no events to offer (its PumpMessages does nothing)
  // whose stop is a flag set from elsewhere (a signal handler, another
  // thread) may hand that flag over, nonzero once the stop is asked: a
  // translator then reads it after each record instead of calling
  // PumpMessages and StopRequested, which must answer from the same flag.
  // nullptr, the default, has both called.
  virtual const std::atomic<int>* StopFlag() { return nullptr; }
  // False for a front end that shows no running counts (its
  // ShowRecordsRead and ShowObjectsCreated do nothing): the counters then
  // only count, without the refresh calls every tenth record and object.
  // Asked once, when a run's counters are made.
  virtual bool ShowsCounts() const { return true; }
};

// An observer that shows nothing.
class SilentObserver : public RunObserver {
 public:
  void ShowMessage(MessageKind, std::string_view) override {}
};

}  // namespace quorvel
