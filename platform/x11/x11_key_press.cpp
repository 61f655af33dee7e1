// Which virtual key a key press in one of our windows was: the symbols the server's keyboard
// map gives that key, asked on Qt's own connection.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

#include "platform/virtual_keys.h"

namespace mg {
namespace {

// The first of the key's symbols (plain, shifted, other groups) that belongs to a virtual key of
// its own; 0 when none does.
int VirtualKeyOfKeycode(xcb_connection_t* connection, uint32_t keycode) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  if (keycode < setup->min_keycode || keycode > setup->max_keycode) return 0;
  xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
      connection, xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(keycode), 1),
      nullptr);
  if (!mapping) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
  const int count = xcb_get_keyboard_mapping_keysyms_length(mapping);
  int found = 0;
  for (int i = 0; i < count && !found; ++i) {
    const int vk = syms[i] ? VirtualKeyForKeysym(syms[i]) : 0;
    if (vk && KeysymIsOnVirtualKey(syms[i], vk)) found = vk;
  }
  std::free(mapping);
  return found;
}

}  // namespace

int VirtualKeyOfKeyPress(uint32_t keycode, uint32_t keysym) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr) {
    if (const int vk = VirtualKeyOfKeycode(connection, keycode)) return vk;
  }
  return VirtualKeyForKeysym(keysym);
}

}  // namespace mg
