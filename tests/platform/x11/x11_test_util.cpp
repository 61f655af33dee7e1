#include "tests/platform/x11/x11_test_util.h"

#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace mgtest {

X11Fixture::X11Fixture(int width, int height, int depth, const std::string& extraArgs)
    : server_(width, height, depth, extraArgs), width_(width), height_(height), depth_(depth) {
  if (server_.ok()) display_ = XOpenDisplay(server_.display().c_str());
}

X11Fixture::~X11Fixture() {
  if (display_) XCloseDisplay(display_);
}

uint32_t PatternPixel(int x, int y, int depth) {
  const uint32_t v = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u ^
                     static_cast<uint32_t>(x * 7 + y * 13);
  return depth >= 32 ? v : v & ((1u << depth) - 1);
}

void PaintPattern(const X11Fixture& x) {
  Display* d = x.dpy();
  const int screen = DefaultScreen(d);
  XImage* image = XCreateImage(d, DefaultVisual(d, screen), static_cast<unsigned>(x.depth()),
                               ZPixmap, 0, nullptr, static_cast<unsigned>(x.width()),
                               static_cast<unsigned>(x.height()), 32, 0);
  image->data = static_cast<char*>(
      std::malloc(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(x.height())));
  for (int py = 0; py < x.height(); ++py)
    for (int px = 0; px < x.width(); ++px)
      XPutPixel(image, px, py, PatternPixel(px, py, x.depth()));
  GC gc = XCreateGC(d, x.root(), 0, nullptr);
  XPutImage(d, x.root(), gc, image, 0, 0, 0, 0, static_cast<unsigned>(x.width()),
            static_cast<unsigned>(x.height()));
  XFreeGC(d, gc);
  XDestroyImage(image);
  XSync(d, False);
}

uint32_t FramePixel(const uint8_t* frame, int stride, int bitsPerPixel, int x, int y) {
  const uint8_t* p =
      frame + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * (bitsPerPixel / 8);
  uint32_t v = 0;
  for (int i = bitsPerPixel / 8 - 1; i >= 0; --i) v = (v << 8) | p[i];  // little-endian server
  return v;
}

uint32_t RootPixel(const X11Fixture& x, int px, int py) {
  XImage* image = XGetImage(x.dpy(), x.root(), px, py, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0xdeadbeef;
  const uint32_t v = static_cast<uint32_t>(XGetPixel(image, 0, 0));
  XDestroyImage(image);
  return v;
}

bool WaitFor(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace mgtest
