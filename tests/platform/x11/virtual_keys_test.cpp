#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "platform/virtual_keys.h"

namespace {

TEST(VirtualKeys, EveryKnownKeyRoundTripsAndHasAShortName) {
  int known = 0;
  for (int vk = -1; vk <= 0x1ff; ++vk) {
    const uint32_t keysym = mg::KeysymForVirtualKey(vk);
    const std::string name = mg::VirtualKeyName(vk);
    if (keysym == 0) {
      EXPECT_TRUE(name.empty()) << "vk " << vk << " is named \"" << name << "\" but has no keysym";
      continue;
    }
    ++known;
    EXPECT_EQ(mg::VirtualKeyForKeysym(keysym), vk) << "vk " << vk;
    EXPECT_TRUE(mg::KeysymIsOnVirtualKey(keysym, vk)) << "vk " << vk;
    EXPECT_FALSE(name.empty()) << "vk " << vk;
    EXPECT_LE(name.size(), 19u) << "vk " << vk;
  }
  // F1..F24, A..Z, 0..9, the keypad, navigation, locks and the US punctuation keys.
  EXPECT_GE(known, 24 + 26 + 10 + 15 + 20 + 11);
}

TEST(VirtualKeys, NamesAreWhatTheKeysShow) {
  EXPECT_EQ(mg::VirtualKeyName(0x71), "F2");
  EXPECT_EQ(mg::VirtualKeyName(0x72), "F3");
  EXPECT_EQ(mg::VirtualKeyName(0x87), "F24");
  EXPECT_EQ(mg::VirtualKeyName('A'), "A");
  EXPECT_EQ(mg::VirtualKeyName('7'), "7");
  EXPECT_EQ(mg::VirtualKeyName(0x65), "Num 5");
  EXPECT_EQ(mg::VirtualKeyName(0x6A), "Num *");
  EXPECT_EQ(mg::VirtualKeyName(0x21), "Page Up");
  EXPECT_EQ(mg::VirtualKeyName(0x22), "Page Down");
  EXPECT_EQ(mg::VirtualKeyName(0x1B), "Esc");
  EXPECT_EQ(mg::VirtualKeyName(0x2C), "Print Screen");
  EXPECT_EQ(mg::VirtualKeyName(0xBA), ";");
  EXPECT_EQ(mg::VirtualKeyName(0xDC), "\\");
}

TEST(VirtualKeys, KeysymsOfTheSameKeyMapBack) {
  EXPECT_EQ(mg::KeysymForVirtualKey(0x71), static_cast<uint32_t>(XK_F2));
  EXPECT_EQ(mg::KeysymForVirtualKey(0x65), static_cast<uint32_t>(XK_KP_5));
  EXPECT_EQ(mg::KeysymForVirtualKey(0x21), static_cast<uint32_t>(XK_Prior));
  // Letters in either case.
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_a), 'A');
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_Q), 'Q');
  EXPECT_TRUE(mg::KeysymIsOnVirtualKey(XK_z, 'Z'));
  // The keypad with NumLock off is still the keypad.
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_KP_End), 0x61);
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_KP_Begin), 0x65);
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_KP_Insert), 0x60);
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_KP_Delete), 0x6E);
  EXPECT_TRUE(mg::KeysymIsOnVirtualKey(XK_KP_Prior, 0x69));
  // ... and not the navigation keys of the same names.
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_End), 0x23);
  EXPECT_FALSE(mg::KeysymIsOnVirtualKey(XK_KP_End, 0x23));
  // US shifted symbols name their key, but do not tie it to whatever key gives them elsewhere.
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_exclam), '1');
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_colon), 0xBA);
  EXPECT_FALSE(mg::KeysymIsOnVirtualKey(XK_exclam, '1'));
  EXPECT_FALSE(mg::KeysymIsOnVirtualKey(XK_colon, 0xBA));
}

TEST(VirtualKeys, UnknownCodesAndKeysymsGiveNothing) {
  for (int vk : {0, 0x07, 0x10, 0x5B, 0x88, 0xFF, 300, -5}) {
    EXPECT_EQ(mg::KeysymForVirtualKey(vk), 0u) << vk;
    EXPECT_EQ(mg::VirtualKeyName(vk), "") << vk;
  }
  EXPECT_EQ(mg::VirtualKeyForKeysym(0), 0);
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_Shift_L), 0);
  EXPECT_EQ(mg::VirtualKeyForKeysym(XK_F25), 0);
  EXPECT_FALSE(mg::KeysymIsOnVirtualKey(XK_F2, 0));
  EXPECT_FALSE(mg::KeysymIsOnVirtualKey(0, 0));
}

}  // namespace
