// Draws the mouse cursor image into a grabbed frame, clipped to the frame.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/capture_display.h"
#include "platform/windows_records.h"

namespace mg {

// Maps a 5-5-5 colour to the nearest entry of a colour table (palette displays).
class NearestColour {
 public:
  void Build(const RgbQuad* table, int count);
  bool empty() const { return lookup_.empty(); }
  uint8_t operator()(int r, int g, int b) const {
    return lookup_[static_cast<size_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))];
  }

 private:
  std::vector<uint8_t> lookup_;
};

struct FrameView {
  uint8_t* pixels = nullptr;  // rows top-down
  int width = 0;
  int height = 0;
  int stride = 0;
  int bitsPerPixel = 0;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;  // direct colour
  const RgbQuad* palette = nullptr;                   // palette displays
  const NearestColour* nearest = nullptr;
};

// Blends the premultiplied ARGB cursor with its top-left corner at (left, top) of the frame.
void DrawCursor(const FrameView& frame, const CursorImage& cursor, int left, int top);

}  // namespace mg
