// "MRLE": 8-bit frames as Windows RLE8, key frames at the chosen interval, the frames between
// them coded as differences (rows outside the caller's changed region are not even compared).
// The output format carries the colour table, so palette changes go into the stream.
#include <algorithm>
#include <vector>

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
    // The rows that may differ from the previous frame, bottom row first as the coder runs.
    changedRows_.assign(static_cast<size_t>(input.height), 0);
    for (const auto& [top, end] : Changed().RowSpans(input.height))
      std::fill(changedRows_.end() - end, changedRows_.end() - top, uint8_t{1});
    encoder_.Encode(bottom, step, key, &buffer_, changedRows_.data());
    out->data = buffer_.data();
    out->size = buffer_.size();
    out->keyFrame = key;
    return kAviErrOk;
  }

  Rle8Encoder encoder_;
  std::vector<uint8_t> buffer_;
  std::vector<uint8_t> changedRows_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeMrleCompressor(const CompressorSettings& settings) {
  return std::make_unique<MrleCompressor>(settings);
}

}  // namespace mg
