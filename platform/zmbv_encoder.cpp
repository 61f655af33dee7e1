#include "platform/zmbv_encoder.h"

#include <algorithm>
#include <cstring>

namespace mg {
namespace {

constexpr int kBlock = 16;
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
  work_.resize(((static_cast<size_t>(blocksWide_) * blocksHigh_ * 2 + 3) & ~size_t{3}) +
               frameBytes);
  return true;
}

bool ZmbvEncoder::Deflate(const uint8_t* data, size_t bytes, size_t outOffset) {
  out_.resize(outOffset + deflateBound(&zlib_, static_cast<uLong>(bytes)) + 16);
  zlib_.next_in = const_cast<Bytef*>(data);
  zlib_.avail_in = static_cast<uInt>(bytes);
  zlib_.next_out = out_.data() + outOffset;
  zlib_.avail_out = static_cast<uInt>(out_.size() - outOffset);
  // A sync flush ends every frame on a byte boundary with all its input out.
  const int rc = deflate(&zlib_, Z_SYNC_FLUSH);
  if ((rc != Z_OK && rc != Z_BUF_ERROR) || zlib_.avail_in != 0) return false;
  out_.resize(out_.size() - zlib_.avail_out);
  return true;
}

const std::vector<uint8_t>& ZmbvEncoder::Encode(const uint8_t* top, ptrdiff_t stride,
                                                bool keyFrame) {
  out_.clear();
  if (!open_) return out_;
  const size_t rowBytes = static_cast<size_t>(width_) * 4;
  if (keyFrame || !havePrevious_) {
    for (int y = 0; y < height_; ++y)
      std::memcpy(&previous_[y * rowBytes], top + y * stride, rowBytes);
    if (deflateReset(&zlib_) != Z_OK) return out_;
    const uint8_t header[7] = {kKeyFrameFlag, 0,      1,     kCompressionZlib,
                               kFormat32Bits, kBlock, kBlock};
    out_.assign(header, header + sizeof header);
    if (!Deflate(previous_.data(), previous_.size(), sizeof header)) out_.clear();
    havePrevious_ = !out_.empty();
    return out_;
  }

  uint8_t* vectors = work_.data();
  uint8_t* xorBytes =
      work_.data() + ((static_cast<size_t>(blocksWide_) * blocksHigh_ * 2 + 3) & ~size_t{3});
  std::memset(vectors, 0, static_cast<size_t>(xorBytes - vectors));
  uint8_t* next = xorBytes;
  for (int by = 0; by < blocksHigh_; ++by) {
    const int y0 = by * kBlock;
    const int rows = std::min(kBlock, height_ - y0);
    for (int bx = 0; bx < blocksWide_; ++bx) {
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
  out_.assign(1, 0);
  if (!Deflate(work_.data(), static_cast<size_t>(next - work_.data()), 1)) out_.clear();
  return out_;
}

}  // namespace mg
