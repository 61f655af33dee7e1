// The start/stop signal as the X bell, rung by a worker thread on a connection of its own so
// that the caller never waits for the server. The bell's pitch and duration are server-wide
// keyboard settings: they are set for our ring and put back right after it.
#include <X11/Xlib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/beep.h"
#include "platform/x11_error_trap.h"

namespace mg {
namespace {

class X11Beeper : public IBeeper {
 public:
  X11Beeper() : worker_(&X11Beeper::Run, this) {}

  ~X11Beeper() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
  }

  void Beep(int frequencyHz, int durationMs) override {
    {
      std::lock_guard lock(mutex_);
      if (queue_.size() >= kMaxQueued) return;  // a burst of beeps is not worth queueing
      queue_.push_back({frequencyHz, durationMs});
    }
    wake_.notify_all();
  }

 private:
  struct Request {
    int frequencyHz;
    int durationMs;
  };
  static constexpr size_t kMaxQueued = 4;

  void Run() {
    Display* display = nullptr;
    bool tried = false;
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) break;  // stopping, nothing left to ring
      const Request request = queue_.front();
      queue_.pop_front();
      lock.unlock();
      if (!tried) {
        tried = true;
        display = XOpenDisplay(nullptr);
        if (display) X11AdoptConnection(display);
      }
      if (display) Ring(display, request);
      lock.lock();
    }
    if (display) {
      X11ReleaseConnection(display);
      XCloseDisplay(display);
    }
  }

  static void Ring(Display* display, const Request& request) {
    XKeyboardState saved{};
    XGetKeyboardControl(display, &saved);
    XKeyboardControl control{};
    control.bell_pitch = request.frequencyHz;
    control.bell_duration = request.durationMs;
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &control);
    XBell(display, 100);
    control.bell_pitch = static_cast<int>(saved.bell_pitch);
    control.bell_duration = static_cast<int>(saved.bell_duration);
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &control);
    XSync(display, False);
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> queue_;
  bool stop_ = false;
  std::thread worker_;  // last: starts after the members it uses exist
};

}  // namespace

std::unique_ptr<IBeeper> MakeX11Beeper() {
  return std::make_unique<X11Beeper>();
}

}  // namespace mg
