// The preview tests draw text and pictures: they need a GUI application,
// headless unless a platform is chosen.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "preview/leak_suppressions.hpp"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
