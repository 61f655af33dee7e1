// Where the main window goes at start from its stored position (WinX, WinY).
#pragma once

#include <QRect>

namespace mg {

// True when a stored position is to be used at all (both above -500).
bool HasStoredPosition(int winX, int winY);

// `window` (the frame rectangle) moved so that its top-left is (winX, winY); then its left and
// top edges pulled to at least 1; then, against `desktop`, pulled back left and up so that its
// right and bottom edges lie on the desktop. The size never changes.
QRect PlaceWindow(const QRect& window, int winX, int winY, const QRect& desktop);

}  // namespace mg
