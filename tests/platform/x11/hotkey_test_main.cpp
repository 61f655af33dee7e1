// main() of the hot-key tests: a private Xvfb, and Qt's application on it. Global grabs are
// shared by every client of a display, so these tests do not use the shared test display.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "tests/support/xvfb_server.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  mgtest::XvfbServer server(640, 480, 24);
  if (!server.ok()) {
    fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  mgtest::ScopedDisplay display(server.display());
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
