// The Hot Keys tab and the Select Hot Key dialog on the real X server: keys pressed through
// XTest into the dialog's field, the global hot keys they become, the pan keys, and the settings
// file the choice ends up in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/recorder_app.h"
#include "pages/hot_key_field.h"
#include "pages/hot_keys_page.h"
#include "pages/select_hot_key_dlg.h"
#include "platform/hotkeys.h"
#include "platform/x11/x11_backends.h"
#include "resources/string_table.h"
#include "tests/app/dialog_rig.h"

// X key symbols only: X.h's macros (None) would break the names above.
#include <X11/keysym.h>

namespace {

using mgtest::RunWhen;
using mgtest::WaitUntil;

// Modifier bits of the core protocol.
constexpr unsigned int kXShift = 1, kXControl = 4, kXAlt = 8;
constexpr int kVkF2 = 0x71, kVkF5 = 0x74, kVkF7 = 0x76, kVkF9 = 0x78;
const QString kTaken =
    "\nCould not register the above hot key. It may be already reserved by another application.";

QString TableString(int id) {
  for (const auto& entry : mg::res::kStringTable)
    if (entry.id == id) return QString::fromUtf8(entry.text);
  return {};
}

mg::CSelectHotKeyDlg* OpenDialog() {
  return qobject_cast<mg::CSelectHotKeyDlg*>(QApplication::activeModalWidget());
}

// Clicks a key's button and, once the Select Hot Key dialog has the keyboard, runs `script` in
// it. Returns when the dialog has closed; false when it never had the keyboard.
bool Choose(QPushButton* button, const std::function<void(mg::CSelectHotKeyDlg&)>& script) {
  bool ran = false;
  QObject guard;
  RunWhen(
      [] {
        mg::CSelectHotKeyDlg* d = OpenDialog();
        return d && d->isActiveWindow() && d->Field()->hasFocus();
      },
      [&] {
        ran = true;
        script(*OpenDialog());
        if (mg::CSelectHotKeyDlg* left = OpenDialog()) {
          ADD_FAILURE() << "the script left the dialog open";
          left->reject();
        }
      });
  // A dialog that never gets the keyboard must not hang the test program.
  QTimer::singleShot(20000, &guard, [&] {
    if (ran) return;
    if (mg::CSelectHotKeyDlg* d = OpenDialog()) d->reject();
  });
  button->click();
  return ran;
}

// True when our program holds the combination: another application cannot grab it.
bool HeldByUs(unsigned long keysym, unsigned int mods) {
  mgtest::OtherApplication other;
  return !other.Grab(keysym, mods);
}

// Presses a key in the dialog's field and waits until the field shows `shown`.
bool PressInField(mgtest::Keyboard& keyboard, mg::CSelectHotKeyDlg& d, unsigned long keysym,
                  const std::vector<unsigned long>& held, const QString& shown) {
  keyboard.Tap(keysym, held);
  const bool ok = WaitUntil([&] { return d.Field()->text() == shown; });
  EXPECT_TRUE(ok) << "field shows " << d.Field()->text().toStdString() << ", not "
                  << shown.toStdString();
  return ok;
}

// Enter into the dialog; true once it has closed.
bool PressEnter(mgtest::Keyboard& keyboard) {
  keyboard.Tap(XK_Return);
  return WaitUntil([] { return OpenDialog() == nullptr; });
}

class HotKeysTab : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyboard_.ok());
    hotKeys_ = mg::MakeX11HotKeys();
    rig_.Make(hotKeys_.get());
    mg::CRecorderDlg& dlg = rig_.Show();
    dlg.Tabs()->setCurrentWidget(dlg.HotKeysPage());
    ASSERT_TRUE(WaitUntil([&] { return dlg.isActiveWindow(); }));
  }
  void TearDown() override { rig_.dlg.reset(); }

  mg::CMyPropertyPage1& Page() { return *rig_.dlg->HotKeysPage(); }
  mg::AppSettings& S() { return rig_.settings; }
  QPushButton* Button(mg::CSelectHotKeyDlg& d, const char* name) {
    return d.findChild<QPushButton*>(name);
  }

  mgtest::DialogRig rig_;
  mgtest::Keyboard keyboard_;
  std::unique_ptr<mg::IGlobalHotKeys> hotKeys_;
};

TEST_F(HotKeysTab, AKeyAloneOrWithShiftBecomesCtrlShiftAndAltOrAllThreeStayAsPressed) {
  ASSERT_EQ(Page().StartKeyButton()->text(), "F2");
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    EXPECT_EQ(d.windowTitle(), "Select Hot Key");
    EXPECT_EQ(d.findChild<QLabel*>("prompt")->text(), TableString(110));
    EXPECT_EQ(d.Field()->text(), "F2");
    EXPECT_FALSE(HeldByUs(XK_F2, 0)) << "the hot keys are free while the dialog is open";
    // The current key reaches the field instead of starting a recording.
    PressInField(keyboard_, d, XK_F2, {}, "Ctrl+Shift+F2");
    PressInField(keyboard_, d, XK_F5, {}, "Ctrl+Shift+F5");
    mgtest::Screenshot(QStringLiteral("select-hot-key"));
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  EXPECT_EQ(rig_.dlg->State(), mg::Idle);
  EXPECT_EQ(S().StartKey, kVkF5);
  EXPECT_EQ(S().StartMod, 6);
  EXPECT_EQ(S().StartDesc, "Ctrl+Shift+F5");
  EXPECT_EQ(Page().StartKeyButton()->text(), "Ctrl+Shift+F5");
  EXPECT_TRUE(HeldByUs(XK_F5, kXControl | kXShift)) << "the new key is registered";
  EXPECT_FALSE(HeldByUs(XK_F2, 0)) << "the old one is not";
  EXPECT_TRUE(HeldByUs(XK_F3, 0));

  ASSERT_TRUE(Choose(Page().PauseKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    EXPECT_EQ(d.findChild<QLabel*>("prompt")->text(), TableString(109));
    PressInField(keyboard_, d, XK_F7, {XK_Shift_L}, "Ctrl+Shift+F7");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  EXPECT_EQ(S().PauseKey, kVkF7);
  EXPECT_EQ(S().PauseMod, mg::kModControl | mg::kModShift);
  EXPECT_EQ(S().PauseDesc, "Ctrl+Shift+F7");

  ASSERT_TRUE(Choose(Page().PauseKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_F7, {XK_Alt_L}, "Alt+F7");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  EXPECT_EQ(S().PauseMod, mg::kModAlt);
  EXPECT_EQ(S().PauseDesc, "Alt+F7");
  EXPECT_TRUE(HeldByUs(XK_F7, kXAlt));

  // The pan-lock key is Shift+F3: the field shows Shift, in its own encoding.
  ASSERT_TRUE(Choose(Page().LockPanKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    EXPECT_EQ(d.findChild<QLabel*>("prompt")->text(), TableString(128));
    EXPECT_EQ(d.Field()->text(), "Shift+F3");
    EXPECT_EQ(d.Field()->FieldModifiers(), mg::kFieldShift);
    // Pressed Alt first, then Shift, then Ctrl: described Ctrl, Shift, Alt.
    PressInField(keyboard_, d, XK_F7, {XK_Alt_L, XK_Shift_L, XK_Control_L}, "Ctrl+Shift+Alt+F7");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  EXPECT_EQ(S().LockPanKey, kVkF7);
  EXPECT_EQ(S().LockPanMod, mg::kModAlt | mg::kModControl | mg::kModShift);
  EXPECT_EQ(S().LockPanDesc, "Ctrl+Shift+Alt+F7");
  EXPECT_EQ(Page().LockPanKeyButton()->text(), "Ctrl+Shift+Alt+F7");
  EXPECT_TRUE(HeldByUs(XK_F7, kXAlt | kXControl | kXShift));
  EXPECT_TRUE(rig_.answers.shown.empty()) << rig_.answers.Texts().join('|').toStdString();
}

TEST_F(HotKeysTab, EnterOkCancelAndBackspaceDecideWhatIsKept) {
  const auto unchanged = [&] {
    EXPECT_EQ(S().StartKey, kVkF2);
    EXPECT_EQ(S().StartMod, 0);
    EXPECT_EQ(S().StartDesc, "F2");
    EXPECT_EQ(Page().StartKeyButton()->text(), "F2");
    EXPECT_TRUE(HeldByUs(XK_F2, 0)) << "registered again";
  };
  // Enter with no key pressed before: Cancel.
  ASSERT_TRUE(Choose(Page().StartKeyButton(),
                     [&](mg::CSelectHotKeyDlg&) { EXPECT_TRUE(PressEnter(keyboard_)); }));
  unchanged();
  // OK with no key pressed: Cancel.
  ASSERT_TRUE(Choose(Page().StartKeyButton(),
                     [&](mg::CSelectHotKeyDlg& d) { Button(d, "okButton")->click(); }));
  unchanged();
  // A key, then Cancel.
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_F6, {}, "Ctrl+Shift+F6");
    Button(d, "cancelButton")->click();
  }));
  unchanged();
  // Only a modifier touched: the field keeps its key, and OK changes nothing.
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    keyboard_.Tap(XK_Control_L);
    keyboard_.Tap(XK_Return);
    EXPECT_TRUE(WaitUntil([] { return OpenDialog() == nullptr; }));
    EXPECT_EQ(d.Field()->text(), "F2");
  }));
  unchanged();
  // Help opens the help page at its hot-keys section; the dialog stays.
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    Button(d, "helpButton")->click();
    EXPECT_EQ(OpenDialog(), &d);
    Button(d, "cancelButton")->click();
  }));
  ASSERT_EQ(rig_.desktop.opened.size(), 1u);
  EXPECT_EQ(rig_.desktop.opened[0].fragment(), "hot-keys");
  EXPECT_TRUE(rig_.desktop.opened[0].isLocalFile());

  // Backspace clears the field: key 0, "None", and no hot key to register for it, so the keys
  // after it are registered.
  ASSERT_TRUE(Choose(Page().PauseKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_BackSpace, {}, "None");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  EXPECT_EQ(S().PauseKey, 0);
  EXPECT_EQ(S().PauseDesc, "None");
  EXPECT_EQ(Page().PauseKeyButton()->text(), "None");
  EXPECT_FALSE(HeldByUs(XK_F3, 0));
  EXPECT_TRUE(HeldByUs(XK_F3, kXShift)) << "the pan-lock key after it is registered";
  EXPECT_TRUE(rig_.answers.shown.empty()) << rig_.answers.Texts().join('|').toStdString();
}

TEST_F(HotKeysTab, PanKeyBoxesEachChangeTheirOwnBitAndDefaultsBringEverythingBack) {
  ASSERT_EQ(S().PanModifiers, mg::kModShift);
  EXPECT_TRUE(Page().PanShiftBox()->isChecked());
  Page().PanCtrlBox()->click();
  EXPECT_EQ(S().PanModifiers, 6);
  Page().PanAltBox()->click();
  EXPECT_EQ(S().PanModifiers, 7);
  Page().PanShiftBox()->click();
  EXPECT_EQ(S().PanModifiers, 3);
  Page().PanCtrlBox()->click();
  EXPECT_EQ(S().PanModifiers, 1);
  Page().PanAltBox()->click();
  EXPECT_EQ(S().PanModifiers, 0);
  // A bit the page does not know is left alone.
  S().PanModifiers = 0x10 | mg::kModAlt;
  Page().RefreshFromSettings();
  EXPECT_TRUE(Page().PanAltBox()->isChecked());
  EXPECT_FALSE(Page().PanShiftBox()->isChecked());
  Page().PanAltBox()->click();
  EXPECT_EQ(S().PanModifiers, 0x10);
  Page().LockPermanentlyBox()->click();
  EXPECT_EQ(S().PanLocked, 1);

  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_F5, {}, "Ctrl+Shift+F5");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  rig_.answers.Queue(mg::MsgAnswer::Yes);
  rig_.dlg->DefaultsButton()->click();
  EXPECT_EQ(Page().StartKeyButton()->text(), "F2");
  EXPECT_EQ(Page().PauseKeyButton()->text(), "F3");
  EXPECT_EQ(Page().LockPanKeyButton()->text(), "Shift+F3");
  EXPECT_TRUE(Page().PanShiftBox()->isChecked());
  EXPECT_FALSE(Page().PanCtrlBox()->isChecked());
  EXPECT_FALSE(Page().PanAltBox()->isChecked());
  EXPECT_FALSE(Page().LockPermanentlyBox()->isChecked());
  EXPECT_TRUE(HeldByUs(XK_F2, 0));
  EXPECT_FALSE(HeldByUs(XK_F5, kXControl | kXShift));
  mgtest::Screenshot(QStringLiteral("hot-keys-tab"));
}

TEST_F(HotKeysTab, AKeyAnotherApplicationHoldsOrTheServerKeepsIsReportedAndStaysChosen) {
  mgtest::OtherApplication holder;
  ASSERT_TRUE(holder.Grab(XK_F9, kXControl | kXShift));
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_F9, {}, "Ctrl+Shift+F9");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  ASSERT_EQ(rig_.answers.shown.size(), 1u);
  EXPECT_EQ(rig_.answers.shown[0].text, "Ctrl+Shift+F9" + kTaken);
  EXPECT_EQ(S().StartKey, kVkF9);
  EXPECT_EQ(S().StartMod, 6);
  EXPECT_EQ(Page().StartKeyButton()->text(), "Ctrl+Shift+F9");

  // Keys no program can have, as an options file from another system may bring them: the X
  // server keeps Ctrl+Alt+F1 for switching consoles (a press never reaches any window, so it
  // cannot be pressed into the field either), and this keyboard has no F24. Each is refused
  // at the registration that follows a choice, Cancel included, and stays stored.
  const struct {
    int key, mod;
    const char* desc;
  } impossible[] = {{0x70, mg::kModControl | mg::kModAlt, "Ctrl+Alt+F1"}, {0x87, 0, "F24"}};
  for (const auto& k : impossible) {
    S().StartKey = k.key;
    S().StartMod = k.mod;
    S().StartDesc = k.desc;
    const size_t before = rig_.answers.shown.size();
    ASSERT_TRUE(Choose(Page().PauseKeyButton(),
                       [&](mg::CSelectHotKeyDlg& d) { Button(d, "cancelButton")->click(); }));
    ASSERT_EQ(rig_.answers.shown.size(), before + 1) << k.desc;
    EXPECT_EQ(rig_.answers.shown.back().text, k.desc + kTaken);
    EXPECT_EQ(S().StartKey, k.key);
    EXPECT_EQ(S().StartDesc, k.desc);
  }
}

TEST_F(HotKeysTab, ANewKeyRecordsFromAnotherWindowAndTheOldKeyGoesToThatWindow) {
  ASSERT_TRUE(Choose(Page().StartKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
    PressInField(keyboard_, d, XK_F5, {}, "Ctrl+Shift+F5");
    EXPECT_TRUE(PressEnter(keyboard_));
  }));
  mgtest::OtherWindow other;
  ASSERT_TRUE(other.TakeFocus());
  keyboard_.Tap(XK_F2);
  EXPECT_TRUE(other.Received(XK_F2)) << "F2 is an ordinary key of the other window now";
  EXPECT_EQ(rig_.dlg->State(), mg::Idle);

  mg::CRecorderDlg& dlg = *rig_.dlg;
  bool stopped = false;
  RunWhen([&] { return dlg.State() != mg::Idle; },
          [&] {
            EXPECT_EQ(dlg.State(), mg::Recording);
            EXPECT_TRUE(WaitUntil([&] { return rig_.Frames() >= 2; }));
            keyboard_.Tap(XK_F5, {XK_Control_L, XK_Shift_L});
            stopped = WaitUntil([&] { return dlg.State() == mg::Idle; });
          });
  keyboard_.Tap(XK_F5, {XK_Control_L, XK_Shift_L});
  ASSERT_TRUE(WaitUntil([&] { return !rig_.answers.shown.empty(); }));
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(rig_.answers.shown.back().text.startsWith("Total frames: "))
      << rig_.answers.shown.back().text.toStdString();
}

// The whole program: a key chosen on the tab is in the settings file after the exit and is the
// hot key of the next start.
TEST(HotKeysTabSettings, AChosenKeyIsSavedAndIsTheHotKeyOfTheNextStart) {
  mgtest::Keyboard keyboard;
  ASSERT_TRUE(keyboard.ok());
  QTemporaryDir dir;
  const QString ini = dir.filePath("Movigram.conf");
  mgtest::MessageAnswers answers;
  mgtest::RealCapture capture;
  const auto run = [&](const std::function<void(mg::CRecorderDlg&)>& whileShown) {
    auto hotKeys = mg::MakeX11HotKeys();
    mg::CRecorderApp app(mg::MakeFileRegistry(ini.toStdString()));
    mg::PlatformServices services = capture.Platform();
    services.hotKeys = hotKeys.get();
    app.UseServices(services);
    bool shown = false;
    RunWhen([] { return mg::g_pMainDlg && mg::g_pMainDlg->isActiveWindow(); },
            [&] {
              shown = true;
              mg::CRecorderDlg& dlg = *mg::g_pMainDlg;
              dlg.Tabs()->setCurrentWidget(dlg.HotKeysPage());
              whileShown(dlg);
              dlg.ExitButton()->click();
            });
    EXPECT_EQ(app.InitInstance({"movigram"}), 0);
    EXPECT_TRUE(shown);
  };

  run([&](mg::CRecorderDlg& dlg) {
    ASSERT_TRUE(Choose(dlg.HotKeysPage()->PauseKeyButton(), [&](mg::CSelectHotKeyDlg& d) {
      // Escape closes none of the program's dialogs, this one neither, and is no key.
      keyboard.Tap(XK_Escape);
      PressInField(keyboard, d, XK_Home, {XK_Alt_L, XK_Control_L}, "Ctrl+Alt+Home");
      EXPECT_EQ(OpenDialog(), &d);
      EXPECT_TRUE(PressEnter(keyboard));
    }));
  });
  {
    QSettings stored(ini, QSettings::IniFormat);
    EXPECT_EQ(stored.value("Keys/Pause Key").toInt(), 0x24);
    EXPECT_EQ(stored.value("Keys/Pause Mod").toInt(), mg::kModControl | mg::kModAlt);
    EXPECT_EQ(stored.value("Keys/Pause Desc").toString(), "Ctrl+Alt+Home");
    EXPECT_EQ(stored.value("Keys/Start Key").toInt(), kVkF2);
  }
  run([&](mg::CRecorderDlg& dlg) {
    EXPECT_EQ(dlg.HotKeysPage()->PauseKeyButton()->text(), "Ctrl+Alt+Home");
    EXPECT_TRUE(HeldByUs(XK_Home, kXControl | kXAlt));
    EXPECT_FALSE(HeldByUs(XK_F3, 0));
    EXPECT_TRUE(HeldByUs(XK_F3, kXShift));
  });
  EXPECT_TRUE(answers.shown.empty()) << answers.Texts().join('|').toStdString();
}

}  // namespace
