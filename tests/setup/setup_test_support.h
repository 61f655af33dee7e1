// Support for the setup tests: a private home for each test, the list of files in it, and the
// real program and its files as the build lays them out.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "setup/install_to_dialog.h"
#include "setup/setup_services.h"

namespace mgtest {

// HOME, XDG_CONFIG_HOME and XDG_DATA_HOME in a temporary folder while it lives; the user's
// settings, uninstall record and menu are made for it.
class PrivateHome {
 public:
  PrivateHome();
  ~PrivateHome();
  QString Path(const QString& relative = {}) const;
  // Every file and link below the home, as paths relative to it, sorted.
  QStringList Files() const;
  const mg::SetupServices& Services() const { return services_; }
  QString SettingsFile() const { return Path(".config/Tessaworks/Movigram.conf"); }
  QString ScriptPath() const { return Path(".local/share/UnMovig.sh"); }
  // The environment of a program started in this home.
  QProcessEnvironment Environment() const;

 private:
  QTemporaryDir dir_;
  QByteArray saved_[3];
  std::unique_ptr<mg::IRegistry> settings_;
  std::unique_ptr<mg::IRegistry> uninstallRecord_;
  std::unique_ptr<mg::IProgramGroups> groups_;
  mg::SetupServices services_;
};

// The directory of the built program, with its help page and readme beside it.
QString BuildDir();

// Runs `program` with `arguments` in `env` and waits for its end; the exit code, or -1.
int RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
               QString* output = nullptr);

// xdotool with `arguments` (its keys go through XTest to the focused window), waited for while
// the event loop runs.
void Xdotool(const QStringList& arguments);
// Replaces the focused field's text by typing and presses Return.
void TypeAndPressReturn(const QString& text);
// The "Install Movigram" chooser once it is up and has the focus; none before.
mg::CInstallToDialog* ShownChooser();

}  // namespace mgtest
