#include "terminal_observer.hpp"

#include <cinttypes>

#include "run/messages.hpp"

namespace quorvel::cli {

namespace {

constexpr double kMB = 1024.0 * 1024.0;

// "1:05" or "12 s"
std::string Duration(double seconds) {
  if (seconds < 0) seconds = 0;
  const auto s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s < 60) std::snprintf(text, sizeof text, "%lld s", s);
  else std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

TerminalObserver::TerminalObserver(std::FILE* err, bool showProgress, bool overwrite, const std::atomic<int>& stop)
    : err_(err), showProgress_(showProgress), overwrite_(overwrite), stop_(stop) {}

TerminalObserver::~TerminalObserver() { ClearLine(); }

// Every line printed passes here (a file message comes as "PATH: text"):
// whatever a path, a member's name or a library's reason holds, no byte of
// it reaches the terminal raw. Text the run escaped already stays as it is.
void TerminalObserver::ShowMessage(MessageKind, std::string_view text) {
  ClearLine();
  const std::string line = EscapeControls(text);
  std::fprintf(err_, "quorvel: %s\n", line.c_str());
  std::fflush(err_);
}

bool TerminalObserver::ConfirmReplace(const std::vector<std::string>& existing) {
  if (overwrite_) return true;
  for (const std::string& path : existing)
    quorvel::ShowFileMessage(*this, MessageId::ExistsAlready, path);
  return false;
}

void TerminalObserver::ShowBytes(std::uint64_t done, std::uint64_t total) {
  done_ = done;
  total_ = total;
}

// Called once per tile, and every few milliseconds while workers translate:
// the next pump looks at the clock.
void TerminalObserver::ShowTileStarted(std::string_view name) {
  tile_ = EscapeControls(name);
  lookAtClock_ = true;
}

void TerminalObserver::PumpMessages() {
  if (!showProgress_) return;
  // Looking at the clock on every call would cost more than the drawing saves.
  if ((++pumpCount_ & 0xff) != 0 && !lookAtClock_) return;
  lookAtClock_ = false;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  Draw();
}

void TerminalObserver::Draw() {
  const double fraction = total_ ? std::min(1.0, static_cast<double>(done_) / static_cast<double>(total_)) : 0.0;
  const int percent = static_cast<int>(100.0 * fraction);
  constexpr int kWidth = 24;
  const int filled = static_cast<int>(fraction * kWidth);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kWidth - filled), '.');
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = elapsed > 0 ? static_cast<double>(done_) / kMB / elapsed : 0.0;
  const std::string left = rate > 0 && total_ > done_ ? Duration(static_cast<double>(total_ - done_) / kMB / rate) : "-";
  // The tile's name is cut from the left so the line stays on one row.
  std::string tile = tile_;
  if (tile.size() > 40) tile = "..." + tile.substr(tile.size() - 37);
  std::fprintf(err_, "\r[%s] %3d%%  %.1f MB/s  %s left  %s\x1b[K", bar.c_str(), percent, rate, left.c_str(), tile.c_str());
  std::fflush(err_);
  drawn_ = true;
}

void TerminalObserver::EnableRunControls() {
  if (drawn_) {
    done_ = total_;
    Draw();
  }
  ClearLine();
}

void TerminalObserver::ClearLine() {
  if (!drawn_) return;
  std::fprintf(err_, "\r\x1b[K");
  std::fflush(err_);
  drawn_ = false;
}

std::string TerminalObserver::SummaryLine(const RunResult& r, double seconds) {
  const double mb = static_cast<double>(r.bytesRead) / kMB;
  auto fixed = [](double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return std::string(text);
  };
  return ComposeMessage(MessageId::RunSummary,
                        {std::to_string(r.filesTranslated), r.filesTranslated == 1 ? "" : "s",
                         std::to_string(r.filesSkipped), std::to_string(r.filesCutShort),
                         std::to_string(r.ObjectsWritten()), fixed(mb, 1), fixed(seconds, 2),
                         fixed(seconds > 0 ? mb / seconds : 0.0, 1)});
}

}  // namespace quorvel::cli
