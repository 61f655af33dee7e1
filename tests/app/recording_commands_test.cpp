// The main dialog's recording commands on the real platform: the buttons' texts through every
// state, pause and resume, stopping from each state, Exit and the close box during a recording,
// and the movie that comes out.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <filesystem>

#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "platform/windows_records.h"
#include "tests/app/dialog_rig.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::DialogRig;
using mgtest::kIdleLook;
using mgtest::kPausedLook;
using mgtest::kRecordingLook;
using mgtest::LookOf;
using mgtest::RunWhen;
using mgtest::WaitUntil;

// "Total frames: N, skipped: 0" with N > 0; returns N, or -1 when the text is something else.
int TotalFrames(const QString& text) {
  static const QRegularExpression totals(QStringLiteral("^Total frames: (\\d+), skipped: 0$"));
  const QRegularExpressionMatch m = totals.match(text.section('\n', 0, 0));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class RecordingCommands : public ::testing::Test {
 protected:
  DialogRig rig_;
};

TEST_F(RecordingCommands, ButtonsFollowTheStateFromIdleThroughPauseBackToIdle) {
  mg::CRecorderDlg& dlg = rig_.Show();
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  mgtest::Screenshot(QStringLiteral("dialog-idle"));

  bool scriptRan = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            scriptRan = true;
            EXPECT_EQ(dlg.State(), mg::Recording);
            EXPECT_EQ(LookOf(dlg), kRecordingLook);
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 3; }));
            mgtest::Screenshot(QStringLiteral("dialog-recording"));

            dlg.StartPausedButton()->click();
            EXPECT_EQ(dlg.State(), mg::Paused);
            EXPECT_EQ(LookOf(dlg), kPausedLook);
            mgtest::Screenshot(QStringLiteral("dialog-paused"));
            // Defaults, Help and Exit stay usable while recording.
            EXPECT_TRUE(dlg.DefaultsButton()->isEnabled());
            EXPECT_TRUE(dlg.HelpButton()->isEnabled());
            EXPECT_TRUE(dlg.ExitButton()->isEnabled());

            dlg.StartPausedButton()->click();
            EXPECT_EQ(dlg.State(), mg::Recording);
            EXPECT_EQ(LookOf(dlg), kRecordingLook);
            const int32_t before = rig_.Frames();
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= before + 2; }));

            dlg.StartRecButton()->click();  // stops
            EXPECT_EQ(dlg.State(), mg::Idle);
          });
  dlg.StartRecButton()->click();  // returns when the recording has ended

  ASSERT_TRUE(scriptRan);
  EXPECT_EQ(dlg.State(), mg::Idle);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  ASSERT_EQ(rig_.answers.shown.size(), 1u) << rig_.answers.Texts().join('|').toStdString();
  const int frames = TotalFrames(rig_.answers.shown[0].text);
  EXPECT_EQ(frames, rig_.Frames()) << rig_.answers.shown[0].text.toStdString();
  EXPECT_EQ(rig_.answers.shown[0].buttons, mg::MsgButtons::Ok);
  // Shown as a result, with the buttons already back to what they do now, and telling how long
  // the movie is and where it went.
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Information);
  EXPECT_EQ(rig_.answers.shown[0].startRecText, "Start &Rec.");
  const QStringList lines = rig_.answers.shown[0].text.split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[1].startsWith("Duration: 0:0")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "File: " + rig_.dir.filePath("clip0001.avi"));

  // The numbered movie plays: every frame decodes at the recorded size.
  EXPECT_EQ(rig_.settings.AVIFileName, rig_.dir.filePath("clip0001.avi").toStdString());
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.settings.AVIFileName, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(movie.width, 160);
  EXPECT_EQ(movie.height, 120);
  EXPECT_EQ(static_cast<int>(movie.frames.size()), frames);
  EXPECT_EQ(movie.decodeErrors, 0);
  // The AVI File page shows the numbered name the start chose.
  EXPECT_TRUE(dlg.AviFilePage()->ShownFileName().contains("clip0001.avi"));
  mgtest::Screenshot(QStringLiteral("dialog-after-stop"));
}

// A numbered start puts the new name into the AVI File tab and nothing else: the compressor the
// user chose stays shown, and it is the one the next recording uses.
TEST_F(RecordingCommands, ANumberedStartShowsTheNewNameAndKeepsTheChosenCompressor) {
  mg::CRecorderDlg& dlg = rig_.Show();
  auto* list = dlg.AviFilePage()->findChild<QComboBox*>("compressor");
  ASSERT_NE(list, nullptr);
  const uint32_t uncompressed = mg::MakeFourcc("DIB ");
  const int chosen = list->findData(uncompressed);
  ASSERT_GT(chosen, 0);
  list->setCurrentIndex(chosen);
  emit list->activated(chosen);
  ASSERT_EQ(rig_.settings.CompressorHandler, uncompressed);

  for (const char* numbered : {"clip0001.avi", "clip0002.avi"}) {
    RunWhen([&] { return dlg.State() != mg::Idle; },
            [&] {
              EXPECT_EQ(dlg.AviFilePage()->ShownFileName().toStdString(),
                        rig_.dir.filePath(numbered).toStdString());
              EXPECT_EQ(list->currentText().toStdString(), "Full Frames (Uncompressed)");
              ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
              dlg.StartRecButton()->click();
            });
    dlg.StartRecButton()->click();
    EXPECT_EQ(dlg.AviFilePage()->ShownFileName().toStdString(),
              rig_.dir.filePath(numbered).toStdString());
    EXPECT_EQ(list->currentText().toStdString(), "Full Frames (Uncompressed)");
    EXPECT_EQ(list->currentData().toUInt(), uncompressed);
    EXPECT_EQ(rig_.settings.CompressorHandler, uncompressed);
    const mgtest::AviHeaders movie =
        mgtest::ReadAviHeaders(rig_.dir.filePath(numbered).toStdString());
    ASSERT_TRUE(movie.ok) << numbered << ": " << movie.error;
    EXPECT_EQ(mgtest::FourccText(movie.streams.at(0).fccHandler), "DIB ") << numbered;
  }
}

TEST_F(RecordingCommands, StartPausedTwiceResumesAndStartRecWhilePausedStops) {
  mg::CRecorderDlg& dlg = rig_.Show();
  bool scriptRan = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            scriptRan = true;
            EXPECT_EQ(dlg.State(), mg::Paused);
            EXPECT_EQ(LookOf(dlg), kPausedLook);
            dlg.StartPausedButton()->click();  // resumes, it does not stop
            EXPECT_EQ(dlg.State(), mg::Recording);
            EXPECT_EQ(dlg.StartPausedButton()->text(), "&Pause Rec.");
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
            dlg.StartPausedButton()->click();  // pause again
            ASSERT_EQ(dlg.State(), mg::Paused);
            dlg.StartRecButton()->click();  // Start Rec. while paused stops
            EXPECT_EQ(dlg.State(), mg::Idle);
          });
  dlg.StartPausedButton()->click();
  ASSERT_TRUE(scriptRan);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_GT(TotalFrames(rig_.answers.shown[0].text), 0) << rig_.answers.shown[0].text.toStdString();
}

TEST_F(RecordingCommands, StopWithNothingCapturedDeletesTheMovieAndSaysNothing) {
  rig_.settings.IncFilename = 0;
  mg::CRecorderDlg& dlg = rig_.Show();
  bool sawFile = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            sawFile =
                QFileInfo::exists(QString::fromStdString(rig_.settings.AVIFileName + ".part"));
            dlg.StartRecButton()->click();  // stopped while still paused: nothing written
          });
  dlg.StartPausedButton()->click();
  EXPECT_TRUE(sawFile);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  EXPECT_TRUE(rig_.answers.shown.empty()) << rig_.answers.Texts().join('|').toStdString();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(rig_.settings.AVIFileName)));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(rig_.settings.AVIFileName + ".part")));
}

TEST_F(RecordingCommands, ExitWhileRecordingFinishesTheMovieThenCloses) {
  mg::CRecorderDlg& dlg = rig_.Make();
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 3; }));
            dlg.ExitButton()->click();
            EXPECT_EQ(dlg.State(), mg::Idle);
          });
  RunWhen([&] { return dlg.isVisible(); }, [&] { dlg.StartRecButton()->click(); });
  EXPECT_EQ(dlg.RunModal(), QDialog::Accepted);
  EXPECT_EQ(dlg.State(), mg::Idle);
  EXPECT_FALSE(dlg.isVisible());
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  const int frames = TotalFrames(rig_.answers.shown[0].text);
  EXPECT_GE(frames, 3);
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.settings.AVIFileName, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(static_cast<int>(movie.frames.size()), frames);
}

TEST_F(RecordingCommands, CloseBoxWhileRecordingFinishesTheMovieThenCloses) {
  mg::CRecorderDlg& dlg = rig_.Make();
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
            dlg.close();  // what the window manager's close box does
          });
  RunWhen([&] { return dlg.isVisible(); }, [&] { dlg.StartRecButton()->click(); });
  EXPECT_EQ(dlg.RunModal(), QDialog::Rejected);
  EXPECT_EQ(dlg.State(), mg::Idle);
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_GE(TotalFrames(rig_.answers.shown[0].text), 2);
  EXPECT_TRUE(mgtest::DecodeAvi(rig_.settings.AVIFileName, false).ok);
}

// Sound on with no sound input: said once as the recording starts (the buttons already say
// "Stop Rec."), and the recording goes on to its totals, shown with the idle buttons.
TEST_F(RecordingCommands, SoundThatCannotBeRecordedIsToldAtTheStartAndTheRecordingGoesOn) {
  rig_.settings.RecSound = 1;
  mg::CRecorderDlg& dlg = rig_.Show();
  RunWhen([&] { return dlg.State() != mg::Idle && rig_.Frames() >= 2; },
          [&] { dlg.StartRecButton()->click(); });
  dlg.StartRecButton()->click();
  ASSERT_EQ(rig_.answers.shown.size(), 2u) << rig_.answers.Texts().join('|').toStdString();
  EXPECT_TRUE(rig_.answers.shown[0].text.startsWith("Sound is not recorded"));
  EXPECT_EQ(rig_.answers.shown[0].startRecText, "Stop &Rec.");
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Exclamation);
  EXPECT_GE(TotalFrames(rig_.answers.shown[1].text), 2);
  EXPECT_EQ(rig_.answers.shown[1].startRecText, "Start &Rec.");
  EXPECT_EQ(LookOf(dlg), kIdleLook);
}

TEST_F(RecordingCommands, RefusedStartReturnsToTheIdleLookWithTheReason) {
  rig_.settings.Width = 0;  // no area to record
  mg::CRecorderDlg& dlg = rig_.Show();
  dlg.StartRecButton()->click();
  EXPECT_EQ(dlg.State(), mg::Idle);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_EQ(rig_.answers.shown[0].text,
            "The capture area must be at least 1 pixel wide and 1 pixel high.");
  EXPECT_EQ(rig_.answers.shown[0].startRecText, "Start &Rec.") << "idle while it says why";
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Exclamation);
}

TEST_F(RecordingCommands, WithoutAScreenToRecordTheStartIsRefusedInWords) {
  mg::PlatformServices services;  // nothing could be opened
  services.hotKeys = &rig_.keys;
  mg::CRecorderDlg dlg(rig_.settings, services);
  dlg.StartRecButton()->click();
  dlg.StartPausedButton()->click();
  EXPECT_EQ(dlg.State(), mg::Idle);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  ASSERT_EQ(rig_.answers.shown.size(), 2u);
  EXPECT_TRUE(rig_.answers.shown[0].text.startsWith("Recording is not possible"));
}

TEST_F(RecordingCommands, IconizedWhileRecordingAndRestoredWithFocusAfterwards) {
  rig_.settings.WndHide = mg::kWndIconize;
  mg::CRecorderDlg& dlg = rig_.Show();
  ASSERT_TRUE(WaitUntil([&] { return dlg.isActiveWindow(); }));
  bool wasMinimized = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            wasMinimized = WaitUntil([&] { return dlg.isMinimized(); });
            mgtest::Screenshot(QStringLiteral("dialog-iconized"));
            dlg.OnHotKey(mg::kHotkeyStartStop);  // the stop comes from a hot key
          });
  dlg.StartRecButton()->click();
  EXPECT_TRUE(wasMinimized);
  EXPECT_TRUE(WaitUntil([&] { return !dlg.isMinimized() && dlg.isActiveWindow(); }));
  EXPECT_TRUE(dlg.isVisible());
}

// A recording of the area under the window, iconized or hidden while recording: its first frame
// already shows what is behind the window, not the window on its way off the screen (the
// window manager iconizes a moment later and animates the frame).
TEST_F(RecordingCommands, TheFirstFrameDoesNotShowTheWindowGoingAway) {
  for (int mode : {mg::kWndIconize, mg::kWndHideAlt}) {
    rig_.settings.WndHide = mode;
    rig_.settings.FPS = 10;
    rig_.settings.CompressorHandler = mg::MakeFourcc("DIB ");
    mg::CRecorderDlg& dlg = rig_.Show();
    ASSERT_TRUE(WaitUntil([&] { return dlg.isActiveWindow(); }));
    const QRect frame = dlg.frameGeometry();
    rig_.settings.StartX = frame.x();
    rig_.settings.StartY = frame.y();
    rig_.settings.Width = frame.width() & ~3;
    rig_.settings.Height = frame.height() & ~3;
    RunWhen([&] { return dlg.State() != mg::Idle; },
            [&] {
              ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 5; }));
              dlg.OnHotKey(mg::kHotkeyStartStop);
            });
    dlg.StartRecButton()->click();
    const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.settings.AVIFileName);
    ASSERT_TRUE(movie.ok) << movie.error;
    ASSERT_GE(movie.frames.size(), 5u);
    const mgtest::DecodedFrame& first = movie.frames.front();
    const mgtest::DecodedFrame& last = movie.frames.back();
    int differing = 0;
    for (int y = 0; y < first.height; ++y)
      for (int x = 0; x < first.width; ++x) differing += first.Pixel(x, y) != last.Pixel(x, y);
    EXPECT_EQ(differing, 0) << "mode " << mode << ": the first frame shows the window";
    ASSERT_TRUE(WaitUntil([&] { return !dlg.isMinimized() && dlg.isVisible(); }));
  }
}

TEST_F(RecordingCommands, HiddenWhileRecordingAndShownAgainAfterwards) {
  // (A stored 1049 is no button of the Screen Area tab: filling the tab makes it 1048.)
  for (int mode : {mg::kWndHideAlt}) {
    rig_.settings.WndHide = mode;
    mg::CRecorderDlg& dlg = rig_.Show();
    bool wasHidden = false;
    RunWhen([&] { return dlg.State() != mg::Idle; },
            [&] {
              wasHidden = !dlg.isVisible();
              dlg.OnHotKey(mg::kHotkeyStartStop);
            });
    dlg.StartRecButton()->click();
    EXPECT_TRUE(wasHidden) << mode;
    EXPECT_TRUE(dlg.isVisible()) << mode;
    // Shown again as a normal window. (Under openbox the focus request after re-mapping is
    // taken as already granted; the keyboard focus is not checked here.)
    EXPECT_TRUE(WaitUntil([&] { return !dlg.isMinimized() && dlg.isVisible(); })) << mode;
  }
}

TEST_F(RecordingCommands, WithoutAWorkingStopKeyAHiddenRecordingIsIconizedInstead) {
  // Refused by the system, or cleared: either way no key could stop a hidden recording.
  for (int startKey : {113, 0}) {
    rig_.dlg.reset();
    rig_.keys.refuse = startKey ? std::set<int>{mg::kHotkeyStartStop} : std::set<int>{};
    rig_.settings.StartKey = startKey;
    rig_.settings.WndHide = mg::kWndHideAlt;  // what the Screen Area tab stores for "Hide"
    mg::CRecorderDlg& dlg = rig_.Show();
    bool iconized = false, visible = false;
    RunWhen([&] { return dlg.State() != mg::Idle; },
            [&] {
              iconized = WaitUntil([&] { return dlg.isMinimized(); });
              visible = dlg.isVisible();
              dlg.StartRecButton()->click();  // the stop the user reaches through the task bar
            });
    dlg.StartRecButton()->click();
    EXPECT_TRUE(iconized) << startKey;
    EXPECT_TRUE(visible) << startKey;
    EXPECT_EQ(dlg.State(), mg::Idle);
  }
}

TEST_F(RecordingCommands, DefaultsDuringARecordingKeepTheFrameSizeUntilTheStop) {
  rig_.settings.FPS = 5;
  mg::CRecorderDlg& dlg = rig_.Show();
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 1; }));
            dlg.DefaultsButton()->click();  // answered Yes
            EXPECT_EQ(rig_.settings.Width, 160);
            EXPECT_EQ(rig_.settings.Height, 120);
            EXPECT_EQ(rig_.settings.FPS, 10.0);
            const int32_t before = rig_.Frames();
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= before + 2; }));
            dlg.StartRecButton()->click();
          });
  dlg.StartRecButton()->click();
  EXPECT_EQ(rig_.settings.Width, 320);
  EXPECT_EQ(rig_.settings.Height, 240);
  ASSERT_EQ(rig_.answers.shown.size(), 2u);
  EXPECT_EQ(rig_.answers.shown[0].text,
            "Do you really want to revert all options to default values?");
  const mgtest::DecodedAvi movie =
      mgtest::DecodeAvi(rig_.dir.filePath("clip0001.avi").toStdString(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(movie.width, 160);
  EXPECT_EQ(movie.decodeErrors, 0);
}

}  // namespace
