// What was drawn on the screen, from the X DAMAGE extension: a damage object on the root window
// gathers every change in the server, and each Take hands over what gathered since the previous
// one (one round trip) and empties it. The server sends one notice when an empty damage becomes
// non-empty, so while none has come nothing was drawn and Take asks nothing. Made at the first
// Take, so nothing is gathered while no recording runs; Stop ends it.
//
// A notice comes before the reply to any later request of ours: after a round trip (the tick
// reads the pointer first) every drawing that the server finished before it has been noticed.
//
// Threads: the connection's thread only.
#pragma once

#include <X11/Xlib.h>

#include "platform/changed_region.h"

namespace mg {

class X11DamageTracker {
 public:
  // `allowed` false: every Take says "everything", as on a server without the extension.
  X11DamageTracker(Display* display, bool allowed);
  ~X11DamageTracker();
  X11DamageTracker(const X11DamageTracker&) = delete;
  X11DamageTracker& operator=(const X11DamageTracker&) = delete;

  bool available() const { return available_; }
  // Takes note of a damage notice among the connection's events; the connection's owner reads
  // them all (one reader, so that no notice is lost to another) before every Take.
  void Notice(const XEvent& event);
  // Adds the screen rectangles drawn on since the previous Take to `out`; everything at the
  // first Take after construction or Stop, and whenever the server's answer is missing.
  void Take(ChangedRegion* out);
  void Stop();

 private:
  bool Start();

  Display* display_;
  bool available_ = false;
  int eventBase_ = 0;
  unsigned long damage_ = 0;     // Damage
  unsigned long region_ = 0;     // XserverRegion the damage is moved into
  unsigned long emptiedAt_ = 0;  // the request serial of the last emptying
  bool pending_ = false;         // drawn on since then
};

}  // namespace mg
