// The uninstall script as a user runs it, under dash and bash: it starts the installed program
// with "-uninstall", whose real question is answered through XTest; Yes leaves nothing of ours
// in the home folder, No leaves everything.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include "setup/installer.h"

// Xlib after Qt: its macros would clash with Qt's names.
#include <X11/keysym.h>
#include "tests/app/app_test_support.h"
#include "tests/setup/setup_test_support.h"

namespace {

using mgtest::WaitUntil;

struct Case {
  const char* shell;
  bool yes;
};

class UninstallScript : public ::testing::TestWithParam<Case> {};

TEST_P(UninstallScript, RunsTheProgramAndRemovesEverythingOnlyOnYes) {
  mgtest::PrivateHome home;
  mgtest::MessageAnswers answers;
  const QStringList before = home.Files();

  const QString destination = home.Path("My Apps/Movigram");
  ASSERT_TRUE(QDir().mkpath(destination));
  ASSERT_EQ(
      mg::InstallTo(mgtest::BuildDir().toStdString(), destination.toStdString(), home.Services()),
      1);
  {
    QSettings stored(home.SettingsFile(), QSettings::IniFormat);
    stored.setValue("State/Width", 200);
    stored.setValue("Keys/Start Key", 120);
  }
  const QStringList installed = home.Files();
  EXPECT_TRUE(installed.contains(".local/share/UnMovig.sh"));
  EXPECT_TRUE(installed.contains(".config/Tessaworks/Movigram.conf"));
  EXPECT_TRUE(installed.contains(".local/share/Movigram-uninstall.conf"));
  EXPECT_TRUE(
      installed.contains(".local/share/applications/tessaworks-uninstall-movigram.desktop"));

  QProcess script;
  script.setProcessEnvironment(home.Environment());
  script.setProcessChannelMode(QProcess::MergedChannels);
  script.start(GetParam().shell, {home.ScriptPath()});
  // The program's question, answered at the keyboard.
  QProcess xdotool;
  xdotool.start("xdotool",
                {"search", "--sync", "--onlyvisible", "--name", "^Movigram$", "windowactivate",
                 "--sync", "key", GetParam().yes ? "Return" : "Escape"});
  ASSERT_TRUE(WaitUntil([&] { return xdotool.state() == QProcess::NotRunning; }, 60000))
      << script.readAll().toStdString();
  mgtest::Keyboard keyboard;
  ASSERT_TRUE(keyboard.ok());
  keyboard.Tap(GetParam().yes ? XK_Return : XK_Escape);
  ASSERT_TRUE(WaitUntil([&] { return script.state() == QProcess::NotRunning; }, 60000));
  const QString output = QString::fromLocal8Bit(script.readAll());

  if (GetParam().yes) {
    EXPECT_EQ(script.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(
        "Please ignore any \"File not found\" or \"Batch file missing\" error messages.\n"
        "They mean that Movigram was completely uninstalled.\n"
        "You may close this window now.\n\n"))
        << output.toStdString();
    EXPECT_EQ(home.Files(), before);
    EXPECT_FALSE(QDir(destination).exists());
    EXPECT_FALSE(QDir(home.Path(".config/Tessaworks")).exists());
  } else {
    EXPECT_EQ(script.exitCode(), 1) << output.toStdString();
    EXPECT_FALSE(output.contains("uninstalled"));
    EXPECT_EQ(home.Files(), installed);
  }
  EXPECT_TRUE(answers.shown.empty()) << "the installer itself asked nothing";
}

INSTANTIATE_TEST_SUITE_P(Shells, UninstallScript,
                         ::testing::Values(Case{"dash", true}, Case{"dash", false},
                                           Case{"bash", true}, Case{"bash", false}),
                         [](const auto& param) {
                           return std::string(param.param.shell) + (param.param.yes ? "Yes" : "No");
                         });

}  // namespace
