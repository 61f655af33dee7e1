#include "capture/cursor_blend.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace mg {
namespace {

struct Channel {
  int shift = 0;
  int bits = 0;
  explicit Channel(uint32_t mask)
      : shift(mask ? std::countr_zero(mask) : 0), bits(std::popcount(mask)) {}
  int Get(uint32_t pixel) const {
    if (bits == 0) return 0;
    const uint32_t v = (pixel >> shift) & ((1u << bits) - 1);
    if (bits >= 8) return static_cast<int>(v >> (bits - 8));
    return static_cast<int>(v * 255 / ((1u << bits) - 1));
  }
  uint32_t Put(int value) const {
    if (bits == 0) return 0;
    const uint32_t v = bits >= 8 ? static_cast<uint32_t>(value) << (bits - 8)
                                 : (static_cast<uint32_t>(value) * ((1u << bits) - 1) + 127) / 255;
    return v << shift;
  }
};

inline int Over(int src, int dst, int alpha) {
  return src + (dst * (255 - alpha) + 127) / 255;
}

uint32_t LoadPixel(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  std::memcpy(&v, p, static_cast<size_t>(bytes));
  return v;
}

void StorePixel(uint8_t* p, int bytes, uint32_t v) {
  std::memcpy(p, &v, static_cast<size_t>(bytes));
}

}  // namespace

void NearestColour::Build(const RgbQuad* table, int count) {
  lookup_.assign(32768, 0);
  for (int c = 0; c < 32768; ++c) {
    const int r = ((c >> 10) & 31) * 255 / 31, g = ((c >> 5) & 31) * 255 / 31,
              b = (c & 31) * 255 / 31;
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < count; ++i) {
      const int dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    lookup_[static_cast<size_t>(c)] = static_cast<uint8_t>(best);
  }
}

void DrawCursor(const FrameView& frame, const CursorImage& cursor, int left, int top) {
  if (!cursor.argb || cursor.width <= 0 || cursor.height <= 0) return;
  const int x0 = std::max(0, left), y0 = std::max(0, top);
  const int x1 = std::min(frame.width, left + cursor.width);
  const int y1 = std::min(frame.height, top + cursor.height);
  if (x0 >= x1 || y0 >= y1) return;

  const int bytes = frame.bitsPerPixel / 8;
  const bool indexed = frame.bitsPerPixel <= 8;
  if (indexed && (!frame.palette || !frame.nearest || frame.nearest->empty() || bytes != 1)) return;
  if (!indexed && (bytes < 2 || bytes > 4)) return;
  const Channel red(frame.redMask), green(frame.greenMask), blue(frame.blueMask);

  for (int y = y0; y < y1; ++y) {
    const uint32_t* src = cursor.argb + static_cast<size_t>(y - top) * cursor.width;
    uint8_t* row = frame.pixels + static_cast<size_t>(y) * frame.stride;
    for (int x = x0; x < x1; ++x) {
      const uint32_t s = src[x - left];
      const int a = static_cast<int>(s >> 24);
      const int sr = (s >> 16) & 255, sg = (s >> 8) & 255, sb = s & 255;
      if (a == 0 && (sr | sg | sb) == 0) continue;
      uint8_t* p = row + static_cast<size_t>(x) * bytes;
      if (indexed) {
        const RgbQuad& d = frame.palette[*p];
        *p = (*frame.nearest)(Over(sr, d.rgbRed, a), Over(sg, d.rgbGreen, a),
                              Over(sb, d.rgbBlue, a));
        continue;
      }
      const uint32_t d = LoadPixel(p, bytes);
      const uint32_t out = red.Put(std::min(255, Over(sr, red.Get(d), a))) |
                           green.Put(std::min(255, Over(sg, green.Get(d), a))) |
                           blue.Put(std::min(255, Over(sb, blue.Get(d), a)));
      StorePixel(p, bytes, out | (d & ~(frame.redMask | frame.greenMask | frame.blueMask)));
    }
  }
}

}  // namespace mg
