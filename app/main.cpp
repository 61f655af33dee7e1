#include <QApplication>

#include "app/recorder_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  mg::CRecorderApp recorder;
  return recorder.InitInstance(QApplication::arguments());
}
