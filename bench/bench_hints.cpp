// What a changed-region hint saves the coders: "MSVC", "ZMBV" and "H264" on 1920x1080 32-bit
// top-down frames (the desktop of bench_compressors) where nothing changes, where text is typed
// (four 8x16 character cells and the 2x16 text cursor a frame), where a paragraph is rewritten
// (2 % of the picture in character cells) and where every pixel changes; each coded once told
// nothing and once told exactly what changed. Prints the CPU time of the whole process per
// frame (the coders' threads included) and the average bytes per frame.
// Usage: bench_hints [frames [FOURCC]] (20 frames, all three coders).
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "bench/synthetic_desktop.h"
#include "codecs/video_compressor.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using mgbench::kHeight;
using mgbench::kWidth;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The picture being coded and what the next change does to it.
struct Screen {
  std::vector<uint32_t> pixels = mgbench::Desktop(0);
  std::vector<uint32_t> other;  // for "everything": the picture it alternates with

  void Cell(int x0, int y0, int w, int h, uint32_t seed, mg::ChangedRegion* changed) {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) {
        const bool ink = (y - y0) % 16 > 2 && (y - y0) % 16 < 13 &&
                         mgbench::Hash(static_cast<uint32_t>(x + 7919 * y) ^ seed) % 3 == 0;
        pixels[static_cast<size_t>(y) * kWidth + x] = ink ? 0x202020 : 0xF4F4F4;
      }
    changed->Add(mg::WinRect{x0, y0, x0 + w, y0 + h});
  }
};

// Changes `screen` for frame `i` and says where.
using Change = std::function<void(Screen&, int i, mg::ChangedRegion*)>;

void Nothing(Screen&, int, mg::ChangedRegion*) {}

// Four characters typed at the text cursor, which moves on past them (drawn where it was, then
// drawn again).
void Typing(Screen& s, int i, mg::ChangedRegion* changed) {
  const int x = 130 + (i * 4 % 100) * 8, y = 200 + 16 * (i * 4 / 100);
  for (int k = 0; k < 4; ++k)
    s.Cell(x + 8 * k, y, 8, 16, static_cast<uint32_t>(i * 4 + k), changed);
  s.Cell(x + 32, y, 2, 16, 0, changed);
  for (int yy = y; yy < y + 16; ++yy)
    for (int xx = x + 32; xx < x + 34; ++xx) s.pixels[static_cast<size_t>(yy) * kWidth + xx] = 0;
}

// A paragraph rewritten: 8 lines of 40 characters, 2 % of the picture.
void Paragraph(Screen& s, int i, mg::ChangedRegion* changed) {
  for (int line = 0; line < 8; ++line)
    for (int col = 0; col < 40; ++col)
      s.Cell(300 + 8 * col, 400 + 16 * line, 8, 16,
             static_cast<uint32_t>(i * 977 + line * 40 + col), changed);
}

void Everything(Screen& s, int, mg::ChangedRegion* changed) {
  if (s.other.empty()) {
    s.other = s.pixels;
    for (uint32_t& p : s.other) p ^= 0x0F0F0F;
  }
  s.pixels.swap(s.other);
  *changed = mg::ChangedRegion::Everything();
}

struct Result {
  double ms = 0;
  double bytes = 0;
  bool ok = false;
};

Result Run(const char* fcc, const Change& change, bool hinted, int frames) {
  mg::CompressorSettings s;
  s.topDownInput = true;
  s.keyFrameEvery = 0;  // the first frame only: the timed frames are all changes
  s.quality = 7500;
  std::unique_ptr<mg::IVideoCompressor> c;
  mg::InputFrameFormat in;
  const std::vector<uint8_t> fmt = mgbench::FrameFormat(32);
  if (mg::MakeVideoCompressor(mg::MakeFourcc(fcc), s, &c) != 0 ||
      mg::ParseFrameFormat(fmt.data(), static_cast<int32_t>(fmt.size()), s, &in) != 0 ||
      c->SetInputFormat(in) != 0) {
    return {};
  }
  Screen screen;
  const size_t bytes = screen.pixels.size() * 4;
  mg::CompressedFrame out;
  // The first frame is a key frame and pays for the coder's buffers: not counted.
  if (c->Compress(screen.pixels.data(), bytes, &out) != 0) return {};
  double ms = 0;
  size_t total = 0;
  for (int i = 0; i < frames; ++i) {
    mg::ChangedRegion changed;
    change(screen, i, &changed);
    const double start = CpuMs();
    if (hinted) c->HintChanged(changed);
    if (c->Compress(screen.pixels.data(), bytes, &out) != 0) return {};
    ms += CpuMs() - start;
    total += out.size;
  }
  return {ms / frames, static_cast<double>(total) / frames, true};
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_ERROR);
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  struct Scene {
    const char* name;
    Change change;
  };
  const Scene scenes[] = {{"no change", Nothing},
                          {"typing", Typing},
                          {"2 % (paragraph)", Paragraph},
                          {"full change", Everything}};
  std::printf("%d frames of %dx%d, 32-bit top-down, quality 75 %%; CPU ms and bytes per frame\n",
              frames, kWidth, kHeight);
  std::printf("%-6s %-16s %12s %12s %12s %12s\n", "FOURCC", "frames", "no hint ms", "no hint B",
              "hinted ms", "hinted B");
  for (const char* fcc : {"MSVC", "ZMBV", "H264"}) {
    if (argc > 2 && std::strcmp(argv[2], fcc) != 0) continue;
    for (const Scene& scene : scenes) {
      const Result a = Run(fcc, scene.change, false, frames);
      const Result b = Run(fcc, scene.change, true, frames);
      std::printf("%-6s %-16s %12.2f %12.0f %12.2f %12.0f%s\n", fcc, scene.name, a.ms, a.bytes,
                  b.ms, b.bytes, a.ok && b.ok ? "" : "  (failed)");
      std::fflush(stdout);
    }
  }
  return 0;
}
