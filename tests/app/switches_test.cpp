// The settings switches of the real program, run as a user runs them: a copy of the executable
// in a directory of its own, the options file beside it, the settings in a private home.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class Switches : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(programDir_));
    ASSERT_TRUE(QFile::copy(MG_MOVIGRAM_BINARY, programDir_ + "/movigram"));
  }
  int Run(const QString& argument) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir_.filePath("home"));
    env.insert("XDG_CONFIG_HOME", dir_.filePath("home/.config"));
    env.insert("XDG_DATA_HOME", dir_.filePath("home/.local/share"));
    env.remove("DISPLAY");  // the settings switches need no display
    process.setProcessEnvironment(env);
    process.start(programDir_ + "/movigram", {argument});
    EXPECT_TRUE(process.waitForFinished(60000));
    stderr_ = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  QByteArray Ini() const {
    QFile file(ini_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void WriteIni(const QByteArray& text) const {
    QFile file(ini_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QTemporaryDir dir_;
  QString programDir_ = dir_.filePath("program");
  QString ini_ = programDir_ + "/Movigram.ini";
  QString store_ = dir_.filePath("home/.config/Tessaworks/Movigram.conf");
  QString stderr_;
};

TEST_F(Switches, ReadoptsWithoutAFileExitsOneAndChangesNothing) {
  EXPECT_EQ(Run("-readopts"), 1);
  EXPECT_FALSE(QFile::exists(store_));
  EXPECT_TRUE(stderr_.contains("Movigram.ini")) << stderr_.toStdString();
  {
    QSettings stored(store_, QSettings::IniFormat);
    stored.setValue("State/Width", 200);
  }
  const QByteArray before = [&] {
    QFile f(store_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  EXPECT_EQ(Run("-readopts"), 1);
  QFile after(store_);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);
}

TEST_F(Switches, ReadoptsWithOnlyFpsStoresTheDefaultsForTheRest) {
  {
    QSettings stored(store_, QSettings::IniFormat);
    stored.setValue("State/Width", 200);
    stored.setValue("State/AVIFileName", "old.avi");
    stored.setValue("Keys/Start Key", 120);
  }
  WriteIni("\"FPS\"  25000\r\n");
  EXPECT_EQ(Run("-readopts"), 0) << stderr_.toStdString();
  QSettings stored(store_, QSettings::IniFormat);
  EXPECT_EQ(stored.value("State/FPS").toInt(), 25000);
  EXPECT_EQ(stored.value("State/Width").toInt(), 320);
  EXPECT_EQ(stored.value("State/AVIFileName").toString(), "clip.avi");
  EXPECT_EQ(stored.value("Keys/Start Key").toInt(), 113);
  EXPECT_EQ(stored.value("Keys/LockPan Desc").toString(), "Shift+F3");
  EXPECT_EQ(Ini(), "\"FPS\"  25000\r\n") << "reading leaves the file as it was";
}

TEST_F(Switches, DumpoptsTwiceGivesTheSameFileKeepingOtherEntriesInPlace) {
  {
    QSettings stored(store_, QSettings::IniFormat);
    stored.setValue("State/Width", 640);
    stored.setValue("State/FPS", 7500);
    stored.setValue("Keys/Pause Desc", "Ctrl+F9");
  }
  WriteIni("\"Shared By\"  \"the office\"\r\n\"width\"  1\r\n; gone on rewrite\r\n");
  EXPECT_EQ(Run("-dumpopts"), 0) << stderr_.toStdString();
  const QByteArray once = Ini();
  EXPECT_TRUE(
      once.startsWith("\"Shared By\"  \"the office\"\r\n\"width\"  640\r\n\"StartX\"  0\r\n"))
      << once.toStdString();
  EXPECT_TRUE(once.contains("\"FPS\"  7500\r\n"));
  EXPECT_TRUE(once.contains("\"Pause Desc\"  \"Ctrl+F9\"\r\n"));
  EXPECT_FALSE(once.contains("gone"));
  EXPECT_EQ(Run("-dumpopts"), 0);
  EXPECT_EQ(Ini(), once);

  // And back: the dump read into a fresh home gives the same settings.
  QFile::remove(store_);
  EXPECT_EQ(Run("-readopts"), 0);
  QSettings stored(store_, QSettings::IniFormat);
  EXPECT_EQ(stored.value("State/Width").toInt(), 640);
  EXPECT_EQ(stored.value("State/FPS").toInt(), 7500);
  EXPECT_EQ(stored.value("Keys/Pause Desc").toString(), "Ctrl+F9");
}

TEST_F(Switches, AMovieNameThatLooksLikeANumberGoesOutAndComesBackAsWritten) {
  {
    QSettings stored(store_, QSettings::IniFormat);
    stored.setValue("State/AVIFileName", "007");
    stored.setValue("State/Width", 640);
  }
  EXPECT_EQ(Run("-dumpopts"), 0) << stderr_.toStdString();
  EXPECT_TRUE(Ini().contains("\"AVIFileName\"  \"007\"\r\n")) << Ini().toStdString();
  EXPECT_TRUE(Ini().contains("\"Width\"  640\r\n"));

  QFile::remove(store_);
  EXPECT_EQ(Run("-readopts"), 0) << stderr_.toStdString();
  QSettings stored(store_, QSettings::IniFormat);
  EXPECT_EQ(stored.value("State/AVIFileName").toString(), "007");
  EXPECT_EQ(stored.value("State/Width").toInt(), 640);
}

TEST_F(Switches, DumpoptsLeavesAnOptionsFileItCannotReadAlone) {
  ASSERT_TRUE(QDir().mkdir(ini_));  // "Movigram.ini" is a directory: it cannot be read
  EXPECT_EQ(Run("-dumpopts"), 1);
  EXPECT_TRUE(QFileInfo(ini_).isDir());
  EXPECT_FALSE(stderr_.isEmpty());
}

}  // namespace
