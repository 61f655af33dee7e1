#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/qt/qt_registry.h"
#include "settings/settings_store.h"

namespace {

using mg::AppSettings;
using mg::SettingsStore;

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.filePath("Movigram.conf").toStdString(); }
  void WriteFile(const std::string& text) const { std::ofstream(Path()) << text; }
  std::string Value(const char* group, const char* name) const {
    QSettings ini(QString::fromStdString(Path()), QSettings::IniFormat);
    return ini.value(QString(group) + "/" + name).toString().toStdString();
  }

  QTemporaryDir dir_;
  std::unique_ptr<mg::IRegistry> registry_ = mg::MakeFileRegistry(Path());
  SettingsStore store_{*registry_};
};

TEST_F(SettingsStoreTest, FirstRunKeepsDefaultsAndSaveWritesEveryValue) {
  AppSettings s;
  store_.LoadState(s);
  store_.LoadKeys(s);
  EXPECT_EQ(s.Width, 320);
  EXPECT_EQ(s.Height, 240);
  EXPECT_EQ(s.WinX, -1000);
  EXPECT_EQ(s.WndHide, 1048);
  EXPECT_DOUBLE_EQ(s.FPS, 10.0);
  EXPECT_EQ(s.AVIFileName, "clip.avi");
  EXPECT_EQ(s.LockPanDesc, "Shift+F3");
  EXPECT_EQ(s.PanModifiers, 4);

  ASSERT_TRUE(store_.SaveState(s));
  ASSERT_TRUE(store_.SaveKeys(s));
  QSettings ini(QString::fromStdString(Path()), QSettings::IniFormat);
  ini.beginGroup("State");
  EXPECT_EQ(ini.childKeys().size(), 13);
  ini.endGroup();
  ini.beginGroup("Keys");
  EXPECT_EQ(ini.childKeys().size(), 11);
  EXPECT_EQ(ini.value("LockPan Desc").toString(), "Shift+F3");
  EXPECT_EQ(ini.value("Pan Locked").toInt(), 0);
  ini.endGroup();
  EXPECT_EQ(Value("State", "FPS"), "10000");
  EXPECT_FALSE(ini.contains("State/CompressorHandler"));
}

TEST_F(SettingsStoreTest, RoundTripKeepsEveryField) {
  AppSettings s;
  s.StartX = -5;
  s.StartY = 77;
  s.Width = 1920;
  s.Height = 1080;
  s.WinX = -499;
  s.WinY = 0;
  s.WndHide = 1050;
  s.IncFilename = 0;
  s.RecSound = 0;
  s.FPS = 29.97;
  s.Compress = 100;
  s.KeyFrames = 1;
  s.AVIFileName = "/tmp/my movies/clip 0001.avi";
  s.StartKey = 0x41;
  s.StartMod = 6;
  s.StartDesc = "Ctrl+Shift+A";
  s.PanLocked = 1;
  s.PanModifiers = 3;
  s.CompressorHandler = 0x43565355;
  ASSERT_TRUE(store_.SaveState(s));
  ASSERT_TRUE(store_.SaveKeys(s));

  AppSettings back;
  store_.LoadState(back);
  store_.LoadKeys(back);
  EXPECT_EQ(back.StartX, -5);
  EXPECT_EQ(back.StartY, 77);
  EXPECT_EQ(back.Width, 1920);
  EXPECT_EQ(back.WinX, -499);
  EXPECT_EQ(back.WndHide, 1050);
  EXPECT_EQ(back.IncFilename, 0);
  EXPECT_DOUBLE_EQ(back.FPS, 29.97);
  EXPECT_EQ(back.AVIFileName, s.AVIFileName);
  EXPECT_EQ(back.StartKey, 0x41);
  EXPECT_EQ(back.StartMod, 6);
  EXPECT_EQ(back.StartDesc, "Ctrl+Shift+A");
  EXPECT_EQ(back.PanLocked, 1);
  EXPECT_EQ(back.PanModifiers, 3);
  EXPECT_EQ(back.CompressorHandler, 0u) << "the chosen compressor is not kept between runs";
}

TEST_F(SettingsStoreTest, FpsIsStoredTimesThousandRoundedHalfUp) {
  EXPECT_EQ(SettingsStore::StoredFps(10.0), 10000);
  EXPECT_EQ(SettingsStore::StoredFps(7.5), 7500);
  EXPECT_EQ(SettingsStore::StoredFps(29.97), 29970);
  EXPECT_EQ(SettingsStore::StoredFps(0.0004), 0);
  EXPECT_EQ(SettingsStore::StoredFps(0.0005), 1);
  // Rates no 32-bit value can hold are clamped instead of overflowing.
  EXPECT_EQ(SettingsStore::StoredFps(1e300), INT32_MAX);
  EXPECT_EQ(SettingsStore::StoredFps(-1e300), INT32_MIN);
  EXPECT_EQ(SettingsStore::StoredFps(std::nan("")), 0);

  AppSettings s;
  s.FPS = 0.0004;
  store_.SaveState(s);
  AppSettings back;
  store_.LoadState(back);
  EXPECT_DOUBLE_EQ(back.FPS, 0.0);
}

TEST_F(SettingsStoreTest, MissingOversizedOrNonsenseValuesLeaveTheirFieldAlone) {
  const std::string longName(260, 'a');
  WriteFile("[State]\nWidth=640\nHeight=abc\nStartX=99999999999\nAVIFileName=" + longName +
            "\nCompress=50\n[Keys]\nStart%20Desc=" + std::string(60, 'k') +
            "\nPause%20Desc=" + std::string(59, 'p') + "\n");
  AppSettings s;
  store_.LoadState(s);
  store_.LoadKeys(s);
  EXPECT_EQ(s.Width, 640);
  EXPECT_EQ(s.Height, 240) << "a value that is no number is refused";
  EXPECT_EQ(s.StartX, 0) << "a number beyond 32 bits is refused";
  EXPECT_DOUBLE_EQ(s.FPS, 10.0) << "a missing FPS keeps the rate";
  EXPECT_EQ(s.Compress, 50);
  EXPECT_EQ(s.AVIFileName, longName)
      << "a name too long to use is kept, to be refused in words, never replaced by clip.avi";
  EXPECT_EQ(s.StartDesc, "F2");
  EXPECT_EQ(s.PauseDesc, std::string(59, 'p')) << "59 characters still fit";
}

TEST_F(SettingsStoreTest, FileNameOfExactlyCapacityMinusOneIsTaken) {
  const std::string name(259, 'n');
  WriteFile("[State]\nAVIFileName=" + name + "\n");
  AppSettings s;
  store_.LoadState(s);
  EXPECT_EQ(s.AVIFileName, name);
}

TEST_F(SettingsStoreTest, ACommaInAStoredNameSurvivesTheRoundTrip) {
  AppSettings s;
  s.AVIFileName = "take, one.avi";
  ASSERT_TRUE(store_.SaveState(s));
  AppSettings back;
  store_.LoadState(back);
  EXPECT_EQ(back.AVIFileName, "take, one.avi");
}

TEST_F(SettingsStoreTest, NumericTextWhereATextBelongsIsKeptAsText) {
  WriteFile("[State]\nAVIFileName=2024\n");
  AppSettings s;
  store_.LoadState(s);
  EXPECT_EQ(s.AVIFileName, "2024");
}

// Texts that an INI file cannot tell from numbers: each comes back byte for byte, as a movie
// name and as a hot-key description, and saving again writes the same file.
TEST_F(SettingsStoreTest, TextsThatLookLikeNumbersStayTextsByteForByte) {
  for (const std::string text : {"007", "+5", "1e3", " 12", "0x10", "12abc", "-0", "12 "}) {
    AppSettings s;
    s.AVIFileName = text;
    s.PauseDesc = text;
    ASSERT_TRUE(store_.SaveState(s));
    ASSERT_TRUE(store_.SaveKeys(s));
    AppSettings back;
    store_.LoadState(back);
    store_.LoadKeys(back);
    EXPECT_EQ(back.AVIFileName, text) << "stored as [" << Value("State", "AVIFileName") << "]";
    EXPECT_EQ(back.PauseDesc, text);

    std::ifstream first(Path(), std::ios::binary);
    const std::string once((std::istreambuf_iterator<char>(first)), {});
    ASSERT_TRUE(store_.SaveState(back));
    ASSERT_TRUE(store_.SaveKeys(back));
    std::ifstream second(Path(), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(second)), {}), once) << text;
  }
}

// A settings file as earlier versions (or a person) wrote it reads as it always did: numbers in
// any form an integer can be written in, texts as they stand.
TEST_F(SettingsStoreTest, NumbersInAHandWrittenFileReadAsBefore) {
  WriteFile(
      "[State]\nWidth=0640\nHeight=+480\nStartX=-5\nStartY= 7 \nFPS=29970\nCompress=500\n"
      "KeyFrames=-3\nAVIFileName=007\n[Keys]\nStart%20Key=120\nStart%20Desc=+5\n"
      "Pause%20Desc=12\nPan%20Locked=1\n");
  AppSettings s;
  store_.LoadState(s);
  store_.LoadKeys(s);
  EXPECT_EQ(s.Width, 640);
  EXPECT_EQ(s.Height, 480);
  EXPECT_EQ(s.StartX, -5);
  EXPECT_EQ(s.StartY, 7);
  EXPECT_DOUBLE_EQ(s.FPS, 29.97);
  EXPECT_EQ(s.Compress, 500) << "loading takes what is stored; the recording clamps";
  EXPECT_EQ(s.KeyFrames, -3);
  EXPECT_EQ(s.AVIFileName, "007");
  EXPECT_EQ(s.StartKey, 120);
  EXPECT_EQ(s.StartDesc, "+5");
  EXPECT_EQ(s.PauseDesc, "12");
  EXPECT_EQ(s.PanLocked, 1);
}

TEST_F(SettingsStoreTest, GarbageFileLeavesDefaults) {
  std::ofstream(Path(), std::ios::binary) << std::string("\x00\xff\x01[[[=\n\x7f", 9);
  AppSettings s;
  store_.LoadState(s);
  store_.LoadKeys(s);
  EXPECT_EQ(s.Width, 320);
  EXPECT_EQ(s.AVIFileName, "clip.avi");
}

TEST_F(SettingsStoreTest, UnwritableStoreReportsFailureAndKeepsTheRecord) {
  // A directory where the file should be: nothing can be written there.
  QDir(dir_.path()).mkdir("Movigram.conf");
  AppSettings s;
  s.Width = 800;
  EXPECT_FALSE(store_.SaveState(s));
  EXPECT_EQ(s.Width, 800);
  AppSettings back;
  store_.LoadState(back);
  EXPECT_EQ(back.Width, 320);
}

TEST_F(SettingsStoreTest, ResetRestoresDescriptionsAndComposesTheShiftText) {
  AppSettings s;
  s.StartDesc = "X";
  s.PauseDesc = "Y";
  s.LockPanDesc = "Z";
  s.CompressorHandler = 7;
  s.StartX = 50;
  s.ResetToDefaults("Umschalt+");
  EXPECT_EQ(s.StartDesc, "F2");
  EXPECT_EQ(s.PauseDesc, "F3");
  EXPECT_EQ(s.LockPanDesc, "Umschalt+F3");
  EXPECT_EQ(s.CompressorHandler, 0u);
  EXPECT_EQ(s.StartX, 0);
}

// Option-file mode sends every value, in the stored order, to the option list instead.
class RecordingList : public mg::IOptionList {
 public:
  int Read(const std::string& name, uint32_t*, void*, uint32_t*) override {
    reads.push_back(name);
    return mg::kRegNotFound;
  }
  int Write(const std::string& name, uint32_t, const void*, uint32_t) override {
    writes.push_back(name);
    return mg::kRegOk;
  }
  std::vector<std::string> reads, writes;
};

TEST_F(SettingsStoreTest, OptionFileModeBypassesTheStoreInTheStoredOrder) {
  RecordingList list;
  store_.SetOptionList(&list);
  AppSettings s;
  store_.SaveState(s);
  store_.SaveKeys(s);
  store_.LoadKeys(s);
  const std::vector<std::string> expected = {
      "StartX",      "StartY",      "Width",       "Height",       "WinX",          "WinY",
      "WndHide",     "IncFilename", "RecSound",    "FPS",          "Compress",      "KeyFrames",
      "AVIFileName", "Start Key",   "Start Mod",   "Start Desc",   "Pause Key",     "Pause Mod",
      "Pause Desc",  "LockPan Key", "LockPan Mod", "LockPan Desc", "Pan Modifiers", "Pan Locked"};
  EXPECT_EQ(list.writes, expected);
  EXPECT_EQ(list.reads.size(), 11u);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path())));
}

TEST(UserRegistryTest, LivesUnderXdgConfigHome) {
  QTemporaryDir home;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
  {
    auto registry = mg::MakeUserRegistry();
    SettingsStore store(*registry);
    AppSettings s;
    s.Height = 480;
    ASSERT_TRUE(store.SaveState(s));
  }
  const QString file = home.filePath("Tessaworks/Movigram.conf");
  EXPECT_TRUE(QFile::exists(file));
  QSettings ini(file, QSettings::IniFormat);
  EXPECT_EQ(ini.value("State/Height").toInt(), 480);
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
