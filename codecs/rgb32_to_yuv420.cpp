#include "codecs/rgb32_to_yuv420.h"

namespace mg {
namespace {

// BT.601 limited range in 14-bit fixed point.
constexpr int kShift = 14;
constexpr int kYr = 4207, kYg = 8260, kYb = 1604;    // 0.256788, 0.504129, 0.097906
constexpr int kUr = -2428, kUg = -4768, kUb = 7196;  // -0.148223, -0.290993, 0.439216
constexpr int kVr = 7196, kVg = -6026, kVb = -1170;  // 0.439216, -0.367788, -0.071427
constexpr int kYBias = (16 << kShift) + (1 << (kShift - 1));
constexpr int kCBias = (128 << kShift) + (1 << (kShift - 1));

inline uint8_t Luma(int r, int g, int b) {
  return static_cast<uint8_t>((kYr * r + kYg * g + kYb * b + kYBias) >> kShift);
}

// Two rows of pixels into two rows of luma and one row each of the chroma planes: `pairs` whole
// 2-pixel columns, then `odd` one more.
template <int R, int B>
void RowPair(const uint8_t* __restrict r0, const uint8_t* __restrict r1, uint8_t* __restrict y0,
             uint8_t* __restrict y1, uint8_t* __restrict u, uint8_t* __restrict v, int pairs,
             bool odd) {
  for (int i = 0; i < pairs; ++i) {
    const uint8_t* a = r0 + 8 * i;
    const uint8_t* b = r1 + 8 * i;
    const int ra = a[R], ga = a[1], ba = a[B], rb = a[4 + R], gb = a[5], bb = a[4 + B];
    const int rc = b[R], gc = b[1], bc = b[B], rd = b[4 + R], gd = b[5], bd = b[4 + B];
    y0[2 * i] = Luma(ra, ga, ba);
    y0[2 * i + 1] = Luma(rb, gb, bb);
    y1[2 * i] = Luma(rc, gc, bc);
    y1[2 * i + 1] = Luma(rd, gd, bd);
    // Sums of four: the coefficients take the mean with two more bits of shift.
    const int r = ra + rb + rc + rd, g = ga + gb + gc + gd, bl = ba + bb + bc + bd;
    u[i] = static_cast<uint8_t>((kUr * r + kUg * g + kUb * bl + 4 * kCBias) >> (kShift + 2));
    v[i] = static_cast<uint8_t>((kVr * r + kVg * g + kVb * bl + 4 * kCBias) >> (kShift + 2));
  }
  if (odd) {
    const uint8_t* a = r0 + 8 * pairs;
    const uint8_t* b = r1 + 8 * pairs;
    y0[2 * pairs] = Luma(a[R], a[1], a[B]);
    y1[2 * pairs] = Luma(b[R], b[1], b[B]);
    const int r = 2 * (a[R] + b[R]), g = 2 * (a[1] + b[1]), bl = 2 * (a[B] + b[B]);
    u[pairs] = static_cast<uint8_t>((kUr * r + kUg * g + kUb * bl + 4 * kCBias) >> (kShift + 2));
    v[pairs] = static_cast<uint8_t>((kVr * r + kVg * g + kVb * bl + 4 * kCBias) >> (kShift + 2));
  }
}

// An odd last row: its chroma from the row alone.
template <int R, int B>
void LastRow(const uint8_t* r0, uint8_t* y0, uint8_t* u, uint8_t* v, int width) {
  for (int x = 0; x < width; x += 2) {
    const uint8_t* a = r0 + 4 * x;
    const uint8_t* b = x + 1 < width ? a + 4 : a;
    y0[x] = Luma(a[R], a[1], a[B]);
    if (x + 1 < width) y0[x + 1] = Luma(b[R], b[1], b[B]);
    const int r = 2 * (a[R] + b[R]), g = 2 * (a[1] + b[1]), bl = 2 * (a[B] + b[B]);
    u[x / 2] = static_cast<uint8_t>((kUr * r + kUg * g + kUb * bl + 4 * kCBias) >> (kShift + 2));
    v[x / 2] = static_cast<uint8_t>((kVr * r + kVg * g + kVb * bl + 4 * kCBias) >> (kShift + 2));
  }
}

template <int R, int B>
void Convert(const uint8_t* src, ptrdiff_t srcStride, int width, int height,
             const Yuv420Planes& out) {
  const int pairs = width / 2;
  const bool odd = (width & 1) != 0;
  int row = 0;
  for (; row + 1 < height; row += 2) {
    const uint8_t* r0 = src + row * srcStride;
    uint8_t* y0 = out.y + row * out.yStride;
    RowPair<R, B>(r0, r0 + srcStride, y0, y0 + out.yStride, out.u + (row / 2) * out.uStride,
                  out.v + (row / 2) * out.vStride, pairs, odd);
  }
  if (row < height)
    LastRow<R, B>(src + row * srcStride, out.y + row * out.yStride, out.u + (row / 2) * out.uStride,
                  out.v + (row / 2) * out.vStride, width);
}

}  // namespace

void Rgb32ToYuv420(const uint8_t* src, ptrdiff_t srcStride, int width, int height, bool redFirst,
                   const Yuv420Planes& out) {
  if (redFirst)
    Convert<0, 2>(src, srcStride, width, height, out);
  else
    Convert<2, 0>(src, srcStride, width, height, out);
}

}  // namespace mg
