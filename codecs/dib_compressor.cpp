// "DIB ": frames stored uncompressed, rows bottom-up as an AVI BI_RGB frame has them. Every
// frame is a key frame. Bottom-up input in a layout AVI readers understand is passed through
// without a copy; top-down input is written with its rows reversed, which is the only copy.
// 16-bit 5-6-5 input is turned into 5-5-5, which is what a 16-bit BI_RGB frame means to its
// readers, and red-first 32-bit pixels into blue-first ones, in the same pass.
// Readers take a 32-bit frame's fourth byte for alpha, while the X server leaves its padding
// there (mostly 0): 32-bit pixels get 0xFF in that byte during the row copy, so every 32-bit
// frame is copied once (the grab's top-down rows are reversed in that same copy anyway).
#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/compressor_base.h"

namespace mg {
namespace {

void Rgb565To555(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x) {
    uint16_t p;
    std::memcpy(&p, src + 2 * x, 2);
    const uint16_t q = static_cast<uint16_t>(((p >> 1) & 0x7FE0) | (p & 0x001F));
    std::memcpy(dst + 2 * x, &q, 2);
  }
}

void RgbxToBgrx(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x) {
    dst[4 * x + 0] = src[4 * x + 2];
    dst[4 * x + 1] = src[4 * x + 1];
    dst[4 * x + 2] = src[4 * x + 0];
    dst[4 * x + 3] = 0xFF;
  }
}

// One pass: each pixel copied with its fourth byte set, four pixels at a time as one 16-byte
// vector (SSE2 or NEON; rows start 4-byte aligned), which runs about as fast as a plain copy.
using PixelWord = uint32_t __attribute__((may_alias));
using PixelQuad = uint32_t __attribute__((vector_size(16), may_alias, aligned(4)));

void BgrxToBgra(const uint8_t* __restrict src, uint8_t* __restrict dst, int width) {
  const PixelQuad opaque = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u};
  const auto* from = reinterpret_cast<const PixelQuad*>(src);
  auto* to = reinterpret_cast<PixelQuad*>(dst);
  const int quads = width / 4;
  for (int i = 0; i < quads; ++i) to[i] = from[i] | opaque;
  for (int x = quads * 4; x < width; ++x)  // little-endian: the fourth byte
    reinterpret_cast<PixelWord*>(dst)[x] = reinterpret_cast<const PixelWord*>(src)[x] | 0xFF000000u;
}

class DibCompressor final : public CompressorBase {
 public:
  explicit DibCompressor(const CompressorSettings& settings) : CompressorBase(settings) {}

 private:
  int32_t Open(const InputFrameFormat& input, Output* output) override {
    convert_ = input.layout == InputLayout::kRgb565 || input.layout == InputLayout::kRgbx32 ||
               input.layout == InputLayout::kBgrx32;
    if (convert_ || input.topDown) buffer_.resize(input.frameBytes);
    BitmapInfoHeader& h = output->header;
    h.biWidth = input.width;
    h.biHeight = input.height;
    h.biBitCount = static_cast<uint16_t>(input.bitCount);
    h.biCompression = 0;
    h.biSizeImage = static_cast<uint32_t>(input.frameBytes);
    h.biClrUsed = static_cast<uint32_t>(input.colours.size());
    output->palettized = input.bitCount <= 8;
    return kAviErrOk;
  }

  int32_t Encode(const uint8_t* src, bool, CompressedFrame* out) override {
    const InputFrameFormat& input = Input();
    out->keyFrame = true;
    out->size = input.frameBytes;
    if (!convert_ && !input.topDown) {
      out->data = src;
      return kAviErrOk;
    }
    // Output row r (bottom-up) is picture row height-1-r.
    for (int r = 0; r < input.height; ++r) {
      const uint8_t* from = input.TopRow(src, input.height - 1 - r);
      uint8_t* to = buffer_.data() + static_cast<size_t>(r) * input.stride;
      if (input.layout == InputLayout::kRgb565) {
        Rgb565To555(from, to, input.width);
      } else if (input.layout == InputLayout::kRgbx32) {
        RgbxToBgrx(from, to, input.width);
      } else if (input.layout == InputLayout::kBgrx32) {
        BgrxToBgra(from, to, input.width);
      } else {
        std::memcpy(to, from, static_cast<size_t>(input.stride));
      }
    }
    out->data = buffer_.data();
    return kAviErrOk;
  }

  bool convert_ = false;
  std::vector<uint8_t> buffer_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeDibCompressor(const CompressorSettings& settings) {
  return std::make_unique<DibCompressor>(settings);
}

}  // namespace mg
