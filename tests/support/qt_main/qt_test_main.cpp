// main() for test programs that need Qt's event loop. Programs built with MG_TEST_WIDGETS get a
// QApplication on $DISPLAY (tests of windows); the others a QCoreApplication, so they never
// depend on an X server they do not use.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#ifdef MG_TEST_WIDGETS
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <thread>

// Xlib after Qt: its macros (None, Bool, Status) would clash with Qt's names.
#include <X11/Xlib.h>

namespace {

// A busy test server may refuse a connection for a moment; Qt would abort on the first refusal.
bool DisplayAnswers() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) {
      XCloseDisplay(d);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
#ifdef MG_TEST_WIDGETS
  if (!DisplayAnswers()) {
    std::fprintf(stderr, "no X server answers on $DISPLAY\n");
    return 1;
  }
  QApplication app(argc, argv);
#else
  QCoreApplication app(argc, argv);
#endif
  return RUN_ALL_TESTS();
}
