#include "codecs/compressing_stream.h"

#include "codecs/video_compressor.h"

namespace mg {
namespace {

class CompressingStream : public IAviStream {
 public:
  CompressingStream(IAviStream* target, const CompressorSettings& settings,
                    std::unique_ptr<IVideoCompressor> compressor)
      : target_(target), settings_(settings), compressor_(std::move(compressor)) {}

  int32_t SetFormat(int32_t pos, const void* format, int32_t size) override {
    InputFrameFormat parsed;
    const int32_t rc = ParseFrameFormat(format, size, settings_, &parsed);
    if (rc != kAviErrOk) return rc;
    if (!compressorOpen_) {
      const int32_t set = compressor_->SetInputFormat(parsed);
      if (set != kAviErrOk) return set;
      input_ = parsed;
      compressorOpen_ = true;
    }
    // A later format may only bring new colours (the compressor opens once).
    if (parsed.width != input_.width || parsed.height != input_.height ||
        parsed.bitCount != input_.bitCount || parsed.layout != input_.layout ||
        parsed.colours.size() != input_.colours.size()) {
      return kAviErrBadFormat;
    }
    if (!opened_) {
      // The first format, or a retry after the target refused it.
      const std::vector<uint8_t>& out = compressor_->OutputFormat();
      const int32_t written = target_->SetFormat(pos, out.data(), static_cast<int32_t>(out.size()));
      if (written != kAviErrOk) return written;
      opened_ = true;
      return kAviErrOk;
    }
    const int32_t changed = compressor_->SetColourTable(parsed.colours);
    if (changed != kAviErrOk) return changed;
    input_.colours = parsed.colours;
    if (!compressor_->PalettizedOutput()) return kAviErrOk;
    const std::vector<uint8_t>& out = compressor_->OutputFormat();
    return target_->SetFormat(pos, out.data(), static_cast<int32_t>(out.size()));
  }

  int32_t Write(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                uint32_t /*flags*/) override {
    if (!opened_) return kAviErrBadFormat;
    if (samples != 1 || pos < 0 || bytes < 0) return kAviErrBadParam;
    CompressedFrame frame;
    const int32_t rc = compressor_->Compress(data, static_cast<size_t>(bytes), &frame);
    if (rc != kAviErrOk) return rc;
    return target_->Write(pos, 1, frame.data, static_cast<int32_t>(frame.size),
                          frame.keyFrame ? kAviIfKeyFrame : 0);
  }
  void HintChanged(const ChangedRegion& changed) override { compressor_->HintChanged(changed); }

 private:
  IAviStream* target_;
  CompressorSettings settings_;
  std::unique_ptr<IVideoCompressor> compressor_;
  InputFrameFormat input_;
  bool compressorOpen_ = false;
  bool opened_ = false;  // the target has the output format
};

}  // namespace

int32_t MakeCompressingStream(IAviStream* target, const AviCompressOptions& options,
                              std::unique_ptr<IAviStream>* out) {
  out->reset();
  if (!target) return kAviErrBadHandle;
  const CompressorSettings settings = SettingsFromOptions(options);
  std::unique_ptr<IVideoCompressor> compressor;
  const int32_t rc = MakeVideoCompressor(options.fccHandler, settings, &compressor);
  if (rc != kAviErrOk) return rc;
  *out = std::make_unique<CompressingStream>(target, settings, std::move(compressor));
  return kAviErrOk;
}

}  // namespace mg
