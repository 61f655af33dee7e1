#include "tests/setup/setup_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cstdlib>

#include "tests/app/app_test_support.h"

namespace mgtest {
namespace {

const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

}  // namespace

PrivateHome::PrivateHome() {
  for (int i = 0; i < 3; ++i) saved_[i] = qgetenv(kVariables[i]);
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", Path(".config").toUtf8());
  qputenv("XDG_DATA_HOME", Path(".local/share").toUtf8());
  settings_ = mg::MakeFileRegistry(SettingsFile().toStdString());
  uninstallRecord_ = mg::MakeUninstallRegistry();
  groups_ = mg::MakeDesktopMenuGroups(MG_SOURCE_DIR "/resources/movigram.png");
  services_.settings = settings_.get();
  services_.uninstallRecord = uninstallRecord_.get();
  services_.groups = groups_.get();
  services_.homeDir = dir_.path().toStdString();
  services_.scriptPath = ScriptPath().toStdString();
}

PrivateHome::~PrivateHome() {
  for (int i = 0; i < 3; ++i) qputenv(kVariables[i], saved_[i]);
}

QString PrivateHome::Path(const QString& relative) const {
  return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
}

QStringList PrivateHome::Files() const {
  QStringList files;
  QDirIterator it(dir_.path(), QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  const QDir root(dir_.path());
  while (it.hasNext()) files << root.relativeFilePath(it.next());
  files.sort();
  return files;
}

QProcessEnvironment PrivateHome::Environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", Path());
  env.insert("XDG_CONFIG_HOME", Path(".config"));
  env.insert("XDG_DATA_HOME", Path(".local/share"));
  return env;
}

QString BuildDir() {
  return QFileInfo(MG_MOVIGRAM_BINARY).absolutePath();
}

int RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
               QString* output) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return -1;
  }
  if (output) *output = QString::fromLocal8Bit(process.readAll());
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void Xdotool(const QStringList& arguments) {
  QProcess process;
  process.start("xdotool", arguments);
  EXPECT_TRUE(WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000));
}

void TypeAndPressReturn(const QString& text) {
  Xdotool({"key", "ctrl+a"});
  Xdotool({"type", "--delay", "1", text});
  Xdotool({"key", "Return"});
}

mg::CInstallToDialog* ShownChooser() {
  auto* dialog = qobject_cast<mg::CInstallToDialog*>(QApplication::activeModalWidget());
  return dialog && dialog->isActiveWindow() ? dialog : nullptr;
}

}  // namespace mgtest
