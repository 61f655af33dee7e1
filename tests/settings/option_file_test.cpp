// The options text file through the settings store, with real files: the entry rules, the
// written form, the round trip that keeps other entries, and files that are no options file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "platform/qt/qt_registry.h"
#include "settings/option_file.h"

namespace {

using mg::AppSettings;
using mg::OptionFile;
using mg::OptionLoad;

class OptionFileTest : public ::testing::Test {
 protected:
  std::string Program() const { return dir_.filePath("movigram").toStdString(); }
  std::string IniPath() const { return dir_.filePath("Movigram.ini").toStdString(); }
  void WriteIni(const std::string& text) const {
    std::ofstream(IniPath(), std::ios::binary) << text;
  }
  std::string ReadIni() const {
    std::ifstream in(IniPath(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  // Loads the file in option-file mode into defaults, as "-readopts" does.
  AppSettings Import() {
    AppSettings s;
    EXPECT_EQ(file_.Load(Program()), OptionLoad::Read);
    store_.SetOptionList(&file_.List());
    store_.LoadState(s);
    store_.LoadKeys(s);
    file_.Save(false);
    store_.SetOptionList(nullptr);
    return s;
  }
  // Dumps `s` over the existing file, as "-dumpopts" does.
  void Export(const AppSettings& s) {
    EXPECT_NE(file_.Load(Program()), OptionLoad::Unreadable);
    store_.SetOptionList(&file_.List());
    store_.SaveState(s);
    store_.SaveKeys(s);
    store_.SetOptionList(nullptr);
    EXPECT_TRUE(file_.Save(true));
  }

  QTemporaryDir dir_;
  std::unique_ptr<mg::IRegistry> registry_ =
      mg::MakeFileRegistry(dir_.filePath("unused.conf").toStdString());
  mg::SettingsStore store_{*registry_};
  OptionFile file_;
};

TEST_F(OptionFileTest, PathIsBesideTheProgram) {
  EXPECT_EQ(mg::OptionFilePath("/opt/mg/movigram"), "/opt/mg/Movigram.ini");
  EXPECT_EQ(mg::OptionFilePath("C:\\Movigram\\Movigram.exe"), "C:\\Movigram\\Movigram.ini");
  EXPECT_EQ(mg::OptionFilePath("movigram"), "Movigram.ini");
}

TEST_F(OptionFileTest, FirstDumpOfDefaultsListsStateThenKeysInTheWrittenForm) {
  AppSettings defaults;
  Export(defaults);
  EXPECT_EQ(ReadIni(),
            "\"StartX\"  0\r\n\"StartY\"  0\r\n\"Width\"  320\r\n\"Height\"  240\r\n"
            "\"WinX\"  -1000\r\n\"WinY\"  -1000\r\n\"WndHide\"  1048\r\n\"IncFilename\"  1\r\n"
            "\"RecSound\"  1\r\n\"FPS\"  10000\r\n\"Compress\"  75\r\n\"KeyFrames\"  20\r\n"
            "\"AVIFileName\"  \"clip.avi\"\r\n"
            "\"Start Key\"  113\r\n\"Start Mod\"  0\r\n\"Start Desc\"  \"F2\"\r\n"
            "\"Pause Key\"  114\r\n\"Pause Mod\"  0\r\n\"Pause Desc\"  \"F3\"\r\n"
            "\"LockPan Key\"  114\r\n\"LockPan Mod\"  4\r\n\"LockPan Desc\"  \"Shift+F3\"\r\n"
            "\"Pan Modifiers\"  4\r\n\"Pan Locked\"  0\r\n");
}

TEST_F(OptionFileTest, EntryLinesFollowTheReadingRules) {
  WriteIni(
      "; a comment\n"
      "\"fps\"\t15000\r\n"                     // tab, lower-case key, CR LF
      "\"Width\"  640px\n"                     // digits up to the first other character
      "\"Width\"  100\n"                       // the first of two equal keys counts
      "\"Height\"  abc\n"                      // no digits gives 0
      " \"Compress\"  10\n"                    // indented: not an entry
      "\"AVIFileName\"   \"my clip.avi\"\r\n"  // a text keeps its blank
      "\"Start Desc\"  \"say \"hi\"\"\n"       // quotes inside a text stay
      "\"Pause Desc\"  \"no closing quote\n"   // the last character goes, whatever it is
      "\"WinX\"  -499\n"
      "\"KeyFrames\"  \"7\"\n"    // a text for a number: not taken
      "\"LockPan Desc\"  31\n");  // a number for a text: taken as written
  const AppSettings s = Import();
  EXPECT_DOUBLE_EQ(s.FPS, 15.0);
  EXPECT_EQ(s.Width, 640);
  EXPECT_EQ(s.Height, 0);
  EXPECT_EQ(s.Compress, 75);
  EXPECT_EQ(s.AVIFileName, "my clip.avi");
  EXPECT_EQ(s.StartDesc, "say \"hi\"");
  EXPECT_EQ(s.PauseDesc, "no closing quot");
  EXPECT_EQ(s.WinX, -499);
  EXPECT_EQ(s.KeyFrames, 20);
  EXPECT_EQ(s.LockPanDesc, "31");
  EXPECT_EQ(s.StartX, 0) << "missing from the file: the default";
}

// -dumpopts reads the user's store and writes the file, -readopts reads the file and stores
// it: a movie name or key description that looks like a number (or holds a comma) comes out of
// the whole round as it went in.
TEST_F(OptionFileTest, TextsThatLookLikeNumbersSurviveTheStoreTheDumpAndTheImport) {
  auto userStore = mg::MakeFileRegistry(dir_.filePath("Movigram.conf").toStdString());
  mg::SettingsStore user(*userStore);
  for (const std::string text : {"007", "+5", "1e3", " 12", "0x10", "12abc", "a,b.avi"}) {
    AppSettings s;
    s.AVIFileName = text;
    s.StartDesc = text;
    ASSERT_TRUE(user.SaveState(s));
    ASSERT_TRUE(user.SaveKeys(s));
    AppSettings stored;  // -dumpopts
    user.LoadState(stored);
    user.LoadKeys(stored);
    QFile::remove(QString::fromStdString(IniPath()));
    Export(stored);
    const std::string ini = ReadIni();
    EXPECT_NE(ini.find("\"AVIFileName\"  \"" + text + "\"\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\"Start Desc\"  \"" + text + "\"\r\n"), std::string::npos) << ini;

    const AppSettings imported = Import();  // -readopts
    ASSERT_TRUE(user.SaveState(imported));
    ASSERT_TRUE(user.SaveKeys(imported));
    AppSettings back;
    user.LoadState(back);
    user.LoadKeys(back);
    EXPECT_EQ(back.AVIFileName, text);
    EXPECT_EQ(back.StartDesc, text);
  }

  // Written by hand without quotes, a text is still taken as written; a number stays a number.
  WriteIni("\"AVIFileName\"  007\r\n\"Start Desc\"  +5\r\n\"Width\"  0640\r\n");
  const AppSettings s = Import();
  EXPECT_EQ(s.AVIFileName, "007");
  EXPECT_EQ(s.StartDesc, "+5");
  EXPECT_EQ(s.Width, 640);
}

TEST_F(OptionFileTest, TextsLongerThanTheirCapacityLeaveTheSettingAsItWas) {
  const std::string fits(259, 'n');
  const std::string tooLong(260, 'n');
  WriteIni("\"AVIFileName\"  \"" + tooLong + "\"\n\"Start Desc\"  \"" + std::string(59, 'd') +
           "\"\n\"Pause Desc\"  \"" + std::string(60, 'd') + "\"\n");
  AppSettings s = Import();
  EXPECT_EQ(s.AVIFileName, "clip.avi");
  EXPECT_EQ(s.StartDesc, std::string(59, 'd'));
  EXPECT_EQ(s.PauseDesc, "F3");
  WriteIni("\"AVIFileName\"  \"" + fits + "\"\n");
  s = Import();
  EXPECT_EQ(s.AVIFileName, fits);

  // The primitive itself: too small a buffer asks for the size needed and fills nothing.
  WriteIni("\"AVIFileName\"  \"abc\"\n\"Width\"  12\n");
  ASSERT_EQ(file_.Load(Program()), OptionLoad::Read);
  char buffer[8] = "zzzzzzz";
  uint32_t type = 0, size = 3;
  EXPECT_EQ(file_.List().Read("avifilename", &type, buffer, &size), 234);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, mg::kRegSz);
  EXPECT_EQ(buffer[0], 'z');
  type = 0;  // whatever is stored
  size = 3;
  EXPECT_EQ(file_.List().Read("WIDTH", &type, buffer, &size), 234);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, mg::kRegDword);
  EXPECT_EQ(file_.List().Read("Height", &type, buffer, &size), -1);
  EXPECT_EQ(file_.List().Write("Width", 3, buffer, 4), -1) << "binary values are refused";
}

TEST_F(OptionFileTest, DumpUpdatesEntriesInPlaceKeepsOthersAndDropsOtherLines) {
  WriteIni(
      "# exported on the office machine\n"
      "\"My Note\"  \"keep me\"\n"
      "\"width\"  1\n"
      "\"Width\"  2\n"
      "\n"
      "\"Zoom\"  3\n");
  AppSettings s;
  s.Width = 800;
  s.FPS = 29.97;
  Export(s);
  const std::string once = ReadIni();
  EXPECT_EQ(once.rfind("\"My Note\"  \"keep me\"\r\n\"width\"  800\r\n\"Width\"  2\r\n"
                       "\"Zoom\"  3\r\n\"StartX\"  0\r\n",
                       0),
            0u)
      << once;
  EXPECT_EQ(once.find('#'), std::string::npos);
  EXPECT_NE(once.find("\"FPS\"  29970\r\n"), std::string::npos);
  Export(s);
  EXPECT_EQ(ReadIni(), once) << "a second dump gives the same file";
}

TEST_F(OptionFileTest, LongLinesBinaryGarbageAndHugeFilesNeverReachBeyondABuffer) {
  // A line longer than one piece: its first piece is the entry, the rest is dropped even when
  // it looks like an entry itself.
  std::string line = "\"Start Desc\"  \"" + std::string(1200, 'x') + "\"Width\"  7\"\n";
  WriteIni(line + "\"Height\"  9\n" + std::string("\"\0\"\x01\xff  \x80\n", 9) +
           "\"unclosed\n\"\"  5\n\"");
  AppSettings s = Import();
  EXPECT_EQ(s.StartDesc, "F2");
  EXPECT_EQ(s.Width, 320);
  EXPECT_EQ(s.Height, 9);
  ASSERT_EQ(file_.Load(Program()), OptionLoad::Read);
  ASSERT_EQ(file_.List().Entries().size(), 3u);
  EXPECT_EQ(file_.List().Entries()[0].value.size(), mg::kOptionPieceLength - 14);
  EXPECT_EQ(file_.List().Entries()[2].key, std::string("\0", 1));

  // A file far too large for an options file is refused, and a dump leaves it alone.
  {
    std::ofstream big(IniPath(), std::ios::binary);
    const std::string block(1 << 20, '"');
    for (int i = 0; i < 100; ++i) big << block;
  }
  EXPECT_EQ(file_.Load(Program()), OptionLoad::Unreadable);
  EXPECT_NE(file_.Error().find("not an options file"), std::string::npos);
  EXPECT_EQ(QFile(QString::fromStdString(IniPath())).size(), 100 << 20);
}

TEST_F(OptionFileTest, MissingFileAndUnwritablePlace) {
  EXPECT_EQ(file_.Load(Program()), OptionLoad::Missing);
  EXPECT_TRUE(file_.List().Entries().empty());
  EXPECT_EQ(file_.Path(), IniPath());
  // A program directory that does not exist: nothing can be written, and the list is emptied.
  EXPECT_EQ(file_.Load(dir_.filePath("gone/movigram").toStdString()), OptionLoad::Missing);
  file_.List().Write("Width", mg::kRegDword, "\1\0\0\0", 4);
  EXPECT_FALSE(file_.Save(true));
  EXPECT_FALSE(file_.Error().empty());
  EXPECT_TRUE(file_.List().Entries().empty());
}

}  // namespace
