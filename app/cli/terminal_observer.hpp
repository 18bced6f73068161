// Shows a run on the terminal: messages on stderr as "quorvel: " and the
// message text, and a progress line on stderr when it is a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "run/observer.hpp"

namespace quorvel::cli {

class TerminalObserver : public RunObserver {
 public:
  TerminalObserver(std::FILE* err, bool showProgress, std::size_t fileCount);
  ~TerminalObserver() override;

  void ShowMessage(MessageKind kind, std::string_view text) override;
  void ShowRecordsRead(std::int64_t count) override { records_ = count; }
  void ShowObjectsCreated(std::int64_t count) override { objects_ = count; }
  void ShowFilesTranslated(std::size_t count) override;
  void SetProgressMaximum(std::size_t lines) override { maximum_ = lines; }
  void SetProgress(std::size_t line) override { line_ = line; }
  void PumpMessages() override;
  void EnableRunControls() override { ClearLine(); }

 private:
  void Draw();
  void ClearLine();

  std::FILE* err_;
  bool showProgress_;
  std::size_t fileCount_;
  std::size_t filesDone_ = 0;
  std::int64_t records_ = 0;
  std::int64_t objects_ = 0;
  std::size_t maximum_ = 0;
  std::size_t line_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
  unsigned pumpCount_ = 0;
};

}  // namespace quorvel::cli
