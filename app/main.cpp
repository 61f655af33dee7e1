#include <QApplication>
#include <QLabel>

// Until the main dialog lands, the program shows a small placeholder window.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("Movigram"));
  label.setWindowTitle(QStringLiteral("Movigram"));
  label.resize(240, 80);
  label.show();
  return app.exec();
}
