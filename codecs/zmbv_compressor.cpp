// "ZMBV" for 32-bit screens, coded by our own ZmbvEncoder (8, 15 and 16-bit frames go to
// libavcodec's encoder). The picture keeps its size; key frames at the chosen interval (only the
// first one when the interval is 0); zlib at level 1, which takes about half the time of level 4
// for 40 % more bytes.
#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/zmbv_encoder.h"

namespace mg {
namespace {

constexpr int kZlibLevel = 1;

class ZmbvCompressor : public IVideoCompressor {
 public:
  explicit ZmbvCompressor(const CompressorSettings& settings)
      : settings_(settings), keys_(settings.keyFrameEvery) {}

  int32_t SetInputFormat(const InputFrameFormat& input) override {
    if (open_ || fallback_) return kAviErrBadParam;
    if (input.layout != InputLayout::kBgrx32) {
      for (const FfmpegCodecProfile& profile : FfmpegCodecProfiles()) {
        if (profile.fccHandler == MakeFourcc("ZMBV") && FfmpegEncoderInstalled(profile))
          fallback_ = MakeFfmpegCompressor(profile, settings_);
      }
      return fallback_ ? fallback_->SetInputFormat(input) : kAviErrBadFormat;
    }
    if (!encoder_.Open(input.width, input.height, kZlibLevel)) return kAviErrMemory;
    input_ = input;
    BitmapInfoHeader header;
    header.biWidth = input.width;
    header.biHeight = input.height;
    header.biBitCount = 32;
    header.biCompression = MakeFourcc("ZMBV");
    header.biSizeImage =
        static_cast<uint32_t>(input.width) * 4u * static_cast<uint32_t>(input.height);
    format_.resize(sizeof(header));
    std::memcpy(format_.data(), &header, sizeof(header));
    open_ = true;
    return kAviErrOk;
  }

  const std::vector<uint8_t>& OutputFormat() const override {
    return fallback_ ? fallback_->OutputFormat() : format_;
  }
  bool PalettizedOutput() const override { return fallback_ && fallback_->PalettizedOutput(); }
  int32_t SetColourTable(const std::vector<RgbQuad>& colours) override {
    return fallback_ ? fallback_->SetColourTable(colours) : kAviErrOk;
  }

  int32_t Compress(const void* pixels, size_t bytes, CompressedFrame* out) override {
    if (fallback_) return fallback_->Compress(pixels, bytes, out);
    if (!open_) return kAviErrBadFormat;
    if (!pixels || bytes < input_.frameBytes) return kAviErrBadSize;
    const auto* frame = static_cast<const uint8_t*>(pixels);
    const bool key = keys_.Next();
    const ptrdiff_t stride = input_.TopRow(frame, 1) - input_.TopRow(frame, 0);
    const ZmbvEncoder::Coded coded =
        encoder_.Encode(input_.TopRow(frame, 0), input_.height > 1 ? stride : 0, key);
    if (coded.size == 0) return kAviErrCompressor;
    out->data = coded.data;
    out->size = coded.size;
    out->keyFrame = key;
    return kAviErrOk;
  }

 private:
  CompressorSettings settings_;
  std::unique_ptr<IVideoCompressor> fallback_;  // libavcodec's encoder, for other depths
  KeyFrameClock keys_;
  bool open_ = false;
  InputFrameFormat input_;
  ZmbvEncoder encoder_;
  std::vector<uint8_t> format_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeZmbvCompressor(const CompressorSettings& settings) {
  return std::make_unique<ZmbvCompressor>(settings);
}

}  // namespace mg
