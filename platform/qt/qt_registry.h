// The per-user settings store over QSettings.
#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace mg {

// The user's store: QSettings' native format, $XDG_CONFIG_HOME/Tessaworks/Movigram.conf on Linux;
// a key path "SOFTWARE\Tessaworks\Movigram\State" is the group "State" there. The product key
// "SOFTWARE\Tessaworks\Movigram" is the file itself and the maker key "SOFTWARE\Tessaworks" the
// folder that holds it: their subkeys are the file's groups and the folder's entries. A file
// whose last group is deleted is removed.
std::unique_ptr<IRegistry> MakeUserRegistry();
// The same store kept in an explicit file, for tools and tests; its folder is the maker key.
std::unique_ptr<IRegistry> MakeFileRegistry(const std::string& iniPath);
// The per-user record of installed programs, $XDG_DATA_HOME/Movigram-uninstall.conf: the key
// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Movigram" is its group "Movigram".
std::unique_ptr<IRegistry> MakeUninstallRegistry();

}  // namespace mg
