// The application object: holds the settings for the life of the process and runs it: load the
// settings, run the main dialog until the user leaves, save the settings.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "platform/platform_services.h"
#include "platform/registry.h"
#include "settings/app_settings.h"

namespace mg {

class EscapeFilter;
struct SetupServices;

class CRecorderApp {
 public:
  // `registry` is the settings store; none means the user's own (MakeUserRegistry).
  explicit CRecorderApp(std::unique_ptr<IRegistry> registry = nullptr);
  ~CRecorderApp();
  CRecorderApp(const CRecorderApp&) = delete;
  CRecorderApp& operator=(const CRecorderApp&) = delete;

  // Tests give their own platform; by default the real one is made at the start.
  void UseServices(const PlatformServices& services);
  // Tests place the program elsewhere; by default it is the running executable.
  void UseProgramPath(const std::string& path);
  // The desktop that "-install" and "-uninstall" work on; by default the user's own.
  void UseSetupServices(const SetupServices* setup);

  // The whole life of the process; `arguments` as QCoreApplication::arguments() gives them.
  // Returns the exit code.
  int InitInstance(const QStringList& arguments);

  AppSettings settings;

 private:
  std::unique_ptr<IRegistry> registry_;
  std::unique_ptr<PlatformServices> services_;
  std::unique_ptr<EscapeFilter> escapeFilter_;
  std::string programPath_;
  const SetupServices* setup_ = nullptr;
};

// The four maintenance switches, compared exactly.
bool IsMaintenanceSwitch(const QString& argument);

}  // namespace mg
