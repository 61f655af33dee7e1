// 32-bit pixels (blue-green-red-x or red-green-blue-x bytes) to planar 4:2:0 YUV of limited
// range (BT.601, luma 16..235, chroma 16..240), the colours libswscale gives for the same pair
// of formats: one pass over the frame, each chroma sample the mean of its 2x2 pixels. Frames
// from the screen go to H.264 this way, several times faster than libswscale's general path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mg {

struct Yuv420Planes {
  uint8_t* y = nullptr;
  uint8_t* u = nullptr;
  uint8_t* v = nullptr;
  ptrdiff_t yStride = 0;
  ptrdiff_t uStride = 0;
  ptrdiff_t vStride = 0;
};

// Converts `width` x `height` pixels whose first row starts at `src`, `srcStride` bytes apart
// (negative: bottom-up rows read upwards). An odd last column or row pairs with itself for its
// chroma. `redFirst`: bytes are red, green, blue, x; otherwise blue, green, red, x.
void Rgb32ToYuv420(const uint8_t* src, ptrdiff_t srcStride, int width, int height, bool redFirst,
                   const Yuv420Planes& out);

}  // namespace mg
