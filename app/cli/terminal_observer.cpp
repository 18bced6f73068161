#include "terminal_observer.hpp"

namespace quorvel::cli {

TerminalObserver::TerminalObserver(std::FILE* err, bool showProgress, std::size_t fileCount)
    : err_(err), showProgress_(showProgress), fileCount_(fileCount) {}

TerminalObserver::~TerminalObserver() { ClearLine(); }

void TerminalObserver::ShowMessage(MessageKind, std::string_view text) {
  ClearLine();
  std::fprintf(err_, "quorvel: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(err_);
}

void TerminalObserver::ShowFilesTranslated(std::size_t count) {
  filesDone_ = count;
  if (showProgress_) Draw();
}

void TerminalObserver::PumpMessages() {
  if (!showProgress_) return;
  // Looking at the clock on every call would cost more than the drawing saves.
  if ((++pumpCount_ & 0xff) != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  Draw();
}

void TerminalObserver::Draw() {
  const int percent = maximum_ ? static_cast<int>(100.0 * static_cast<double>(line_) / static_cast<double>(maximum_)) : 0;
  constexpr int kWidth = 24;
  const int filled = percent * kWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kWidth - filled), '.');
  std::fprintf(err_, "\r[%s] %3d%%  files %zu/%zu  records %lld  objects %lld\x1b[K", bar.c_str(), percent, filesDone_,
               fileCount_, static_cast<long long>(records_), static_cast<long long>(objects_));
  std::fflush(err_);
  drawn_ = true;
}

void TerminalObserver::ClearLine() {
  if (!drawn_) return;
  std::fprintf(err_, "\r\x1b[K");
  std::fflush(err_);
  drawn_ = false;
}

}  // namespace quorvel::cli
