// A synthetic 1920x1080 desktop for the compressor benchmarks: a gradient, two windows with
// title bars and text; `frame` moves the second window and rewrites a line of text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/windows_records.h"

namespace mgbench {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

inline uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352d;
  v ^= v >> 15;
  v *= 0x846ca68b;
  return v ^ (v >> 16);
}

inline std::vector<uint32_t> Desktop(int frame) {
  std::vector<uint32_t> px(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      px[static_cast<size_t>(y) * kWidth + x] =
          static_cast<uint32_t>((40 + 100 * x / kWidth) << 16 | (60 + 90 * y / kHeight) << 8 | 160);
    }
  }
  auto rect = [&](int x0, int y0, int w, int h, uint32_t c, bool text, uint32_t seed) {
    for (int y = std::max(0, y0); y < std::min(kHeight, y0 + h); ++y) {
      for (int x = std::max(0, x0); x < std::min(kWidth, x0 + w); ++x) {
        uint32_t v = c;
        if (text && y - y0 > 24 && (y - y0) % 16 < 10 &&
            Hash(static_cast<uint32_t>(x / 2 + y * 7919) ^ seed) % 5 == 0) {
          v = 0x202020;
        }
        px[static_cast<size_t>(y) * kWidth + x] = v;
      }
    }
  };
  rect(100, 80, 1000, 700, 0xF4F4F4, true, 1);
  rect(100, 80, 1000, 24, 0x3060C0, false, 0);
  rect(120, 600, 900, 16, 0xF4F4F4, true, static_cast<uint32_t>(frame));  // a line being typed
  const int x2 = 700 + frame * 8, y2 = 300 + frame * 4;
  rect(x2, y2, 800, 500, 0xFFFFF0, true, 2);
  rect(x2, y2, 800, 24, 0xC04020, false, 0);
  return px;
}

// The frame format of the desktop at `bits` per pixel: 8-bit with a 3-3-2 colour table, 16-bit
// as 5-6-5 bit fields, 24 and 32 plain.
inline std::vector<uint8_t> FrameFormat(int bits) {
  mg::BitmapInfoHeader h;
  h.biWidth = kWidth;
  h.biHeight = kHeight;
  h.biBitCount = static_cast<uint16_t>(bits);
  h.biClrUsed = bits == 8 ? 256 : 0;
  h.biCompression = bits == 16 ? 3 : 0;
  std::vector<uint8_t> f(40 + (bits == 8 ? 1024 : bits == 16 ? 12 : 0));
  std::memcpy(f.data(), &h, 40);
  if (bits == 16) {
    const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(f.data() + 40, masks, 12);
  }
  for (int i = 0; bits == 8 && i < 256; ++i) {
    const mg::RgbQuad q{static_cast<uint8_t>((i & 3) * 85), static_cast<uint8_t>((i >> 2 & 7) * 36),
                        static_cast<uint8_t>((i >> 5) * 36), 0};
    std::memcpy(f.data() + 40 + 4 * i, &q, 4);
  }
  return f;
}

}  // namespace mgbench
