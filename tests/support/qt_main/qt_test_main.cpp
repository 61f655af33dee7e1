// main() for test programs that need Qt's event loop: a QApplication when a display is there
// (tests of windows), a QCoreApplication otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QCoreApplication> app;
  const char* display = std::getenv("DISPLAY");
  if (display && *display)
    app = std::make_unique<QApplication>(argc, argv);
  else
    app = std::make_unique<QCoreApplication>(argc, argv);
  return RUN_ALL_TESTS();
}
