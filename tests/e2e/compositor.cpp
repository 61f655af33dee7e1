#include "tests/e2e/compositor.h"

#include <QElapsedTimer>

#include "tests/e2e/e2e_recorder.h"

// Xlib last: its macros (Status, None) clash with Qt's names.
#include <X11/Xlib.h>

namespace mgtest {

Compositor::Compositor(const std::string& display) {
  QStringList env = QProcess::systemEnvironment();
  env << QStringLiteral("DISPLAY=") + QString::fromStdString(display);
  picom_.setEnvironment(env);
  picom_.start(QStringLiteral("picom"), {QStringLiteral("--backend"), QStringLiteral("xrender")});
  if (!picom_.waitForStarted(5000)) {
    error_ = "picom did not start";
    return;
  }
  Display* probe = XOpenDisplay(display.c_str());
  if (!probe) {
    error_ = "no display " + display;
    return;
  }
  const Atom cm = XInternAtom(probe, "_NET_WM_CM_S0", False);
  QElapsedTimer t;
  t.start();
  while (XGetSelectionOwner(probe, cm) == 0 && t.elapsed() < 20000) E2ERecorder::Wait(50);
  if (XGetSelectionOwner(probe, cm) == 0) error_ = "picom did not take the screen";
  XCloseDisplay(probe);
}

Compositor::~Compositor() {
  picom_.terminate();
  picom_.waitForFinished(5000);
}

}  // namespace mgtest
