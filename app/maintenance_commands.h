// The maintenance commands behind the four switches: install, uninstall, export and import of the
// settings. Each ends the process with its exit code; none opens the main window, registers a
// hot key or can start a recording.
#pragma once

#include <QString>
#include <string>

#include "platform/registry.h"
#include "settings/app_settings.h"
#include "setup/setup_services.h"

namespace mg {

struct MaintenanceContext {
  AppSettings* settings = nullptr;       // the application's settings, at their defaults
  IRegistry* registry = nullptr;         // the user's settings store
  std::string programPath;               // the running program, beside which "Movigram.ini" lies
  const SetupServices* setup = nullptr;  // the desktop to install into; none: the user's own
};

// True when `argument` is one of the switches (compared exactly) and its command ran; the
// process then ends with `*exitCode`.
bool RunMaintenanceCommand(const QString& argument, const MaintenanceContext& context,
                           int* exitCode);

// "-dumpopts": the stored settings into the options file, keeping its other entries in place.
int DumpOptions(const MaintenanceContext& context);
// "-readopts": the options file's settings into the store; what the file does not name takes
// its default.
int ReadOptions(const MaintenanceContext& context);

}  // namespace mg
