// The preview tests draw text and pictures: they need a GUI application,
// headless unless a platform is chosen.
#include <gtest/gtest.h>

#include <QGuiApplication>

// Fontconfig keeps a cache it never frees; under LeakSanitizer that is not
// this program's leak.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
