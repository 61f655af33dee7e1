// Paths as the uninstall script and the menu commands write them.
#pragma once

#include <string>

namespace mg {

// `dir` and `name` joined by a slash, in double quotes when either holds a blank, a tab or any
// other character the shell would read specially ($ ` " \ inside are escaped by a backslash).
// A trailing slash goes, also before the closing quote: joining with "" gives the directory.
std::string JoinQuoted(const std::string& dir, const std::string& name);

}  // namespace mg
