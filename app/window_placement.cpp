#include "app/window_placement.h"

#include <algorithm>

namespace mg {

bool HasStoredPosition(int winX, int winY) {
  return winX > -500 && winY > -500;
}

QRect PlaceWindow(const QRect& window, int winX, int winY, const QRect& desktop) {
  // A stored position far off any screen (a hand-edited file) must not overflow the arithmetic.
  constexpr int kFar = 1 << 20;
  QRect r(QPoint(std::clamp(winX, -kFar, kFar), std::clamp(winY, -kFar, kFar)), window.size());
  if (r.left() < 1) r.moveLeft(1);
  if (r.top() < 1) r.moveTop(1);
  // QRect's right()/bottom() are the last pixel; the desktop's edge is its last pixel too.
  if (r.right() > desktop.right()) r.moveLeft(r.left() - (r.right() - desktop.right()));
  if (r.bottom() > desktop.bottom()) r.moveTop(r.top() - (r.bottom() - desktop.bottom()));
  return r;
}

}  // namespace mg
