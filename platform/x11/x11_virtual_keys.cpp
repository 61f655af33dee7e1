#include "platform/virtual_keys.h"

#include <X11/keysym.h>

namespace mg {
namespace {

// How a keysym belongs to a virtual key.
enum class Tie {
  kOwn,      // the key's own keysym (the one KeysymForVirtualKey gives)
  kSameKey,  // another keysym of the same key: a lower-case letter, the keypad without NumLock
  kShifted,  // what Shift gives on the key of a US layout; other layouts put it elsewhere
};

struct Entry {
  int virtualKey;
  uint32_t keysym;
  Tie tie;
};

struct Name {
  int virtualKey;
  const char* name;
};

// Keys whose virtual-key code is not the keysym's own value (function keys, letters and digits
// are computed below).
constexpr Entry kEntries[] = {
    {0x08, XK_BackSpace, Tie::kOwn},
    {0x09, XK_Tab, Tie::kOwn},
    {0x09, XK_ISO_Left_Tab, Tie::kShifted},
    {0x0D, XK_Return, Tie::kOwn},
    {0x0D, XK_KP_Enter, Tie::kSameKey},  // both Enter keys are one virtual key
    {0x13, XK_Pause, Tie::kOwn},
    {0x14, XK_Caps_Lock, Tie::kOwn},
    {0x1B, XK_Escape, Tie::kOwn},
    {0x20, XK_space, Tie::kOwn},
    {0x21, XK_Prior, Tie::kOwn},
    {0x22, XK_Next, Tie::kOwn},
    {0x23, XK_End, Tie::kOwn},
    {0x24, XK_Home, Tie::kOwn},
    {0x25, XK_Left, Tie::kOwn},
    {0x26, XK_Up, Tie::kOwn},
    {0x27, XK_Right, Tie::kOwn},
    {0x28, XK_Down, Tie::kOwn},
    {0x2C, XK_Print, Tie::kOwn},
    {0x2D, XK_Insert, Tie::kOwn},
    {0x2E, XK_Delete, Tie::kOwn},
    // Shifted digits of a US layout.
    {0x30, XK_parenright, Tie::kShifted},
    {0x31, XK_exclam, Tie::kShifted},
    {0x32, XK_at, Tie::kShifted},
    {0x33, XK_numbersign, Tie::kShifted},
    {0x34, XK_dollar, Tie::kShifted},
    {0x35, XK_percent, Tie::kShifted},
    {0x36, XK_asciicircum, Tie::kShifted},
    {0x37, XK_ampersand, Tie::kShifted},
    {0x38, XK_asterisk, Tie::kShifted},
    {0x39, XK_parenleft, Tie::kShifted},
    // The keypad: digits with NumLock on, movement keys with it off.
    {0x60, XK_KP_0, Tie::kOwn},
    {0x60, XK_KP_Insert, Tie::kSameKey},
    {0x61, XK_KP_1, Tie::kOwn},
    {0x61, XK_KP_End, Tie::kSameKey},
    {0x62, XK_KP_2, Tie::kOwn},
    {0x62, XK_KP_Down, Tie::kSameKey},
    {0x63, XK_KP_3, Tie::kOwn},
    {0x63, XK_KP_Next, Tie::kSameKey},
    {0x64, XK_KP_4, Tie::kOwn},
    {0x64, XK_KP_Left, Tie::kSameKey},
    {0x65, XK_KP_5, Tie::kOwn},
    {0x65, XK_KP_Begin, Tie::kSameKey},
    {0x66, XK_KP_6, Tie::kOwn},
    {0x66, XK_KP_Right, Tie::kSameKey},
    {0x67, XK_KP_7, Tie::kOwn},
    {0x67, XK_KP_Home, Tie::kSameKey},
    {0x68, XK_KP_8, Tie::kOwn},
    {0x68, XK_KP_Up, Tie::kSameKey},
    {0x69, XK_KP_9, Tie::kOwn},
    {0x69, XK_KP_Prior, Tie::kSameKey},
    {0x6A, XK_KP_Multiply, Tie::kOwn},
    {0x6B, XK_KP_Add, Tie::kOwn},
    {0x6D, XK_KP_Subtract, Tie::kOwn},
    {0x6E, XK_KP_Decimal, Tie::kOwn},
    {0x6E, XK_KP_Delete, Tie::kSameKey},
    {0x6E, XK_KP_Separator, Tie::kSameKey},  // layouts with a decimal comma
    {0x6F, XK_KP_Divide, Tie::kOwn},
    {0x90, XK_Num_Lock, Tie::kOwn},
    {0x91, XK_Scroll_Lock, Tie::kOwn},
    // Punctuation keys of a US layout, unshifted and shifted.
    {0xBA, XK_semicolon, Tie::kOwn},
    {0xBA, XK_colon, Tie::kShifted},
    {0xBB, XK_equal, Tie::kOwn},
    {0xBB, XK_plus, Tie::kShifted},
    {0xBC, XK_comma, Tie::kOwn},
    {0xBC, XK_less, Tie::kShifted},
    {0xBD, XK_minus, Tie::kOwn},
    {0xBD, XK_underscore, Tie::kShifted},
    {0xBE, XK_period, Tie::kOwn},
    {0xBE, XK_greater, Tie::kShifted},
    {0xBF, XK_slash, Tie::kOwn},
    {0xBF, XK_question, Tie::kShifted},
    {0xC0, XK_grave, Tie::kOwn},
    {0xC0, XK_asciitilde, Tie::kShifted},
    {0xDB, XK_bracketleft, Tie::kOwn},
    {0xDB, XK_braceleft, Tie::kShifted},
    {0xDC, XK_backslash, Tie::kOwn},
    {0xDC, XK_bar, Tie::kShifted},
    {0xDD, XK_bracketright, Tie::kOwn},
    {0xDD, XK_braceright, Tie::kShifted},
    {0xDE, XK_apostrophe, Tie::kOwn},
    {0xDE, XK_quotedbl, Tie::kShifted},
};

constexpr Name kNames[] = {
    {0x08, "Backspace"},   {0x09, "Tab"},    {0x0D, "Enter"}, {0x13, "Pause"},
    {0x14, "Caps Lock"},   {0x1B, "Esc"},    {0x20, "Space"}, {0x21, "Page Up"},
    {0x22, "Page Down"},   {0x23, "End"},    {0x24, "Home"},  {0x25, "Left"},
    {0x26, "Up"},          {0x27, "Right"},  {0x28, "Down"},  {0x2C, "Print Screen"},
    {0x2D, "Insert"},      {0x2E, "Delete"}, {0x6A, "Num *"}, {0x6B, "Num +"},
    {0x6D, "Num -"},       {0x6E, "Num ."},  {0x6F, "Num /"}, {0x90, "Num Lock"},
    {0x91, "Scroll Lock"}, {0xBA, ";"},      {0xBB, "="},     {0xBC, ","},
    {0xBD, "-"},           {0xBE, "."},      {0xBF, "/"},     {0xC0, "`"},
    {0xDB, "["},           {0xDC, "\\"},     {0xDD, "]"},     {0xDE, "'"},
};

constexpr int kVkF1 = 0x70, kVkF24 = 0x87;
constexpr int kVkNumpad0 = 0x60, kVkNumpad9 = 0x69;

bool IsLetter(int virtualKey) {
  return virtualKey >= 'A' && virtualKey <= 'Z';
}
bool IsDigit(int virtualKey) {
  return virtualKey >= '0' && virtualKey <= '9';
}
bool IsFunctionKey(int virtualKey) {
  return virtualKey >= kVkF1 && virtualKey <= kVkF24;
}

// The virtual key of a keysym and how it belongs to it; 0 when none.
int Lookup(uint32_t keysym, Tie* tie) {
  *tie = Tie::kOwn;
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<int>(keysym);
  if (keysym >= XK_a && keysym <= XK_z) {
    *tie = Tie::kSameKey;
    return static_cast<int>(keysym - XK_a + 'A');
  }
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<int>(keysym);
  if (keysym >= XK_F1 && keysym <= XK_F24) return kVkF1 + static_cast<int>(keysym - XK_F1);
  for (const Entry& e : kEntries) {
    if (e.keysym == keysym) {
      *tie = e.tie;
      return e.virtualKey;
    }
  }
  return 0;
}

}  // namespace

uint32_t KeysymForVirtualKey(int virtualKey) {
  if (IsLetter(virtualKey) || IsDigit(virtualKey)) return static_cast<uint32_t>(virtualKey);
  if (IsFunctionKey(virtualKey)) return XK_F1 + static_cast<uint32_t>(virtualKey - kVkF1);
  for (const Entry& e : kEntries)
    if (e.virtualKey == virtualKey && e.tie == Tie::kOwn) return e.keysym;
  return 0;
}

int VirtualKeyForKeysym(uint32_t keysym) {
  Tie tie;
  return Lookup(keysym, &tie);
}

bool KeysymIsOnVirtualKey(uint32_t keysym, int virtualKey) {
  Tie tie;
  return virtualKey != 0 && Lookup(keysym, &tie) == virtualKey && tie != Tie::kShifted;
}

std::string VirtualKeyName(int virtualKey) {
  if (IsLetter(virtualKey) || IsDigit(virtualKey)) return std::string(1, char(virtualKey));
  if (IsFunctionKey(virtualKey)) return "F" + std::to_string(virtualKey - kVkF1 + 1);
  if (virtualKey >= kVkNumpad0 && virtualKey <= kVkNumpad9)
    return "Num " + std::to_string(virtualKey - kVkNumpad0);
  for (const Name& n : kNames)
    if (n.virtualKey == virtualKey) return n.name;
  return {};
}

}  // namespace mg
