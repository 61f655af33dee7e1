// Where the running program lives: its installed files and the options text file sit beside it.
#pragma once

#include <string>

namespace mg {

// The full path of the running executable (symbolic links resolved); empty when unknown.
std::string RunningProgramPath();

// `path` without its last component and the separator before it: "/opt/mg/movigram" gives
// "/opt/mg"; a path without a separator gives "".
std::string DirectoryOf(const std::string& path);

}  // namespace mg
