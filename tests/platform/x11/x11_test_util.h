// Helpers for the X11 layer tests: a private Xvfb with a client connection, and a known picture
// on its root window.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tests/support/xvfb_server.h"

namespace mgtest {

class X11Fixture {
 public:
  X11Fixture(int width, int height, int depth, const std::string& extraArgs = {});
  ~X11Fixture();
  bool ok() const { return display_ != nullptr; }
  Display* dpy() const { return display_; }
  const std::string& name() const { return server_.display(); }
  int width() const { return width_; }
  int height() const { return height_; }
  int depth() const { return depth_; }
  Window root() const { return DefaultRootWindow(display_); }

 private:
  XvfbServer server_;
  Display* display_ = nullptr;
  int width_;
  int height_;
  int depth_;
};

// The pixel value of the test picture at (x, y), limited to `depth` bits.
uint32_t PatternPixel(int x, int y, int depth);
// Puts the test picture on the whole root window.
void PaintPattern(const X11Fixture& x);
// The pixel at (x, y) of a frame buffer with rows of `stride` bytes.
uint32_t FramePixel(const uint8_t* frame, int stride, int bitsPerPixel, int x, int y);
// The root window's pixel at (x, y), read back by this client.
uint32_t RootPixel(const X11Fixture& x, int px, int py);
// Runs `done` until it is true or about five seconds have passed.
bool WaitFor(const std::function<bool()>& done);

}  // namespace mgtest
