// Cost of turning one 1920x1080 screen frame (blue-green-red-x, top-down) into planar 4:2:0 YUV
// for H.264: libswscale with several of its flags against our own one-pass converter, and the
// largest difference of our planes from libswscale's bilinear ones. Milliseconds per frame,
// medians of the runs.
//
//   bench_convert [runs=30]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codecs/rgb32_to_yuv420.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Planes {
  std::vector<uint8_t> y = std::vector<uint8_t>(kWidth * kHeight);
  std::vector<uint8_t> u = std::vector<uint8_t>(kWidth * kHeight / 4);
  std::vector<uint8_t> v = std::vector<uint8_t>(kWidth * kHeight / 4);
};

double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

template <typename F>
double Time(int runs, F&& convert) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    convert();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  return Median(ms);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  // Text-like content: sharp edges and flat areas, plus a shaded band.
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 4);
  uint32_t seed = 1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = &frame[(static_cast<size_t>(y) * kWidth + x) * 4];
      const bool ink = (y % 16 < 11) && ((seed >> 16) % 3 == 0);
      p[0] = ink ? 20 : static_cast<uint8_t>(y < 200 ? x / 8 : 250);
      p[1] = ink ? 30 : static_cast<uint8_t>(y < 200 ? y : 248);
      p[2] = ink ? 40 : static_cast<uint8_t>(y < 200 ? 255 - x / 8 : 240);
      p[3] = 0;
    }
  }
  const uint8_t* src[4] = {frame.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {kWidth * 4, 0, 0, 0};
  Planes reference;
  std::printf("BGR0 -> YUV420P, %dx%d, median of %d runs\n", kWidth, kHeight, runs);
  const struct {
    const char* name;
    int flags;
  } kinds[] = {{"libswscale bicubic", SWS_BICUBIC},
               {"libswscale bilinear", SWS_BILINEAR},
               {"libswscale fast bilinear", SWS_FAST_BILINEAR},
               {"libswscale point", SWS_POINT}};
  for (const auto& kind : kinds) {
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGR0, kWidth, kHeight,
                                     AV_PIX_FMT_YUV420P, kind.flags, nullptr, nullptr, nullptr);
    Planes out;
    uint8_t* dst[4] = {out.y.data(), out.u.data(), out.v.data(), nullptr};
    const int dstStride[4] = {kWidth, kWidth / 2, kWidth / 2, 0};
    const double ms =
        Time(runs, [&] { sws_scale(sws, src, srcStride, 0, kHeight, dst, dstStride); });
    std::printf("%-28s %7.2f ms\n", kind.name, ms);
    if (kind.flags == SWS_BILINEAR) reference = out;
    sws_freeContext(sws);
  }
  Planes ours;
  const mg::Yuv420Planes planes{ours.y.data(), ours.u.data(), ours.v.data(),
                                kWidth,        kWidth / 2,    kWidth / 2};
  const double ms = Time(
      runs, [&] { mg::Rgb32ToYuv420(frame.data(), kWidth * 4, kWidth, kHeight, false, planes); });
  int dy = 0, dc = 0;
  for (size_t i = 0; i < ours.y.size(); ++i)
    dy = std::max(dy, std::abs(ours.y[i] - reference.y[i]));
  for (size_t i = 0; i < ours.u.size(); ++i) {
    dc = std::max(dc, std::abs(ours.u[i] - reference.u[i]));
    dc = std::max(dc, std::abs(ours.v[i] - reference.v[i]));
  }
  std::printf("%-28s %7.2f ms  (largest difference from bilinear: luma %d, chroma %d)\n",
              "Movigram one-pass converter", ms, dy, dc);
  return 0;
}
