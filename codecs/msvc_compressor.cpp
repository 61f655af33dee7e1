// "MSVC": Microsoft Video 1 in its 16-bit form, coded by our own encoder. Any input depth but 1
// and 4 bits is read as RGB555; width and height are padded up to multiples of 4 with copies of
// the last column and row, so the movie is up to 3 pixels larger than the frames. Key frames at
// the chosen interval; the frames between them code only what changed, and do not even read the
// blocks outside the caller's changed region.
#include <vector>

#include "codecs/compressor_backends.h"
#include "codecs/compressor_base.h"
#include "codecs/msvc_encoder.h"
#include "codecs/rgb555_blocks.h"

namespace mg {
namespace {

class MsvcCompressor final : public CompressorBase {
 public:
  explicit MsvcCompressor(const CompressorSettings& settings) : CompressorBase(settings) {}

 private:
  int32_t Open(const InputFrameFormat& input, Output* output) override {
    const int32_t rc = reader_.Open(input);
    if (rc != kAviErrOk) return rc;
    encoder_.Reset(reader_.blocksWide(), reader_.blocksHigh(), Settings().quality);
    BitmapInfoHeader& h = output->header;
    h.biWidth = 4 * reader_.blocksWide();
    h.biHeight = 4 * reader_.blocksHigh();
    h.biBitCount = 16;
    h.biCompression = MakeFourcc("MSVC");
    h.biSizeImage = static_cast<uint32_t>(h.biWidth) * 2u * static_cast<uint32_t>(h.biHeight);
    return kAviErrOk;
  }

  void ColoursChanged(const std::vector<RgbQuad>& colours) override {
    reader_.SetColourTable(colours);
  }

  int32_t Encode(const uint8_t* pixels, bool key, CompressedFrame* out) override {
    reader_.SetFrame(pixels);
    // The padding blocks at the right and bottom edges hold copies of the last column and row,
    // so the mask of the picture's own blocks covers them.
    Changed().BlockMask(4, 4, reader_.blocksWide(), reader_.blocksHigh(), &changed_);
    out->size = encoder_.Encode(reader_, key, changed_.data());
    out->data = encoder_.data();
    out->keyFrame = key;
    return kAviErrOk;
  }

  Rgb555BlockReader reader_;
  MsvcEncoder encoder_;
  std::vector<uint8_t> changed_;  // the blocks that may differ from the previous frame
};

}  // namespace

std::unique_ptr<IVideoCompressor> MakeMsvcCompressor(const CompressorSettings& settings) {
  return std::make_unique<MsvcCompressor>(settings);
}

}  // namespace mg
