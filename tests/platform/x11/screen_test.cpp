// The screen's format at depths 24, 16 and 8, the palette of an 8-bit (PseudoColor) display read
// back after stores into its colormap, and the palette watch reporting real changes only.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

// Xlib after Qt (its macros clash with Qt's names).
#include <X11/Xlib.h>

#include <vector>

#include "platform/screen.h"
#include "platform/x11/x11_backends.h"
#include "tests/support/xvfb_server.h"

namespace {

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "x11_platform_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return app;
}

// Runs the event loop until `done` or about five seconds.
void RunUntil(const std::function<bool()>& done, int maxMs = 5000) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  check.start(10);
  QTimer::singleShot(maxMs, &loop, &QEventLoop::quit);
  loop.exec();
}

struct Opened {
  mgtest::XvfbServer server;
  std::unique_ptr<mg::IScreen> screen;
  Opened(int w, int h, int depth) : server(w, h, depth) {
    if (!server.ok()) return;
    mgtest::ScopedDisplay scoped(server.display());
    screen = mg::MakeX11Screen();
  }
};

TEST(Screen, DirectColourFormats) {
  {
    Opened o(320, 200, 24);
    ASSERT_TRUE(o.screen);
    const mg::DisplayFormat f = o.screen->Format();
    EXPECT_EQ(f.bitsPerPixel, 32);
    EXPECT_EQ(f.depth, 24);
    EXPECT_EQ(f.desktopWidth, 320);
    EXPECT_EQ(f.desktopHeight, 200);
    EXPECT_EQ(f.numColors, 0);
    EXPECT_EQ(f.redMask, 0xff0000u);
    EXPECT_EQ(f.greenMask, 0xff00u);
    EXPECT_EQ(f.blueMask, 0xffu);
    mg::PaletteEntry entries[4];
    EXPECT_EQ(o.screen->ReadPalette(entries, 4), 0);
  }
  {
    Opened o(100, 80, 16);
    ASSERT_TRUE(o.screen);
    const mg::DisplayFormat f = o.screen->Format();
    EXPECT_EQ(f.bitsPerPixel, 16);
    EXPECT_EQ(f.depth, 16);
    EXPECT_EQ(f.redMask, 0xf800u);
    EXPECT_EQ(f.greenMask, 0x07e0u);
    EXPECT_EQ(f.blueMask, 0x001fu);
  }
}

class PaletteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(o_.screen);
    dpy_ = XOpenDisplay(o_.server.display().c_str());
    ASSERT_TRUE(dpy_);
    cmap_ = DefaultColormap(dpy_, DefaultScreen(dpy_));
    ASSERT_TRUE(XAllocColorCells(dpy_, cmap_, False, nullptr, 0, cells_, 4));
  }
  void TearDown() override {
    if (dpy_) XCloseDisplay(dpy_);
  }
  void Store(int i, unsigned short r, unsigned short g, unsigned short b) {
    XColor c{};
    c.pixel = cells_[i];
    c.red = r;
    c.green = g;
    c.blue = b;
    c.flags = DoRed | DoGreen | DoBlue;
    XStoreColor(dpy_, cmap_, &c);
    XSync(dpy_, False);
  }

  Opened o_{160, 120, 8};
  Display* dpy_ = nullptr;
  Colormap cmap_ = 0;
  unsigned long cells_[4] = {};
};

TEST_F(PaletteTest, EightBitFormatAndEntries) {
  const mg::DisplayFormat f = o_.screen->Format();
  EXPECT_EQ(f.bitsPerPixel, 8);
  EXPECT_EQ(f.depth, 8);
  EXPECT_EQ(f.numColors, 2);
  EXPECT_TRUE(f.paletteNoStatic);
  EXPECT_EQ(f.redMask | f.greenMask | f.blueMask, 0u);

  Store(0, 0x1200, 0x3400, 0x5600);
  Store(1, 0xffff, 0x8000, 0x0000);
  Store(2, 0x0101, 0xfefe, 0x7f7f);
  std::vector<mg::PaletteEntry> entries(256);
  ASSERT_EQ(o_.screen->ReadPalette(entries.data(), 256), 256);
  auto at = [&](int i) { return entries[cells_[i]]; };
  EXPECT_EQ(at(0).red, 0x12);
  EXPECT_EQ(at(0).green, 0x34);
  EXPECT_EQ(at(0).blue, 0x56);
  EXPECT_EQ(at(1).red, 0xff);
  EXPECT_EQ(at(1).green, 0x80);
  EXPECT_EQ(at(1).blue, 0x00);
  EXPECT_EQ(at(2).red, 0x01);
  EXPECT_EQ(at(2).green, 0xfe);
  EXPECT_EQ(at(2).blue, 0x7f);
  const unsigned long black = BlackPixel(dpy_, DefaultScreen(dpy_));
  const unsigned long white = WhitePixel(dpy_, DefaultScreen(dpy_));
  EXPECT_EQ(entries[black].red + entries[black].green + entries[black].blue, 0);
  EXPECT_EQ(entries[white].red & entries[white].green & entries[white].blue, 0xff);

  // A short read reads only the first entries.
  mg::PaletteEntry few[3];
  EXPECT_EQ(o_.screen->ReadPalette(few, 3), 3);
  EXPECT_EQ(o_.screen->ReadPalette(nullptr, 3), 0);
}

TEST_F(PaletteTest, WatchReportsStoresAndOnlyRealChanges) {
  Store(0, 0x1000, 0x1000, 0x1000);
  int calls = 0;
  o_.screen->WatchPalette([&] { ++calls; });

  // Nothing changes: no call over several comparison periods.
  RunUntil([] { return false; }, 800);
  EXPECT_EQ(calls, 0);

  Store(0, 0x2000, 0x3000, 0x4000);
  RunUntil([&] { return calls > 0; });
  EXPECT_EQ(calls, 1);

  // Storing the same colour again is no change.
  Store(0, 0x2000, 0x3000, 0x4000);
  RunUntil([] { return false; }, 800);
  EXPECT_EQ(calls, 1);

  Store(1, 0xffff, 0, 0);
  RunUntil([&] { return calls > 1; });
  EXPECT_EQ(calls, 2);

  // Stopped: later changes are not reported.
  o_.screen->WatchPalette({});
  Store(1, 0, 0xffff, 0);
  RunUntil([] { return false; }, 800);
  EXPECT_EQ(calls, 2);
}

TEST(Screen, NoServerGivesNoScreen) {
  mgtest::ScopedDisplay scoped(":986");
  EXPECT_EQ(mg::MakeX11Screen(), nullptr);
}

}  // namespace
