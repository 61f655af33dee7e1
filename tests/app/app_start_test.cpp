// The application's life: start with or without stored settings, arguments, the end that saves
// both groups, and a settings file edited into nonsense.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

#include <cstring>

#include "app/recorder_app.h"
#include "app/single_instance.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "platform/hotkeys.h"
#include "platform/qt/qt_registry.h"
#include "platform/x11/x11_backends.h"
#include "tests/app/dialog_rig.h"

namespace {

using mgtest::RunWhen;
using mgtest::WaitUntil;

const QStringList kStateNames = {"StartX",   "StartY",    "Width",       "Height",   "WinX",
                                 "WinY",     "WndHide",   "IncFilename", "RecSound", "FPS",
                                 "Compress", "KeyFrames", "AVIFileName"};
const QStringList kKeysNames = {"Start Key",    "Start Mod",     "Start Desc",  "Pause Key",
                                "Pause Mod",    "Pause Desc",    "LockPan Key", "LockPan Mod",
                                "LockPan Desc", "Pan Modifiers", "Pan Locked"};

class AppStart : public ::testing::Test {
 protected:
  std::unique_ptr<mg::CRecorderApp> MakeApp(mg::IGlobalHotKeys* hotKeys = nullptr) {
    auto app = std::make_unique<mg::CRecorderApp>(mg::MakeFileRegistry(ini_.toStdString()));
    mg::PlatformServices services = capture_.Platform();
    services.hotKeys = hotKeys ? hotKeys : &keys_;
    app->UseServices(services);
    return app;
  }
  // Runs the application; `whileShown` runs once the main dialog is on the screen.
  int Run(mg::CRecorderApp& app, const std::function<void(mg::CRecorderDlg&)>& whileShown,
          QStringList arguments = {"movigram"}) {
    shown_ = false;
    RunWhen([] { return mg::g_pMainDlg && mg::g_pMainDlg->isVisible(); },
            [this, whileShown] {
              shown_ = true;
              whileShown(*mg::g_pMainDlg);
            });
    return app.InitInstance(arguments);
  }

  QTemporaryDir dir_;
  QString ini_ = dir_.filePath("Movigram.conf");
  mgtest::MessageAnswers answers_;
  mgtest::RealCapture capture_;
  mgtest::ManualHotKeys keys_;
  bool shown_ = false;
};

TEST_F(AppStart, FirstRunShowsTheDefaultsAndSavesBothGroupsWithEveryValue) {
  auto app = MakeApp();
  QPoint position;
  Run(*app, [&](mg::CRecorderDlg& dlg) {
    EXPECT_EQ(dlg.ScreenAreaPage()->ShownLeft(), 0);
    EXPECT_TRUE(dlg.AviFilePage()->ShownFileName().startsWith("clip.avi"));
    EXPECT_EQ(dlg.HotKeysPage()->PanLockChecked(), false);
    EXPECT_TRUE(WaitUntil([&] { return !dlg.windowHandle()->frameMargins().isNull(); }));
    position = dlg.windowHandle()->frameGeometry().topLeft();
    dlg.ExitButton()->click();
  });
  ASSERT_TRUE(shown_);
  EXPECT_EQ(keys_.registered.size(), 0u) << "unregistered at the end";
  EXPECT_EQ(keys_.attempts, (std::vector<int>{1, 2, 3}));

  QSettings stored(ini_, QSettings::IniFormat);
  stored.beginGroup("State");
  for (const QString& name : kStateNames) EXPECT_TRUE(stored.contains(name)) << name.toStdString();
  EXPECT_EQ(stored.value("Width").toInt(), 320);
  EXPECT_EQ(stored.value("Height").toInt(), 240);
  EXPECT_EQ(stored.value("FPS").toInt(), 10000);
  EXPECT_EQ(stored.value("WndHide").toInt(), 1048);
  EXPECT_EQ(stored.value("AVIFileName").toString(), "clip.avi");
  EXPECT_EQ(stored.value("WinX").toInt(), position.x());
  EXPECT_EQ(stored.value("WinY").toInt(), position.y());
  stored.endGroup();
  stored.beginGroup("Keys");
  for (const QString& name : kKeysNames) EXPECT_TRUE(stored.contains(name)) << name.toStdString();
  EXPECT_EQ(stored.value("Start Key").toInt(), 113);
  EXPECT_EQ(stored.value("Start Desc").toString(), "F2");
  EXPECT_EQ(stored.value("LockPan Desc").toString(), "Shift+F3");
  EXPECT_EQ(stored.value("Pan Modifiers").toInt(), 4);
  EXPECT_TRUE(answers_.shown.empty());
}

TEST_F(AppStart, ArgumentsThatAreNoSwitchStartTheProgramNormally) {
  EXPECT_TRUE(mg::IsMaintenanceSwitch("-install"));
  EXPECT_TRUE(mg::IsMaintenanceSwitch("-readopts"));
  EXPECT_FALSE(mg::IsMaintenanceSwitch("-Install"));
  EXPECT_FALSE(mg::IsMaintenanceSwitch("install"));
  for (const QString& argument : QStringList{"movie.avi", "-Install", "-readOpts"}) {
    auto app = MakeApp();
    EXPECT_EQ(Run(*app, [](mg::CRecorderDlg& dlg) { dlg.ExitButton()->click(); },
                  {"movigram", argument, "more"}),
              0);
    EXPECT_TRUE(shown_) << argument.toStdString();
  }
}

TEST_F(AppStart, StoredSettingsAreLoadedAndTheCloseBoxSavesLikeExit) {
  {
    QSettings stored(ini_, QSettings::IniFormat);
    stored.setValue("State/Width", 200);
    stored.setValue("State/AVIFileName", "talk.avi");
    stored.setValue("Keys/Pan Locked", 0);
  }
  auto app = MakeApp();
  Run(*app, [&](mg::CRecorderDlg& dlg) {
    EXPECT_EQ(app->settings.Width, 200);
    EXPECT_TRUE(dlg.AviFilePage()->ShownFileName().startsWith("talk.avi"));
    keys_.Press(mg::kHotkeyPanLock);
    dlg.close();
  });
  ASSERT_TRUE(shown_);
  QSettings stored(ini_, QSettings::IniFormat);
  EXPECT_EQ(stored.value("Keys/Pan Locked").toInt(), 1);
  EXPECT_EQ(stored.value("State/Width").toInt(), 200);
  EXPECT_TRUE(stored.contains("Keys/LockPan Desc"));
}

// A second Movigram started while one runs brings the running one's window to the front and ends
// at once, with no dialog of its own. A socket that a crashed Movigram left behind does not stop
// the first from starting.
TEST_F(AppStart, ASecondStartBringsTheRunningOneToTheFrontAndEnds) {
  const QString socketPath = mg::SingleInstance::DefaultSocketPath();
  {  // a socket file nobody listens on, as a killed instance leaves it
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ::unlink(path.constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(socketPath));
  }

  auto app = MakeApp();
  int secondExit = -1;
  bool secondEnded = false, cameBack = false;
  Run(*app, [&](mg::CRecorderDlg& dlg) {
    dlg.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return dlg.isMinimized(); }));
    QProcess second;
    second.setProgram(QStringLiteral(MG_MOVIGRAM_PATH));
    second.start();
    secondEnded = WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 20000);
    if (!secondEnded) {
      second.kill();
      second.waitForFinished();
    }
    secondExit = second.exitCode();
    cameBack = WaitUntil([&] { return !dlg.isMinimized() && dlg.isActiveWindow(); });
    mgtest::Screenshot(QStringLiteral("second-start-brought-first-to-front"));
    dlg.ExitButton()->click();
  });
  ASSERT_TRUE(shown_) << "the stale socket kept the first from starting";
  EXPECT_TRUE(secondEnded) << "the second start opened a dialog of its own";
  EXPECT_EQ(secondExit, 0);
  EXPECT_TRUE(cameBack);
  EXPECT_FALSE(QFileInfo::exists(socketPath)) << "the socket goes with the program";
}

TEST_F(AppStart, ASettingsStoreThatCannotBeWrittenIsToldAtTheEnd) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir("Movigram.conf"));  // a folder where the file belongs
  auto app = MakeApp();
  Run(*app, [](mg::CRecorderDlg& dlg) { dlg.ExitButton()->click(); });
  ASSERT_TRUE(shown_);
  ASSERT_EQ(answers_.shown.size(), 1u);
  EXPECT_EQ(answers_.shown[0].text,
            "The settings could not be saved: the options of this session will not be there at "
            "the next start.");
  EXPECT_EQ(answers_.shown[0].icon, mg::MsgIcon::Exclamation);
}

TEST_F(AppStart, EscapeNeverClosesTheMainDialog) {
  auto app = MakeApp();
  bool stillOpen = false;
  Run(*app, [&](mg::CRecorderDlg& dlg) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.StartRecButton(), &press);
    QCoreApplication::sendEvent(&dlg, &press);
    stillOpen = dlg.isVisible();
    dlg.ExitButton()->click();
  });
  EXPECT_TRUE(stillOpen);
}

TEST_F(AppStart, NonsenseInTheSettingsFileGivesSensibleValuesAndClearWords) {
  {
    QFile file(ini_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[State]\n"
        "Width=wide\n"
        "Height=-7\n"
        "FPS=0\n"
        "WinX=99999999999\n"
        "WinY=77777\n"
        "WndHide=12\n"
        "StartX=\"1,2\"\n"
        "this line means nothing\n"
        "[Keys]\n"
        "Start Key=99999\n"
        "Start Desc=Bogus Key\n"
        "Pause Key=F3\n");
  }
  auto hotKeys = mg::MakeX11HotKeys();
  auto app = MakeApp(hotKeys.get());
  Run(*app, [&](mg::CRecorderDlg& dlg) {
    // Values that are no numbers keep their defaults; a key that names no key is refused.
    EXPECT_EQ(app->settings.Width, 320);
    EXPECT_EQ(app->settings.StartX, 0);
    EXPECT_EQ(app->settings.PauseKey, 114);
    ASSERT_EQ(answers_.shown.size(), 1u);
    EXPECT_EQ(answers_.shown[0].text,
              "The start/stop hot key (\"Bogus Key\") has the key code 99999, which is no key of "
              "this keyboard. Please choose it again on the Hot Keys page.");
    // The window is on the screen.
    EXPECT_TRUE(WaitUntil([&] {
      return !dlg.windowHandle()->frameMargins().isNull() &&
             QRect(0, 0, mgtest::kDesktopWidth, mgtest::kDesktopHeight)
                 .contains(dlg.windowHandle()->frameGeometry());
    }));
    // A recording at 0 frames per second, then of a negative height, is refused in words.
    dlg.StartRecButton()->click();
    EXPECT_EQ(dlg.State(), mg::Idle);
    app->settings.FPS = 10;
    dlg.StartRecButton()->click();
    EXPECT_EQ(dlg.State(), mg::Idle);
    ASSERT_EQ(answers_.shown.size(), 3u);
    EXPECT_EQ(answers_.shown[1].text,
              "The frame rate must be a number from 0.01 to 1000 frames per second.");
    EXPECT_EQ(answers_.shown[2].text,
              "The capture area must be at least 1 pixel wide and 1 pixel high.");
    dlg.ExitButton()->click();
  });
  EXPECT_TRUE(shown_);
}

}  // namespace
