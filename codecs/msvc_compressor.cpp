// "MSVC": Microsoft Video 1 in its 16-bit form, coded by our own encoder. Any input depth but 1
// and 4 bits is read as RGB555; width and height are padded up to multiples of 4 with copies of
// the last column and row, so the movie is up to 3 pixels larger than the frames. Key frames at
// the chosen interval; the frames between them code only what changed.
#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/msvc_encoder.h"
#include "codecs/rgb555_blocks.h"

namespace mg {
namespace {

class MsvcCompressor : public IVideoCompressor {
 public:
  explicit MsvcCompressor(const CompressorSettings& settings)
      : settings_(settings), keys_(settings.keyFrameEvery) {}

  int32_t SetInputFormat(const InputFrameFormat& input) override {
    if (open_) return kAviErrBadParam;
    const int32_t rc = reader_.Open(input);
    if (rc != kAviErrOk) return rc;
    input_ = input;
    encoder_.Reset(reader_.blocksWide(), reader_.blocksHigh(), settings_.quality);
    BitmapInfoHeader header;
    header.biWidth = 4 * reader_.blocksWide();
    header.biHeight = 4 * reader_.blocksHigh();
    header.biBitCount = 16;
    header.biCompression = MakeFourcc("MSVC");
    header.biSizeImage =
        static_cast<uint32_t>(header.biWidth) * 2u * static_cast<uint32_t>(header.biHeight);
    format_.resize(sizeof(header));
    std::memcpy(format_.data(), &header, sizeof(header));
    open_ = true;
    return kAviErrOk;
  }

  const std::vector<uint8_t>& OutputFormat() const override { return format_; }
  bool PalettizedOutput() const override { return false; }

  int32_t SetColourTable(const std::vector<RgbQuad>& colours) override {
    reader_.SetColourTable(colours);
    return kAviErrOk;
  }

  int32_t Compress(const void* pixels, size_t bytes, CompressedFrame* out) override {
    if (!open_) return kAviErrBadFormat;
    if (!pixels || bytes < input_.frameBytes) return kAviErrBadSize;
    reader_.SetFrame(static_cast<const uint8_t*>(pixels));
    const bool key = keys_.Next();
    out->size = encoder_.Encode(reader_, key);
    out->data = encoder_.data();
    out->keyFrame = key;
    return kAviErrOk;
  }

 private:
  CompressorSettings settings_;
  KeyFrameClock keys_;
  bool open_ = false;
  InputFrameFormat input_;
  Rgb555BlockReader reader_;
  MsvcEncoder encoder_;
  std::vector<uint8_t> format_;
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeMsvcCompressor(const CompressorSettings& settings) {
  return std::make_unique<MsvcCompressor>(settings);
}

}  // namespace mg
