// The three option pages shown in the main dialog's tabs. For now they show the current values
// (the pan lock can be switched); choosing keys, areas and files on them comes later. Each page
// reads and writes AppSettings directly.
#pragma once

#include <QWidget>

#include "pages/avi_file_page.h"
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

// Screen Area tab.
class CMyPropertyPage2 : public QWidget {
  Q_OBJECT
 public:
  CMyPropertyPage2(AppSettings& settings, QWidget* parent = nullptr);
  void RefreshFromSettings();
  // After a stop: the area's left and top (possibly moved by panning) into the page's fields.
  void TakeStartPosition();
  int ShownLeft() const { return left_; }
  int ShownTop() const { return top_; }

 private:
  void Show();
  AppSettings& settings_;
  int left_ = 0;
  int top_ = 0;
  QLabel* area_ = nullptr;
  QLabel* mode_ = nullptr;
};

}  // namespace mg
