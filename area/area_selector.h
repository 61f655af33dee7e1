// The full-screen selection overlay: the user places a cross-hair on one corner of the capture
// area, then stretches a rubber band with a live size label to the opposite corner, with the
// mouse or the keyboard; in its third mode it outlines the window under the pointer with a
// blinking frame. The overlay shows only its figure: the live desktop shows through everywhere
// else (a translucent window where a compositor runs, otherwise a window shaped to the figure),
// and the figure's pixels are the desktop's own inverted, so it is seen on any background.
//
// Every point and rectangle is in device pixels of the whole X screen, whatever scaling Qt
// applies to its windows. Threads: the user-interface thread only.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/selection_display.h"

class QEventLoop;

namespace mg {

class AreaSelector : public QWidget {
  Q_OBJECT
 public:
  enum Mode { SelectRectangle = 1, SelectCrossHair = 2, SelectWindow = 3 };

  explicit AreaSelector(ISelectionDisplay& display);
  ~AreaSelector() override;

  void SetMode(int mode) { mode_ = mode; }
  int GetMode() const { return mode_; }
  // Runs one selection in the current mode. Odd results accept (Enter 1, a left click its
  // button flags), even ones cancel (Escape or focus loss 2, a right click its flags); 0 when
  // the application quit meanwhile. Afterwards Anchor() is the top-left and Current() the
  // bottom-right corner, one pixel past the last one selected (the picked window's rectangle in
  // window mode).
  int RunSelection();
  // Ends the overlay's grab and takes it off the screen; the pointer shows the ordinary cursor
  // of the window under it again. The destructor does it too.
  void Release();

  ScreenPoint Anchor() const { return anchor_; }
  ScreenPoint Current() const { return current_; }

  // The selector whose loop runs now, or nullptr.
  static AreaSelector* Running();

  // What the user sees, for tests.
  bool Tracking() const { return tracking_; }
  bool Grabbed() const { return grabbed_; }
  bool CursorVisible() const { return cursorVisible_; }
  bool SizeLabelShown() const { return showSizeLabel_; }
  QString SizeLabel() const { return labelText_; }
  WinRect LabelRect() const { return labelRect_; }
  WinRect HighlightRect() const { return highlightRect_; }
  bool HighlightShown() const { return highlightShown_; }
  bool Translucent() const { return translucent_; }

 signals:
  // The window frame was drawn or removed: by the blink timer, or because the pointer moved
  // to another window.
  void highlightToggled(bool byTimer);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Finish(int result);
  void OnKey(QKeyEvent* event);
  void FocusLost();
  void OnPointer(const GrabbedPointerEvent& event);
  OverlayCursor ModeCursor() const;
  void ApplyCursor();
  // Recomputes the figure for the current state (nothing when `erased`) and shows it.
  void UpdateFigure(bool erased = false);
  void PickWindowAt(ScreenPoint point);
  void ToggleHighlight(std::optional<WinRect> rect, bool byTimer);
  QRect Logical(const WinRect& r) const;

  ISelectionDisplay& display_;
  int mode_ = SelectCrossHair;
  int result_ = 0;
  bool tracking_ = false;
  ScreenPoint anchor_{};
  ScreenPoint current_{};
  bool showSizeLabel_ = true;
  bool cursorVisible_ = true;
  QString labelText_;
  WinRect labelRect_{};
  QImage labelImage_;
  WinRect highlightRect_{-1, -1, -1, -1};
  WinRect lastHighlightRect_{-1, -1, -1, -1};
  bool highlightShown_ = false;
  QTimer blinkTimer_;

  int screenWidth_ = 0;
  int screenHeight_ = 0;
  bool translucent_ = false;
  bool grabbed_ = false;
  QImage inverted_;              // the desktop at the start, every pixel inverted
  std::vector<WinRect> figure_;  // the inverted pixels shown now
  std::vector<WinRect> shown_;   // everything shown now: the figure and the label
  QEventLoop* loop_ = nullptr;
};

}  // namespace mg
