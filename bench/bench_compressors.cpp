// Cost of each installed compressor on a 1920x1080 frame of screen-like content, top-down rows
// as screen grabs deliver them: a static desktop (every frame the same) and a changing one (a
// window moving, text changing). 32-bit frames; "MRLE" takes 8-bit frames of the same picture.
// Prints milliseconds per frame and average bytes per compressed frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/compressor_registry.h"
#include "platform/video_compressor.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352d;
  v ^= v >> 15;
  v *= 0x846ca68b;
  return v ^ (v >> 16);
}

// A desktop: gradient, two windows with title bars and text; `frame` moves the second window and
// rewrites a line of text.
std::vector<uint32_t> Desktop(int frame) {
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

std::vector<uint8_t> Pack32(const std::vector<uint32_t>& px) {
  std::vector<uint8_t> out(px.size() * 4);
  std::memcpy(out.data(), px.data(), out.size());
  return out;
}

std::vector<uint8_t> Pack8(const std::vector<uint32_t>& px) {
  std::vector<uint8_t> out(px.size());
  for (size_t i = 0; i < px.size(); ++i) {
    const uint32_t c = px[i];
    out[i] = static_cast<uint8_t>(((c >> 21) & 7) << 5 | ((c >> 13) & 7) << 2 | ((c >> 6) & 3));
  }
  return out;
}

std::vector<uint8_t> Format(int bits) {
  mg::BitmapInfoHeader h;
  h.biWidth = kWidth;
  h.biHeight = kHeight;
  h.biBitCount = static_cast<uint16_t>(bits);
  h.biClrUsed = bits == 8 ? 256 : 0;
  std::vector<uint8_t> f(40 + (bits == 8 ? 1024 : 0));
  std::memcpy(f.data(), &h, 40);
  for (int i = 0; bits == 8 && i < 256; ++i) {
    const mg::RgbQuad q{static_cast<uint8_t>((i & 3) * 85), static_cast<uint8_t>((i >> 2 & 7) * 36),
                        static_cast<uint8_t>((i >> 5) * 36), 0};
    std::memcpy(f.data() + 40 + 4 * i, &q, 4);
  }
  return f;
}

struct Result {
  double ms = 0;
  double bytes = 0;
  bool ok = false;
};

Result Run(uint32_t fcc, int bits, const std::vector<std::vector<uint8_t>>& frames) {
  mg::CompressorSettings s;
  s.topDownInput = true;
  s.keyFrameEvery = 20;
  s.quality = 7500;
  std::unique_ptr<mg::IVideoCompressor> c;
  mg::InputFrameFormat in;
  const std::vector<uint8_t> fmt = Format(bits);
  if (mg::MakeVideoCompressor(fcc, s, &c) != 0 ||
      mg::ParseFrameFormat(fmt.data(), static_cast<int32_t>(fmt.size()), s, &in) != 0 ||
      c->SetInputFormat(in) != 0) {
    return {};
  }
  Result r;
  size_t total = 0;
  mg::CompressedFrame warm;  // the first frame pays for allocations; it is not counted
  if (c->Compress(frames[0].data(), frames[0].size(), &warm) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  for (const auto& f : frames) {
    mg::CompressedFrame out;
    if (c->Compress(f.data(), f.size(), &out) != 0) return {};
    total += out.size;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  r.ms = ms / static_cast<double>(frames.size());
  r.bytes = static_cast<double>(total) / static_cast<double>(frames.size());
  r.ok = true;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_ERROR);
  const int count = argc > 1 ? std::atoi(argv[1]) : 8;
  std::vector<std::vector<uint8_t>> static32, moving32, static8, moving8;
  const std::vector<uint32_t> still = Desktop(0);
  for (int i = 0; i < count; ++i) {
    const std::vector<uint32_t> moved = Desktop(i);
    static32.push_back(Pack32(still));
    moving32.push_back(Pack32(moved));
    static8.push_back(Pack8(still));
    moving8.push_back(Pack8(moved));
  }
  std::printf("%d frames of %dx%d, key frame every 20, quality 75 %%\n", count, kWidth, kHeight);
  std::printf("%-6s %-36s %5s %12s %12s %12s %12s\n", "FOURCC", "compressor", "bits", "static ms",
              "static bytes", "changing ms", "changing B");
  for (const mg::CompressorInfo& info : mg::InstalledCompressors()) {
    const bool rle = info.fccHandler == mg::MakeFourcc("MRLE");
    const int bits = rle ? 8 : 32;
    const Result a = Run(info.fccHandler, bits, rle ? static8 : static32);
    const Result b = Run(info.fccHandler, bits, rle ? moving8 : moving32);
    char code[5] = {};
    std::memcpy(code, &info.fccHandler, 4);
    std::printf("%-6s %-36s %5d %12.1f %12.0f %12.1f %12.0f%s\n", code, info.description.c_str(),
                bits, a.ms, a.bytes, b.ms, b.bytes, a.ok && b.ok ? "" : "  (failed)");
    std::fflush(stdout);
  }
  return 0;
}
