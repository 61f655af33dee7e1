#include "platform/x11/x11_marker_shape.h"

#include <algorithm>
#include <cstdlib>

namespace mg {
namespace {

constexpr int kPen = 3;

// A line `kPen` pixels thick from (x0, y0) towards (x1, y1), the end point left out: one span
// across the line per step along its longer axis, spans of the same place merged.
void AddLine(int x0, int y0, int x1, int y1, std::vector<MarkerRect>* out) {
  const int dx = std::abs(x1 - x0);
  const int dy = std::abs(y1 - y0);
  const int sx = x1 > x0 ? 1 : -1;
  const int sy = y1 > y0 ? 1 : -1;
  const bool alongX = dx >= dy;
  const int steps = alongX ? dx : dy;
  const int rise = alongX ? dy : dx;
  int runStart = 0;
  int runMinor = 0;
  for (int i = 0; i <= steps; ++i) {
    // The minor coordinate at step i, rounded to the nearest pixel.
    const int minor = steps == 0 ? 0 : (2 * i * rise + steps) / (2 * steps);
    if (i == 0) {
      runMinor = minor;
      continue;
    }
    if (minor != runMinor || i == steps) {
      // Steps runStart .. i-1 share runMinor.
      const int count = i - runStart;
      const int majorFirst = runStart;
      if (alongX) {
        const int xa = x0 + sx * majorFirst;
        const int xb = x0 + sx * (majorFirst + count - 1);
        const int left = xa < xb ? xa : xb;
        out->push_back({left, y0 + sy * runMinor - kPen / 2, count, kPen});
      } else {
        const int ya = y0 + sy * majorFirst;
        const int yb = y0 + sy * (majorFirst + count - 1);
        const int top = ya < yb ? ya : yb;
        out->push_back({x0 + sx * runMinor - kPen / 2, top, kPen, count});
      }
      runStart = i;
      runMinor = minor;
    }
  }
}

}  // namespace

MarkerBox MarkerWindowBox(const WinRect& outer) {
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  if (width < 5 || height < 5) return {outer.left - 1, outer.top - 1, 0, 0};
  return {outer.left - 1, outer.top - 1, width + 2, height + 2};
}

std::vector<MarkerRect> MarkerShape(const WinRect& outer, bool paused) {
  std::vector<MarkerRect> rects;
  const MarkerBox box = MarkerWindowBox(outer);
  if (box.width == 0) return rects;
  const int w = box.width;
  const int h = box.height;
  rects.push_back({0, 0, w, kPen});
  rects.push_back({0, h - kPen, w, kPen});
  if (h > 2 * kPen) {
    rects.push_back({0, kPen, kPen, h - 2 * kPen});
    rects.push_back({w - kPen, kPen, kPen, h - 2 * kPen});
  }
  if (paused) {
    // (left, top) is (1, 1) in the window; (right, bottom) is (w - 1, h - 1).
    std::vector<MarkerRect> lines;
    AddLine(1, 1, w - 1, h - 1, &lines);
    AddLine(w - 1, 1, 1, h - 1, &lines);
    // The pen reaches one pixel past the box where a line starts on the right edge: cut it.
    for (MarkerRect r : lines) {
      const int x0 = std::max(r.x, 0);
      const int y0 = std::max(r.y, 0);
      const int x1 = std::min(r.x + r.width, w);
      const int y1 = std::min(r.y + r.height, h);
      if (x0 < x1 && y0 < y1) rects.push_back({x0, y0, x1 - x0, y1 - y0});
    }
  }
  return rects;
}

}  // namespace mg
