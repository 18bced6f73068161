// quorvel-gui-bench TILE.ntf OUTDIR: translates one tile through the window
// (no dialogs) and prints how often the run pumped events and what the
// pumping cost.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QFileInfo>
#include <cstdio>

#include "main_window.hpp"

namespace {

using namespace quorvel::gui;

class OneFile : public FileDialogs {
 public:
  explicit OneFile(QString file) : file_(std::move(file)) {}
  QStringList ChooseNtfFiles(QWidget*, const QString&) override { return {file_}; }
  QString ChooseMifFile(QWidget*, const QString&) override { return {}; }

 private:
  QString file_;
};

class Printed : public MessageBoxes {
 public:
  void Show(QWidget*, quorvel::MessageKind, const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
  bool ConfirmStopAndClose(QWidget*) override { return false; }
  bool ConfirmReplace(QWidget*, const QStringList&) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  if (argc < 3) {
    std::fprintf(stderr, "usage: quorvel-gui-bench TILE.ntf OUTDIR\n");
    return 2;
  }
  const QString tile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const QString out = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/") + QFileInfo(tile).completeBaseName() + QStringLiteral(".mif");
  MainWindow window(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench.ini"));
  window.SetFileDialogs(std::make_unique<OneFile>(tile));
  window.SetMessageBoxes(std::make_unique<Printed>());
  window.show();
  QCoreApplication::processEvents();
  window.SelectNtfFiles();
  window.findChild<QLineEdit*>(QStringLiteral("EditMIF_File"))->setText(out);
  QElapsedTimer clock;
  clock.start();
  window.StartTranslationRun();
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const PumpStatistics& p = window.Pumping();
  const double pumpSeconds = static_cast<double>(p.nanoseconds) / 1e9;
  std::printf("run %.3f s, records %lld, pump calls %lld, event pumps %lld (%.1f per second, every %.1f ms), "
              "pumping %.3f s (%.1f%% of the run, %.0f us per pump)\n",
              seconds, static_cast<long long>(window.LastRun().recordsRead), static_cast<long long>(p.calls),
              static_cast<long long>(p.pumps), p.pumps / seconds, p.pumps ? 1000.0 * seconds / p.pumps : 0.0, pumpSeconds,
              100.0 * pumpSeconds / seconds, p.pumps ? 1e6 * pumpSeconds / p.pumps : 0.0);
  return window.LastRun().AllTranslated() ? 0 : 1;
}
