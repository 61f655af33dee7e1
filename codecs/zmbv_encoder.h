// A Zip Motion Blocks Video coder for 32-bit pixels (blue, green, red, x): one zlib stream per
// key-frame interval, each frame ended with a sync flush. A key frame carries the whole picture;
// the frames between carry, for each 16x16 block, its motion vector (always none here) and, for
// a block that changed, its difference from the previous picture as XOR bytes. Unchanged blocks
// cost two bytes before compression, so a screen where little moves is cheap to code.
//
// libavcodec's own ZMBV encoder scores 9 candidate vectors for every changed block, which takes
// 100 to 150 ms for a 1920x1080 frame of scrolling text; this coder compares each block once,
// exactly, and is several times faster there (bench_compressors).
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mg {

class ZmbvEncoder {
 public:
  ZmbvEncoder() = default;
  ~ZmbvEncoder();
  ZmbvEncoder(const ZmbvEncoder&) = delete;
  ZmbvEncoder& operator=(const ZmbvEncoder&) = delete;

  // false when zlib cannot be set up or the size is not positive.
  bool Open(int width, int height, int zlibLevel);
  struct Coded {
    const uint8_t* data = nullptr;
    size_t size = 0;  // 0 on a zlib failure
  };
  // Codes the picture whose top row starts at `top`, rows `stride` bytes apart (negative:
  // bottom-up in memory). The first frame is always a key frame. The bytes stay valid until the
  // next call. `changed`, when given, marks with 1 the 16x16 blocks (BlocksWide() x BlocksHigh(),
  // top row of blocks first) that may differ from the previous frame; the others go out as
  // unchanged blocks without being compared.
  Coded Encode(const uint8_t* top, ptrdiff_t stride, bool keyFrame,
               const uint8_t* changed = nullptr);

  static constexpr int kBlock = 16;
  int BlocksWide() const { return blocksWide_; }
  int BlocksHigh() const { return blocksHigh_; }

 private:
  // Compresses `bytes` of `data` after the first `outOffset` bytes of the output; the coded size.
  size_t Deflate(const uint8_t* data, size_t bytes, size_t outOffset);

  int width_ = 0;
  int height_ = 0;
  int blocksWide_ = 0;
  int blocksHigh_ = 0;
  bool open_ = false;
  bool havePrevious_ = false;
  z_stream zlib_{};
  std::vector<uint8_t> previous_;  // the picture the decoder holds, rows top-down, packed
  // What goes into zlib for one frame, and what comes out. Not initialised: their pages are
  // touched (and resident) only as far as frames fill them.
  std::unique_ptr<uint8_t[]> work_;
  std::unique_ptr<uint8_t[]> out_;
  size_t outCapacity_ = 0;
};

}  // namespace mg
