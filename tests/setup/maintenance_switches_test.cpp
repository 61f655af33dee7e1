// "-install" and "-uninstall" through the application object, as the program runs them: the
// chooser is the only window, the options file beside the program becomes the settings, and a
// refused uninstallation changes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "app/recorder_app.h"
#include "app/recorder_dlg.h"
#include "setup/installer.h"
#include "tests/app/app_test_support.h"
#include "tests/setup/setup_test_support.h"

namespace {

using mgtest::RunWhen;
using mgtest::WaitUntil;

class MaintenanceSwitches : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"movigram", "help/index.html", "readme.txt"}) {
      QDir().mkpath(QFileInfo(program_.filePath(name)).absolutePath());
      ASSERT_TRUE(QFile::copy(mgtest::BuildDir() + '/' + name, program_.filePath(name)));
    }
  }
  std::unique_ptr<mg::CRecorderApp> MakeApp() {
    auto app = std::make_unique<mg::CRecorderApp>(
        mg::MakeFileRegistry(home_.SettingsFile().toStdString()));
    app->UseProgramPath(program_.filePath("movigram").toStdString());
    app->UseSetupServices(&home_.Services());
    return app;
  }
  // Every top-level window that was on the screen while `run` ran, but the chooser.
  int OtherWindowsWhile(const std::function<void()>& run) {
    int others = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<mg::CInstallToDialog*>(w)) ++others;
      if (mg::g_pMainDlg) ++others;
    });
    watch.start(5);
    run();
    return others;
  }

  mgtest::PrivateHome home_;
  mgtest::MessageAnswers answers_;
  QTemporaryDir program_;
};

TEST_F(MaintenanceSwitches, InstallBesideAnOptionsFileLeavesItsValuesInTheSettings) {
  {
    QSettings stored(home_.SettingsFile(), QSettings::IniFormat);
    stored.setValue("State/Height", 99);  // replaced: the file's settings start from defaults
  }
  QFile ini(program_.filePath("Movigram.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("\"Width\"  640\r\n\"FPS\"  25000\r\n\"Start Desc\"  \"Ctrl+F5\"\r\n");
  ini.close();

  const QString destination = home_.Path("Movigram Apps");
  RunWhen([] { return mgtest::ShownChooser() != nullptr; },
          [&] { mgtest::TypeAndPressReturn(destination); });
  auto app = MakeApp();
  int code = -1;
  EXPECT_EQ(OtherWindowsWhile([&] { code = app->InitInstance({"movigram", "-install"}); }), 0);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(answers_.shown.size(), 1u) << "only the question whether to create the directory";

  QSettings stored(home_.SettingsFile(), QSettings::IniFormat);
  EXPECT_EQ(stored.value("State/Width").toInt(), 640);
  EXPECT_EQ(stored.value("State/FPS").toInt(), 25000);
  EXPECT_EQ(stored.value("State/Height").toInt(), 240);
  EXPECT_EQ(stored.value("Keys/Start Desc").toString(), "Ctrl+F5");
  EXPECT_EQ(stored.value("Keys/LockPan Desc").toString(), "Shift+F3");
  for (const char* name : {"movigram", "help/index.html", "readme.txt", "Movigram.ini"})
    EXPECT_TRUE(QFile::exists(destination + '/' + name)) << name;
  EXPECT_TRUE(QFile::exists(home_.Path(".local/share/applications/tessaworks-movigram.desktop")));
  QSettings record(home_.Path(".local/share/Movigram-uninstall.conf"), QSettings::IniFormat);
  EXPECT_EQ(record.value("Movigram/DisplayName").toString(), "Movigram");
  EXPECT_EQ(record.value("Movigram/UninstallString").toString(), home_.ScriptPath());
}

TEST_F(MaintenanceSwitches, ACopyFailureIsToldButNotFatalAndCancelWritesNothing) {
  QFile::remove(program_.filePath("help/index.html"));  // the help cannot be copied
  RunWhen([] { return mgtest::ShownChooser() != nullptr; },
          [&] { mgtest::TypeAndPressReturn(home_.Path("Elsewhere")); });
  EXPECT_EQ(MakeApp()->InitInstance({"movigram", "-install"}), 0);
  ASSERT_EQ(answers_.shown.size(), 2u);
  EXPECT_EQ(answers_.shown[1].text,
            "Could not copy all Movigram files to the destination path, installation failed.");
  EXPECT_EQ(answers_.shown[1].icon, mg::MsgIcon::Error);
  EXPECT_TRUE(QFile::exists(home_.Path("Elsewhere/movigram")));
  EXPECT_TRUE(QFile::exists(home_.ScriptPath())) << "the steps after the copy still ran";

  // Cancelled: nothing is written, and without an options file nothing is imported.
  const QStringList before = home_.Files();
  RunWhen([] { return mgtest::ShownChooser() != nullptr; },
          [] {
            mgtest::Xdotool({"key", "Escape"});
          });
  EXPECT_EQ(MakeApp()->InitInstance({"movigram", "-install"}), 0);
  EXPECT_EQ(home_.Files(), before);
}

TEST_F(MaintenanceSwitches, UninstallAsksAndOnlyYesRemoves) {
  ASSERT_TRUE(QDir().mkpath(home_.Path("Movigram")));
  ASSERT_EQ(mg::InstallTo(program_.path().toStdString(), home_.Path("Movigram").toStdString(),
                          home_.Services()),
            1);
  {
    QSettings stored(home_.SettingsFile(), QSettings::IniFormat);
    stored.setValue("State/Width", 200);
  }
  const QStringList installed = home_.Files();

  answers_.Queue(mg::MsgAnswer::No);
  EXPECT_EQ(OtherWindowsWhile([&] {
              EXPECT_EQ(MakeApp()->InitInstance({"movigram", "-uninstall"}), 1);
            }),
            0);
  ASSERT_EQ(answers_.shown.size(), 1u);
  EXPECT_EQ(answers_.shown[0].text, "Are you sure you want to completely remove Movigram?");
  EXPECT_EQ(answers_.shown[0].buttons, mg::MsgButtons::YesNo);
  EXPECT_EQ(answers_.shown[0].icon, mg::MsgIcon::Exclamation);
  EXPECT_EQ(home_.Files(), installed);

  EXPECT_EQ(MakeApp()->InitInstance({"movigram", "-uninstall"}), 0);
  EXPECT_FALSE(QFile::exists(home_.SettingsFile()));
  EXPECT_FALSE(QFile::exists(home_.Path(".local/share/applications/tessaworks-movigram.desktop")));
  EXPECT_FALSE(QFile::exists(home_.Path(".local/share/Movigram-uninstall.conf")));
  EXPECT_EQ(MakeApp()->InitInstance({"movigram", "-uninstall"}), 0) << "twice is quiet";
}

}  // namespace
