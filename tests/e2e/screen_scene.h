// A private X server showing a known picture: blocks of solid colours, a solid cursor of known
// size and hot spot, and the pointer where the test puts it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/xvfb_server.h"

namespace mgtest {

class ScreenScene {
 public:
  static constexpr int kBlock = 16;
  static constexpr int kCursorSize = 16;
  static constexpr int kCursorHot = 8;

  ScreenScene(int width, int height, int depth);
  ~ScreenScene();
  bool ok() const { return dpy_ != nullptr; }
  const std::string& display() const { return server_.display(); }

  // The colour the picture has at screen pixel (x, y), as 0x00RRGGBB.
  uint32_t ColourAt(int x, int y) const;
  // The cursor's colour (opaque, the whole 16 x 16 square).
  uint32_t CursorColour() const { return cursorColour_; }
  void MovePointer(int x, int y);
  // Presses or releases a key (a keysym such as XK_Shift_L) as the keyboard would.
  void Key(unsigned long keysym, bool down);

 private:
  XvfbServer server_;
  Display* dpy_ = nullptr;
  std::vector<uint32_t> colours_;  // 0x00RRGGBB as the server rounded them
  uint32_t cursorColour_ = 0;
};

}  // namespace mgtest
