// Removing Movigram from the user's desktop: the menu group with its items, the settings and the
// uninstall record. The uninstall script then deletes the files.
#pragma once

#include <string>

#include "setup/setup_services.h"

namespace mg {

// 1 when every step ran; 0 when the desktop has no menu service (then nothing is removed).
int Uninstall(const SetupServices& services);

// The settings of `product` by `maker` (its groups "Keys" and "State", then the product), the
// maker when nothing else of it is left, and the uninstall record. Missing keys are passed over.
void RemoveRegistryKeys(IRegistry& settings, IRegistry* uninstallRecord, const std::string& maker,
                        const std::string& product);

}  // namespace mg
