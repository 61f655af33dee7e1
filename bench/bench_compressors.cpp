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

#include "codecs/compressor_registry.h"
#include "codecs/video_compressor.h"

extern "C" {
#include <libavutil/log.h>
}

#include "bench/synthetic_desktop.h"

namespace {

using mgbench::Desktop;
using mgbench::kHeight;
using mgbench::kWidth;

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
  const std::vector<uint8_t> fmt = mgbench::FrameFormat(bits);
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
