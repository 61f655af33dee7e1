#include "codecs/zmbv_encoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mg {
namespace {

constexpr uint8_t kKeyFrameFlag = 1;
constexpr uint8_t kFormat32Bits = 8;
constexpr uint8_t kCompressionZlib = 1;

}  // namespace

ZmbvEncoder::~ZmbvEncoder() {
  if (open_) deflateEnd(&zlib_);
}

bool ZmbvEncoder::Open(int width, int height, int zlibLevel) {
  if (open_ || width <= 0 || height <= 0) return false;
  if (deflateInit(&zlib_, std::clamp(zlibLevel, 0, 9)) != Z_OK) return false;
  open_ = true;
  width_ = width;
  height_ = height;
  blocksWide_ = (width + kBlock - 1) / kBlock;
  blocksHigh_ = (height + kBlock - 1) / kBlock;
  const size_t frameBytes = static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
  previous_.assign(frameBytes, 0);
  // Vectors, padded to 4 bytes, then at most every block's XOR bytes.
  const size_t workBytes =
      ((static_cast<size_t>(blocksWide_) * blocksHigh_ * 2 + 3) & ~size_t{3}) + frameBytes;
  work_.reset(new (std::nothrow) uint8_t[workBytes]);
  outCapacity_ = 16 + std::max<size_t>(deflateBound(&zlib_, static_cast<uLong>(workBytes)),
                                       deflateBound(&zlib_, static_cast<uLong>(frameBytes)));
  out_.reset(new (std::nothrow) uint8_t[outCapacity_]);
  return work_ && out_;
}

size_t ZmbvEncoder::Deflate(const uint8_t* data, size_t bytes, size_t outOffset) {
  zlib_.next_in = const_cast<Bytef*>(data);
  zlib_.avail_in = static_cast<uInt>(bytes);
  zlib_.next_out = out_.get() + outOffset;
  zlib_.avail_out = static_cast<uInt>(outCapacity_ - outOffset);
  // A sync flush ends every frame on a byte boundary with all its input out.
  const int rc = deflate(&zlib_, Z_SYNC_FLUSH);
  if ((rc != Z_OK && rc != Z_BUF_ERROR) || zlib_.avail_in != 0) return 0;
  return outCapacity_ - zlib_.avail_out;
}

ZmbvEncoder::Coded ZmbvEncoder::Encode(const uint8_t* top, ptrdiff_t stride, bool keyFrame,
                                       const uint8_t* changed) {
  if (!open_ || !work_ || !out_) return {};
  const size_t rowBytes = static_cast<size_t>(width_) * 4;
  if (keyFrame || !havePrevious_) {
    for (int y = 0; y < height_; ++y)
      std::memcpy(&previous_[y * rowBytes], top + y * stride, rowBytes);
    if (deflateReset(&zlib_) != Z_OK) return {};
    const uint8_t header[7] = {kKeyFrameFlag, 0,      1,     kCompressionZlib,
                               kFormat32Bits, kBlock, kBlock};
    std::memcpy(out_.get(), header, sizeof header);
    const size_t size = Deflate(previous_.data(), previous_.size(), sizeof header);
    havePrevious_ = size != 0;
    return {out_.get(), size};
  }

  uint8_t* vectors = work_.get();
  uint8_t* xorBytes =
      work_.get() + ((static_cast<size_t>(blocksWide_) * blocksHigh_ * 2 + 3) & ~size_t{3});
  std::memset(vectors, 0, static_cast<size_t>(xorBytes - vectors));
  uint8_t* next = xorBytes;
  for (int by = 0; by < blocksHigh_; ++by) {
    const int y0 = by * kBlock;
    const int rows = std::min(kBlock, height_ - y0);
    const uint8_t* mask = changed ? changed + static_cast<ptrdiff_t>(by) * blocksWide_ : nullptr;
    for (int bx = 0; bx < blocksWide_; ++bx) {
      if (mask && !mask[bx]) continue;  // the same as `previous_` holds: no vector, no bytes
      const size_t x0 = static_cast<size_t>(bx) * kBlock * 4;
      const size_t bytes = static_cast<size_t>(std::min(kBlock, width_ - bx * kBlock)) * 4;
      int r = 0;
      while (r < rows && std::memcmp(top + (y0 + r) * stride + x0,
                                     &previous_[(y0 + r) * rowBytes + x0], bytes) == 0)
        ++r;
      if (r == rows) continue;                   // unchanged: no vector, no bytes
      vectors[2 * (by * blocksWide_ + bx)] = 1;  // XOR bytes follow, vector (0, 0)
      for (r = 0; r < rows; ++r) {
        const uint8_t* now = top + (y0 + r) * stride + x0;
        uint8_t* before = &previous_[(y0 + r) * rowBytes + x0];
        for (size_t i = 0; i < bytes; ++i) next[i] = static_cast<uint8_t>(now[i] ^ before[i]);
        std::memcpy(before, now, bytes);
        next += bytes;
      }
    }
  }
  out_[0] = 0;  // no flags: a frame that follows the one before
  return {out_.get(), Deflate(work_.get(), static_cast<size_t>(next - work_.get()), 1)};
}

}  // namespace mg
