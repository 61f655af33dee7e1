#include <QApplication>
#include <QCoreApplication>
#include <cstring>
#include <memory>

#include "app/recorder_app.h"

int main(int argc, char** argv) {
  // Exporting and importing the settings opens no window, so it needs no display either.
  const bool textOnly = argc > 1 && (std::strcmp(argv[1], "-dumpopts") == 0 ||
                                     std::strcmp(argv[1], "-readopts") == 0);
  std::unique_ptr<QCoreApplication> application;
  if (textOnly) {
    application = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    application = std::make_unique<QApplication>(argc, argv);
  }
  mg::CRecorderApp recorder;
  return recorder.InitInstance(QCoreApplication::arguments());
}
