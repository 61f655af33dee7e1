#include "app/maintenance_commands.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "app/message_box.h"
#include "app/strings.h"
#include "platform/program_path.h"
#include "platform/qt/qt_registry.h"
#include "settings/option_file.h"
#include "settings/settings_store.h"
#include "setup/installer.h"
#include "setup/uninstaller.h"

namespace mg {
namespace {

void Complain(const std::string& what) {
  std::fprintf(stderr, "movigram: %s\n", what.c_str());
}

// The file's values become the settings and are stored; false when the store could not be
// written. The file itself is not rewritten; its list is emptied.
bool ImportOptions(const MaintenanceContext& context, OptionFile& file) {
  AppSettings& settings = *context.settings;
  SettingsStore store(*context.registry);
  store.SetOptionList(&file.List());
  store.LoadState(settings);
  store.LoadKeys(settings);
  file.Save(false);
  store.SetOptionList(nullptr);
  const bool state = store.SaveState(settings);
  const bool keys = store.SaveKeys(settings);
  return state && keys;
}

}  // namespace

int DumpOptions(const MaintenanceContext& context) {
  AppSettings& settings = *context.settings;
  SettingsStore store(*context.registry);
  store.LoadState(settings);
  store.LoadKeys(settings);

  // An existing file is read first so that its other entries survive in their places; a file
  // that is there but cannot be read is left alone rather than overwritten.
  OptionFile file;
  if (file.Load(context.programPath) == OptionLoad::Unreadable) {
    Complain(file.Error() + "; the settings were not written");
    return 1;
  }
  store.SetOptionList(&file.List());
  store.SaveState(settings);
  store.SaveKeys(settings);
  store.SetOptionList(nullptr);
  if (!file.Save(true)) {
    Complain(file.Error());
    return 1;
  }
  return 0;
}

int ReadOptions(const MaintenanceContext& context) {
  OptionFile file;
  if (file.Load(context.programPath) != OptionLoad::Read) {
    Complain(file.Error());
    return 1;
  }
  // The store is not read first: a value the file does not name keeps its default.
  if (!ImportOptions(context, file)) {
    Complain("the settings could not be stored");
    return 1;
  }
  return 0;
}

int InstallCommand(const MaintenanceContext& context, const SetupServices& setup) {
  Install(DirectoryOf(context.programPath), setup);  // its outcome changes nothing below

  // The options file beside the program, when there is one, becomes the user's settings; what
  // it does not name keeps its default.
  OptionFile file;
  if (file.Load(context.programPath) != OptionLoad::Read) return 0;
  ImportOptions(context, file);
  return 0;
}

int UninstallCommand(const SetupServices& setup) {
  // The uninstall script stops at anything but 0: the user said no.
  if (ShowMessageBox(nullptr, ResString(res::IDS_UNINSTALL_QUESTION), MsgButtons::YesNo,
                     MsgIcon::Exclamation) != MsgAnswer::Yes)
    return 1;
  Uninstall(setup);
  return 0;
}

// The user's own desktop, for a program that was given none.
struct UserDesktop {
  explicit UserDesktop(IRegistry* settings)
      : uninstallRecord(MakeUninstallRegistry()),
        groups(MakeDesktopMenuGroups(":/movigram/movigram.png")) {
    services.settings = settings;
    services.uninstallRecord = uninstallRecord.get();
    services.groups = groups.get();
    services.homeDir = QDir::homePath().toStdString();
    services.scriptPath = (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           '/' + kUninstallScriptName)
                              .toStdString();
  }
  std::unique_ptr<IRegistry> uninstallRecord;
  std::unique_ptr<IProgramGroups> groups;
  SetupServices services;
};

bool RunMaintenanceCommand(const QString& argument, const MaintenanceContext& context,
                           int* exitCode) {
  if (argument == QLatin1String("-install") || argument == QLatin1String("-uninstall")) {
    std::unique_ptr<UserDesktop> own;
    const SetupServices* setup = context.setup;
    if (!setup) {
      own = std::make_unique<UserDesktop>(context.registry);
      setup = &own->services;
    }
    *exitCode = argument == QLatin1String("-install") ? InstallCommand(context, *setup)
                                                      : UninstallCommand(*setup);
    return true;
  }
  if (argument == QLatin1String("-dumpopts")) {
    *exitCode = DumpOptions(context);
    return true;
  }
  if (argument == QLatin1String("-readopts")) {
    *exitCode = ReadOptions(context);
    return true;
  }
  return false;
}

}  // namespace mg
