// The Hot Keys tab: the three global hot keys and the pan keys. For now it shows the current
// values (the pan lock can be switched); choosing keys on it comes later. It reads and writes
// AppSettings directly.
#pragma once

#include <QWidget>

#include "settings/app_settings.h"

class QCheckBox;
class QLabel;

namespace mg {

// Hot Keys tab.
class CMyPropertyPage1 : public QWidget {
  Q_OBJECT
 public:
  CMyPropertyPage1(AppSettings& settings, QWidget* parent = nullptr);
  // Shows the settings again (after Defaults).
  void RefreshFromSettings();
  // The "Lock permanently" check box, set by the pan-lock hot key.
  void SetPanLockCheck(bool on);
  bool PanLockChecked() const;

 private:
  AppSettings& settings_;
  QLabel* keys_ = nullptr;
  QLabel* panKeys_ = nullptr;
  QCheckBox* lock_ = nullptr;
};

}  // namespace mg
