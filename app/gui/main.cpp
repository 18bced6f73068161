// quorvel-gui [FILE|FOLDER...]: the desktop window of the NTF to MIF/MID
// translator, with the files given (and the NTF files of the folders given)
// selected.
#include <QApplication>

#include "ini_file.hpp"
#include "main_window.hpp"

int main(int argc, char** argv) {
  quorvel::KeepFreedTileMemory();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("quorvel-gui"));
  quorvel::gui::MainWindow window(quorvel::gui::DefaultIniPath());
  window.show();
  window.StartSplash(2000);
  window.AddPaths(quorvel::gui::PathsFromArguments(QCoreApplication::arguments()));
  return app.exec();
}
