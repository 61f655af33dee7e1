// main() of the test of area selection on a screen made of two monitors with Qt scaling its
// windows twice: a private 3840x1080 X server with two RandR monitors side by side, and the Qt
// application on it with QT_SCALE_FACTOR=2. No window manager: nothing here needs frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "tests/support/xvfb_server.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

  mgtest::XvfbServer server(3840, 1080, 24);
  if (!server.ok()) {
    fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  mgtest::ScopedDisplay display(server.display());
  const std::string monitors =
      "xrandr --setmonitor left 1920/508x1080/286+0+0 screen >/dev/null 2>&1 && "
      "xrandr --setmonitor right 1920/508x1080/286+1920+0 none >/dev/null 2>&1";
  if (std::system(monitors.c_str()) != 0) {
    fprintf(stderr, "the two monitors could not be set up\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("QT_SCALE_FACTOR", "2", 1);
  QTemporaryDir home;
  setenv("HOME", home.path().toUtf8().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8().constData(), 1);
  setenv("XDG_CACHE_HOME", (home.path() + "/.cache").toUtf8().constData(), 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
