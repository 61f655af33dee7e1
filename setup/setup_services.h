// What the installer and the uninstaller work on: the user's settings store, the record of
// installed programs, the desktop's program groups, and the places of the files they write.
#pragma once

#include <string>

#include "platform/program_groups.h"
#include "platform/registry.h"

namespace mg {

inline constexpr const char* kMakerName = "Tessaworks";
inline constexpr const char* kProductName = "Movigram";
inline constexpr const char* kGroupName = "Movigram";
inline constexpr const char* kUninstallKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Movigram";
inline constexpr const char* kUninstallScriptName = "UnMovig.sh";

struct SetupServices {
  IRegistry* settings = nullptr;         // the per-user settings (State and Keys)
  IRegistry* uninstallRecord = nullptr;  // DisplayName and UninstallString of the program
  IProgramGroups* groups = nullptr;      // the applications menu
  std::string homeDir;                   // the root of what the user owns: the proposal's base
  std::string scriptPath;                // the uninstall script, outside the installed directory
};

}  // namespace mg
