// The on-screen marker around the capture rectangle: an override-redirect window shaped to the
// frame (the capture rectangle itself is cut out, so a grab never sees it), which clicks pass
// through. It is painted in short black and white dashes, seen on dark and light desktops alike,
// that swap colours every kBlinkMs, as an inverted frame blinking over the desktop would look; the
// swap is made by the ticks (so the blink follows the frame rate when that is slower). The
// window stays mapped while recording and is re-shaped only when the rectangle or the paused
// cross changes. Typed as a dock so that compositors draw no shadow into the area.
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

  static constexpr int kBlinkMs = 250;

  // Puts the marker around `outer` (with the cross when paused) in the colours of the current
  // blink phase.
  void Show(const WinRect& outer, bool paused);
  // Sends what Show drew; the marker stays on the screen between ticks.
  void Hide();
  // Takes the marker off the screen until the next Show.
  void Remove();

  Window window() const { return window_; }
  // The blink phase last painted: 0 white dashes on black, 1 the colours swapped.
  int phase() const { return phase_; }

 private:
  bool EnsureWindow();
  void Reshape(const WinRect& outer, bool paused);
  bool MakeTiles();
  void Paint(int phase);

  Display* display_;
  Window window_ = 0;
  bool mapped_ = false;
  bool shaped_ = false;
  WinRect outer_{};
  bool paused_ = false;
  Pixmap tiles_[2] = {0, 0};  // the dash pattern in both phases
  int phase_ = -1;            // painted phase, -1 none since mapping
};

}  // namespace mg
