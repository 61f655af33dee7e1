// The cursor the server shows, from XFixes: fetched when it changes (cursor-notify events),
// otherwise served from the cache without a request.
//
// Threads: the connection's thread only.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "platform/capture_display.h"

namespace mg {

class X11CursorCache {
 public:
  explicit X11CursorCache(Display* display);
  X11CursorCache(const X11CursorCache&) = delete;
  X11CursorCache& operator=(const X11CursorCache&) = delete;

  // Takes note of a cursor change among the connection's events.
  void Notice(const XEvent& event);
  // The cursor shown now, as of the events noticed so far; nullptr when the server has no
  // XFixes or gives no image.
  const CursorImage* Current();

 private:
  bool Refresh();

  Display* display_;
  bool available_ = false;
  int eventBase_ = 0;
  bool stale_ = true;
  bool valid_ = false;
  std::vector<uint32_t> pixels_;
  CursorImage image_;
};

}  // namespace mg
