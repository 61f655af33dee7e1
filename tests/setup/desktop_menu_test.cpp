// The menu group on the freedesktop desktop: made by the real xdg-utils, checked by the real
// validator and read back by a real menu parser (python3-xdg), then removed again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "setup/installer.h"
#include "setup/uninstaller.h"
#include "tests/app/app_test_support.h"
#include "tests/setup/setup_test_support.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A desktop's root menu, as /etc/xdg/menus/applications.menu would be: it merges the menus
// that programs add. This machine runs no desktop, so the test brings its own.
void WriteRootMenu(const mgtest::PrivateHome& home) {
  QDir().mkpath(home.Path(".config/menus"));
  QFile menu(home.Path(".config/menus/applications.menu"));
  ASSERT_TRUE(menu.open(QIODevice::WriteOnly));
  menu.write(
      "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
      "<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/>"
      "<DefaultMergeDirs/></Menu>\n");
}

// The submenu "Movigram" as the menu parser sees it: one "name|command" line per item, or
// "no submenu".
QString ReadMenu(const mgtest::PrivateHome& home) {
  static const char* kReader =
      "import xdg.Menu\n"
      "menu = xdg.Menu.parse()\n"
      "subs = [e for e in menu.getEntries() if isinstance(e, xdg.Menu.Menu)"
      " and e.getName() == 'Movigram']\n"
      "if not subs: print('no submenu')\n"
      "for e in (subs[0].getEntries() if subs else []):\n"
      "  if isinstance(e, xdg.Menu.MenuEntry):\n"
      "    print(e.DesktopEntry.getName() + '|' + e.DesktopEntry.getExec())\n";
  QString output;
  EXPECT_EQ(mgtest::RunProgram("/usr/bin/python3", {"-c", kReader}, home.Environment(), &output), 0)
      << output.toStdString();
  return output.trimmed();
}

TEST(DesktopMenu, InstallMakesAValidSubmenuWithFourItemsAndUninstallTakesItAway) {
  mgtest::PrivateHome home;
  mgtest::MessageAnswers answers;
  WriteRootMenu(home);
  const QStringList before = home.Files();
  const QString destination = home.Path("My Apps/Movigram");
  ASSERT_TRUE(QDir().mkpath(destination));

  EXPECT_EQ(
      mg::InstallTo(mgtest::BuildDir().toStdString(), destination.toStdString(), home.Services()),
      1);
  EXPECT_TRUE(answers.shown.empty()) << answers.Texts().join('\n').toStdString();
  for (const char* name : {"movigram", "help/index.html", "readme.txt"})
    EXPECT_TRUE(QFileInfo::exists(destination + '/' + name)) << name;
  EXPECT_TRUE(QFileInfo(destination + "/movigram").isExecutable());
  // "Movigram README" opens the users' readme, not the developers' README.md.
  EXPECT_EQ(ReadAll(destination + "/readme.txt"),
            ReadAll(QStringLiteral(MG_SOURCE_DIR "/resources/readme.txt")));

  // Every entry passes the validator.
  QStringList entries = QDir(home.Path(".local/share/applications")).entryList({"*.desktop"});
  EXPECT_EQ(entries.size(), 4);
  QStringList files;
  for (const QString& e : entries) files << home.Path(".local/share/applications/" + e);
  files << home.Path(".local/share/desktop-directories/tessaworks-movigram.directory");
  for (const QString& file : files) {
    QString output;
    EXPECT_EQ(mgtest::RunProgram("desktop-file-validate", {file}, home.Environment(), &output), 0)
        << file.toStdString() << "\n"
        << output.toStdString();
    EXPECT_FALSE(output.contains("error")) << output.toStdString();
  }
  EXPECT_TRUE(
      QFile::exists(home.Path(".local/share/icons/hicolor/48x48/apps/tessaworks-movigram.png")));

  const QString quoted = "\"" + destination;
  EXPECT_EQ(ReadMenu(home), "Movigram|" + quoted + "/movigram\"\n" + "Movigram Help|xdg-open " +
                                quoted + "/help/index.html\"\n" + "Movigram README|xdg-open " +
                                quoted + "/readme.txt\"\n" + "Uninstall Movigram|" +
                                home.ScriptPath());

  // Installing again replaces the items instead of adding more.
  EXPECT_EQ(
      mg::InstallTo(mgtest::BuildDir().toStdString(), destination.toStdString(), home.Services()),
      1);
  EXPECT_EQ(QDir(home.Path(".local/share/applications")).entryList({"*.desktop"}).size(), 4);

  EXPECT_EQ(mg::Uninstall(home.Services()), 1);
  EXPECT_EQ(ReadMenu(home), "no submenu");
  EXPECT_EQ(mg::Uninstall(home.Services()), 1) << "a second time finds nothing, quietly";

  // What is left of ours: the installed files and the script, which the script removes.
  QStringList left = home.Files();
  for (const QString& file : before) left.removeAll(file);
  left.removeAll(".cache/openbox/openbox.log");
  EXPECT_EQ(left, (QStringList{".local/share/UnMovig.sh", "My Apps/Movigram/help/index.html",
                               "My Apps/Movigram/movigram", "My Apps/Movigram/readme.txt"}));
}

}  // namespace
