#include "app/maintenance_commands.h"

#include <cstdio>

#include "settings/option_file.h"
#include "settings/settings_store.h"

namespace mg {
namespace {

void Complain(const std::string& what) {
  std::fprintf(stderr, "movigram: %s\n", what.c_str());
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
  AppSettings& settings = *context.settings;
  SettingsStore store(*context.registry);
  store.SetOptionList(&file.List());
  store.LoadState(settings);
  store.LoadKeys(settings);
  file.Save(false);
  store.SetOptionList(nullptr);
  if (!store.SaveState(settings) || !store.SaveKeys(settings)) {
    Complain("the settings could not be stored");
    return 1;
  }
  return 0;
}

bool RunMaintenanceCommand(const QString& argument, const MaintenanceContext& context,
                           int* exitCode) {
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
