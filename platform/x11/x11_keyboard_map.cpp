#include "platform/x11/x11_keyboard_map.h"

#include <X11/keysym.h>

#include <cstdlib>

#include "platform/virtual_keys.h"

namespace mg {

bool X11KeyboardMap::Load(xcb_connection_t* connection) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_cookie_t keysCookie =
      xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<uint8_t>(count));
  xcb_get_modifier_mapping_cookie_t modsCookie = xcb_get_modifier_mapping(connection);

  xcb_get_keyboard_mapping_reply_t* keys =
      xcb_get_keyboard_mapping_reply(connection, keysCookie, nullptr);
  xcb_get_modifier_mapping_reply_t* mods =
      xcb_get_modifier_mapping_reply(connection, modsCookie, nullptr);

  keysyms_.clear();
  minKeycode_ = setup->min_keycode;
  keysymsPerKeycode_ = 0;
  if (keys) {
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keys);
    keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(keys));
    keysymsPerKeycode_ = keys->keysyms_per_keycode;
  }

  // The keycodes of each of the eight modifiers.
  std::vector<std::vector<xcb_keycode_t>> byModifier(8);
  if (mods) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mods);
    const int perModifier = mods->keycodes_per_modifier;
    for (int m = 0; m < 8; ++m)
      for (int k = 0; k < perModifier; ++k)
        if (xcb_keycode_t code = codes[m * perModifier + k]) byModifier[m].push_back(code);
  }
  numLockMask_ = MaskOfKeysym(XK_Num_Lock, byModifier);
  altMask_ = MaskOfKeysym(XK_Alt_L, byModifier);
  if (!altMask_) altMask_ = MaskOfKeysym(XK_Alt_R, byModifier);
  if (!altMask_) altMask_ = XCB_MOD_MASK_1;

  const bool ok = keys && mods;
  std::free(keys);
  std::free(mods);
  return ok;
}

std::vector<xcb_keycode_t> X11KeyboardMap::KeycodesOf(int virtualKey) const {
  std::vector<xcb_keycode_t> found;
  if (keysymsPerKeycode_ <= 0) return found;
  const size_t per = static_cast<size_t>(keysymsPerKeycode_);
  for (size_t i = 0; i + per <= keysyms_.size(); i += per) {
    for (size_t c = 0; c < per; ++c) {
      if (keysyms_[i + c] != 0 && KeysymIsOnVirtualKey(keysyms_[i + c], virtualKey)) {
        found.push_back(static_cast<xcb_keycode_t>(minKeycode_ + i / per));
        break;
      }
    }
  }
  return found;
}

// The modifier bit (Shift = bit 0 ... Mod5 = bit 7) of the first modifier whose keys give
// `keysym`; 0 when none does. Shift, Lock and Control are never taken.
uint16_t X11KeyboardMap::MaskOfKeysym(uint32_t keysym,
                                      const std::vector<std::vector<xcb_keycode_t>>& mods) const {
  if (keysymsPerKeycode_ <= 0) return 0;
  for (int m = 3; m < 8; ++m) {
    for (xcb_keycode_t code : mods[m]) {
      if (code < minKeycode_) continue;
      const size_t per = static_cast<size_t>(keysymsPerKeycode_);
      const size_t at = static_cast<size_t>(code - minKeycode_) * per;
      for (size_t c = 0; c < per && at + c < keysyms_.size(); ++c)
        if (keysyms_[at + c] == keysym) return static_cast<uint16_t>(1u << m);
    }
  }
  return 0;
}

}  // namespace mg
