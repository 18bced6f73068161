// quorvel-gui-screenshots OUTDIR [NTF files...]: writes PNG pictures of the
// main window and every dialog. Given NTF files, the main window shows them
// selected and translated (into a scratch folder); then a run of those files
// with a tile that is refused (the run log open), a long run caught while it
// goes on (Stop), and the window at a larger size.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include "dialogs.hpp"
#include "help_window.hpp"
#include "main_window.hpp"
#include "map_view.hpp"
#include "ntfgen/generators.hpp"

namespace {

using namespace quorvel::gui;

class GivenFiles : public FileDialogs {
 public:
  explicit GivenFiles(QStringList files) : files_(std::move(files)) {}
  QStringList ChooseNtfFiles(QWidget*, const QString&) override { return files_; }
  QString ChooseMifFile(QWidget*, const QString&) override { return {}; }

 private:
  QStringList files_;
};

class Quiet : public MessageBoxes {
 public:
  void Show(QWidget*, quorvel::MessageKind, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool ConfirmStopAndClose(QWidget*) override { return false; }
  bool ConfirmReplace(QWidget*, const QStringList&) override { return true; }
};

bool WriteTile(const QString& path, const char* product, ntfgen::Size size) {
  ntfgen::Options options;
  options.size = size;
  const std::string text = ntfgen::FindGenerator(product)->generate(options);
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

bool Save(QWidget* w, const QString& dir, const QString& name) {
  w->show();
  w->raise();
  // Let folder listings that load in the background arrive.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  const bool ok = w->grab().save(dir + QLatin1Char('/') + name);
  std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir + QLatin1Char('/') + name));
  if (w->isWindow() && w->objectName() != QStringLiteral("TFormMain")) w->hide();
  return ok;
}

// Clicks the object nearest the middle of the map (searching outwards on a
// grid of a few pixels), as a user would to see its row.
void ClickAnObject(MapView* view) {
  const QPointF middle(view->width() / 2.0, view->height() / 2.0);
  for (int ring = 0; ring < 200; ++ring)
    for (int dx = -ring; dx <= ring; ++dx)
      for (int dy = -ring; dy <= ring; ++dy) {
        if (std::max(std::abs(dx), std::abs(dy)) != ring) continue;
        const QPointF at = middle + QPointF(dx * 4, dy * 4);
        if (!view->ObjectAt(at)) continue;
        const QPointF global = view->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &press);
        QCoreApplication::sendEvent(view, &release);
        return;
      }
}

// The window at start-up, its splash over it; the splash is then closed.
bool ShootSplash(MainWindow& window, const QString& out) {
  window.StartSplash(60 * 1000);
  const bool ok = Save(&window, out, QStringLiteral("main-window-splash.png"));
  window.findChild<QTimer*>(QStringLiteral("TimerSplash"))->setInterval(0);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  return ok;
}

// The given files copied into the scratch folder, where the runs write.
QStringList CopyIntoScratch(const QStringList& given, const QTemporaryDir& scratch) {
  QStringList files;
  for (const QString& file : given) {
    const QString target = scratch.filePath(QFileInfo(file).fileName());
    QFile::copy(file, target);
    files << target;
  }
  return files;
}

// The files selected and translated (when there are any).
void Translate(MainWindow& window, const QStringList& files) {
  window.SetFileDialogs(std::make_unique<GivenFiles>(files));
  if (files.isEmpty()) return;
  window.SelectNtfFiles();
  window.StartTranslationRun();
}

// Several tiles, one of them refused: the run log tells which. Then the
// Map: that run's output drawn, an object clicked for its MID row.
bool ShootLogAndMap(MainWindow& window, const QString& out, const QTemporaryDir& scratch) {
  const QString refused = scratch.filePath(QStringLiteral("SX99_unknown_product.ntf"));
  const QString landline = scratch.filePath(QStringLiteral("SU00SE.ntf"));
  QStringList several;
  if (WriteTile(landline, "landline", ntfgen::Size::Small)) several << landline;
  if (WriteTile(refused, "unknown", ntfgen::Size::Small)) several << refused;
  Translate(window, several);
  window.ShowLog(true);
  bool ok = Save(&window, out, QStringLiteral("main-window-log.png"));
  window.ShowLog(false);

  window.ShowMap();
  if (MapWindow* map = window.Map()) {
    map->resize(960, 640);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    map->View()->Fit();
    map->View()->WaitForPicture();
    ClickAnObject(map->View());
    ok &= Save(map, out, QStringLiteral("map.png"));
  }
  return ok;
}

// A full-size Land-Line tile, caught while it is translated. The picture is
// taken, and the run stopped, by a timer that may fire after this returns:
// `ok` (like the window and `out`) must outlive the run.
void ShootRunning(MainWindow& window, const QString& out, const QTemporaryDir& scratch, bool& ok) {
  const QString big = scratch.filePath(QStringLiteral("SU00NE.ntf"));
  if (!WriteTile(big, "landline", ntfgen::Size::Full)) return;
  window.SetFileDialogs(std::make_unique<GivenFiles>(QStringList{big}));
  window.SelectNtfFiles();
  QTimer::singleShot(120, &window, [&window, &out, &ok] {
    ok &= Save(&window, out, QStringLiteral("main-window-running.png"));
    window.RequestStop();
  });
  window.StartTranslationRun();
}

// Larger, as a user would drag it: the list and the paths take the room.
bool ShootLarger(MainWindow& window, const QString& out, const QStringList& files) {
  const QSize normal = window.size();
  window.resize(normal.width() * 3 / 2, normal.height() * 5 / 4);
  Translate(window, files);
  const bool ok = Save(&window, out, QStringLiteral("main-window-large.png"));
  window.resize(normal);
  return ok;
}

// Every dialog; the folder dialog over a tree of sample folders rather than
// this machine's own.
bool ShootDialogs(MainWindow& window, const QString& out, const QTemporaryDir& scratch) {
  bool ok = Save(window.Options(), out, QStringLiteral("options.png"));
  ok &= Save(window.OptionDialog("landline-off"), out, QStringLiteral("landline-features.png"));
  ok &= Save(window.OptionDialog("strategi-layers"), out, QStringLiteral("strategi-layers.png"));
  ok &= Save(window.OptionDialog("meridian-heights"), out, QStringLiteral("meridian-heights.png"));
  const QString maps = scratch.filePath(QStringLiteral("Maps"));
  for (const char* sub : {"NTF tiles/Land-Line", "NTF tiles/Strategi", "NTF tiles/Code-Point", "MIF output", "Archive"})
    QDir().mkpath(maps + QLatin1Char('/') + QString::fromLatin1(sub));
  window.FolderDialog()->ChooseDrive(maps);
  window.FolderDialog()->SetCurrentFolder(maps + QStringLiteral("/NTF tiles"));
  ok &= Save(window.FolderDialog(), out, QStringLiteral("default-folder.png"));
  ok &= Save(window.AboutBox(), out, QStringLiteral("about.png"));
  ok &= Save(window.Help(), out, QStringLiteral("help.png"));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: quorvel-gui-screenshots OUTDIR [NTF files...]\n");
    return 2;
  }
  const QString out = args[1];
  QDir().mkpath(out);
  QTemporaryDir scratch;
  MainWindow window(scratch.filePath(QStringLiteral("quorvel.ini")));
  window.SetMessageBoxes(std::make_unique<Quiet>());

  bool ok = ShootSplash(window, out);
  const QStringList files = CopyIntoScratch(args.mid(2), scratch);
  Translate(window, files);
  ok &= Save(&window, out, QStringLiteral("main-window.png"));
  ok &= ShootLogAndMap(window, out, scratch);
  ShootRunning(window, out, scratch, ok);
  ok &= ShootLarger(window, out, files);
  ok &= ShootDialogs(window, out, scratch);
  return ok ? 0 : 1;
}
