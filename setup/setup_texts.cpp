#include "setup/setup_texts.h"

#include "setup/setup_paths.h"
#include "setup/setup_services.h"

namespace mg {

std::string UninstallScript(const std::string& destination, const std::string& scriptPath) {
  const auto q = [&](const char* name) { return JoinQuoted(destination, name); };
  std::string s;
  s += "#!/bin/sh\n";
  s += "# Removes Movigram: the program asks and takes its menu group and settings away, then "
       "this\n";
  s += "# script deletes the program's files, its directory and itself.\n";
  s += q("movigram") + " -uninstall\n";
  s += "if [ $? -ge 1 ]; then exit 1; fi\n";
  for (const char* name : {"file_id.diz", "movigram", "help/index.html"})
    s += "rm -f " + q(name) + "\n";
  s += "rmdir " + q("help") + "\n";
  for (const char* name : {"Movigram.ini", "readme.txt"}) s += "rm -f " + q(name) + "\n";
  s += "rmdir " + q("") + "\n";
  s += "if [ -t 1 ]; then clear; fi\n";
  s += "echo 'Please ignore any \"File not found\" or \"Batch file missing\" error messages.'\n";
  s += "echo 'They mean that Movigram was completely uninstalled.'\n";
  s += "echo 'You may close this window now.'\n";
  s += "echo\n";
  s += "rm -f " + JoinQuoted(scriptPath, "") + "\n";
  return s;
}

std::vector<std::string> InstallGroupCommands(const std::string& destination,
                                              const std::string& scriptPath) {
  const std::string group = kGroupName;
  return {
      "[CreateGroup(" + group + ")]",
      "[ShowGroup(" + group + ",1)]",
      "[ReplaceItem(Movigram)]",
      "[AddItem(" + JoinQuoted(destination, "movigram") + ",Movigram)]",
      "[ReplaceItem(Movigram Help)]",
      "[AddItem(xdg-open " + JoinQuoted(destination, "help/index.html") + ",Movigram Help)]",
      "[ReplaceItem(Movigram README)]",
      "[AddItem(xdg-open " + JoinQuoted(destination, "readme.txt") + ",Movigram README)]",
      "[ReplaceItem(Uninstall Movigram)]",
      // The ninth argument asks for the item to start minimised: the script shows no window.
      "[AddItem(" + JoinQuoted(scriptPath, "") + ",Uninstall Movigram,,,,,,,1)]",
      "[Reload(" + group + ")]",
  };
}

std::vector<std::string> UninstallGroupCommands() {
  return {
      "[ShowGroup(Movigram,1)]",          "[DeleteItem(Movigram)]",
      "[DeleteItem(Movigram Help)]",      "[DeleteItem(Movigram README)]",
      "[DeleteItem(Uninstall Movigram)]", "[DeleteGroup(Movigram)]",
  };
}

}  // namespace mg
