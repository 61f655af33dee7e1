// The Hot Keys tab: the three global hot keys as buttons showing their descriptions, the pan
// keys and the pan lock. Clicking a key's button opens the Select Hot Key dialog; every choice
// goes straight into AppSettings.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "settings/app_settings.h"

class QCheckBox;
class QPushButton;

namespace Ui {
class HotKeysPage;
}

namespace mg {

// What the page needs of the main dialog around a choice of key.
struct HotKeyPageHooks {
  std::function<void()> unregisterHotKeys;   // before the dialog opens
  std::function<void()> registerHotKeys;     // after it closed, whatever its result
  std::function<void(QWidget* owner)> help;  // the help page at its hot-keys section
};

// Hot Keys tab.
class CMyPropertyPage1 : public QWidget {
  Q_OBJECT
 public:
  CMyPropertyPage1(AppSettings& settings, QWidget* parent = nullptr);
  ~CMyPropertyPage1() override;

  void SetHooks(HotKeyPageHooks hooks) { hooks_ = std::move(hooks); }

  // Shows the settings again (after Defaults).
  void RefreshFromSettings();
  // The "Lock permanently" check box, set by the pan-lock hot key.
  void SetPanLockCheck(bool on);
  bool PanLockChecked() const;

  QPushButton* StartKeyButton() const;
  QPushButton* PauseKeyButton() const;
  QPushButton* LockPanKeyButton() const;
  QCheckBox* PanShiftBox() const;
  QCheckBox* PanCtrlBox() const;
  QCheckBox* PanAltBox() const;
  QCheckBox* LockPermanentlyBox() const;

 private:
  // Runs the Select Hot Key dialog for one hot key and stores the choice.
  void ChooseHotKey(QPushButton* button, int promptId, int32_t& key, int32_t& modifiers,
                    std::string& description);
  void PanModifierClicked(QCheckBox* box, int bit);
  void AlignKeyColumns();

  AppSettings& settings_;
  std::unique_ptr<Ui::HotKeysPage> ui_;
  HotKeyPageHooks hooks_;
};

}  // namespace mg
