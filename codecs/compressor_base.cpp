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
  coloursChanged_ = true;
  return kAviErrOk;
}

int32_t CompressorBase::Compress(const void* pixels, size_t bytes, CompressedFrame* out) {
  const bool hinted = hinted_;
  hinted_ = false;
  if (!open_) return kAviErrBadFormat;
  if (!pixels || bytes < input_.frameBytes) return kAviErrBadSize;
  const bool key = keys_.Next();
  // A hint covers one frame only, and it says nothing across a key frame, a new colour table or
  // a frame the coder failed on (what it kept of the frame before may be partly overwritten).
  if (key || !hinted || coloursChanged_ || failed_)
    changed_ = ChangedRegion::Everything();
  else
    changed_ = hint_;
  changed_.ClipTo(input_.width, input_.height);
  coloursChanged_ = false;
  const int32_t rc = Encode(static_cast<const uint8_t*>(pixels), key, out);
  failed_ = rc != kAviErrOk;
  return rc;
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
