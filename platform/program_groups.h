// The desktop's program groups: the menu the installer puts the program into. It is driven by
// Program Manager's command strings, so that the installer's list of commands stays what it is:
// "[CreateGroup(name)]", "[ShowGroup(name,n)]", "[ReplaceItem(name)]",
// "[AddItem(command line,name,...)]", "[Reload(name)]", "[DeleteItem(name)]",
// "[DeleteGroup(name)]". Items belong to the group last created or shown.
#pragma once

#include <memory>
#include <string>

namespace mg {

class IProgramGroups {
 public:
  virtual ~IProgramGroups() = default;
  // Readies the service; false when the desktop offers none.
  virtual bool Initialize() = 0;
  // Carries out one command; false when it failed or is unknown.
  virtual bool Execute(const std::string& command) = 0;
};

// The user's freedesktop applications menu: a submenu per group made of a ".directory" file and
// ".desktop" entries under $XDG_DATA_HOME, merged into the menu by a file under
// $XDG_CONFIG_HOME/menus/applications-merged, and the group's icon in the hicolor theme; written
// by xdg-desktop-menu and xdg-icon-resource. Files are named "<vendor>-<name>". `iconPng` (a
// 48x48 PNG, a Qt resource path is fine) becomes the icon of the group and its items.
std::unique_ptr<IProgramGroups> MakeDesktopMenuGroups(const std::string& iconPng,
                                                      const std::string& vendor = "tessaworks");

}  // namespace mg
