// Moves the pointer of the display in $DISPLAY continuously, as a person sweeping the mouse
// across the screen: a slow loop over the whole screen, 60 steps a second, through XTest, until
// it is killed or the given number of seconds has passed (0 = until killed).
//
//   bench_pointer [seconds]
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0;
  Display* d = XOpenDisplay(nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!d || !XTestQueryExtension(d, &event, &error, &major, &minor)) {
    std::fprintf(stderr, "bench_pointer: no display with XTest\n");
    return 1;
  }
  const int screen = DefaultScreen(d);
  const double w = DisplayWidth(d, screen), h = DisplayHeight(d, screen);
  constexpr long kStepNs = 1000000000L / 60;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (long step = 0; seconds <= 0 || step < static_cast<long>(seconds * 60); ++step) {
    // A Lissajous figure: every part of the screen is crossed within a few seconds.
    const double t = static_cast<double>(step) / 60.0;
    const int x = static_cast<int>(w / 2 + (w / 2 - 8) * std::sin(t * 0.9));
    const int y = static_cast<int>(h / 2 + (h / 2 - 8) * std::sin(t * 1.3 + 0.5));
    XTestFakeMotionEvent(d, screen, x, y, CurrentTime);
    XFlush(d);
    next.tv_nsec += kStepNs;
    if (next.tv_nsec >= 1000000000L) {
      next.tv_nsec -= 1000000000L;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  XCloseDisplay(d);
  return 0;
}
