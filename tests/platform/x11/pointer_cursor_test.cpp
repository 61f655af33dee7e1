// The pointer and the cursor through the capture display's own connection: positions set with
// XTest, modifier keys pressed with XTest, cursors defined on a window under the pointer.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/windows_records.h"
#include "platform/x11/x11_capture_display.h"
#include "tests/platform/x11/x11_test_util.h"

namespace {

class PointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.ok());
    cap_ = mg::X11CaptureDisplay::Open(x_.name().c_str());
    ASSERT_TRUE(cap_);
  }
  void Key(KeySym sym, bool down) {
    const KeyCode code = XKeysymToKeycode(x_.dpy(), sym);
    ASSERT_NE(code, 0);
    XTestFakeKeyEvent(x_.dpy(), code, down ? True : False, CurrentTime);
    XSync(x_.dpy(), False);
  }

  mgtest::X11Fixture x_{320, 200, 24};
  std::unique_ptr<mg::X11CaptureDisplay> cap_;
};

TEST_F(PointerTest, PositionFollowsThePointer) {
  for (auto [px, py] : {std::pair{123, 77}, std::pair{0, 0}, std::pair{319, 199}}) {
    XTestFakeMotionEvent(x_.dpy(), 0, px, py, CurrentTime);
    XSync(x_.dpy(), False);
    const mg::PointerState p = cap_->QueryPointer();
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.x, px);
    EXPECT_EQ(p.y, py);
    EXPECT_EQ(p.modifiers, 0);
  }
}

TEST_F(PointerTest, ModifierKeysShiftControlAlt) {
  Key(XK_Shift_L, true);
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModShift);
  Key(XK_Control_L, true);
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModShift | mg::kModControl);
  Key(XK_Alt_L, true);
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModShift | mg::kModControl | mg::kModAlt);
  Key(XK_Shift_L, false);
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModControl | mg::kModAlt);
  Key(XK_Control_L, false);
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModAlt);
  Key(XK_Alt_L, false);
  Key(XK_Control_R, true);  // either hand's key counts
  EXPECT_EQ(cap_->QueryPointer().modifiers, mg::kModControl);
  Key(XK_Control_R, false);
  Key(XK_a, true);  // other keys are not modifiers
  EXPECT_EQ(cap_->QueryPointer().modifiers, 0);
  Key(XK_a, false);
}

// A 16 x 16 two-colour cursor: source bit set = foreground (red), mask bit clear = transparent.
struct TestCursor {
  Cursor cursor = 0;
  unsigned char source[32];
  unsigned char mask[32];
};

TestCursor MakeCursor(Display* d, int xhot, int yhot, int seed) {
  TestCursor c;
  for (int i = 0; i < 32; ++i) {
    c.source[i] = static_cast<unsigned char>(i * 37 + seed);
    c.mask[i] = static_cast<unsigned char>(0xff ^ (i * 11 + seed));
  }
  const Window root = DefaultRootWindow(d);
  Pixmap src = XCreateBitmapFromData(d, root, reinterpret_cast<char*>(c.source), 16, 16);
  Pixmap mask = XCreateBitmapFromData(d, root, reinterpret_cast<char*>(c.mask), 16, 16);
  XColor fg{};
  fg.red = 0xffff;
  XColor bg{};
  bg.blue = 0xffff;
  c.cursor = XCreatePixmapCursor(d, src, mask, &fg, &bg, static_cast<unsigned>(xhot),
                                 static_cast<unsigned>(yhot));
  XFreePixmap(d, src);
  XFreePixmap(d, mask);
  return c;
}

void ExpectImage(const mg::CursorImage& image, const TestCursor& c, int xhot, int yhot) {
  ASSERT_EQ(image.width, 16);
  ASSERT_EQ(image.height, 16);
  EXPECT_EQ(image.xhot, xhot);
  EXPECT_EQ(image.yhot, yhot);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int byte = y * 2 + x / 8;
      const int bit = 1 << (x % 8);  // bitmaps are LSB first
      const bool shown = c.mask[byte] & bit;
      const bool fore = c.source[byte] & bit;
      const uint32_t want = !shown ? 0u : fore ? 0xffff0000u : 0xff0000ffu;
      ASSERT_EQ(image.argb[y * 16 + x], want) << x << "," << y;
    }
  }
}

TEST_F(PointerTest, CursorImageHotSpotAndChanges) {
  Display* d = x_.dpy();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window w = XCreateWindow(d, x_.root(), 0, 0, 320, 200, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect, &attributes);
  XMapRaised(d, w);
  XTestFakeMotionEvent(d, 0, 100, 100, CurrentTime);
  XSync(d, False);

  const mg::CursorImage* before = cap_->Cursor();
  ASSERT_NE(before, nullptr);
  const uint64_t firstSerial = before->serial;
  EXPECT_EQ(cap_->Cursor()->serial, firstSerial) << "no change, same cursor";

  const TestCursor a = MakeCursor(d, 3, 5, 1);
  XDefineCursor(d, w, a.cursor);
  XSync(d, False);
  const mg::CursorImage* image = nullptr;
  ASSERT_TRUE(mgtest::WaitFor([&] {
    image = cap_->Cursor();
    return image && image->serial != firstSerial;
  }));
  ExpectImage(*image, a, 3, 5);
  const uint64_t serialA = image->serial;

  const TestCursor b = MakeCursor(d, 15, 0, 77);
  XDefineCursor(d, w, b.cursor);
  XSync(d, False);
  ASSERT_TRUE(mgtest::WaitFor([&] {
    image = cap_->Cursor();
    return image && image->serial != serialA;
  }));
  ExpectImage(*image, b, 15, 0);

  XFreeCursor(d, a.cursor);
  XFreeCursor(d, b.cursor);
  XDestroyWindow(d, w);
  XSync(d, False);
}

}  // namespace
