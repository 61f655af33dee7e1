// The marker window on a real server: its bounding shape is exactly the 3-pixel frame just
// outside the capture rectangle (plus the diagonals while paused), clicks pass through it, it
// shows black and white dashes that stay on the screen between ticks and swap colours as it
// blinks, and a grab of the capture rectangle never contains it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <cstdlib>
#include <vector>

#include "platform/windows_records.h"
#include "platform/x11/x11_capture_display.h"
#include "platform/x11/x11_marker_shape.h"
#include "tests/platform/x11/x11_test_util.h"

namespace {

constexpr int kW = 240;
constexpr int kH = 180;

struct Capture {
  int x, y, w, h;
  mg::WinRect Outer() const { return {x - 2, y - 2, x + w + 2, y + h + 2}; }
};

// Screen pixels covered by a window's shape of the given kind.
std::vector<bool> Covered(Display* d, Window w, int kind, int* count = nullptr) {
  std::vector<bool> on(static_cast<size_t>(kW) * kH, false);
  XWindowAttributes attributes;
  XGetWindowAttributes(d, w, &attributes);
  int n = 0;
  int ordering = 0;
  XRectangle* rects = XShapeGetRectangles(d, w, kind, &n, &ordering);
  if (count) *count = n;
  for (int i = 0; i < n; ++i) {
    for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y) {
      for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x) {
        const int sx = attributes.x + x;
        const int sy = attributes.y + y;
        if (sx >= 0 && sy >= 0 && sx < kW && sy < kH) on[static_cast<size_t>(sy) * kW + sx] = true;
      }
    }
  }
  if (rects) XFree(rects);
  return on;
}

bool InFrame(const Capture& c, int x, int y) {
  const bool inBox = x >= c.x - 3 && x < c.x + c.w + 3 && y >= c.y - 3 && y < c.y + c.h + 3;
  const bool inArea = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
  return inBox && !inArea;
}

class MarkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.ok());
    cap_ = mg::X11CaptureDisplay::Open(x_.name().c_str());
    ASSERT_TRUE(cap_);
  }
  void Settle() { XSync(cap_->display(), False); }

  mgtest::X11Fixture x_{kW, kH, 24};
  std::unique_ptr<mg::X11CaptureDisplay> cap_;
};

TEST_F(MarkerTest, ShapeIsTheFrameJustOutsideTheRectangle) {
  for (const Capture c : {Capture{50, 40, 60, 30}, Capture{10, 10, 1, 1}, Capture{3, 3, 7, 100}}) {
    cap_->ShowMarker(c.Outer(), false);
    Settle();
    const std::vector<bool> on = Covered(x_.dpy(), cap_->MarkerWindow(), ShapeBounding);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        ASSERT_EQ(on[static_cast<size_t>(y) * kW + x], InFrame(c, x, y))
            << "pixel " << x << "," << y << " of capture " << c.x << "," << c.y << " " << c.w << "x"
            << c.h;
  }
}

TEST_F(MarkerTest, DiagonalsOnlyWhilePausedAndClicksPassThrough) {
  const Capture c{60, 50, 100, 60};
  cap_->ShowMarker(c.Outer(), true);
  Settle();
  std::vector<bool> on = Covered(x_.dpy(), cap_->MarkerWindow(), ShapeBounding);
  int inside = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool covered = on[static_cast<size_t>(y) * kW + x];
      if (InFrame(c, x, y)) {
        EXPECT_TRUE(covered) << x << "," << y;
      }
      const bool inArea = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
      if (inArea && covered) ++inside;
      if (!InFrame(c, x, y) && !inArea) {
        EXPECT_FALSE(covered) << x << "," << y;
      }
    }
  }
  // Both diagonals: points a quarter, a half and three quarters along each line.
  const mg::WinRect o = c.Outer();
  const int cx = (o.left + o.right) / 2;
  const int cy = (o.top + o.bottom) / 2;
  for (int q = 1; q <= 3; ++q) {
    const int y = o.top + q * (o.bottom - o.top) / 4;
    const int x1 = o.left + q * (o.right - o.left) / 4;
    const int x2 = o.right - q * (o.right - o.left) / 4;
    EXPECT_TRUE(on[static_cast<size_t>(y) * kW + x1]) << "first diagonal at " << x1 << "," << y;
    EXPECT_TRUE(on[static_cast<size_t>(y) * kW + x2]) << "second diagonal at " << x2 << "," << y;
  }
  EXPECT_GT(inside, 2 * c.w);

  int inputRects = -1;
  Covered(x_.dpy(), cap_->MarkerWindow(), ShapeInput, &inputRects);
  EXPECT_EQ(inputRects, 0);

  // Resuming takes the cross away again.
  cap_->ShowMarker(c.Outer(), false);
  Settle();
  on = Covered(x_.dpy(), cap_->MarkerWindow(), ShapeBounding);
  EXPECT_FALSE(on[static_cast<size_t>(cy) * kW + cx]);
}

TEST_F(MarkerTest, IsAnOverrideRedirectDockThatBlinksOnTheScreen) {
  const Capture c{40, 30, 80, 50};
  cap_->ShowMarker(c.Outer(), false);
  Settle();
  const Window w = cap_->MarkerWindow();
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(x_.dpy(), w, &attributes));
  EXPECT_TRUE(attributes.override_redirect);
  EXPECT_EQ(attributes.map_state, IsViewable);

  Atom type = 0;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(x_.dpy(), w, XInternAtom(x_.dpy(), "_NET_WM_WINDOW_TYPE", False), 0, 4, False,
                     XA_ATOM, &type, &format, &items, &after, &data);
  ASSERT_EQ(items, 1u);
  EXPECT_EQ(*reinterpret_cast<Atom*>(data),
            XInternAtom(x_.dpy(), "_NET_WM_WINDOW_TYPE_DOCK", False));
  XFree(data);

  // Along the top edge both colours show, so some of the frame stands out on any desktop; the
  // frame stays between ticks.
  cap_->HideMarker();
  Settle();
  std::vector<uint32_t> before;
  for (int x = c.x - 3; x < c.x + c.w + 3; ++x)
    before.push_back(mgtest::RootPixel(x_, x, c.y - 2) & 0xffffff);
  int white = 0, black = 0;
  for (uint32_t p : before) {
    ASSERT_TRUE(p == 0xffffffu || p == 0u) << std::hex << p;
    (p ? white : black) += 1;
  }
  EXPECT_GT(white, c.w / 4);
  EXPECT_GT(black, c.w / 4);

  // A later tick in the next blink phase swaps the colours of every dash.
  const int phase = cap_->MarkerPhase();
  while (cap_->MarkerPhase() == phase) {
    XSync(cap_->display(), False);
    cap_->ShowMarker(c.Outer(), false);
    cap_->HideMarker();
  }
  Settle();
  for (int x = c.x - 3; x < c.x + c.w + 3; ++x)
    ASSERT_EQ(mgtest::RootPixel(x_, x, c.y - 2) & 0xffffff,
              before[static_cast<size_t>(x - (c.x - 3))] ^ 0xffffffu)
        << x;
  ASSERT_TRUE(XGetWindowAttributes(x_.dpy(), w, &attributes));
  EXPECT_EQ(attributes.map_state, IsViewable);  // blinking does not unmap

  cap_->RemoveMarker();
  Settle();
  ASSERT_TRUE(XGetWindowAttributes(x_.dpy(), w, &attributes));
  EXPECT_EQ(attributes.map_state, IsUnmapped);
}

TEST_F(MarkerTest, GrabOfTheAreaNeverContainsTheMarker) {
  mgtest::PaintPattern(x_);
  const Capture c{70, 60, 45, 33};
  uint8_t* area = cap_->AllocateFrame(0, c.w, c.h);
  uint8_t* around = cap_->AllocateFrame(1, c.w + 6, c.h + 6);
  ASSERT_TRUE(area && around);

  cap_->ShowMarker(c.Outer(), false);
  ASSERT_TRUE(cap_->Grab(0, c.x, c.y));
  ASSERT_TRUE(cap_->Grab(1, c.x - 3, c.y - 3));
  cap_->HideMarker();

  const int stride = mg::DibStride(c.w, 32);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      ASSERT_EQ(mgtest::FramePixel(area, stride, 32, x, y) & 0xffffff,
                mgtest::PatternPixel(c.x + x, c.y + y, 24))
          << x << "," << y;
  // The frame is on the screen while shown: a grab 3 pixels larger sees its dashes all round.
  const int strideAround = mg::DibStride(c.w + 6, 32);
  for (int y = 0; y < c.h + 6; ++y) {
    for (int x = 0; x < c.w + 6; ++x) {
      const bool ring = x < 3 || y < 3 || x >= c.w + 3 || y >= c.h + 3;
      const uint32_t got = mgtest::FramePixel(around, strideAround, 32, x, y) & 0xffffff;
      if (ring)
        ASSERT_TRUE(got == 0xffffffu || got == 0u) << x << "," << y << ": " << std::hex << got;
      else
        ASSERT_EQ(got, mgtest::PatternPixel(c.x - 3 + x, c.y - 3 + y, 24)) << x << "," << y;
    }
  }
}

TEST_F(MarkerTest, TooSmallOrOffScreenRectanglesAreHarmless) {
  cap_->ShowMarker({10, 10, 12, 12}, false);  // fewer than 5 pixels across: nothing to draw
  cap_->HideMarker();
  cap_->ShowMarker({-500, -500, -400, -450}, true);
  cap_->ShowMarker({kW - 5, kH - 5, kW + 300, kH + 300}, true);
  cap_->HideMarker();
  Settle();
  SUCCEED();
}

// The figure itself, for many sizes: inside the window's box, the frame complete, the diagonals
// continuous from corner to corner.
TEST(MarkerShape, FrameAndDiagonalsForManySizes) {
  for (int w : {1, 2, 5, 64, 333}) {
    for (int h : {1, 3, 40, 201}) {
      const mg::WinRect outer{100 - 2, 50 - 2, 100 + w + 2, 50 + h + 2};
      const mg::MarkerBox box = mg::MarkerWindowBox(outer);
      ASSERT_EQ(box.x, 97);
      ASSERT_EQ(box.y, 47);
      ASSERT_EQ(box.width, w + 6);
      ASSERT_EQ(box.height, h + 6);
      std::vector<bool> on(static_cast<size_t>(box.width) * box.height, false);
      for (const mg::MarkerRect& r : mg::MarkerShape(outer, true)) {
        ASSERT_GE(r.x, 0);
        ASSERT_GE(r.y, 0);
        ASSERT_LE(r.x + r.width, box.width);
        ASSERT_LE(r.y + r.height, box.height);
        for (int y = r.y; y < r.y + r.height; ++y)
          for (int x = r.x; x < r.x + r.width; ++x)
            on[static_cast<size_t>(y) * box.width + x] = true;
      }
      // Every column of the longer axis (or row) has a diagonal pixel on each line.
      const bool alongX = box.width >= box.height;
      const int steps = alongX ? box.width - 2 : box.height - 2;
      for (int i = 0; i < steps; ++i) {
        bool first = false;
        bool second = false;
        for (int j = 0; j < (alongX ? box.height : box.width); ++j) {
          const int x = alongX ? 1 + i : j;
          const int y = alongX ? j : 1 + i;
          if (!on[static_cast<size_t>(y) * box.width + x]) continue;
          const int minor = alongX ? y : x;
          const int spanMajor = alongX ? box.width - 2 : box.height - 2;
          const int spanMinor = alongX ? box.height - 2 : box.width - 2;
          const int ideal = 1 + (i * spanMinor + spanMajor / 2) / spanMajor;
          if (std::abs(minor - ideal) <= 1) first = true;
          const int mirrored = (alongX ? box.height : box.width) - ideal;
          if (std::abs(minor - mirrored) <= 1) second = true;
        }
        ASSERT_TRUE(first && second) << w << "x" << h << " step " << i;
      }
      // Not paused: nothing inside the capture rectangle.
      for (const mg::MarkerRect& r : mg::MarkerShape(outer, false)) {
        const bool overlaps = r.x < 3 + w && r.x + r.width > 3 && r.y < 3 + h && r.y + r.height > 3;
        ASSERT_FALSE(overlaps) << w << "x" << h;
      }
    }
  }
}

}  // namespace
