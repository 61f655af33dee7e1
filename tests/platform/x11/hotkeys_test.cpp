// Hot keys on a real X server: presses made with XTest from a second connection, another
// application played by a third connection that grabs keys itself.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/hotkeys.h"
#include "platform/virtual_keys.h"
#include "platform/windows_records.h"
#include "platform/x11/x11_backends.h"

// X headers last: their macros (None, Bool, Status) break the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

constexpr int kVkF2 = 0x71, kVkF3 = 0x72, kVkF4 = 0x73, kVkF24 = 0x87;

// Another X client that grabs keys on the root window, as an application holding a hot key does.
class OtherClient {
 public:
  OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  }
  ~OtherClient() { xcb_disconnect(connection_); }
  bool ok() const { return !xcb_connection_has_error(connection_); }

  // True when the server granted the grab.
  bool Grab(xcb_keycode_t keycode, uint16_t modifiers) {
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 0, root_, modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
  }
  void UngrabAll(xcb_keycode_t keycode) {
    std::free(xcb_request_check(
        connection_, xcb_ungrab_key_checked(connection_, keycode, root_, XCB_MOD_MASK_ANY)));
  }

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
};

class HotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    keyboard_ = XOpenDisplay(nullptr);
    ASSERT_NE(keyboard_, nullptr);
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(keyboard_, &event, &error, &major, &minor));
    hotKeys_ = mg::MakeX11HotKeys();
    hotKeys_->SetHandler([this](int id) { pressed_.push_back(id); });
  }

  void TearDown() override {
    hotKeys_.reset();
    // Leave the locks off for the next test in this process.
    if (LockOn(XK_Num_Lock)) Tap(XK_Num_Lock);
    if (LockOn(XK_Caps_Lock)) Tap(XK_Caps_Lock);
    XCloseDisplay(keyboard_);
  }

  KeyCode Code(KeySym keysym) { return XKeysymToKeycode(keyboard_, keysym); }

  // Presses come a few milliseconds after what went before: a release and a press at the same
  // server time is how the server repeats a held key.
  void Press(KeyCode code) { XTestFakeKeyEvent(keyboard_, code, True, 3); }
  void Release(KeyCode code) { XTestFakeKeyEvent(keyboard_, code, False, CurrentTime); }

  // Presses and releases a key while the given modifier keys are held.
  void TapCode(KeyCode code, std::vector<KeySym> held = {}) {
    for (KeySym m : held) Press(Code(m));
    Press(code);
    Release(code);
    for (auto it = held.rbegin(); it != held.rend(); ++it) Release(Code(*it));
    XSync(keyboard_, False);
  }
  void Tap(KeySym keysym, std::vector<KeySym> held = {}) { TapCode(Code(keysym), held); }

  bool LockOn(KeySym lockKey) {
    const unsigned mask = XkbKeysymToModifiers(keyboard_, lockKey);
    Window root, child;
    int rx, ry, wx, wy;
    unsigned state = 0;
    XQueryPointer(keyboard_, DefaultRootWindow(keyboard_), &root, &child, &rx, &ry, &wx, &wy,
                  &state);
    return mask != 0 && (state & mask) == mask;
  }

  // Runs Qt's event loop until `count` presses have reached the handler, giving up after a
  // generous while (a lost press then shows as a short list, not as a hang).
  void WaitForPresses(size_t count, int maxMs = 10000) {
    QDeadlineTimer deadline(maxMs);
    while (pressed_.size() < count && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
  }

  Display* keyboard_ = nullptr;
  std::unique_ptr<mg::IGlobalHotKeys> hotKeys_;
  std::vector<int> pressed_;
};

TEST_F(HotKeys, APressReachesTheHandlerWithItsIdentifier) {
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  Tap(XK_F2);
  WaitForPresses(1);
  EXPECT_EQ(pressed_, std::vector<int>({1}));
}

TEST_F(HotKeys, ModifiersTellCombinationsApart) {
  ASSERT_TRUE(hotKeys_->Register(2, 0, kVkF3));
  ASSERT_TRUE(hotKeys_->Register(3, mg::kModShift, kVkF3));
  Tap(XK_F3, {XK_Shift_L});
  Tap(XK_F3);
  Tap(XK_F3, {XK_Control_L});  // not registered: nobody's hot key
  Tap(XK_F3, {XK_Shift_R});
  WaitForPresses(3);
  EXPECT_EQ(pressed_, std::vector<int>({3, 2, 3}));
}

TEST_F(HotKeys, ControlAndAltCombinations) {
  // (Control+Alt with a function key switches virtual terminals at the server, so never arrives.)
  ASSERT_TRUE(hotKeys_->Register(1, mg::kModControl | mg::kModAlt, 0x24));  // Home
  ASSERT_TRUE(hotKeys_->Register(2, mg::kModControl | mg::kModShift, 'R'));
  Tap(XK_Home, {XK_Control_L});  // Alt missing: not the combination
  Tap(XK_r, {XK_Control_L, XK_Shift_L});
  Tap(XK_Home, {XK_Control_R, XK_Alt_L});
  WaitForPresses(2);
  EXPECT_EQ(pressed_, std::vector<int>({2, 1}));
}

TEST_F(HotKeys, LockKeysDoNotHideAHotKey) {
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  ASSERT_TRUE(hotKeys_->Register(2, mg::kModShift, kVkF2));

  Tap(XK_Num_Lock);
  ASSERT_TRUE(LockOn(XK_Num_Lock));
  Tap(XK_F2);
  WaitForPresses(1);

  Tap(XK_Caps_Lock);
  ASSERT_TRUE(LockOn(XK_Caps_Lock));
  Tap(XK_F2, {XK_Shift_L});  // NumLock and CapsLock both on
  WaitForPresses(2);

  Tap(XK_Num_Lock);
  ASSERT_FALSE(LockOn(XK_Num_Lock));
  Tap(XK_F2);  // CapsLock alone
  WaitForPresses(3);
  EXPECT_EQ(pressed_, std::vector<int>({1, 2, 1}));
}

TEST_F(HotKeys, TheKeypadAnswersWithAndWithoutNumLock) {
  ASSERT_TRUE(hotKeys_->Register(5, 0, 0x65));  // Num 5
  Tap(XK_KP_Begin);
  Tap(XK_Num_Lock);
  ASSERT_TRUE(LockOn(XK_Num_Lock));
  Tap(XK_KP_5);
  WaitForPresses(2);
  EXPECT_EQ(pressed_, std::vector<int>({5, 5}));
}

TEST_F(HotKeys, AHeldKeyCountsOnce) {
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  ASSERT_TRUE(hotKeys_->Register(2, 0, kVkF3));
  // Quick auto-repeat, then F2 held down long enough for the server to repeat it many times.
  unsigned delay = 0, interval = 0;
  ASSERT_TRUE(XkbGetAutoRepeatRate(keyboard_, XkbUseCoreKbd, &delay, &interval));
  ASSERT_TRUE(XkbSetAutoRepeatRate(keyboard_, XkbUseCoreKbd, 20, 10));
  XSync(keyboard_, False);
  const KeyCode f2 = Code(XK_F2);
  Press(f2);
  XSync(keyboard_, False);
  QDeadlineTimer held(400);
  while (!held.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  Release(f2);
  XkbSetAutoRepeatRate(keyboard_, XkbUseCoreKbd, delay, interval);
  Tap(XK_F3);  // a marker: everything before it has been handled when it arrives
  Tap(XK_F2);  // a fresh press after the release counts again
  WaitForPresses(3);
  EXPECT_EQ(pressed_, std::vector<int>({1, 2, 1}));
}

TEST_F(HotKeys, AKeyHeldByAnotherApplicationIsRefusedAndLeavesNothingBehind) {
  OtherClient other;
  ASSERT_TRUE(other.ok());
  const KeyCode f2 = Code(XK_F2);

  // The other application holds plain F2: refused at once.
  ASSERT_TRUE(other.Grab(f2, 0));
  EXPECT_FALSE(hotKeys_->Register(1, 0, kVkF2));
  other.UngrabAll(f2);

  // It holds only the CapsLock variant: our plain grab succeeds before the refusal, and must be
  // given back, so the other application can then take plain F2 too.
  ASSERT_TRUE(other.Grab(f2, XCB_MOD_MASK_LOCK));
  EXPECT_FALSE(hotKeys_->Register(1, 0, kVkF2));
  EXPECT_TRUE(other.Grab(f2, 0));
  EXPECT_TRUE(other.Grab(f2, XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));

  // Other keys are not affected, and once the other application lets go, F2 is ours.
  EXPECT_TRUE(hotKeys_->Register(2, 0, kVkF3));
  other.UngrabAll(f2);
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  Tap(XK_F2);
  WaitForPresses(1);
  EXPECT_EQ(pressed_, std::vector<int>({1}));

  // And now it is the other application that is refused.
  EXPECT_FALSE(other.Grab(f2, 0));
  EXPECT_FALSE(other.Grab(f2, XCB_MOD_MASK_LOCK));
}

TEST_F(HotKeys, UnregisterGivesTheKeyBack) {
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  ASSERT_TRUE(hotKeys_->Register(2, 0, kVkF3));
  hotKeys_->Unregister(1);
  hotKeys_->Unregister(1);   // not registered any more: nothing happens
  hotKeys_->Unregister(42);  // never registered
  Tap(XK_F2);
  Tap(XK_F3);
  WaitForPresses(1);
  EXPECT_EQ(pressed_, std::vector<int>({2}));

  OtherClient other;
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(other.Grab(Code(XK_F2), 0));
  EXPECT_TRUE(other.Grab(Code(XK_F2), XCB_MOD_MASK_2));
  EXPECT_FALSE(other.Grab(Code(XK_F3), 0));
}

TEST_F(HotKeys, RegistrationBookkeeping) {
  // An identifier registered again stands for the new combination only.
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF4));
  // The same combination under a second identifier is refused, and the refusal leaves the
  // first registration working.
  ASSERT_TRUE(hotKeys_->Register(2, 0, kVkF3));
  EXPECT_FALSE(hotKeys_->Register(3, 0, kVkF3));
  EXPECT_TRUE(hotKeys_->Register(3, mg::kModShift, kVkF3));
  Tap(XK_F2);
  Tap(XK_F4);
  Tap(XK_F3);
  WaitForPresses(2);
  EXPECT_EQ(pressed_, std::vector<int>({1, 2}));
}

TEST_F(HotKeys, KeysThisKeyboardLacksAreRefused) {
  ASSERT_EQ(Code(XK_F24), 0) << "this test wants a keyboard without F24";
  EXPECT_FALSE(hotKeys_->Register(1, 0, kVkF24));
  EXPECT_FALSE(hotKeys_->Register(1, 0, 0));
  EXPECT_FALSE(hotKeys_->Register(1, 0, 0xFF));
  EXPECT_FALSE(hotKeys_->Register(1, 0x100, kVkF2));  // a modifier flag we do not know
  // None of these took anything.
  OtherClient other;
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(other.Grab(Code(XK_F2), 0));
}

TEST_F(HotKeys, CtrlAltWithF1ToF12IsTheServersOwnAndRefused) {
  const int ctrlAlt = mg::kModControl | mg::kModAlt;
  for (int f = 0; f < 12; ++f)
    EXPECT_FALSE(hotKeys_->Register(1, ctrlAlt, 0x70 + f)) << "F" << f + 1;
  // Nothing of them was grabbed.
  OtherClient other;
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(other.Grab(Code(XK_F1), ControlMask | Mod1Mask));
  EXPECT_TRUE(other.Grab(Code(XK_F12), ControlMask | Mod1Mask));
  // With Shift as well, or with one of the two, they are keys like any other.
  EXPECT_TRUE(hotKeys_->Register(1, ctrlAlt | mg::kModShift, 0x70));
  EXPECT_TRUE(hotKeys_->Register(2, mg::kModControl, 0x71));
  EXPECT_TRUE(hotKeys_->Register(3, mg::kModAlt, 0x72));
  Tap(XK_F1, {XK_Control_L, XK_Alt_L, XK_Shift_L});
  Tap(XK_F2, {XK_Control_L});
  Tap(XK_F3, {XK_Alt_L});
  WaitForPresses(3);
  EXPECT_EQ(pressed_, std::vector<int>({1, 2, 3}));
}

TEST_F(HotKeys, AKeyboardMappingChangeMovesTheGrab) {
  ASSERT_TRUE(hotKeys_->Register(1, 0, kVkF2));
  // Make the F12 key give F2 as well, as a new layout could.
  const KeyCode f12 = Code(XK_F12);
  int perCode = 0;
  KeySym* saved = XGetKeyboardMapping(keyboard_, f12, 1, &perCode);
  ASSERT_NE(saved, nullptr);
  KeySym f2 = XK_F2;
  XChangeKeyboardMapping(keyboard_, f12, 1, &f2, 1);
  XSync(keyboard_, False);

  // The change reaches us as an event; press until the new grab answers.
  for (int attempt = 0; attempt < 50 && pressed_.empty(); ++attempt) {
    TapCode(f12);
    WaitForPresses(1, 200);
  }
  EXPECT_EQ(pressed_, std::vector<int>({1}));
  Tap(XK_F2);  // the old key still answers
  WaitForPresses(2);
  EXPECT_EQ(pressed_.size(), 2u);

  XChangeKeyboardMapping(keyboard_, f12, perCode, saved, 1);
  XFree(saved);
  XSync(keyboard_, False);
}

// A key pressed in one of our windows is known by its key, not by the symbol the held modifiers
// gave: Shift+7 of a German layout gives "/", which is another key of a US one.
TEST_F(HotKeys, AKeyPressIsItsKeyWhateverTheModifiersMadeOfIt) {
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(Code(XK_1), XK_exclam), '1');
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(Code(XK_a), XK_A), 'A');
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(Code(XK_F5), XK_F5), 0x74);
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(Code(XK_KP_Begin), XK_KP_Begin), 0x65);  // NumLock off

  const KeyCode f12 = Code(XK_F12);
  int perCode = 0;
  KeySym* saved = XGetKeyboardMapping(keyboard_, f12, 1, &perCode);
  ASSERT_NE(saved, nullptr);
  KeySym german7[] = {XK_7, XK_slash};
  XChangeKeyboardMapping(keyboard_, f12, 2, german7, 1);
  XSync(keyboard_, False);
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(f12, XK_slash), '7');
  // A key the keyboard does not know is named by its symbol, or is none.
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(0, XK_F6), 0x75);
  EXPECT_EQ(mg::VirtualKeyOfKeyPress(0, XK_Shift_L), 0);
  XChangeKeyboardMapping(keyboard_, f12, perCode, saved, 1);
  XFree(saved);
  XSync(keyboard_, False);
}

}  // namespace
