// Windows virtual-key codes and the keys of the X keyboard: the stored form of a hot key is a
// virtual-key code, translated here at the edge. Names are the ones people read on keys.
#pragma once

#include <cstdint>
#include <string>

namespace mg {

// The keysym of a virtual key (F1..F24, A..Z, 0..9, the keypad, navigation keys, ...); 0 when
// the code names no key we know.
uint32_t KeysymForVirtualKey(int virtualKey);
// The virtual key of a keysym (letters in either case); 0 when there is none.
int VirtualKeyForKeysym(uint32_t keysym);
// True when pressing the key of `virtualKey` can give `keysym` without Shift standing in for
// another key: its own keysym, the other case of a letter, the keypad's keysyms with NumLock off.
// The shifted symbols of a US layout ("!", ":") map back to their key through
// VirtualKeyForKeysym, but other layouts put them on other keys, so they give false here.
bool KeysymIsOnVirtualKey(uint32_t keysym, int virtualKey);
// "F2", "A", "Num 5", "Page Up", ...; at most 19 characters; empty when unknown.
std::string VirtualKeyName(int virtualKey);

// The virtual key of a key the user pressed in one of our windows, whatever modifiers were held:
// the key's own symbols on the keyboard of the running QGuiApplication (`keycode` is the key
// event's native scan code), or `keysym` (its native virtual key) when the keyboard does not
// answer. Shift+1 is the key 1 on every layout. 0 when the key is none we know.
int VirtualKeyOfKeyPress(uint32_t keycode, uint32_t keysym);

}  // namespace mg
