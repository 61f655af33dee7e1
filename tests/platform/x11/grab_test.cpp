// Grabs of a known picture on real Xvfb servers at depths 24, 16 and 8, through MIT-SHM and
// through the plain GetImage path: pixels on the screen come through exactly, pixels off the
// screen come out black, rows keep the DIB stride.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/windows_records.h"
#include "platform/x11/x11_capture_display.h"
#include "tests/platform/x11/x11_test_util.h"

namespace {

using mgtest::FramePixel;
using mgtest::PatternPixel;

constexpr int kScreenW = 200;
constexpr int kScreenH = 150;

struct Rect {
  int x, y, w, h;
  const char* what;
};

// Inside, across each edge and corner, wholly off, touching an edge from outside, larger than
// the screen; odd widths give padded rows at 8 and 16 bits per pixel.
const Rect kRects[] = {
    {10, 20, 37, 23, "inside"},
    {-10, 30, 37, 23, "across left"},
    {40, -7, 37, 23, "across top"},
    {kScreenW - 20, 40, 37, 23, "across right"},
    {50, kScreenH - 5, 37, 23, "across bottom"},
    {-5, -6, 37, 23, "top-left corner"},
    {190, 140, 37, 23, "bottom-right corner"},
    {-100, 10, 37, 23, "wholly left"},
    {300, 300, 37, 23, "wholly right-below"},
    {10, -23, 37, 23, "touching top"},
    {-30, -20, 261, 191, "larger than the screen"},
    {0, 0, kScreenW, kScreenH, "whole screen"},
    {1, 1, 1, 1, "one pixel"},
};

// Compares a grabbed frame with the picture; returns a description of the first difference.
std::string Compare(const uint8_t* frame, const Rect& r, int depth, int bpp) {
  const int stride = mg::DibStride(r.w, bpp);
  const uint32_t mask = depth >= 32 ? 0xffffffffu : (1u << depth) - 1;
  for (int y = 0; y < r.h; ++y) {
    for (int x = 0; x < r.w; ++x) {
      const int sx = r.x + x;
      const int sy = r.y + y;
      const bool on = sx >= 0 && sy >= 0 && sx < kScreenW && sy < kScreenH;
      const uint32_t want = on ? PatternPixel(sx, sy, depth) : 0;
      const uint32_t got = FramePixel(frame, stride, bpp, x, y) & (on ? mask : 0xffffffffu);
      if (got != want)
        return std::string(r.what) + ": pixel (" + std::to_string(x) + "," + std::to_string(y) +
               ") is " + std::to_string(got) + ", want " + std::to_string(want);
    }
  }
  return {};
}

class GrabTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(GrabTest, ScreenPixelsComeThroughAndOffScreenIsBlack) {
  const int depth = std::get<0>(GetParam());
  const bool serverHasShm = std::get<1>(GetParam());
  mgtest::X11Fixture x(kScreenW, kScreenH, depth, serverHasShm ? "" : "-extension MIT-SHM");
  ASSERT_TRUE(x.ok());
  mgtest::PaintPattern(x);

  auto shm = mg::X11CaptureDisplay::Open(x.name().c_str());
  auto plain = mg::X11CaptureDisplay::Open(x.name().c_str(), {.allowSharedMemory = false});
  ASSERT_TRUE(shm && plain);
  EXPECT_EQ(shm->HasSharedMemory(), serverHasShm);
  const int bpp = shm->layout().bitsPerPixel;
  EXPECT_EQ(bpp, depth == 24 ? 32 : depth);

  int slot = 0;
  for (const Rect& r : kRects) {
    SCOPED_TRACE(r.what);
    const size_t bytes = static_cast<size_t>(mg::DibStride(r.w, bpp)) * r.h;
    uint8_t* a = shm->AllocateFrame(slot, r.w, r.h);
    uint8_t* b = plain->AllocateFrame(slot, r.w, r.h);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(shm->IsSharedFrame(slot), serverHasShm);
    EXPECT_FALSE(plain->IsSharedFrame(slot));
    // Leftovers of an earlier frame must not survive in the off-screen parts.
    std::memset(a, 0xa5, bytes);
    std::memset(b, 0x5a, bytes);
    ASSERT_TRUE(shm->Grab(slot, r.x, r.y));
    ASSERT_TRUE(plain->Grab(slot, r.x, r.y));
    EXPECT_EQ(Compare(a, r, depth, bpp), "");
    EXPECT_EQ(Compare(b, r, depth, bpp), "");
    EXPECT_EQ(std::memcmp(a, b, bytes), 0) << "SHM and GetImage disagree";
    slot = (slot + 1) % 5;
  }
}

std::string GrabName(const ::testing::TestParamInfo<std::tuple<int, bool>>& p) {
  return "depth" + std::to_string(std::get<0>(p.param)) +
         (std::get<1>(p.param) ? "_shm" : "_noshm");
}

// (Xlib defines Bool as a macro, hence Values(true, false).)
INSTANTIATE_TEST_SUITE_P(Depths, GrabTest,
                         ::testing::Combine(::testing::Values(24, 16, 8),
                                            ::testing::Values(true, false)),
                         GrabName);

TEST(Grab, RepeatedGrabsFollowTheScreenAndSlotsStaySeparate) {
  mgtest::X11Fixture x(kScreenW, kScreenH, 24);
  ASSERT_TRUE(x.ok());
  auto cap = mg::X11CaptureDisplay::Open(x.name().c_str());
  ASSERT_TRUE(cap);
  uint8_t* first = cap->AllocateFrame(0, 16, 16);
  uint8_t* second = cap->AllocateFrame(1, 16, 16);
  ASSERT_TRUE(first && second);

  GC gc = XCreateGC(x.dpy(), x.root(), 0, nullptr);
  XSetForeground(x.dpy(), gc, 0x123456);
  XFillRectangle(x.dpy(), x.root(), gc, 0, 0, 50, 50);
  XSync(x.dpy(), False);
  ASSERT_TRUE(cap->Grab(0, 5, 5));
  XSetForeground(x.dpy(), gc, 0xabcdef);
  XFillRectangle(x.dpy(), x.root(), gc, 0, 0, 50, 50);
  XSync(x.dpy(), False);
  ASSERT_TRUE(cap->Grab(1, 5, 5));
  XFreeGC(x.dpy(), gc);

  EXPECT_EQ(FramePixel(first, 64, 32, 3, 3) & 0xffffff, 0x123456u);
  EXPECT_EQ(FramePixel(second, 64, 32, 3, 3) & 0xffffff, 0xabcdefu);

  // A slot made again with another size gets the new stride; a slot never made grabs nothing.
  uint8_t* remade = cap->AllocateFrame(0, 7, 3);
  ASSERT_TRUE(remade);
  ASSERT_TRUE(cap->Grab(0, 10, 10));
  EXPECT_EQ(FramePixel(remade, 28, 32, 6, 2) & 0xffffff, 0xabcdefu);
  EXPECT_FALSE(cap->Grab(3, 0, 0));
  EXPECT_FALSE(cap->Grab(-1, 0, 0));
  cap->FreeFrames();
  EXPECT_FALSE(cap->Grab(0, 0, 0));
}

TEST(Grab, BadFrameSizesAreRefused) {
  mgtest::X11Fixture x(64, 48, 24);
  ASSERT_TRUE(x.ok());
  auto cap = mg::X11CaptureDisplay::Open(x.name().c_str());
  ASSERT_TRUE(cap);
  EXPECT_EQ(cap->AllocateFrame(0, 0, 10), nullptr);
  EXPECT_EQ(cap->AllocateFrame(0, 10, -1), nullptr);
  EXPECT_EQ(cap->AllocateFrame(-1, 10, 10), nullptr);
  EXPECT_EQ(cap->AllocateFrame(1000, 10, 10), nullptr);
  EXPECT_FALSE(cap->Grab(0, 0, 0));
}

TEST(Grab, NoServerGivesNoDisplay) {
  EXPECT_EQ(mg::X11CaptureDisplay::Open(":987"), nullptr);
}

}  // namespace

namespace {

// Changes reported by the server and grabs of parts, through MIT-SHM and the plain path, at
// 24, 16 and 8 bits: what was drawn is reported once, only the part asked for is fetched (whole
// rows straight into place, narrower parts through the scratch segment), and a frame hanging
// off the screen keeps its black.
class GrabPartTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(GrabPartTest, DrawnRectanglesAreReportedOnceAndOnlyTheAskedPartIsFetched) {
  const auto [depth, shared] = GetParam();
  mgtest::X11Fixture x(kScreenW, kScreenH, depth);
  ASSERT_TRUE(x.ok());
  mgtest::PaintPattern(x);
  auto cap = mg::X11CaptureDisplay::Open(x.name().c_str(), {.allowSharedMemory = shared});
  ASSERT_TRUE(cap);
  ASSERT_TRUE(cap->TracksChanges());
  const int bpp = cap->layout().bitsPerPixel;
  // 37 x 23 at (-5, 10): the frame's first five columns are off the screen.
  const Rect r{-5, 10, 37, 23, "part"};
  uint8_t* frame = cap->AllocateFrame(0, r.w, r.h);
  ASSERT_TRUE(frame);
  mg::ChangedRegion first, quiet;
  cap->TakeChanges(&first);
  EXPECT_TRUE(first.all()) << "nothing is known before the tracking starts";
  ASSERT_TRUE(cap->Grab(0, r.x, r.y));
  ASSERT_EQ(Compare(frame, r, depth, bpp), "");
  cap->TakeChanges(&quiet);
  EXPECT_TRUE(quiet.empty()) << "nothing was drawn";

  const unsigned long ink = depth == 8 ? 3 : 0x5a5a5a & ((1ul << depth) - 1);
  GC gc = XCreateGC(x.dpy(), x.root(), 0, nullptr);
  XSetForeground(x.dpy(), gc, ink);
  XFillRectangle(x.dpy(), x.root(), gc, 10, 14, 6, 5);  // frame (15, 4)
  // Two requests: Xlib would send both fills as one, which the server reports as its box.
  XSync(x.dpy(), False);
  XFillRectangle(x.dpy(), x.root(), gc, 0, 30, 40, 2);  // frame rows 20, 21, across it
  XSync(x.dpy(), False);
  XFreeGC(x.dpy(), gc);
  mg::ChangedRegion drawn;
  cap->QueryPointer();  // as a tick does first: the notices of all drawing before it are in
  cap->TakeChanges(&drawn);
  ASSERT_FALSE(drawn.all());
  EXPECT_EQ(drawn.Area(kScreenW, kScreenH), 6 * 5 + 40 * 2);

  // Only the small rectangle is fetched: the band below keeps the old picture.
  mg::ChangedRegion part;
  part.Add(mg::WinRect{15, 4, 21, 9});
  ASSERT_TRUE(cap->GrabPart(0, r.x, r.y, part));
  const int stride = mg::DibStride(r.w, bpp);
  const uint32_t mask = depth >= 32 ? 0xffffffffu : (1u << depth) - 1;
  const auto at = [&](int fx, int fy) { return FramePixel(frame, stride, bpp, fx, fy) & mask; };
  EXPECT_EQ(at(15, 4), ink);
  EXPECT_EQ(at(20, 8), ink);
  EXPECT_EQ(at(21, 8), PatternPixel(16, 18, depth));
  EXPECT_EQ(at(10, 20), PatternPixel(5, 30, depth)) << "not asked for, so still the old picture";

  // Whole rows, hanging off the screen on the left: those columns stay black.
  mg::ChangedRegion rows;
  rows.Add(mg::WinRect{-3, 20, 40, 22});
  ASSERT_TRUE(cap->GrabPart(0, r.x, r.y, rows));
  EXPECT_EQ(at(10, 20), ink);
  EXPECT_EQ(at(36, 21), ink);
  EXPECT_EQ(FramePixel(frame, stride, bpp, 2, 20), 0u);
  EXPECT_EQ(at(10, 22), PatternPixel(5, 32, depth));
}

INSTANTIATE_TEST_SUITE_P(Depths, GrabPartTest,
                         ::testing::Combine(::testing::Values(24, 16, 8),
                                            ::testing::Values(true, false)));

}  // namespace

namespace {

TEST(GrabPart, WithoutTheDamageExtensionEveryTickIsAWholeGrab) {
  mgtest::X11Fixture x(kScreenW, kScreenH, 24, "-extension DAMAGE");
  ASSERT_TRUE(x.ok());
  auto cap = mg::X11CaptureDisplay::Open(x.name().c_str());
  ASSERT_TRUE(cap);
  EXPECT_FALSE(cap->TracksChanges());
  ASSERT_TRUE(cap->AllocateFrame(0, 16, 16));
  for (int call = 0; call < 2; ++call) {
    mg::ChangedRegion changes;
    cap->TakeChanges(&changes);
    EXPECT_TRUE(changes.all()) << "call " << call;
  }
}

}  // namespace
