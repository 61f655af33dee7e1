// The bell rings with the requested pitch and duration and leaves the server's bell settings as
// they were; beeping without a display is harmless. The process priority rises for every thread
// and comes back.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/beep.h"
#include "platform/priority.h"
#include "platform/x11/x11_backends.h"
#include "tests/platform/x11/x11_test_util.h"

namespace {

TEST(Beep, RingsTheBellWithPitchAndDurationAndRestoresTheSettings) {
  mgtest::X11Fixture x(64, 48, 24);
  ASSERT_TRUE(x.ok());
  Display* d = x.dpy();
  int opcode = 0;
  int eventBase = 0;
  int errorBase = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  ASSERT_TRUE(XkbQueryExtension(d, &opcode, &eventBase, &errorBase, &major, &minor));
  XkbSelectEvents(d, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XKeyboardState before{};
  XGetKeyboardControl(d, &before);
  XSync(d, False);

  {
    mgtest::ScopedDisplay scoped(x.name());
    auto beeper = mg::MakeX11Beeper();
    beeper->Beep(1000, 200);
    int pitch = 0;
    int duration = 0;
    ASSERT_TRUE(mgtest::WaitFor([&] {
      while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == eventBase) {
          const auto* xkb = reinterpret_cast<XkbEvent*>(&event);
          if (xkb->any.xkb_type == XkbBellNotify) {
            pitch = xkb->bell.pitch;
            duration = xkb->bell.duration;
          }
        }
      }
      return pitch != 0;
    }));
    EXPECT_EQ(pitch, 1000);
    EXPECT_EQ(duration, 200);
  }  // the beeper finishes its rings before it goes

  XKeyboardState after{};
  XGetKeyboardControl(d, &after);
  EXPECT_EQ(after.bell_pitch, before.bell_pitch);
  EXPECT_EQ(after.bell_duration, before.bell_duration);
}

TEST(Beep, WithoutADisplayNothingHappens) {
  mgtest::ScopedDisplay scoped(":985");
  auto beeper = mg::MakeX11Beeper();
  for (int i = 0; i < 10; ++i) beeper->Beep(1000, 200);
}

int ThreadNice() {
  errno = 0;
  return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

TEST(Priority, RaisedForEveryThreadAndRestored) {
  std::atomic<int> seen{99};
  std::atomic<bool> check{false};
  std::atomic<bool> done{false};
  std::thread other([&] {
    while (!check) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    seen = ThreadNice();
    done = true;
  });
  mg::RaiseProcessPriority();
  const int raised = ThreadNice();
  check = true;
  other.join();
  if (raised == 0) {
    mg::RestoreNormalPriority();
    GTEST_SKIP() << "not allowed to raise the priority here (refused quietly)";
  }
  EXPECT_LT(raised, 0);
  EXPECT_EQ(seen, raised) << "a thread that already ran is raised too";
  mg::RestoreNormalPriority();
  EXPECT_EQ(ThreadNice(), 0);
}

}  // namespace
