// Cost of the "MSVC" compressor on 1920x1080 screen-like frames (the desktop of
// bench_compressors) by input depth and quality: a static screen, a changing one (a window
// moving, text typed), the changing one with every frame a key frame, and a full-screen film.
// Prints milliseconds per frame, average bytes per compressed frame, and the heap allocations
// made while compressing (malloc is counted by this program).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/synthetic_desktop.h"
#include "codecs/video_compressor.h"

// Every malloc family call of the process is counted.
#include "bench/count_allocations.h"

using mgbench::g_allocations;

namespace {

long g_compressAllocations = 0;  // made inside the timed loops

using mgbench::Hash;
using mgbench::kHeight;
using mgbench::kWidth;

// The desktop with a photo-like corner: smooth shading with fine noise, which fills cannot take.
std::vector<uint32_t> Desktop(int frame) {
  std::vector<uint32_t> px = mgbench::Desktop(frame);
  for (int y = 700; y < kHeight; ++y) {
    for (int x = 1400; x < kWidth; ++x) {
      const uint32_t n = Hash(static_cast<uint32_t>(x * 31 + y * 17)) % 24;
      px[static_cast<size_t>(y) * kWidth + x] = static_cast<uint32_t>((x - 1400) / 2 + n) << 16 |
                                                static_cast<uint32_t>(y - 700 + n / 2) / 2 << 8 |
                                                static_cast<uint32_t>(90 + n);
    }
  }
  return px;
}

// A full-screen film: shaded, noisy and different in every pixel from frame to frame.
std::vector<uint32_t> Film(int frame) {
  std::vector<uint32_t> px(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t n = Hash(static_cast<uint32_t>(x * 31 + y * 17 + frame * 7)) % 24;
      px[static_cast<size_t>(y) * kWidth + x] =
          static_cast<uint32_t>((x / 8 + n) % 256) << 16 |
          static_cast<uint32_t>((y / 5 + frame + n) % 256) << 8 | static_cast<uint32_t>(90 + n);
    }
  }
  return px;
}

std::vector<uint8_t> Pack(const std::vector<uint32_t>& px, int bits) {
  std::vector<uint8_t> out(px.size() * static_cast<size_t>(bits / 8));
  for (size_t i = 0; i < px.size(); ++i) {
    const uint32_t c = px[i];
    if (bits == 32) {
      std::memcpy(&out[4 * i], &c, 4);
    } else if (bits == 16) {  // 565, as a 16-bit X display
      const uint16_t v =
          static_cast<uint16_t>((c >> 19 & 0x1F) << 11 | (c >> 10 & 0x3F) << 5 | (c >> 3 & 0x1F));
      std::memcpy(&out[2 * i], &v, 2);
    } else {
      out[i] = static_cast<uint8_t>(((c >> 21) & 7) << 5 | ((c >> 13) & 7) << 2 | ((c >> 6) & 3));
    }
  }
  return out;
}

struct Result {
  double ms = 0;
  double bytes = 0;
  bool ok = false;
};

Result Run(int bits, uint32_t quality, uint32_t keyEvery,
           const std::vector<std::vector<uint8_t>>& frames) {
  mg::CompressorSettings s;
  s.topDownInput = true;
  s.keyFrameEvery = keyEvery;
  s.quality = quality;
  std::unique_ptr<mg::IVideoCompressor> c;
  mg::InputFrameFormat in;
  const std::vector<uint8_t> fmt = mgbench::FrameFormat(bits);
  if (mg::MakeVideoCompressor(mg::MakeFourcc("MSVC"), s, &c) != 0 ||
      mg::ParseFrameFormat(fmt.data(), static_cast<int32_t>(fmt.size()), s, &in) != 0 ||
      c->SetInputFormat(in) != 0) {
    return {};
  }
  mg::CompressedFrame warm;  // the first frame is a key frame in every run: not counted
  if (c->Compress(frames[0].data(), frames[0].size(), &warm) != 0) return {};
  size_t total = 0;
  const long allocations = g_allocations.load();
  const auto start = std::chrono::steady_clock::now();
  for (const auto& f : frames) {
    mg::CompressedFrame out;
    if (c->Compress(f.data(), f.size(), &out) != 0) return {};
    total += out.size;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  g_compressAllocations += g_allocations.load() - allocations;
  return {ms / static_cast<double>(frames.size()),
          static_cast<double>(total) / static_cast<double>(frames.size()), true};
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
  std::printf("MSVC, %d frames of %dx%d, top-down input\n", count, kWidth, kHeight);
  std::printf("%5s %8s %10s %10s %12s %12s %10s %10s %10s %10s\n", "bits", "quality", "static ms",
              "static B", "changing ms", "changing B", "key ms", "key B", "film ms", "film B");
  const std::vector<uint32_t> still = Desktop(0);
  for (int bits : {32, 16, 8}) {
    std::vector<std::vector<uint8_t>> fixed, moving, film;
    for (int i = 0; i < count; ++i) {
      fixed.push_back(Pack(still, bits));
      moving.push_back(Pack(Desktop(i + 1), bits));
      film.push_back(Pack(Film(i), bits));
    }
    for (uint32_t quality : {0u, 7500u, 10000u}) {
      const Result a = Run(bits, quality, 0, fixed);
      const Result b = Run(bits, quality, 0, moving);
      const Result k = Run(bits, quality, 1, moving);
      const Result f = Run(bits, quality, 0, film);
      std::printf("%5d %8u %10.1f %10.0f %12.1f %12.0f %10.1f %10.0f %10.1f %10.0f%s\n", bits,
                  quality, a.ms, a.bytes, b.ms, b.bytes, k.ms, k.bytes, f.ms, f.bytes,
                  a.ok && b.ok && k.ok && f.ok ? "" : "  (failed)");
      std::fflush(stdout);
    }
  }
  std::printf("heap allocations while compressing: %ld\n", g_compressAllocations);
  return 0;
}
