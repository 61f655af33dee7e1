// The one-pass converter from 32-bit screen pixels to YUV 4:2:0 that H.264 frames go through:
// the colours libswscale gives for the same formats, chroma as the mean of each 2x2 block, both
// byte orders, bottom-up rows, odd sizes, and strides wider than the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/rgb32_to_yuv420.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

struct Picture {
  int width, height;
  std::vector<uint8_t> y, u, v;
  Picture(int w, int h)
      : width(w),
        height(h),
        y(static_cast<size_t>(w) * h, 0xEE),
        u(static_cast<size_t>((w + 1) / 2) * ((h + 1) / 2), 0xEE),
        v(u.size(), 0xEE) {}
  mg::Yuv420Planes Planes() {
    return {y.data(), u.data(), v.data(), width, (width + 1) / 2, (width + 1) / 2};
  }
};

// Blue-green-red-x pixels, top-down, `stride` bytes a row.
std::vector<uint8_t> Pixels(int w, int h, int stride, uint32_t (*rgb)(int x, int y)) {
  std::vector<uint8_t> p(static_cast<size_t>(stride) * h, 0x5A);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = rgb(x, y);
      uint8_t* q = &p[static_cast<size_t>(y) * stride + 4 * x];
      q[0] = c & 0xFF;
      q[1] = c >> 8 & 0xFF;
      q[2] = c >> 16 & 0xFF;
      q[3] = 0x77;  // the x byte is never read
    }
  return p;
}

TEST(Rgb32ToYuv420, FlatColoursHaveTheirLimitedRangeValues) {
  const struct {
    uint32_t rgb;
    int y, u, v;
  } cases[] = {{0x000000, 16, 128, 128}, {0xFFFFFF, 235, 128, 128}, {0xFF0000, 82, 90, 240},
               {0x00FF00, 145, 54, 34},  {0x0000FF, 41, 240, 110},  {0x808080, 126, 128, 128}};
  for (const auto& c : cases) {
    static uint32_t colour;
    colour = c.rgb;
    const std::vector<uint8_t> in = Pixels(6, 4, 24, [](int, int) { return colour; });
    Picture out(6, 4);
    mg::Rgb32ToYuv420(in.data(), 24, 6, 4, false, out.Planes());
    for (uint8_t y : out.y) EXPECT_NEAR(y, c.y, 1) << std::hex << c.rgb;
    for (uint8_t u : out.u) EXPECT_NEAR(u, c.u, 1) << std::hex << c.rgb;
    for (uint8_t v : out.v) EXPECT_NEAR(v, c.v, 1) << std::hex << c.rgb;
  }
}

uint32_t Busy(int x, int y) {
  const uint32_t h = static_cast<uint32_t>(x * 7919 + y * 104729) * 2654435761u;
  return h >> 8;
}

// Against libswscale: luma within 1 everywhere; chroma of flat 2x2 blocks within 1 (at sharp
// edges libswscale's filters reach further than the block, so only flat blocks compare).
TEST(Rgb32ToYuv420, AgreesWithLibswscale) {
  constexpr int w = 64, h = 48;
  auto blocky = [](int x, int y) { return Busy(x / 2, y / 2); };  // flat 2x2 blocks
  const std::vector<uint8_t> busy = Pixels(w, h, w * 4, Busy);
  const std::vector<uint8_t> flat = Pixels(w, h, w * 4, blocky);
  for (const std::vector<uint8_t>* in : {&busy, &flat}) {
    Picture ours(w, h), theirs(w, h);
    mg::Rgb32ToYuv420(in->data(), w * 4, w, h, false, ours.Planes());
    SwsContext* sws = sws_getContext(w, h, AV_PIX_FMT_BGR0, w, h, AV_PIX_FMT_YUV420P, SWS_POINT,
                                     nullptr, nullptr, nullptr);
    ASSERT_TRUE(sws);
    const uint8_t* src[4] = {in->data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {w * 4, 0, 0, 0};
    uint8_t* dst[4] = {theirs.y.data(), theirs.u.data(), theirs.v.data(), nullptr};
    const int dstStride[4] = {w, w / 2, w / 2, 0};
    sws_scale(sws, src, srcStride, 0, h, dst, dstStride);
    sws_freeContext(sws);
    for (size_t i = 0; i < ours.y.size(); ++i) ASSERT_NEAR(ours.y[i], theirs.y[i], 1) << i;
    if (in == &flat) {
      for (size_t i = 0; i < ours.u.size(); ++i) {
        ASSERT_NEAR(ours.u[i], theirs.u[i], 1) << i;
        ASSERT_NEAR(ours.v[i], theirs.v[i], 1) << i;
      }
    }
  }
}

// Chroma is the mean of its four pixels: red and blue side by side over green and white.
TEST(Rgb32ToYuv420, ChromaIsTheMeanOfItsBlock) {
  const std::vector<uint8_t> in = Pixels(2, 2, 8, [](int x, int y) -> uint32_t {
    return y == 0 ? (x == 0 ? 0xFF0000 : 0x0000FF) : (x == 0 ? 0x00FF00 : 0xFFFFFF);
  });
  Picture out(2, 2);
  mg::Rgb32ToYuv420(in.data(), 8, 2, 2, false, out.Planes());
  // The mean colour is (128, 128, 128) less a quarter: (127.5, 127.5, 127.5), grey.
  EXPECT_NEAR(out.u[0], 128, 1);
  EXPECT_NEAR(out.v[0], 128, 1);
  EXPECT_NEAR(out.y[0], 82, 1);
  EXPECT_NEAR(out.y[1], 41, 1);
  EXPECT_NEAR(out.y[2], 145, 1);
  EXPECT_NEAR(out.y[3], 235, 1);
}

// The same picture red-first, bottom-up (negative stride from the last row), with odd sizes and
// padded rows gives the same planes; every plane sample is written, nothing outside them.
TEST(Rgb32ToYuv420, ByteOrderRowOrderOddSizesAndPadding) {
  constexpr int w = 7, h = 5, stride = 40;
  const std::vector<uint8_t> top = Pixels(w, h, stride, Busy);
  Picture expected(w, h);
  mg::Rgb32ToYuv420(top.data(), stride, w, h, false, expected.Planes());
  for (uint8_t y : expected.y) EXPECT_NE(y, 0xEE);  // limited-range luma never reaches 0xEE

  // Red-first and bottom-up: rows stored last first, red and blue swapped.
  std::vector<uint8_t> flipped(top.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* from = &top[static_cast<size_t>(y) * stride + 4 * x];
      uint8_t* to = &flipped[static_cast<size_t>(h - 1 - y) * stride + 4 * x];
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = 0;
    }
  Picture got(w, h);
  mg::Rgb32ToYuv420(flipped.data() + static_cast<ptrdiff_t>(h - 1) * stride, -stride, w, h, true,
                    got.Planes());
  EXPECT_EQ(got.y, expected.y);
  EXPECT_EQ(got.u, expected.u);
  EXPECT_EQ(got.v, expected.v);

  // The odd last column and row take their chroma from themselves alone.
  static int width;
  width = w;
  const std::vector<uint8_t> edge = Pixels(w, h, stride, [](int x, int y) -> uint32_t {
    return x == width - 1 || y == 4 ? 0x0000FF : 0xFF0000;
  });
  Picture e(w, h);
  mg::Rgb32ToYuv420(edge.data(), stride, w, h, false, e.Planes());
  const int cw = (w + 1) / 2;
  EXPECT_NEAR(e.u[static_cast<size_t>(cw - 1)], 240, 1);  // last column, first row pair: blue
  EXPECT_NEAR(e.v[0], 240, 1);                            // first block: red
  EXPECT_NEAR(e.u[static_cast<size_t>(2 * cw)], 240, 1);  // last row: blue
}

}  // namespace
