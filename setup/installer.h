// Installing Movigram for the user: the destination is chosen, the program's files are copied
// there, the uninstall script and the uninstall record are written, and the menu group is made.
#pragma once

#include <QString>
#include <string>

#include "setup/setup_services.h"

namespace mg {

inline constexpr const char* kCopyFailedText =
    "Could not copy all Movigram files to the destination path, installation failed.";

// 1 when every step ran; 0 when the chooser was cancelled (nothing written) or the desktop has
// no menu service (then the files, the script and the record are there, the group is not).
int Install(const std::string& sourceDir, const SetupServices& services);

// The steps after the chooser, for a destination already chosen.
int InstallTo(const std::string& sourceDir, const std::string& destination,
              const SetupServices& services);

// The proposal: "Movigram" in the user's home folder, which is to a user what the drive root is
// on a machine of one's own.
QString ProposedDestination(const SetupServices& services);

}  // namespace mg
