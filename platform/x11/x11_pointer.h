// The pointer as the X server reports it relative to a root window.
#pragma once

#include <X11/Xlib.h>

#include "platform/capture_display.h"

namespace mg {

// The pointer's root coordinates and the held modifiers (as kMod* flags); `valid` is false when
// the pointer is on another screen than `root`'s (the coordinates are then those on its own).
PointerState X11QueryPointer(Display* display, Window root);

}  // namespace mg
