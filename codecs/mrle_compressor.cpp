// "MRLE": 8-bit frames as Windows RLE8, key frames at the chosen interval, the frames between
// them coded as differences. The output format carries the colour table, so palette changes
// go into the stream.
#include "codecs/compressor_backends.h"
#include "codecs/compressor_base.h"
#include "codecs/mrle_encoder.h"

namespace mg {
namespace {

constexpr uint32_t kBiRle8 = 1;

class MrleCompressor final : public CompressorBase {
 public:
  explicit MrleCompressor(const CompressorSettings& settings) : CompressorBase(settings) {}

 private:
  int32_t Open(const InputFrameFormat& input, Output* output) override {
    if (input.layout != InputLayout::kIndexed8) return kAviErrBadFormat;
    encoder_.Reset(input.width, input.height);
    BitmapInfoHeader& h = output->header;
    h.biWidth = input.width;
    h.biHeight = input.height;
    h.biBitCount = 8;
    h.biCompression = kBiRle8;
    h.biSizeImage = static_cast<uint32_t>(input.frameBytes);
    h.biClrUsed = static_cast<uint32_t>(input.colours.size());
    output->palettized = true;
    return kAviErrOk;
  }

  int32_t Encode(const uint8_t* src, bool key, CompressedFrame* out) override {
    const InputFrameFormat& input = Input();
    const uint8_t* bottom = input.TopRow(src, input.height - 1);
    const ptrdiff_t step = input.topDown ? -input.stride : input.stride;
    encoder_.Encode(bottom, step, key, &buffer_);
    out->data = buffer_.data();
    out->size = buffer_.size();
    out->keyFrame = key;
    return kAviErrOk;
  }

  Rle8Encoder encoder_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeMrleCompressor(const CompressorSettings& settings) {
  return std::make_unique<MrleCompressor>(settings);
}

}  // namespace mg
