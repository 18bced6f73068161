// quorvel-gui: the desktop window of the NTF to MIF/MID translator.
#include <QApplication>

#include "ini_file.hpp"
#include "main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QGuiApplication::setDesktopFileName(QStringLiteral("quorvel-gui"));
  quorvel::gui::MainWindow window(quorvel::gui::DefaultIniPath());
  window.show();
  window.StartSplash(2000);
  return app.exec();
}
