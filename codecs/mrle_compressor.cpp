// "MRLE": 8-bit frames as Windows RLE8, key frames at the chosen interval, the frames between
// them coded as differences. The output format carries the colour table, so palette changes
// go into the stream.
#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/mrle_encoder.h"

namespace mg {
namespace {

constexpr uint32_t kBiRle8 = 1;

class MrleCompressor : public IVideoCompressor {
 public:
  explicit MrleCompressor(const CompressorSettings& settings) : keys_(settings.keyFrameEvery) {}

  int32_t SetInputFormat(const InputFrameFormat& input) override {
    if (input.layout != InputLayout::kIndexed8) return kAviErrBadFormat;
    input_ = input;
    encoder_.Reset(input.width, input.height);
    header_.biWidth = input.width;
    header_.biHeight = input.height;
    header_.biBitCount = 8;
    header_.biCompression = kBiRle8;
    header_.biSizeImage = static_cast<uint32_t>(input.frameBytes);
    header_.biClrUsed = static_cast<uint32_t>(input.colours.size());
    colours_ = input.colours;
    BuildFormat();
    return kAviErrOk;
  }

  const std::vector<uint8_t>& OutputFormat() const override { return format_; }
  bool PalettizedOutput() const override { return true; }

  int32_t SetColourTable(const std::vector<RgbQuad>& colours) override {
    if (colours.size() != colours_.size()) return kAviErrBadFormat;
    colours_ = colours;
    BuildFormat();
    return kAviErrOk;
  }

  int32_t Compress(const void* pixels, size_t bytes, CompressedFrame* out) override {
    if (input_.width == 0) return kAviErrBadFormat;
    if (!pixels || bytes < input_.frameBytes) return kAviErrBadSize;
    const auto* src = static_cast<const uint8_t*>(pixels);
    const uint8_t* bottom = input_.TopRow(src, input_.height - 1);
    const ptrdiff_t step = input_.topDown ? -input_.stride : input_.stride;
    const bool key = keys_.Next();
    encoder_.Encode(bottom, step, key, &buffer_);
    out->data = buffer_.data();
    out->size = buffer_.size();
    out->keyFrame = key;
    return kAviErrOk;
  }

 private:
  void BuildFormat() { PackBitmapFormat(header_, colours_, &format_); }

  KeyFrameClock keys_;
  InputFrameFormat input_;
  Rle8Encoder encoder_;
  BitmapInfoHeader header_;
  std::vector<RgbQuad> colours_;
  std::vector<uint8_t> format_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeMrleCompressor(const CompressorSettings& settings) {
  return std::make_unique<MrleCompressor>(settings);
}

}  // namespace mg
