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
// "F2", "A", "Num 5", "Page Up", ...; at most 19 characters; empty when unknown.
std::string VirtualKeyName(int virtualKey);

}  // namespace mg
