// The global hot keys of the running dialog on the real X server: keys pressed through XTest
// from another connection, with and without the lock keys, while a message box is up, and
// another application holding F2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "platform/hotkeys.h"
#include "platform/x11/x11_backends.h"
#include "tests/app/dialog_rig.h"

// X key symbols only: X.h's macros (None) would break the names above.
#include <X11/keysym.h>

namespace {

constexpr unsigned int kXShiftMask = 1;  // ShiftMask of the core protocol

using mgtest::RunWhen;
using mgtest::WaitUntil;

class GlobalHotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyboard_.ok());
    hotKeys_ = mg::MakeX11HotKeys();
  }
  void TearDown() override {
    rig_.dlg.reset();
    keyboard_.SetLock(XK_Num_Lock, false);
    keyboard_.SetLock(XK_Caps_Lock, false);
  }
  mg::CRecorderDlg& Show() {
    rig_.Make(hotKeys_.get());
    return rig_.Show();
  }
  // F2 starts a recording; once it has frames, F2 stops it. True when a movie was reported.
  bool RecordWithF2() {
    mg::CRecorderDlg& dlg = *rig_.dlg;
    const size_t before = rig_.answers.shown.size();
    bool stopped = false;
    RunWhen([&] { return dlg.State() != mg::Idle; },
            [&] {
              EXPECT_EQ(dlg.State(), mg::Recording);
              EXPECT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
              keyboard_.Tap(XK_F2);
              stopped = WaitUntil([&] { return dlg.State() == mg::Idle; });
            });
    keyboard_.Tap(XK_F2);
    return WaitUntil([&] { return rig_.answers.shown.size() > before; }) && stopped &&
           rig_.answers.shown.back().text.startsWith("Total frames: ");
  }

  static QMessageBox* OpenBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  }

  // What became of a real message box when a key was pressed while it was up.
  struct BoxAndKey {
    bool shown = false;
    QString text;
    bool closed = false;         // the key closed it
    bool startedBehind = false;  // a recording began, or a second box came up, behind it
  };
  // Once a message box is up, presses `keysym` from inside the box's own loop. Whatever begins
  // behind the box is noted and ended at once, so a start there cannot keep the test waiting.
  void PressWhileABoxIsUp(unsigned long keysym, BoxAndKey* out) {
    RunWhen([] { return OpenBox() != nullptr; },
            [this, keysym, out] {
              QPointer<QMessageBox> box = OpenBox();
              out->shown = true;
              out->text = box->text();
              QTimer behind;
              behind.setInterval(10);
              QObject::connect(&behind, &QTimer::timeout, [&] {
                mg::CRecorderDlg& dlg = *rig_.dlg;
                if (QMessageBox* other = OpenBox(); other && other != box) {
                  out->startedBehind = true;
                  other->done(QMessageBox::Ok);
                }
                if (dlg.State() != mg::Idle) {
                  out->startedBehind = true;
                  mg::SetMessageBoxHook([](const QString&, mg::MsgButtons, mg::MsgIcon) {
                    return mg::MsgAnswer::Ok;
                  });
                  dlg.StartStopCommand();
                }
              });
              behind.start();
              keyboard_.Tap(keysym);
              out->closed = WaitUntil([&] { return !box || !box->isVisible(); });
              behind.stop();
              if (box && box->isVisible()) box->done(QMessageBox::Ok);
            });
  }

  mgtest::DialogRig rig_;
  mgtest::Keyboard keyboard_;
  std::unique_ptr<mg::IGlobalHotKeys> hotKeys_;
};

TEST_F(GlobalHotKeys, F2StartsARecordingAndF2AgainStopsIt) {
  Show();
  ASSERT_TRUE(rig_.answers.shown.empty()) << rig_.answers.Texts().join('|').toStdString();
  EXPECT_TRUE(RecordWithF2());
  EXPECT_EQ(mgtest::LookOf(*rig_.dlg), mgtest::kIdleLook);
}

TEST_F(GlobalHotKeys, F2WorksWithNumLockAndWithCapsLockOn) {
  Show();
  keyboard_.SetLock(XK_Num_Lock, true);
  ASSERT_TRUE(keyboard_.LockOn(XK_Num_Lock));
  EXPECT_TRUE(RecordWithF2()) << "NumLock on";
  keyboard_.SetLock(XK_Num_Lock, false);
  keyboard_.SetLock(XK_Caps_Lock, true);
  ASSERT_TRUE(keyboard_.LockOn(XK_Caps_Lock));
  EXPECT_TRUE(RecordWithF2()) << "CapsLock on";
}

// A user who finds the report of a recording on the screen presses the start/stop key "to stop":
// the key closes the box, and nothing starts behind it.
TEST_F(GlobalHotKeys, TheStartStopKeyWhileTheReportIsUpClosesItAndStartsNothing) {
  mg::CRecorderDlg& dlg = Show();
  mg::SetMessageBoxHook({});  // the real boxes from here on
  BoxAndKey report;
  PressWhileABoxIsUp(XK_F2, &report);
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            EXPECT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
            keyboard_.Tap(XK_F2);
          });
  keyboard_.Tap(XK_F2);
  ASSERT_TRUE(WaitUntil([&] { return report.shown && !OpenBox() && dlg.State() == mg::Idle; }));
  EXPECT_TRUE(report.text.startsWith("Total frames: ")) << report.text.toStdString();
  EXPECT_TRUE(report.closed);
  EXPECT_FALSE(report.startedBehind);
  QCoreApplication::processEvents();
  EXPECT_EQ(dlg.State(), mg::Idle);
  EXPECT_EQ(QDir(rig_.dir.path()).entryList(QDir::Files).size(), 1) << "one movie, and only one";
}

// The same for the box that says why a recording could not start, and for the pause key, which
// starts a recording paused when it is idle.
TEST_F(GlobalHotKeys, EitherRecordingKeyWhileAStartErrorIsUpClosesItAndStartsNothing) {
  rig_.settings.AVIFileName = rig_.dir.filePath("no such folder/clip.avi").toStdString();
  mg::CRecorderDlg& dlg = Show();
  mg::SetMessageBoxHook({});
  for (unsigned long key : {XK_F2, XK_F3}) {
    SCOPED_TRACE(key == XK_F2 ? "F2" : "F3");
    BoxAndKey error;
    PressWhileABoxIsUp(key, &error);
    keyboard_.Tap(key);
    ASSERT_TRUE(WaitUntil([&] { return error.shown && !OpenBox(); }));
    EXPECT_TRUE(error.text.startsWith("Error opening AVI file. (Open AVI)"))
        << error.text.toStdString();
    EXPECT_TRUE(error.closed);
    EXPECT_FALSE(error.startedBehind);
    EXPECT_EQ(dlg.State(), mg::Idle);
  }
}

TEST_F(GlobalHotKeys, F3InIdleStartsPausedThenResumesAndF2Stops) {
  mg::CRecorderDlg& dlg = Show();
  std::vector<mg::RecordingState> states;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            states.push_back(dlg.State());
            mgtest::Screenshot(QStringLiteral("hotkey-started-paused"));
            keyboard_.Tap(XK_F3);
            WaitUntil([&] { return dlg.State() == mg::Recording; });
            states.push_back(dlg.State());
            keyboard_.Tap(XK_F2);
            WaitUntil([&] { return dlg.State() == mg::Idle; });
            states.push_back(dlg.State());
          });
  keyboard_.Tap(XK_F3);
  ASSERT_TRUE(WaitUntil([&] { return states.size() == 3; }));
  EXPECT_EQ(states, (std::vector<mg::RecordingState>{mg::Paused, mg::Recording, mg::Idle}));
}

TEST_F(GlobalHotKeys, ShiftF3TogglesThePanLock) {
  mg::CRecorderDlg& dlg = Show();
  keyboard_.Tap(XK_F3, {XK_Shift_L});
  ASSERT_TRUE(WaitUntil([&] { return rig_.settings.PanLocked == 1; }));
  EXPECT_TRUE(dlg.HotKeysPage()->PanLockChecked());
  EXPECT_EQ(dlg.State(), mg::Idle) << "Shift+F3 is not F3";
  keyboard_.Tap(XK_F3, {XK_Shift_L});
  ASSERT_TRUE(WaitUntil([&] { return rig_.settings.PanLocked == 0; }));
  EXPECT_FALSE(dlg.HotKeysPage()->PanLockChecked());
}

TEST_F(GlobalHotKeys, AnotherApplicationHoldingF2IsToldAndF3AndShiftF3StillWork) {
  mgtest::OtherApplication holder;
  ASSERT_TRUE(holder.Grab(XK_F2, 0));
  Show();
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_EQ(rig_.answers.shown[0].text,
            "F2\nCould not register the above hot key. It may be already reserved by another "
            "application.");
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Exclamation);
  // The refused key does not keep the others from working: a third application cannot have them.
  mgtest::OtherApplication third;
  EXPECT_FALSE(third.Grab(XK_F3, 0));
  EXPECT_FALSE(third.Grab(XK_F3, kXShiftMask));
}

TEST_F(GlobalHotKeys, TheDialogsEndReleasesTheKeysForOthers) {
  Show();
  mgtest::OtherApplication other;
  EXPECT_FALSE(other.Grab(XK_F2, 0));
  rig_.dlg->UnregisterHotKeys();
  EXPECT_TRUE(other.Grab(XK_F2, 0));
  EXPECT_TRUE(other.Grab(XK_F3, kXShiftMask));
}

}  // namespace
