#include "codecs/compressor_base.h"

#include <cstring>

namespace mg {

int32_t CompressorBase::SetInputFormat(const InputFrameFormat& input) {
  if (open_) return kAviErrBadParam;
  Output output;
  const int32_t rc = Open(input, &output);
  if (rc != kAviErrOk) return rc;
  input_ = input;
  output_ = std::move(output);
  palettized_ = output_.palettized;
  if (palettized_) colours_ = input.colours;
  BuildFormat();
  open_ = true;
  return kAviErrOk;
}

int32_t CompressorBase::SetColourTable(const std::vector<RgbQuad>& colours) {
  if (palettized_) {
    if (colours.size() != colours_.size()) return kAviErrBadFormat;
    colours_ = colours;
    BuildFormat();
  }
  ColoursChanged(colours);
  return kAviErrOk;
}

int32_t CompressorBase::Compress(const void* pixels, size_t bytes, CompressedFrame* out) {
  if (!open_) return kAviErrBadFormat;
  if (!pixels || bytes < input_.frameBytes) return kAviErrBadSize;
  return Encode(static_cast<const uint8_t*>(pixels), keys_.Next(), out);
}

void CompressorBase::BuildFormat() {
  if (palettized_) {
    PackBitmapFormat(output_.header, colours_, &format_);
    return;
  }
  const size_t extra = output_.codecData.size();
  format_.resize(sizeof(BitmapInfoHeader) + extra);
  std::memcpy(format_.data(), &output_.header, sizeof(BitmapInfoHeader));
  if (extra)
    std::memcpy(format_.data() + sizeof(BitmapInfoHeader), output_.codecData.data(), extra);
}

}  // namespace mg
