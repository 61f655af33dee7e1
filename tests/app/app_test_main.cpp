// main() of the application tests: a private X server with a window manager (openbox), and the
// Qt application on it. Iconizing, restoring and placing windows need a window manager, and
// global key grabs are shared by every client of a display: neither may meet other test
// programs on a shared display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "tests/app/app_test_support.h"
#include "tests/support/xvfb_server.h"

extern char** environ;

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  mgtest::XvfbServer server(mgtest::kDesktopWidth, mgtest::kDesktopHeight, 24);
  if (!server.ok()) {
    fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  mgtest::ScopedDisplay display(server.display());
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // No settings, caches or window-manager files of a real user are touched.
  QTemporaryDir home;
  setenv("HOME", home.path().toUtf8().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8().constData(), 1);
  setenv("XDG_CACHE_HOME", (home.path() + "/.cache").toUtf8().constData(), 1);

  pid_t openbox = -1;
  char name[] = "openbox";
  char sm[] = "--sm-disable";
  char* openboxArgs[] = {name, sm, nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&openbox, "openbox", &quiet, nullptr, openboxArgs, environ) != 0) openbox = -1;
  posix_spawn_file_actions_destroy(&quiet);
  if (openbox < 0 || !mgtest::WaitForWindowManager()) {
    fprintf(stderr, "openbox did not start\n");
    return 1;
  }

  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  kill(openbox, SIGTERM);
  waitpid(openbox, nullptr, 0);
  return result;
}
