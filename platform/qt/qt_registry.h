// The per-user settings store over QSettings.
#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace mg {

// The user's store: QSettings' native format, $XDG_CONFIG_HOME/Tessaworks/Movigram.conf on Linux;
// a key path "SOFTWARE\Tessaworks\Movigram\State" is the group "State" there.
std::unique_ptr<IRegistry> MakeUserRegistry();
// The same store kept in an explicit file, for tools and tests.
std::unique_ptr<IRegistry> MakeFileRegistry(const std::string& iniPath);

}  // namespace mg
