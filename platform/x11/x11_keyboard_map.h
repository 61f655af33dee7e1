// The server's keyboard as the hot keys need it: which keycodes give a virtual key, and which
// modifier bits stand for Alt and NumLock. Read once and kept until reloaded after a mapping
// change.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace mg {

class X11KeyboardMap {
 public:
  // Reads the keyboard and modifier mappings; false when the server answers neither.
  bool Load(xcb_connection_t* connection);

  // Every keycode that gives the key in any group or level, in ascending order; empty when the
  // keyboard has no such key.
  std::vector<xcb_keycode_t> KeycodesOf(int virtualKey) const;

  uint16_t altMask() const { return altMask_; }
  uint16_t numLockMask() const { return numLockMask_; }  // 0 when no modifier holds NumLock

 private:
  uint16_t MaskOfKeysym(uint32_t keysym, const std::vector<std::vector<xcb_keycode_t>>& mods) const;

  xcb_keycode_t minKeycode_ = 0;
  int keysymsPerKeycode_ = 0;
  std::vector<xcb_keysym_t> keysyms_;
  uint16_t altMask_ = XCB_MOD_MASK_1;
  uint16_t numLockMask_ = 0;
};

}  // namespace mg
