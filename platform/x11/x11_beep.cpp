// The start/stop signal as the X bell, rung on a connection of the beep worker's own so that the
// caller never waits for the server. The bell's pitch and duration are server-wide keyboard
// settings: they are set for our ring and put back right after it.
#include <X11/Xlib.h>

#include <memory>

#include "platform/posix/beep_worker.h"
#include "platform/x11/x11_backends.h"
#include "platform/x11/x11_error_trap.h"

namespace mg {
namespace {

class Bell {
 public:
  Bell() {
    display_ = XOpenDisplay(nullptr);
    if (display_) X11AdoptConnection(display_);
  }
  ~Bell() {
    if (!display_) return;
    X11ReleaseConnection(display_);
    XCloseDisplay(display_);
  }
  Bell(const Bell&) = delete;
  Bell& operator=(const Bell&) = delete;

  void Ring(int frequencyHz, int durationMs) {
    if (!display_) return;
    XKeyboardState saved{};
    XGetKeyboardControl(display_, &saved);
    XKeyboardControl control{};
    control.bell_pitch = frequencyHz;
    control.bell_duration = durationMs;
    XChangeKeyboardControl(display_, KBBellPitch | KBBellDuration, &control);
    XBell(display_, 100);
    control.bell_pitch = static_cast<int>(saved.bell_pitch);
    control.bell_duration = static_cast<int>(saved.bell_duration);
    XChangeKeyboardControl(display_, KBBellPitch | KBBellDuration, &control);
    XSync(display_, False);
  }

 private:
  Display* display_ = nullptr;
};

}  // namespace

std::unique_ptr<IBeeper> MakeX11Beeper() {
  return std::make_unique<BeepWorker>([] {
    auto bell = std::make_shared<Bell>();
    return BeepWorker::Player([bell](int hz, int ms) { bell->Ring(hz, ms); });
  });
}

}  // namespace mg
