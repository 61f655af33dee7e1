// The real program, ended from outside: SIGTERM, SIGHUP and SIGINT during a recording and while
// idle, and its X server dying mid-recording. Each time the movie must be finished (index and
// current header, read back through libavformat) and the settings saved.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <functional>
#include <memory>

#include "tests/support/avi_reader.h"
#include "tests/support/xvfb_server.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QThread::msleep(50);
  }
  return true;
}

class ProgramEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = std::make_unique<mgtest::XvfbServer>(640, 480, 24);
    ASSERT_TRUE(x_->ok());
    QSettings stored(dir_.filePath("Tessaworks/Movigram.conf"), QSettings::IniFormat);
    stored.setValue("State/AVIFileName", movie_);
    stored.setValue("State/IncFilename", 0);
    stored.setValue("State/RecSound", 0);
    stored.setValue("State/WndHide", 1047);
    stored.setValue("State/Width", 160);
    stored.setValue("State/Height", 120);
    stored.setValue("State/FPS", 20000);
    stored.sync();
  }
  void TearDown() override {
    if (program_.state() != QProcess::NotRunning) {
      program_.kill();
      program_.waitForFinished(5000);
    }
  }

  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(x_->display()));
    env.insert("XDG_CONFIG_HOME", dir_.path());
    env.insert("HOME", dir_.path());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("WAYLAND_DISPLAY");
    return env;
  }

  int Xdotool(const QStringList& arguments, QString* out = nullptr) const {
    QProcess tool;
    tool.setProcessEnvironment(Environment());
    tool.start("xdotool", arguments);
    if (!tool.waitForFinished(10000)) return -1;
    if (out) *out = QString::fromUtf8(tool.readAllStandardOutput());
    return tool.exitCode();
  }

  // Starts the program and waits for its window (the hot keys are registered by then).
  bool Start() {
    program_.setProcessEnvironment(Environment());
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program_.start(MG_MOVIGRAM_PROGRAM, {});
    if (!program_.waitForStarted(10000)) return false;
    return WaitFor([&] {
      QString windows;
      return Xdotool({"search", "--onlyvisible", "--name", "^Movigram$"}, &windows) == 0 &&
             !windows.trimmed().isEmpty();
    });
  }

  // F2 as the user presses it; true once frames are reaching the movie's temporary file.
  bool StartRecording() {
    if (Xdotool({"key", "F2"}) != 0) return false;
    return WaitFor([&] { return QFileInfo(movie_ + ".part").size() > 12000; });
  }

  bool Ended() { return program_.waitForFinished(20000); }

  void ExpectFinishedMovie() {
    EXPECT_FALSE(QFileInfo::exists(movie_ + ".part")) << "the movie took its own name";
    const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(movie_.toStdString());
    ASSERT_TRUE(headers.ok) << headers.error;
    EXPECT_TRUE(headers.hasIdx1) << "the index was written";
    EXPECT_FALSE(headers.truncated);
    const mgtest::DecodedAvi movie = mgtest::DecodeAvi(movie_.toStdString(), false);
    ASSERT_TRUE(movie.ok) << movie.error;
    EXPECT_GT(movie.frames.size(), 2u);
    ASSERT_FALSE(headers.streams.empty());
    EXPECT_EQ(headers.streams[0].dwLength, static_cast<uint32_t>(movie.videoLength))
        << "the header's length is current";
    EXPECT_EQ(movie.width, 160);
  }

  void ExpectSettingsSaved() {
    QSettings stored(dir_.filePath("Tessaworks/Movigram.conf"), QSettings::IniFormat);
    EXPECT_TRUE(stored.contains("Keys/Start Key")) << "the settings were saved at the end";
    EXPECT_TRUE(stored.contains("State/WinX"));
    EXPECT_EQ(stored.value("State/AVIFileName").toString(), movie_);
  }

  QTemporaryDir dir_;
  QString movie_ = dir_.filePath("movie.avi");
  std::unique_ptr<mgtest::XvfbServer> x_;
  QProcess program_;
};

TEST_F(ProgramEnd, EachEndSignalDuringARecordingFinishesTheMovieAndSavesTheSettings) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    QFile::remove(movie_);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(StartRecording());
    ::kill(static_cast<pid_t>(program_.processId()), signal);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program_.exitCode(), 0);
    ExpectFinishedMovie();
    ExpectSettingsSaved();
  }
}

TEST_F(ProgramEnd, AnEndSignalWhileIdleEndsTheProgramWithItsSettingsSaved) {
  {
    QSettings stored(dir_.filePath("Tessaworks/Movigram.conf"), QSettings::IniFormat);
    stored.remove("Keys");
  }
  ASSERT_TRUE(Start());
  ::kill(static_cast<pid_t>(program_.processId()), SIGTERM);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_.exitCode(), 0);
  ExpectSettingsSaved();
}

TEST_F(ProgramEnd, AnEndSignalWhileAHotKeyMessageIsUpAtTheStartStillSavesTheSettings) {
  {
    QSettings stored(dir_.filePath("Tessaworks/Movigram.conf"), QSettings::IniFormat);
    stored.setValue("Keys/Start Key", 99999);  // refused at the start: a message box comes up
    stored.setValue("Keys/Start Desc", "Bogus Key");
  }
  program_.setProcessEnvironment(Environment());
  program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program_.start(MG_MOVIGRAM_PROGRAM, {});
  ASSERT_TRUE(program_.waitForStarted(10000));
  ASSERT_TRUE(WaitFor([&] {
    QString windows;
    return Xdotool({"search", "--onlyvisible", "--name", "^Movigram$"}, &windows) == 0 &&
           !windows.trimmed().isEmpty();
  }));
  ::kill(static_cast<pid_t>(program_.processId()), SIGTERM);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_.exitCode(), 0);
  ExpectSettingsSaved();
}

TEST_F(ProgramEnd, TheXServerDyingMidRecordingLeavesAFinishedMovie) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(StartRecording());
  x_.reset();  // the server is killed
  ASSERT_TRUE(Ended());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit) << "no crash";
  ExpectFinishedMovie();
  ExpectSettingsSaved();
}

}  // namespace
