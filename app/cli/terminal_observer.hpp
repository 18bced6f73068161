// Shows a run on the terminal: messages on stderr as "quorvel: " and the
// message text (control bytes escaped, whatever their source), one progress
// bar for the whole run on stderr when it is a terminal, and a summary line
// at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "quorvel.hpp"

namespace quorvel::cli {

class TerminalObserver : public RunObserver {
 public:
  // `stop` is set from outside (a signal) to end the run after its record.
  TerminalObserver(std::FILE* err, bool showProgress, bool overwrite, const std::atomic<int>& stop);
  ~TerminalObserver() override;

  void ShowMessage(MessageKind kind, std::string_view text) override;
  bool ConfirmReplace(const std::vector<std::string>& existing) override;
  void ShowBytes(std::uint64_t done, std::uint64_t total) override;
  void ShowTileStarted(std::string_view name) override;
  void PumpMessages() override;
  // The bar is drawn full once at the end of a run that showed it.
  void EnableRunControls() override;
  bool StopRequested() override { return stop_.load() != 0; }
  // Without a bar to draw there is nothing to pump.
  const std::atomic<int>* StopFlag() override { return showProgress_ ? nullptr : &stop_; }
  // The bar shows bytes; the counts appear only in the summary.
  bool ShowsCounts() const override { return false; }

  // "quorvel: 3 files translated, 1 skipped, 0 failed; 240,000 objects; 24.2 MB in 0.31 s (78.1 MB/s)"
  static std::string SummaryLine(const RunResult& result, double seconds);

 private:
  void Draw();
  void ClearLine();

  std::FILE* err_;
  bool showProgress_;
  bool overwrite_;
  const std::atomic<int>& stop_;
  std::uint64_t done_ = 0, total_ = 0;
  std::string tile_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
  unsigned pumpCount_ = 0;
  bool lookAtClock_ = false;
};

}  // namespace quorvel::cli
