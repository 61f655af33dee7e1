// The main dialog's other commands: Defaults answered Yes and No, Play, Help with its menu, the
// about box, Escape, the tabs, and the hot-key handler with hot keys driven by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/about_box.h"
#include "app/escape_filter.h"
#include "app/help.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "tests/app/dialog_rig.h"

namespace {

using mgtest::DialogRig;
using mgtest::kIdleLook;
using mgtest::LookOf;
using mgtest::RunWhen;
using mgtest::WaitUntil;

constexpr int kVkF5 = 0x74, kVkF6 = 0x75;

class DialogCommands : public ::testing::Test {
 protected:
  void ChangeEverything() {
    rig_.settings.Width = 100;
    rig_.settings.FPS = 25;
    rig_.settings.StartKey = kVkF5;
    rig_.settings.StartDesc = "F5";
    rig_.settings.PauseKey = kVkF6;
    rig_.settings.PauseDesc = "F6";
    rig_.settings.PanLocked = 1;
  }
  DialogRig rig_;
};

TEST_F(DialogCommands, TabsAndButtonsAsTheFormHasThem) {
  mg::CRecorderDlg& dlg = rig_.Show();
  EXPECT_EQ(dlg.windowTitle(), "Movigram");
  QTabWidget* tabs = dlg.Tabs();
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(0), "Screen Area");
  EXPECT_EQ(tabs->tabText(1), "Hot Keys");
  EXPECT_EQ(tabs->tabText(2), "AVI File");
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(tabs->widget(0), dlg.ScreenAreaPage());
  EXPECT_EQ(tabs->widget(1), dlg.HotKeysPage());
  EXPECT_EQ(tabs->widget(2), dlg.AviFilePage());
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  const QList<QPushButton*> row = {dlg.StartRecButton(), dlg.StartPausedButton(), dlg.PlayButton(),
                                   dlg.DefaultsButton(), dlg.HelpButton(),        dlg.ExitButton()};
  const QStringList texts = {"Start &Rec.", "Start &Paused", "P&lay", "&Defaults", "Help", "Exit"};
  for (int i = 0; i < row.size(); ++i) {
    EXPECT_EQ(row[i]->text(), texts[i]);
    if (i) {
      EXPECT_LT(row[i - 1]->geometry().right(), row[i]->geometry().left()) << i;
    }
    EXPECT_GT(row[i]->geometry().top(), tabs->geometry().bottom()) << i;
  }
  // Small like the original: well under half of the test screen either way.
  EXPECT_LT(dlg.width(), mgtest::kDesktopWidth / 2);
  EXPECT_LT(dlg.height(), mgtest::kDesktopHeight / 3);
  tabs->setCurrentIndex(1);
  EXPECT_TRUE(dlg.HotKeysPage()->isVisible());
  EXPECT_FALSE(dlg.ScreenAreaPage()->isVisible());
  mgtest::Screenshot(QStringLiteral("dialog-hotkeys-tab"));
  tabs->setCurrentIndex(2);
  mgtest::Screenshot(QStringLiteral("dialog-avifile-tab"));
}

TEST_F(DialogCommands, DefaultsAnsweredNoChangesNothing) {
  ChangeEverything();
  mg::CRecorderDlg& dlg = rig_.Show();
  rig_.answers.Queue(mg::MsgAnswer::No);
  dlg.DefaultsButton()->click();
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_EQ(rig_.answers.shown[0].text,
            "Do you really want to revert all options to default values?");
  EXPECT_EQ(rig_.answers.shown[0].buttons, mg::MsgButtons::YesNo);
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Question);
  EXPECT_EQ(rig_.settings.Width, 100);
  EXPECT_EQ(rig_.settings.StartDesc, "F5");
  EXPECT_EQ(rig_.settings.PanLocked, 1);
  EXPECT_TRUE(dlg.HotKeysPage()->PanLockChecked());
}

TEST_F(DialogCommands, DefaultsAnsweredYesResetsRefreshesThePagesAndTheKeysInForce) {
  ChangeEverything();
  mg::CRecorderDlg& dlg = rig_.Show();
  dlg.Tabs()->setCurrentIndex(1);
  ASSERT_EQ(rig_.keys.keys.at(0), std::make_pair(0, kVkF5));
  rig_.answers.Queue(mg::MsgAnswer::Yes);
  dlg.DefaultsButton()->click();
  EXPECT_EQ(rig_.settings.Width, 320);
  EXPECT_EQ(rig_.settings.FPS, 10.0);
  EXPECT_EQ(rig_.settings.StartDesc, "F2");
  EXPECT_EQ(rig_.settings.LockPanDesc, "Shift+F3");
  EXPECT_EQ(rig_.settings.PanLocked, 0);
  EXPECT_EQ(rig_.settings.AVIFileName, "clip.avi");
  EXPECT_FALSE(dlg.HotKeysPage()->PanLockChecked());
  EXPECT_TRUE(dlg.AviFilePage()->ShownFileName().startsWith("clip.avi"));
  // The hot keys now registered are the defaults shown: F2, F3, Shift+F3.
  ASSERT_EQ(rig_.keys.keys.size(), 6u);
  EXPECT_EQ(rig_.keys.keys[3], std::make_pair(0, 113));
  EXPECT_EQ(rig_.keys.keys[4], std::make_pair(0, 114));
  EXPECT_EQ(rig_.keys.keys[5], std::make_pair(4, 114));
  EXPECT_EQ(rig_.keys.registered, (std::set<int>{1, 2, 3}));
}

TEST_F(DialogCommands, PlayOpensTheMovieWhereTheRecordingPutsItOrSaysThereIsNone) {
  mg::CRecorderDlg& dlg = rig_.Show();
  dlg.PlayButton()->click();
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_TRUE(rig_.answers.shown[0].text.contains("clip.avi"))
      << rig_.answers.shown[0].text.toStdString();
  EXPECT_TRUE(rig_.desktop.opened.empty());

  // A relative name is taken in the videos folder, where the recording puts it, not in the
  // folder the program was started from.
  const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", rig_.dir.path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", rig_.dir.filePath("config").toLocal8Bit());
  ASSERT_TRUE(QDir(rig_.dir.path()).mkpath("Videos"));
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(rig_.dir.path()));
  for (const QString& name :
       {rig_.dir.filePath("played.avi"), rig_.dir.filePath("Videos/played.avi")}) {
    QFile movie(name);
    ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
  }
  rig_.settings.AVIFileName = "played.avi";
  dlg.PlayButton()->click();
  QDir::setCurrent(previous);
  qputenv("HOME", savedHome);
  qputenv("XDG_CONFIG_HOME", savedConfig);
  ASSERT_EQ(rig_.desktop.opened.size(), 1u);
  EXPECT_EQ(rig_.desktop.opened[0], QUrl::fromLocalFile(rig_.dir.filePath("Videos/played.avi")));
}

TEST_F(DialogCommands, HelpMenuOpensTheHelpPageAndTheAboutBox) {
  mg::CRecorderDlg& dlg = rig_.Show();
  QMenu* menu = dlg.HelpButton()->menu();
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->text(), "Help");
  EXPECT_EQ(actions[1]->text(), "&About Movigram...");

  actions[0]->trigger();
  ASSERT_EQ(rig_.desktop.opened.size(), 1u) << rig_.answers.Texts().join('|').toStdString();
  EXPECT_EQ(rig_.desktop.opened[0], QUrl::fromLocalFile(mg::HelpPagePath()));
  EXPECT_TRUE(QFile::exists(mg::HelpPagePath()));

  // The about box: Escape leaves it open, More... opens help, OK closes it.
  mg::EscapeFilter escape;
  qApp->installEventFilter(&escape);
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto* about = qobject_cast<mg::CAboutDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(WaitUntil([&] {
      return about->isVisible() && about->windowHandle() && about->windowHandle()->isExposed();
    }));
    EXPECT_EQ(about->windowTitle(), "About Movigram");
    EXPECT_EQ(about->parentWidget(), &dlg);
    QStringList labels;
    for (QLabel* label : about->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("Movigram Version 1.11")) << labels.join('|').toStdString();
    mgtest::Screenshot(QStringLiteral("about-box"));
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(about->isVisible());
    QPushButton* more = about->findChild<QPushButton*>("moreButton");
    QPushButton* ok = about->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(more && ok);
    EXPECT_EQ(more->text(), "More...");
    more->click();
    EXPECT_EQ(rig_.desktop.opened.size(), 2u);
    checked = true;
    ok->click();
  });
  actions[1]->trigger();
  qApp->removeEventFilter(&escape);
  EXPECT_TRUE(checked);
}

TEST_F(DialogCommands, EscapeDoesNotCloseTheMainDialog) {
  mg::EscapeFilter escape;
  qApp->installEventFilter(&escape);
  mg::CRecorderDlg& dlg = rig_.Make();
  bool stillOpen = false;
  RunWhen([&] { return dlg.isVisible(); },
          [&] {
            QTest::keyClick(dlg.StartRecButton(), Qt::Key_Escape);
            QTest::keyClick(&dlg, Qt::Key_Escape);
            stillOpen = dlg.isVisible();
            dlg.ExitButton()->click();
          });
  EXPECT_EQ(dlg.RunModal(), QDialog::Accepted);  // Exit, not Escape's cancel
  qApp->removeEventFilter(&escape);
  EXPECT_TRUE(stillOpen);
}

TEST_F(DialogCommands, StartStopHotKeyStartsAfterTheHandlerAndStopsAtOnce) {
  mg::CRecorderDlg& dlg = rig_.Show();
  bool idleRightAfterPress = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            EXPECT_EQ(dlg.State(), mg::Recording);
            ASSERT_TRUE(WaitUntil([&] { return rig_.Frames() >= 1; }));
            rig_.keys.Press(mg::kHotkeyStartStop);
            EXPECT_EQ(dlg.State(), mg::Idle);  // stopped at once
          });
  rig_.keys.Press(mg::kHotkeyStartStop);
  idleRightAfterPress = dlg.State() == mg::Idle;
  EXPECT_TRUE(WaitUntil([&] { return !rig_.answers.shown.empty(); }));
  EXPECT_TRUE(idleRightAfterPress);
  EXPECT_EQ(LookOf(dlg), kIdleLook);
  EXPECT_TRUE(rig_.answers.shown[0].text.startsWith("Total frames: "));
}

TEST_F(DialogCommands, PauseHotKeyStartsPausedThenResumesThenPauses) {
  mg::CRecorderDlg& dlg = rig_.Show();
  std::vector<mg::RecordingState> states;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            states.push_back(dlg.State());
            rig_.keys.Press(mg::kHotkeyPause);
            states.push_back(dlg.State());
            EXPECT_EQ(dlg.StartPausedButton()->text(), "&Pause Rec.");
            rig_.keys.Press(mg::kHotkeyPause);
            states.push_back(dlg.State());
            EXPECT_EQ(dlg.StartPausedButton()->text(), "R&esume Rec.");
            rig_.keys.Press(mg::kHotkeyStartStop);
          });
  rig_.keys.Press(mg::kHotkeyPause);  // in Idle: starts paused at once
  EXPECT_EQ(states, (std::vector<mg::RecordingState>{mg::Paused, mg::Recording, mg::Paused}));
  EXPECT_EQ(dlg.State(), mg::Idle);
}

TEST_F(DialogCommands, PanLockHotKeyTogglesTheLockAndItsCheckBoxInEveryState) {
  mg::CRecorderDlg& dlg = rig_.Show();
  ASSERT_EQ(dlg.Tabs()->currentIndex(), 0);  // the Hot Keys page is not showing
  rig_.keys.Press(mg::kHotkeyPanLock);
  EXPECT_EQ(rig_.settings.PanLocked, 1);
  EXPECT_TRUE(dlg.HotKeysPage()->PanLockChecked());
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            rig_.keys.Press(mg::kHotkeyPanLock);
            EXPECT_EQ(rig_.settings.PanLocked, 0);
            EXPECT_FALSE(dlg.HotKeysPage()->PanLockChecked());
            rig_.keys.Press(mg::kHotkeyPause);  // resumes
            rig_.keys.Press(mg::kHotkeyPanLock);
            EXPECT_EQ(rig_.settings.PanLocked, 1);
            EXPECT_TRUE(dlg.HotKeysPage()->PanLockChecked());
            dlg.StartRecButton()->click();
          });
  dlg.StartPausedButton()->click();
  // The check box itself sets the lock too.
  dlg.HotKeysPage()->findChild<QCheckBox*>("lockPermanently")->click();
  EXPECT_EQ(rig_.settings.PanLocked, 0);
}

TEST_F(DialogCommands, ARefusedKeyIsNamedWithItsDescriptionAndTheOthersStillWork) {
  rig_.keys.refuse = {mg::kHotkeyStartStop};
  rig_.Make();
  EXPECT_EQ(rig_.keys.attempts, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(rig_.keys.registered, (std::set<int>{2, 3}));
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_EQ(rig_.answers.shown[0].text,
            "F2\nCould not register the above hot key. It may be already reserved by another "
            "application.");
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Exclamation);
  EXPECT_EQ(rig_.answers.shown[0].buttons, mg::MsgButtons::Ok);
  rig_.dlg.reset();

  mgtest::ManualHotKeys second;
  second.refuse = {mg::kHotkeyPause};
  rig_.settings.PauseDesc = "Ctrl+Shift+Alt+F3";
  rig_.Make(&second);
  EXPECT_EQ(second.attempts, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(second.registered, (std::set<int>{1, 3}));
  ASSERT_EQ(rig_.answers.shown.size(), 2u);
  EXPECT_TRUE(rig_.answers.shown[1].text.startsWith("Ctrl+Shift+Alt+F3\nCould not register"));
  rig_.dlg.reset();
  EXPECT_TRUE(second.registered.empty()) << "the dialog's end leaves nothing registered";
}

}  // namespace
