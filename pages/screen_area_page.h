// The Screen Area tab: the capture rectangle and what the main window does while recording. For
// now it shows the current values; choosing the area on it comes later. It reads AppSettings
// directly.
#pragma once

#include <QWidget>

#include "settings/app_settings.h"

class QLabel;

namespace mg {

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
