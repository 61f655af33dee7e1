// The figure of the capture marker as rectangles, in the coordinates of the marker window.
//
// The marker is a 3-pixel frame centred on the outline of the outer rectangle `outer` (whose
// right and bottom are exclusive): its lines run along columns outer.left and outer.right - 1 and
// rows outer.top and outer.bottom - 1, one pixel to either side. With outer = capture rectangle
// grown by 2 on every side this is exactly the 3 pixels just outside the capture rectangle:
// columns StartX-3 .. StartX-1 and StartX+Width .. StartX+Width+2, likewise for the rows.
// The window covers the frame's bounding box; its origin is (outer.left - 1, outer.top - 1).
// When paused, the two diagonals, (left, top) to (right, bottom) and (right, top) to
// (left, bottom), are drawn 3 pixels thick across the area (the end points left out).
#pragma once

#include <vector>

#include "platform/windows_records.h"

namespace mg {

struct MarkerBox {
  int x = 0;  // in root coordinates
  int y = 0;
  int width = 0;
  int height = 0;
};

struct MarkerRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The window's box; width or height 0 when `outer` is too small to draw (fewer than 5 pixels).
MarkerBox MarkerWindowBox(const WinRect& outer);

// The rectangles making the figure, relative to the window's box.
std::vector<MarkerRect> MarkerShape(const WinRect& outer, bool paused);

}  // namespace mg
