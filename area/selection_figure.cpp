#include "area/selection_figure.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace mg {

std::string SizeLabelText(ScreenPoint anchor, ScreenPoint current) {
  const int width = std::abs(current.x - anchor.x) + 1;
  const int height = std::abs(current.y - anchor.y) + 1;
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", width, height);
  return text;
}

WinRect PlaceSizeLabel(ScreenPoint anchor, ScreenPoint current, int textWidth, int textHeight,
                       int screenWidth, int screenHeight) {
  const int left = std::min(anchor.x, current.x);
  const int right = std::max(anchor.x, current.x);
  const int top = std::min(anchor.y, current.y);
  const int bottom = std::max(anchor.y, current.y);
  int x = 0;
  int y = 0;
  if (right - left - 24 > textWidth || bottom - top - 24 > textHeight) {
    x = (left + right - textWidth) / 2;
    y = (top + bottom - textHeight) / 2;
  } else {
    x = left - textWidth;
    if (x < 0) x = right;
    y = top - textHeight;
    if (y < 0) y = bottom;
  }
  if (x < 0)
    x = 0;
  else if (x + textWidth > screenWidth)
    x = screenWidth - textWidth;
  if (y < 0)
    y = 0;
  else if (y + textHeight > screenHeight)
    y = screenHeight - textHeight;
  return {x, y, x + textWidth, y + textHeight};
}

std::vector<WinRect> CrossFigure(ScreenPoint p, int screenWidth, int screenHeight) {
  std::vector<WinRect> rects;
  auto add = [&rects](int l, int t, int r, int b) {
    if (r > l && b > t) rects.push_back({l, t, r, b});
  };
  add(0, p.y, p.x, p.y + 1);
  add(p.x + 1, p.y, screenWidth, p.y + 1);
  add(p.x, 0, p.x + 1, p.y);
  add(p.x, p.y + 1, p.x + 1, screenHeight);
  return rects;
}

std::vector<WinRect> BandFigure(ScreenPoint anchor, ScreenPoint current) {
  const int l = std::min(anchor.x, current.x);
  const int r = std::max(anchor.x, current.x) + 1;
  const int t = std::min(anchor.y, current.y);
  const int b = std::max(anchor.y, current.y) + 1;
  std::vector<WinRect> rects = {{l, t, r, t + 1}};
  if (b - t > 1) rects.push_back({l, b - 1, r, b});
  if (b - t > 2) {
    rects.push_back({l, t + 1, l + 1, b - 1});
    if (r - l > 1) rects.push_back({r - 1, t + 1, r, b - 1});
  }
  return rects;
}

std::vector<WinRect> HighlightFigure(const WinRect& rect) {
  const int l = rect.left - 2, t = rect.top - 2, r = rect.right + 3, b = rect.bottom + 3;
  return {{l, t, r, t + 5},
          {l, b - 5, r, b},
          {l, t + 5, l + 5, std::max(t + 5, b - 5)},
          {r - 5, t + 5, r, std::max(t + 5, b - 5)}};
}

void OrderCorners(ScreenPoint* anchor, ScreenPoint* current) {
  if (current->x < anchor->x) std::swap(anchor->x, current->x);
  if (anchor->y > current->y) std::swap(anchor->y, current->y);
  current->x += 1;
  current->y += 1;
}

}  // namespace mg
