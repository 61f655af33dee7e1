// The joining rule, the uninstall script's text and the menu commands.
#include <gtest/gtest.h>

#include "setup/setup_paths.h"
#include "setup/setup_texts.h"

namespace {

using mg::JoinQuoted;

TEST(SetupTexts, JoiningQuotesOnlyWhatTheShellWouldSplitAndNeverLeavesATrailingSlash) {
  EXPECT_EQ(JoinQuoted("/home/ann/Movigram", "movigram"), "/home/ann/Movigram/movigram");
  EXPECT_EQ(JoinQuoted("/home/ann/Movigram", ""), "/home/ann/Movigram");
  EXPECT_EQ(JoinQuoted("/home/ann/Movigram/", ""), "/home/ann/Movigram/");
  EXPECT_EQ(JoinQuoted("/home/ann/My Apps", "movigram"), "\"/home/ann/My Apps/movigram\"");
  EXPECT_EQ(JoinQuoted("/home/ann/My Apps", ""), "\"/home/ann/My Apps\"");
  EXPECT_EQ(JoinQuoted("/home/ann/Apps", "read me.txt"), "\"/home/ann/Apps/read me.txt\"");
  EXPECT_EQ(JoinQuoted("/home/ann/a\tb", ""), "\"/home/ann/a\tb\"");
  // Characters the shell would read are quoted too, and those still special inside double
  // quotes are escaped: a destination can never run a command of its own.
  EXPECT_EQ(JoinQuoted("/home/ann/$(rm -rf ~)", ""), "\"/home/ann/\\$(rm -rf ~)\"");
  EXPECT_EQ(JoinQuoted("/tmp/a;b`c\"d\\e", "x"), "\"/tmp/a;b\\`c\\\"d\\\\e/x\"");
  EXPECT_EQ(JoinQuoted("/tmp/it's", ""), "\"/tmp/it's\"");
}

TEST(SetupTexts, TheScriptRunsTheProgramStopsOnRefusalAndRemovesEveryFileThenItself) {
  const std::string script =
      mg::UninstallScript("/home/ann/My Apps/Movigram", "/home/ann/.local/share/UnMovig.sh");
  EXPECT_EQ(script.rfind("#!/bin/sh\n", 0), 0u);
  const std::string expectedTail =
      "\"/home/ann/My Apps/Movigram/movigram\" -uninstall\n"
      "if [ $? -ge 1 ]; then exit 1; fi\n"
      "rm -f \"/home/ann/My Apps/Movigram/file_id.diz\"\n"
      "rm -f \"/home/ann/My Apps/Movigram/movigram\"\n"
      "rm -f \"/home/ann/My Apps/Movigram/help/index.html\"\n"
      "rmdir \"/home/ann/My Apps/Movigram/help\"\n"
      "rm -f \"/home/ann/My Apps/Movigram/Movigram.ini\"\n"
      "rm -f \"/home/ann/My Apps/Movigram/readme.txt\"\n"
      "rmdir \"/home/ann/My Apps/Movigram\"\n"
      "if [ -t 1 ]; then clear; fi\n"
      "echo 'Please ignore any \"File not found\" or \"Batch file missing\" error messages.'\n"
      "echo 'They mean that Movigram was completely uninstalled.'\n"
      "echo 'You may close this window now.'\n"
      "echo\n"
      "rm -f /home/ann/.local/share/UnMovig.sh\n";
  ASSERT_GE(script.size(), expectedTail.size());
  EXPECT_EQ(script.substr(script.size() - expectedTail.size()), expectedTail);
  EXPECT_EQ(script.find('\r'), std::string::npos);
}

TEST(SetupTexts, MenuCommandsInTheirOrder) {
  EXPECT_EQ(mg::InstallGroupCommands("/home/ann/My Apps", "/home/ann/.local/share/UnMovig.sh"),
            (std::vector<std::string>{
                "[CreateGroup(Movigram)]",
                "[ShowGroup(Movigram,1)]",
                "[ReplaceItem(Movigram)]",
                "[AddItem(\"/home/ann/My Apps/movigram\",Movigram)]",
                "[ReplaceItem(Movigram Help)]",
                "[AddItem(xdg-open \"/home/ann/My Apps/help/index.html\",Movigram Help)]",
                "[ReplaceItem(Movigram README)]",
                "[AddItem(xdg-open \"/home/ann/My Apps/readme.txt\",Movigram README)]",
                "[ReplaceItem(Uninstall Movigram)]",
                "[AddItem(/home/ann/.local/share/UnMovig.sh,Uninstall Movigram,,,,,,,1)]",
                "[Reload(Movigram)]",
            }));
  EXPECT_EQ(
      mg::UninstallGroupCommands(),
      (std::vector<std::string>{"[ShowGroup(Movigram,1)]", "[DeleteItem(Movigram)]",
                                "[DeleteItem(Movigram Help)]", "[DeleteItem(Movigram README)]",
                                "[DeleteItem(Uninstall Movigram)]", "[DeleteGroup(Movigram)]"}));
}

}  // namespace
