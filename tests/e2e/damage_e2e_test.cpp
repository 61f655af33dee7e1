// Grabbing only what changed gives the same movie as grabbing everything. One scripted scene is
// recorded twice on fresh X servers, tick by tick in step with the script: once with the
// display's change tracking and once with whole grabs. The decoded frames must be identical,
// with a window moving, a terminal scrolling, text typed, the pointer moving over an unchanged
// area, panning and, on an 8-bit screen, a palette change.
#include <gtest/gtest.h>

#include <optional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "area/panning.h"
#include "tests/e2e/compositor.h"
#include "tests/e2e/e2e_recorder.h"
#include "tests/e2e/screen_scene.h"
#include "tests/support/avi_reader.h"
// X11 last: its macros (None, Status, Bool) clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

using mgtest::ScreenScene;

constexpr int kScreenW = 400, kScreenH = 300;
constexpr int kX = 24, kY = 20, kW = 252, kH = 188;

// A client of its own drawing the scene: every call is finished in the server when it returns.
class Painter {
 public:
  explicit Painter(const std::string& display) : dpy_(XOpenDisplay(display.c_str())) {
    if (!dpy_) return;
    root_ = DefaultRootWindow(dpy_);
    cmap_ = DefaultColormap(dpy_, DefaultScreen(dpy_));
    gc_ = XCreateGC(dpy_, root_, 0, nullptr);
  }
  ~Painter() {
    if (!dpy_) return;
    XFreeGC(dpy_, gc_);
    XCloseDisplay(dpy_);
  }
  bool ok() const { return dpy_ != nullptr; }

  unsigned long Colour(uint16_t r, uint16_t g, uint16_t b) {
    XColor c{};
    c.red = r;
    c.green = g;
    c.blue = b;
    c.flags = DoRed | DoGreen | DoBlue;
    XAllocColor(dpy_, cmap_, &c);
    return c.pixel;
  }
  // A colour cell of our own whose colour can change later (palette screens only).
  bool WritableCell(unsigned long* pixel) {
    unsigned long planes = 0;
    return XAllocColorCells(dpy_, cmap_, False, &planes, 0, pixel, 1) != 0;
  }
  void StoreColour(unsigned long pixel, uint16_t r, uint16_t g, uint16_t b) {
    XColor c{};
    c.pixel = pixel;
    c.red = r;
    c.green = g;
    c.blue = b;
    c.flags = DoRed | DoGreen | DoBlue;
    XStoreColor(dpy_, cmap_, &c);
    XSync(dpy_, False);
  }

  // A window that the server paints by itself: a checked background, no window manager.
  Window CheckedWindow(int x, int y, int w, int h) {
    const Pixmap tile = XCreatePixmap(dpy_, root_, 8, 8, DepthOf());
    XSetForeground(dpy_, gc_, Colour(0xffff, 0xe000, 0x4000));
    XFillRectangle(dpy_, tile, gc_, 0, 0, 8, 8);
    XSetForeground(dpy_, gc_, Colour(0x4000, 0x2000, 0x8000));
    XFillRectangle(dpy_, tile, gc_, 0, 0, 4, 4);
    XFillRectangle(dpy_, tile, gc_, 4, 4, 4, 4);
    XSetWindowAttributes a{};
    a.background_pixmap = tile;
    const Window w1 = MapWindow(x, y, w, h, CWBackPixmap, &a);
    XFreePixmap(dpy_, tile);
    return w1;
  }
  Window PlainWindow(int x, int y, int w, int h, unsigned long background) {
    XSetWindowAttributes a{};
    a.background_pixel = background;
    return MapWindow(x, y, w, h, CWBackPixel, &a);
  }
  // An unmanaged window on the screen, its background as `a` says.
  Window MapWindow(int x, int y, int w, int h, unsigned long mask, XSetWindowAttributes* a) {
    a->override_redirect = True;
    const Window w1 =
        XCreateWindow(dpy_, root_, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                      CopyFromParent, InputOutput, CopyFromParent, mask | CWOverrideRedirect, a);
    XMapWindow(dpy_, w1);
    XSync(dpy_, False);
    return w1;
  }
  void Move(Window w, int x, int y) {
    XMoveWindow(dpy_, w, x, y);
    XSync(dpy_, False);
  }
  void Unmap(Window w) {
    XUnmapWindow(dpy_, w);
    XSync(dpy_, False);
  }
  void Fill(Drawable d, unsigned long pixel, int x, int y, int w, int h) {
    XSetForeground(dpy_, gc_, pixel);
    XFillRectangle(dpy_, d, gc_, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(dpy_, False);
  }
  // Moves the window's contents up by `rows`, as a terminal scrolls.
  void ScrollUp(Window w, int width, int height, int rows) {
    XCopyArea(dpy_, w, w, gc_, 0, rows, static_cast<unsigned>(width),
              static_cast<unsigned>(height - rows), 0, 0);
    XSync(dpy_, False);
  }

 private:
  unsigned DepthOf() const {
    return static_cast<unsigned>(DefaultDepth(dpy_, DefaultScreen(dpy_)));
  }

  Display* dpy_ = nullptr;
  Window root_ = 0;
  Colormap cmap_ = 0;
  GC gc_ = nullptr;
};

struct Case {
  int depth;
  const char* compressor;
  // H.264 is lossy and codes a still picture better with every frame it is given, while the
  // tracked recording gives it no unchanged frame (a null frame shows the picture before):
  // the pictures then agree to within the coder's loss, not bit for bit.
  int tolerance = 0;
};

int Worst(const mgtest::DecodedFrame& a, const mgtest::DecodedFrame& b) {
  int worst = 0;
  for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i)
    worst = std::max(worst, std::abs(int{a.rgb[i]} - int{b.rgb[i]}));
  return worst;
}

struct Take {
  mgtest::DecodedAvi movie;
  std::vector<int64_t> grabs;  // pixels each tick fetched
  bool tracked = false;        // the display could tell what changed
  int paletteChanges = 0;
};

class DamageEquivalence : public ::testing::TestWithParam<Case> {
 protected:
  // Lets the recording loop write the frame that the last tick grabbed.
  static bool WaitForFrame(mg::CaptureEngine& engine, int32_t before) {
    QElapsedTimer t;
    t.start();
    while (engine.Context().frameCounter.load() <= before && t.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return engine.Context().frameCounter.load() > before;
  }

  Take Record(bool damage) {
    Take take;
    ScreenScene scene(kScreenW, kScreenH, GetParam().depth);
    EXPECT_TRUE(scene.ok());
    if (!scene.ok()) return take;
    Painter paint(scene.display());
    EXPECT_TRUE(paint.ok());
    mgtest::E2ERecorder rec(scene.display(), {.manualTimer = true, .damage = damage});
    EXPECT_TRUE(rec.ok());
    if (!rec.ok() || !paint.ok()) return take;
    take.tracked = rec.TracksChanges();
    mg::CapturePanner panner(rec.settings);
    rec.engine().SetPanner(&panner);
    auto& s = rec.settings;
    s.StartX = kX;
    s.StartY = kY;
    s.Width = kW;
    s.Height = kH;
    s.FPS = 10;
    s.KeyFrames = 12;
    s.PanModifiers = mg::kModShift;
    s.CompressorHandler = mg::MakeFourcc(GetParam().compressor);
    s.AVIFileName = dir_.filePath(damage ? "damage.avi" : "whole.avi").toStdString();
    scene.MovePointer(kScreenW - 4, kScreenH - 4);

    const bool palette = GetParam().depth == 8;
    unsigned long cell = 0;
    if (palette && paint.WritableCell(&cell)) {
      paint.StoreColour(cell, 0x1000, 0x9000, 0x9000);
      paint.PlainWindow(200, 150, 40, 30, cell);
    }
    const unsigned long white = paint.Colour(0xffff, 0xffff, 0xffff);
    const unsigned long ink = paint.Colour(0x1000, 0x1000, 0x1000);
    const unsigned long bar = paint.Colour(0x2000, 0x8000, 0x2000);
    Window moving = 0, term = 0;

    const int result = rec.Record([&] {
      for (int step = 0; step < 48; ++step) {
        if (step >= 4 && step < 10) scene.MovePointer(60 + 14 * (step - 4), 90);  // static area
        if (step == 10) {
          scene.MovePointer(kScreenW - 4, kScreenH - 4);
          moving = paint.CheckedWindow(4, 30, 60, 40);
        }
        if (step > 10 && step < 18) paint.Move(moving, 4 + 19 * (step - 10), 30 + 6 * (step - 10));
        if (step == 18) {
          // The pointer rests inside the area while the terminal scrolls and text is typed: the
          // cursor is looked up on the same connection that hears of the changes.
          scene.MovePointer(250, 60);
          term = paint.PlainWindow(40, 110, 200, 96, white);
        }
        if (step > 18 && step < 26) {  // scrolling: up a line, a new line at the bottom
          paint.ScrollUp(term, 200, 96, 8);
          paint.Fill(term, white, 0, 88, 200, 8);
          paint.Fill(term, bar, 2, 89, 20 + 23 * (step - 18), 6);
        }
        if (step >= 26 && step < 34) {  // typing: a glyph, and the text cursor after it
          const int column = 4 + 7 * (step - 26);
          paint.Fill(term, white, column, 70, 9, 12);
          paint.Fill(term, ink, column, 71, 6, 10);
          paint.Fill(term, ink, column + 7, 71, 2, 10);
        }
        if (step == 34) {
          paint.Unmap(moving);
          scene.MovePointer(kScreenW - 4, kScreenH - 4);
        }
        if (step == 36) {
          scene.MovePointer(150, 120);
          scene.Key(XK_Shift_L, true);
        }
        if (step > 36 && step < 41) scene.MovePointer(150 + 6 * (step - 36), 120 + 4 * (step - 36));
        if (step == 41) scene.Key(XK_Shift_L, false);
        if (step == 43 && palette && cell) {
          const int version = rec.engine().Context().paletteVersion.load();
          paint.StoreColour(cell, 0xf000, 0x3000, 0x1000);
          QElapsedTimer t;
          t.start();
          while (rec.engine().Context().paletteVersion.load() == version && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
          take.paletteChanges = rec.engine().Context().paletteVersion.load() - version;
        }
        const int32_t before = rec.engine().Context().frameCounter.load();
        rec.timer().Tick();
        if (!WaitForFrame(rec.engine(), before)) {
          ADD_FAILURE() << "no frame written after tick " << step;
          return;
        }
      }
    });
    EXPECT_EQ(result, 1);
    take.grabs = rec.grabbedPixels();
    take.movie = mgtest::DecodeAvi(s.AVIFileName);
    return take;
  }

  QTemporaryDir dir_;
};

TEST_P(DamageEquivalence, EveryFrameIsTheSameAsAWholeGrabAndUnchangedTicksFetchNothing) {
  const Take damage = Record(true);
  const Take whole = Record(false);
  ASSERT_TRUE(damage.movie.ok) << damage.movie.error;
  ASSERT_TRUE(whole.movie.ok) << whole.movie.error;
  ASSERT_TRUE(damage.tracked) << "the test server has no DAMAGE extension";
  EXPECT_FALSE(whole.tracked);
  if (GetParam().depth == 8) {
    EXPECT_EQ(damage.paletteChanges, 1);
    EXPECT_EQ(whole.paletteChanges, 1);
  }

  // Position by position, as a player shows them: an unchanged frame may be a null frame (an
  // empty chunk), which shows the picture before it again.
  const auto pictures = [](const mgtest::DecodedAvi& movie) {
    std::vector<const mgtest::DecodedFrame*> shown(48, nullptr);
    for (const auto& f : movie.frames)
      if (f.position >= 0 && f.position < 48) shown[static_cast<size_t>(f.position)] = &f;
    for (size_t p = 1; p < shown.size(); ++p)
      if (!shown[p]) shown[p] = shown[p - 1];
    return shown;
  };
  ASSERT_EQ(whole.movie.frames.size(), 48u);
  const auto a = pictures(damage.movie), b = pictures(whole.movie);
  ASSERT_TRUE(a[0]);
  for (size_t i = 0; i < b.size(); ++i) {
    if (a[i]->rgb == b[i]->rgb) continue;
    if (GetParam().tolerance) {
      EXPECT_LE(Worst(*a[i], *b[i]), GetParam().tolerance) << "frame " << i;
      continue;
    }
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if (a[i]->Pixel(x, y) != b[i]->Pixel(x, y) && differing++ == 0) {
          firstX = x;
          firstY = y;
        }
    ADD_FAILURE() << "frame " << i << ": " << differing << " pixels differ, the first at ("
                  << firstX << ", " << firstY << ")";
  }

  // Whole grabs fetch every pixel every tick. The tracked recording fetched the whole area at
  // its first tick and nothing while the screen stood still with the pointer outside the area
  // (ticks 1 to 3; the other slots start from a copy of the frame before).
  const int64_t area = int64_t{kW} * kH;
  ASSERT_EQ(whole.grabs.size(), 48u);
  ASSERT_EQ(damage.grabs.size(), 48u);
  for (int64_t g : whole.grabs) EXPECT_EQ(g, area);
  EXPECT_EQ(damage.grabs[0], area);
  for (int tick = 1; tick < 4; ++tick) EXPECT_EQ(damage.grabs[tick], 0) << "tick " << tick;
  // After the panning the pointer rests over an unchanged area: each tick fetches only where
  // the slot's old cursor was.
  const int64_t cursor = int64_t{ScreenScene::kCursorSize} * ScreenScene::kCursorSize;
  // (The marker left its place inside the new area at tick 41; slot 0, filled at tick 40, may
  // take that change again at tick 45.)
  for (int tick : {42, 43, 44, 46, 47}) EXPECT_LE(damage.grabs[tick], cursor) << "tick " << tick;
}

INSTANTIATE_TEST_SUITE_P(Codecs, DamageEquivalence,
                         ::testing::Values(Case{24, "DIB "}, Case{24, "MSVC"}, Case{24, "ZMBV"},
                                           Case{24, "H264", 16}, Case{16, "MSVC"}, Case{8, "DIB "},
                                           Case{8, "MRLE"}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           std::string name = std::string("Depth") +
                                              std::to_string(param.param.depth) + "_" +
                                              param.param.compressor;
                           name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                           return name;
                         });

}  // namespace

namespace {

// A compositor paints the screen itself, after the clients drew into their own pixmaps: what it
// paints is still reported, so a window moved while recording leaves no trace where it was.
TEST(DamageUnderACompositor, AMovedWindowLeavesNoGhostAndShowsWhereItIsNow) {
  ScreenScene scene(kScreenW, kScreenH, 24);
  ASSERT_TRUE(scene.ok());
  Painter paint(scene.display());
  ASSERT_TRUE(paint.ok());
  std::optional<mgtest::Compositor> picom(std::in_place, scene.display());
  ASSERT_TRUE(picom->ok()) << picom->error();

  // The same moves recorded with and without change tracking; the compositor paints its own
  // background, so the frames whole grabs give are the reference.
  QTemporaryDir dir;
  const Window w = paint.CheckedWindow(40, 40, 64, 48);
  const auto lastFrame = [&](bool damage) {
    mgtest::DecodedFrame frame;
    paint.Move(w, 40, 40);
    mgtest::E2ERecorder::Wait(500);
    mgtest::E2ERecorder rec(scene.display(), {.damage = damage});
    EXPECT_TRUE(rec.ok());
    EXPECT_EQ(rec.TracksChanges(), damage);
    auto& s = rec.settings;
    s.StartX = kX;
    s.StartY = kY;
    s.Width = kW;
    s.Height = kH;
    s.FPS = 20;
    s.CompressorHandler = mg::MakeFourcc("DIB ");
    s.AVIFileName = dir.filePath(damage ? "picom-damage.avi" : "picom-whole.avi").toStdString();
    scene.MovePointer(kScreenW - 4, kScreenH - 4);
    EXPECT_EQ(rec.Record([&] {
      for (int step = 1; step <= 4; ++step) {
        paint.Move(w, 40 + 30 * step, 40 + 20 * step);
        mgtest::E2ERecorder::Wait(400);
      }
    }),
              1);
    const auto movie = mgtest::DecodeAvi(s.AVIFileName);
    EXPECT_TRUE(movie.ok) << movie.error;
    if (!movie.frames.empty()) frame = movie.frames.back();
    return frame;
  };
  const mgtest::DecodedFrame tracked = lastFrame(true);
  const mgtest::DecodedFrame whole = lastFrame(false);
  picom.reset();
  ASSERT_EQ(tracked.width, kW);
  ASSERT_EQ(whole.width, kW);

  int differing = 0, checked = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) differing += tracked.Pixel(x, y) != whole.Pixel(x, y);
  // The window is where it ended (screen 160, 120), not where it was.
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint32_t want = (x % 8 < 4) == (y % 8 < 4) ? 0x402080u : 0xffe040u;
      checked += tracked.Pixel(160 - kX + x, 120 - kY + y) == want;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(checked, 64 * 48);
}

}  // namespace
