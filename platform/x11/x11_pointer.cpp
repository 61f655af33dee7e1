#include "platform/x11/x11_pointer.h"

#include "platform/windows_records.h"

namespace mg {

PointerState X11QueryPointer(Display* display, Window root) {
  PointerState state;
  Window rootReturn = 0;
  Window child = 0;
  int winX = 0;
  int winY = 0;
  unsigned int mask = 0;
  state.valid = XQueryPointer(display, root, &rootReturn, &child, &state.x, &state.y, &winX, &winY,
                              &mask) != 0;
  if (mask & ShiftMask) state.modifiers |= kModShift;
  if (mask & ControlMask) state.modifiers |= kModControl;
  if (mask & Mod1Mask) state.modifiers |= kModAlt;
  return state;
}

}  // namespace mg
