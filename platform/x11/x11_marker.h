// The on-screen marker around the capture rectangle: an override-redirect window shaped to the
// frame (the capture rectangle itself is cut out, so a grab never sees it), which clicks pass
// through. It blinks by switching its background between white (shown) and black (hidden) and
// clearing; the window stays mapped and is re-shaped only when the rectangle or the paused cross
// changes. Typed as a dock so that compositors draw no shadow into the area.
//
// Threads: the connection's thread only.
#pragma once

#include <X11/Xlib.h>

#include "platform/windows_records.h"

namespace mg {

class X11Marker {
 public:
  explicit X11Marker(Display* display);
  ~X11Marker();
  X11Marker(const X11Marker&) = delete;
  X11Marker& operator=(const X11Marker&) = delete;

  void Show(const WinRect& outer, bool paused);
  void Hide();
  // Takes the marker off the screen until the next Show.
  void Remove();

  Window window() const { return window_; }

 private:
  bool EnsureWindow();
  void Reshape(const WinRect& outer, bool paused);
  void Paint(unsigned long pixel, bool flush);

  Display* display_;
  Window window_ = 0;
  bool mapped_ = false;
  bool shaped_ = false;
  WinRect outer_{};
  bool paused_ = false;
};

}  // namespace mg
