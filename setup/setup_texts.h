// The texts the installer writes: the uninstall script and the lists of menu-group commands.
#pragma once

#include <string>
#include <vector>

namespace mg {

// The files copied from the program's directory, in this order; the program and its help must
// arrive, the others may be missing.
struct InstalledFile {
  const char* name;
  bool required;
};
inline constexpr InstalledFile kInstalledFiles[] = {
    {"file_id.diz", false},    {"readme.txt", false},   {"movigram", true},
    {"help/index.html", true}, {"Movigram.ini", false},
};

// The POSIX shell script that runs the program with "-uninstall", stops when it exits with 1 or
// more, and otherwise removes the installed files, the directory and itself.
std::string UninstallScript(const std::string& destination, const std::string& scriptPath);

// The menu commands of an installation into `destination`, and of the removal.
std::vector<std::string> InstallGroupCommands(const std::string& destination,
                                              const std::string& scriptPath);
std::vector<std::string> UninstallGroupCommands();

}  // namespace mg
