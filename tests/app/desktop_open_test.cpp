// Play and Help with the real desktop opener (xdg-open) in a desktop set up by the test: with no
// program for the file the user is told so in a box; with one, it is started and nothing is said.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/desktop_open.h"
#include "app/help.h"
#include "tests/app/dialog_rig.h"

namespace {

using mgtest::DialogRig;
using mgtest::WaitUntil;

// The programs xdg-open falls back to when no desktop entry takes a file or page.
bool AnyFallbackBrowser() {
  for (const char* b : {"x-www-browser", "firefox", "iceweasel", "seamonkey", "mozilla", "epiphany",
                        "konqueror", "chromium", "chromium-browser", "google-chrome", "www-browser",
                        "links2", "elinks", "links", "lynx", "w3m"})
    if (!QStandardPaths::findExecutable(QString::fromLatin1(b)).isEmpty()) return true;
  return false;
}

bool OpenersFinished() {
  return QCoreApplication::instance()->findChildren<QProcess*>().isEmpty();
}

class DesktopOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
      GTEST_SKIP() << "xdg-open is not installed";
    if (AnyFallbackBrowser()) GTEST_SKIP() << "a web browser is installed: no way to have none";
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME",
                             "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "BROWSER"})
      saved_.emplace_back(name, qgetenv(name));
    // A desktop whose only programs are the ones this test installs.
    QDir(desk_.path()).mkpath(QStringLiteral("data/applications"));
    QDir(desk_.path()).mkpath(QStringLiteral("config"));
    QDir(desk_.path()).mkpath(QStringLiteral("empty"));
    qputenv("XDG_DATA_HOME", desk_.filePath("data").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", desk_.filePath("empty").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", desk_.filePath("config").toLocal8Bit());
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "BROWSER"}) qunsetenv(name);
    mg::SetDesktopOpenHook({});  // the rig's record of requests steps aside
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_)
      value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  // A program for `mimeType` that leaves a mark when it is started.
  void InstallProgramFor(const char* mimeType) {
    QFile entry(desk_.filePath("data/applications/marker.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Marker\nExec=touch %1\n"
                               "MimeType=%2;\n")
                    .arg(Marker(), QString::fromLatin1(mimeType))
                    .toUtf8());
    entry.close();
    QFile apps(desk_.filePath("config/mimeapps.list"));
    ASSERT_TRUE(apps.open(QIODevice::WriteOnly));
    apps.write(QStringLiteral("[Default Applications]\n%1=marker.desktop\n")
                   .arg(QString::fromLatin1(mimeType))
                   .toUtf8());
  }
  QString Marker() const { return desk_.filePath("started"); }
  QString Movie() {
    const QString path = rig_.dir.filePath("movie.avi");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF\0\0\0\0AVI LIST", 16);
    return path;
  }

  QTemporaryDir desk_;
  DialogRig rig_;
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(DesktopOpen, PlayWithNoPlayerSaysSoInABox) {
  mg::CRecorderDlg& dlg = rig_.Show();
  rig_.settings.AVIFileName = Movie().toStdString();
  dlg.PlayButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return !rig_.answers.shown.empty(); }, 20000));
  EXPECT_EQ(rig_.answers.shown[0].text,
            "No program could be started to play " + rig_.dir.filePath("movie.avi") + ".");
  EXPECT_EQ(rig_.answers.shown[0].icon, mg::MsgIcon::Exclamation);
}

TEST_F(DesktopOpen, HelpWithNoBrowserSaysSoInABox) {
  mg::CRecorderDlg& dlg = rig_.Show();
  dlg.HelpCommand();
  ASSERT_TRUE(WaitUntil([&] { return !rig_.answers.shown.empty(); }, 20000));
  EXPECT_EQ(rig_.answers.shown[0].text,
            "No web browser could be started to show the help page " + mg::HelpPagePath() + ".");
}

TEST_F(DesktopOpen, PlayWithAPlayerStartsItAndSaysNothing) {
  InstallProgramFor("video/x-msvideo");
  mg::CRecorderDlg& dlg = rig_.Show();
  rig_.settings.AVIFileName = Movie().toStdString();
  dlg.PlayButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(Marker()) && OpenersFinished(); }, 20000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(rig_.answers.shown.empty()) << rig_.answers.Texts().join('|').toStdString();
}

}  // namespace
