// A recording cut off by kill -9: the real program records into its temporary file and is killed.
// The next start of Movigram gives the movie a numbered name of its own, still playable, and says
// where it is, once; a file that another program holds locked is left alone.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "app/recorder_app.h"
#include "capture/movie_file.h"
#include "platform/qt/qt_registry.h"
#include "tests/app/app_test_support.h"
#include "tests/support/avi_reader.h"

// X key symbols only: X.h's macros (None) would break the names above.
#include <X11/keysym.h>

namespace {

using mgtest::RunWhen;
using mgtest::WaitUntil;

class CutOffRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings stored(conf_, QSettings::IniFormat);
    stored.setValue("State/AVIFileName", movie_);
    stored.setValue("State/IncFilename", 0);
    stored.setValue("State/RecSound", 0);
    stored.setValue("State/WndHide", 1047);
    stored.setValue("State/Width", 160);
    stored.setValue("State/Height", 120);
    stored.setValue("State/FPS", 20000);
  }

  // The real program, with the settings above, recording until it is killed.
  bool RecordInAnotherProcess(QProcess* program) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_.path());
    env.insert("HOME", dir_.path());
    program->setProcessEnvironment(env);
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral(MG_MOVIGRAM_PATH), {});
    if (!program->waitForStarted(10000)) return false;
    // Its window is up once its hot keys are registered.
    const bool shown = WaitUntil(
        [&] {
          QProcess search;
          search.start("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                                   QString::number(program->processId()), "--name", "^Movigram$"});
          return search.waitForFinished(10000) && search.exitCode() == 0 &&
                 !search.readAllStandardOutput().trimmed().isEmpty();
        },
        20000);
    if (!shown || !keyboard_.ok()) return false;
    keyboard_.Tap(XK_F2);
    return WaitUntil([&] { return QFileInfo(movie_ + ".part").size() > 12000; }, 20000);
  }

  // Movigram in this process, as a user starts it, until its window is up and then Exit.
  void StartMovigram() {
    mg::CRecorderApp app(mg::MakeFileRegistry(conf_.toStdString()));
    mg::PlatformServices services = capture_.Platform();
    services.hotKeys = &keys_;
    app.UseServices(services);
    bool shown = false;
    RunWhen([] { return mg::g_pMainDlg && mg::g_pMainDlg->isVisible(); },
            [&] {
              shown = true;
              QCoreApplication::processEvents();  // what the window has to say at the start
              mg::g_pMainDlg->ExitButton()->click();
            });
    app.InitInstance({"movigram"});
    EXPECT_TRUE(shown);
  }

  QTemporaryDir dir_;
  QString conf_ = dir_.filePath("Tessaworks/Movigram.conf");
  QString movie_ = dir_.filePath("movie.avi");
  mgtest::MessageAnswers answers_;
  mgtest::RealCapture capture_;
  mgtest::ManualHotKeys keys_;
  mgtest::Keyboard keyboard_;
};

TEST_F(CutOffRecording, TheNextStartGivesItAPlayableNumberedNameAndSaysWhereOnce) {
  QProcess recorder;
  ASSERT_TRUE(RecordInAnotherProcess(&recorder));
  ::kill(static_cast<pid_t>(recorder.processId()), SIGKILL);
  ASSERT_TRUE(recorder.waitForFinished(10000));
  ASSERT_TRUE(QFileInfo::exists(movie_ + ".part"));
  ASSERT_FALSE(QFileInfo::exists(movie_));

  StartMovigram();
  const QString rescued = dir_.filePath("movie0001.avi");
  ASSERT_EQ(answers_.shown.size(), 1u) << answers_.Texts().join('|').toStdString();
  EXPECT_EQ(answers_.shown[0].text,
            "A recording was cut off before it was finished (Movigram or the computer stopped "
            "while it ran). What it recorded is in " +
                rescued + ".");
  EXPECT_EQ(answers_.shown[0].icon, mg::MsgIcon::Information);
  EXPECT_FALSE(QFileInfo::exists(movie_ + ".part"));
  EXPECT_FALSE(QFileInfo::exists(movie_)) << "it takes a name of its own, not the settings' name";

  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rescued.toStdString(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_GT(movie.frames.size(), 2u);
  EXPECT_EQ(movie.width, 160);
  EXPECT_EQ(movie.decodeErrors, 0);

  // Found once: the next start has nothing to say.
  StartMovigram();
  EXPECT_EQ(answers_.shown.size(), 1u) << answers_.Texts().join('|').toStdString();
  EXPECT_TRUE(QFileInfo::exists(rescued));
}

TEST_F(CutOffRecording, OneThatAnotherProgramHoldsLockedIsLeftAlone) {
  {
    QFile part(movie_ + ".part");
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write(QByteArray("RIFF\x10\x00\x00\x00"
                          "AVI LIST",
                          16) +
               "being written");
  }
  QProcess holder;  // holds the lock as a recording does, until its input ends
  holder.start("flock", {"-x", movie_ + ".part", "cat"});
  ASSERT_TRUE(WaitUntil([&] { return mg::HeldByRecording((movie_ + ".part").toStdString()); }));

  StartMovigram();
  EXPECT_TRUE(answers_.shown.empty()) << answers_.Texts().join('|').toStdString();
  EXPECT_TRUE(QFileInfo::exists(movie_ + ".part"));
  EXPECT_EQ(QDir(dir_.path()).entryList({"*.avi"}, QDir::Files), QStringList{});

  holder.closeWriteChannel();
  holder.waitForFinished(5000);
}

}  // namespace
