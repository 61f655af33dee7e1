#include "pages/hot_keys_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "pages/page_strings.h"
#include "pages/select_hot_key_dlg.h"
#include "platform/windows_records.h"
#include "ui_hot_keys_page.h"

namespace mg {

CMyPropertyPage1::CMyPropertyPage1(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), ui_(std::make_unique<Ui::HotKeysPage>()) {
  ui_->setupUi(this);
  connect(ui_->startKey, &QPushButton::clicked, this, [this] {
    ChooseHotKey(ui_->startKey, res::IDS_PROMPT_START, settings_.StartKey, settings_.StartMod,
                 settings_.StartDesc);
  });
  connect(ui_->pauseKey, &QPushButton::clicked, this, [this] {
    ChooseHotKey(ui_->pauseKey, res::IDS_PROMPT_PAUSE, settings_.PauseKey, settings_.PauseMod,
                 settings_.PauseDesc);
  });
  connect(ui_->lockPanKey, &QPushButton::clicked, this, [this] {
    ChooseHotKey(ui_->lockPanKey, res::IDS_PROMPT_PANLOCK, settings_.LockPanKey,
                 settings_.LockPanMod, settings_.LockPanDesc);
  });
  connect(ui_->panShift, &QCheckBox::clicked, this,
          [this] { PanModifierClicked(ui_->panShift, kModShift); });
  connect(ui_->panCtrl, &QCheckBox::clicked, this,
          [this] { PanModifierClicked(ui_->panCtrl, kModControl); });
  connect(ui_->panAlt, &QCheckBox::clicked, this,
          [this] { PanModifierClicked(ui_->panAlt, kModAlt); });
  connect(ui_->lockPermanently, &QCheckBox::clicked, this,
          [this] { settings_.PanLocked = ui_->lockPermanently->isChecked() ? 1 : 0; });
  AlignKeyColumns();
  RefreshFromSettings();
}

CMyPropertyPage1::~CMyPropertyPage1() = default;

// The pan-lock key's row sits inside the group box; its button lines up with the two above.
void CMyPropertyPage1::AlignKeyColumns() {
  const int inset =
      ui_->panGroup->contentsMargins().left() + ui_->panGrid->contentsMargins().left();
  const int width =
      std::max({ui_->startKeyLabel->sizeHint().width(), ui_->pauseKeyLabel->sizeHint().width(),
                ui_->lockPanKeyLabel->sizeHint().width() + inset});
  ui_->startKeyLabel->setFixedWidth(width);
  ui_->pauseKeyLabel->setFixedWidth(width);
  ui_->lockPanKeyLabel->setFixedWidth(width - inset);
}

void CMyPropertyPage1::ChooseHotKey(QPushButton* button, int promptId, int32_t& key,
                                    int32_t& modifiers, std::string& description) {
  const QString prompt = PageString(promptId);
  // The current keys must reach the dialog's field, not start a recording.
  if (hooks_.unregisterHotKeys) hooks_.unregisterHotKeys();
  int result = kIdCancel;
  {
    CSelectHotKeyDlg dlg(key, modifiers, prompt, window(), hooks_.help);
    result = dlg.DoModal();
    if (result == kIdOk) {
      button->setText(dlg.Description());
      key = dlg.VirtualKey();
      modifiers = dlg.Modifiers();
      description = dlg.Description().toStdString();
    }
  }
  // A refused key is reported here and stays chosen: the next registration tries it again.
  if (hooks_.registerHotKeys) hooks_.registerHotKeys();
}

void CMyPropertyPage1::PanModifierClicked(QCheckBox* box, int bit) {
  if (box->isChecked())
    settings_.PanModifiers |= bit;
  else
    settings_.PanModifiers &= ~bit;
}

void CMyPropertyPage1::RefreshFromSettings() {
  ui_->panShift->setChecked(settings_.PanModifiers & kModShift);
  ui_->panCtrl->setChecked(settings_.PanModifiers & kModControl);
  ui_->panAlt->setChecked(settings_.PanModifiers & kModAlt);
  SetPanLockCheck(settings_.PanLocked != 0);
  ui_->startKey->setText(QString::fromStdString(settings_.StartDesc));
  ui_->pauseKey->setText(QString::fromStdString(settings_.PauseDesc));
  ui_->lockPanKey->setText(QString::fromStdString(settings_.LockPanDesc));
}

void CMyPropertyPage1::SetPanLockCheck(bool on) {
  ui_->lockPermanently->setChecked(on);  // clicked, not toggled, stores: showing is no change
}

bool CMyPropertyPage1::PanLockChecked() const {
  return ui_->lockPermanently->isChecked();
}

QPushButton* CMyPropertyPage1::StartKeyButton() const {
  return ui_->startKey;
}
QPushButton* CMyPropertyPage1::PauseKeyButton() const {
  return ui_->pauseKey;
}
QPushButton* CMyPropertyPage1::LockPanKeyButton() const {
  return ui_->lockPanKey;
}
QCheckBox* CMyPropertyPage1::PanShiftBox() const {
  return ui_->panShift;
}
QCheckBox* CMyPropertyPage1::PanCtrlBox() const {
  return ui_->panCtrl;
}
QCheckBox* CMyPropertyPage1::PanAltBox() const {
  return ui_->panAlt;
}
QCheckBox* CMyPropertyPage1::LockPermanentlyBox() const {
  return ui_->lockPermanently;
}

}  // namespace mg
