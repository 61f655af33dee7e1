// Checked X requests: errors raised by the requests made while a trap is set on a connection are
// recorded instead of ending the process. One trap at a time per thread; each connection is used
// by one thread only.
#pragma once

#include <X11/Xlib.h>

namespace mg {

class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request made so far and returns the first error
  // code they raised (0 = none). The trap stays set until it is destroyed.
  int Sync();

  // Called by the process-wide error handler.
  static bool Record(Display* display, int errorCode);

 private:
  Display* display_;
  X11ErrorTrap* outer_;
  int error_ = 0;
};

// Errors of the connections we open ourselves that no trap catches are dropped (a lost marker or
// grab is better than a dead recorder); errors of other connections go to the handler that was
// there before. A lost connection (the server died) ends the program with exit() from the main
// thread, so the application's atexit work runs; other threads wait for that end. Called when
// such a connection is opened and before it is closed.
void X11AdoptConnection(Display* display);
void X11ReleaseConnection(Display* display);

}  // namespace mg
