// A region chosen on the right one of two monitors while Qt scales its windows twice: stored
// in screen pixels and recorded as exactly those pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "area/area_selector.h"
#include "pages/screen_area_page.h"
#include "tests/app/dialog_rig.h"
#include "tests/support/avi_reader.h"

// X headers last: their macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>

namespace {

using mg::AreaSelector;
using mgtest::RunWhen;
using mgtest::WaitUntil;

TEST(ScreensAndScaling, ARegionOnTheRightMonitorAtTwiceTheScaleIsStoredAndRecordedInScreenPixels) {
  ASSERT_EQ(QGuiApplication::screens().size(), 2);
  ASSERT_EQ(qApp->devicePixelRatio(), 2.0);

  // A red patch of 200 x 100 screen pixels on the right monitor.
  Display* dpy = XOpenDisplay(nullptr);
  XSetWindowAttributes attrs;
  attrs.override_redirect = True;
  attrs.background_pixel = 0xff0000;
  const Window patch =
      XCreateWindow(dpy, DefaultRootWindow(dpy), 2400, 300, 200, 100, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
  XMapRaised(dpy, patch);
  XSync(dpy, False);

  mgtest::DialogRig rig;
  mg::CRecorderDlg& dlg = rig.Show();
  dlg.move(40, 40);
  mgtest::Pointer pointer;
  WaitUntil([&] { return dlg.isActiveWindow(); }, 3000);
  mgtest::Screenshot(QStringLiteral("screen-area-tab-2x"));

  auto when = [](int mode, std::function<void(AreaSelector&)> script) {
    RunWhen(
        [mode] {
          AreaSelector* s = AreaSelector::Running();
          return s && s->Grabbed() && s->Tracking() && s->GetMode() == mode;
        },
        [script = std::move(script)] { script(*AreaSelector::Running()); });
  };
  auto moveTo = [&](AreaSelector& s, int x, int y) {
    pointer.MoveTo(x, y);
    EXPECT_TRUE(WaitUntil([&] { return s.Current().x == x && s.Current().y == y; }))
        << x << "," << y << " at " << s.Current().x << "," << s.Current().y;
  };
  QString label;
  mg::WinRect labelRect{};
  when(AreaSelector::SelectCrossHair, [&](AreaSelector& s) {
    moveTo(s, 2400, 300);
    pointer.Click();
  });
  when(AreaSelector::SelectRectangle, [&](AreaSelector& s) {
    moveTo(s, 2599, 399);
    label = s.SizeLabel();
    labelRect = s.LabelRect();
    mgtest::Screenshot(QStringLiteral("select-region-2x-right-monitor"));
    pointer.Click();
    pointer.MoveTo(100, 1000);  // the pointer is drawn into frames: away from the area
  });
  QPushButton* button = dlg.ScreenAreaPage()->findChild<QPushButton*>("selectRegion");
  bool finished = false;
  QTimer::singleShot(0, button, [&] {
    button->click();
    finished = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return finished; }, 60000));
  EXPECT_EQ(label, "200x100");
  EXPECT_GT(labelRect.left, 2400) << "the label is in the band, on the right monitor";
  EXPECT_LT(labelRect.right, 2600);
  EXPECT_EQ(rig.settings.StartX, 2400);
  EXPECT_EQ(rig.settings.StartY, 300);
  EXPECT_EQ(rig.settings.Width, 200);
  EXPECT_EQ(rig.settings.Height, 100);

  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            EXPECT_TRUE(WaitUntil([&] { return rig.Frames() >= 3; }));
            dlg.StartStopCommand();
          });
  dlg.StartStopCommand();
  ASSERT_TRUE(WaitUntil([&] { return dlg.State() == mg::Idle && !rig.answers.shown.empty(); }));
  const auto movie = mgtest::DecodeAvi(rig.settings.AVIFileName);
  ASSERT_GE(movie.frames.size(), 3u);
  int notRed = 0;
  for (const auto& frame : movie.frames) {
    ASSERT_EQ(frame.width, 200);
    ASSERT_EQ(frame.height, 100);
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) {
        const uint32_t p = frame.Pixel(x, y);
        // Compressors may shift a colour a little; red stays red.
        notRed += !((p >> 16) > 0xe0 && ((p >> 8) & 0xff) < 0x20 && (p & 0xff) < 0x20);
      }
  }
  EXPECT_EQ(notRed, 0) << "exactly the patch's pixels, none of its surroundings";
  XDestroyWindow(dpy, patch);
  XCloseDisplay(dpy);
}

}  // namespace
