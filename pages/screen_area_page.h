// The Screen Area tab: the capture rectangle as four numbers, the two buttons that choose it on
// the screen itself (Select Region, Select Window) and what the main window does while
// recording. Every control writes into AppSettings the moment it is used (an edit field when it
// loses the focus); there is no Apply step.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "settings/app_settings.h"

class QButtonGroup;

namespace Ui {
class ScreenAreaPage;
}

namespace mg {

class ISelectionDisplay;

// What a selection on the screen needs of the main dialog: the global hot keys released during
// it and registered again after (with the dialog's message when one is refused), and the main
// window brought back.
struct AreaSelectionHost {
  std::function<void()> unregisterHotKeys;
  std::function<void()> registerHotKeys;
  std::function<void()> restoreMainWindow;
};

// Screen Area tab.
class CMyPropertyPage2 : public QWidget {
  Q_OBJECT
 public:
  CMyPropertyPage2(AppSettings& settings, QWidget* parent = nullptr);
  ~CMyPropertyPage2() override;

  // The display the Select buttons choose on (none: they say that it is not possible here).
  void SetSelection(ISelectionDisplay* display, AreaSelectionHost host);

  // Settings -> fields and controls (after "Defaults" too); a stored window mode that is none
  // of the three buttons becomes "iconize".
  void RefreshFromSettings();
  // After a stop: the area's left and top (possibly moved by panning) into the fields and edits.
  void TakeStartPosition();
  int ShownLeft() const { return left_; }
  int ShownTop() const { return top_; }

  void SelectRegion();
  void SelectWindow();

  // How long Select Region waits for the minimised main window to leave the screen.
  static constexpr int kMinimiseWaitMs = 500;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Edits -> fields in the order height, top, left, width; stops at the first that fails.
  bool ExchangeFromControls();
  void ExchangeToControls();
  void FieldLeft(QObject* field);
  void SelectOnScreen(int mode);

  AppSettings& settings_;
  std::unique_ptr<Ui::ScreenAreaPage> ui_;
  QButtonGroup* windowMode_ = nullptr;
  ISelectionDisplay* display_ = nullptr;
  AreaSelectionHost host_;
  // The page's own copy of the rectangle, for the exchange with its edits.
  int height_ = 0;
  int top_ = 0;
  int left_ = 0;
  int width_ = 0;
  bool exchanging_ = false;  // a message box during an exchange takes the focus: no re-entry
  bool selecting_ = false;
};

}  // namespace mg
