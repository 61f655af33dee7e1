// What every compressor of ours shares: it opens once, checks each frame's size before coding
// it, keeps the key-frame clock, and keeps its output format (a bitmap header followed by the
// colour table of a palettized output, or by the codec's own data), which a new colour table
// rewrites. A compressor supplies only Open and Encode.
#pragma once

#include <vector>

#include "codecs/video_compressor.h"

namespace mg {

class CompressorBase : public IVideoCompressor {
 public:
  int32_t SetInputFormat(const InputFrameFormat& input) final;
  const std::vector<uint8_t>& OutputFormat() const final { return format_; }
  bool PalettizedOutput() const final { return palettized_; }
  int32_t SetColourTable(const std::vector<RgbQuad>& colours) final;
  int32_t Compress(const void* pixels, size_t bytes, CompressedFrame* out) final;
  void HintChanged(const ChangedRegion& changed) final {
    hint_ = changed;
    hinted_ = true;
  }

 protected:
  explicit CompressorBase(const CompressorSettings& settings)
      : settings_(settings), keys_(settings.keyFrameEvery) {}

  // What a compressor's output looks like.
  struct Output {
    BitmapInfoHeader header;
    bool palettized = false;         // the colour table follows the header and palette changes
    std::vector<uint8_t> codecData;  // follows the header of an output without colours
  };

  // Opens the coder on `input` and describes its output; any error code refuses the format.
  virtual int32_t Open(const InputFrameFormat& input, Output* output) = 0;
  // Codes one frame of at least the input's frame size; `key` is the key-frame clock's choice
  // (a coder whose frames are all key frames, or that decides itself, may ignore it).
  virtual int32_t Encode(const uint8_t* pixels, bool key, CompressedFrame* out) = 0;
  // The input's colour table changed (after a palettized output format took it).
  virtual void ColoursChanged(const std::vector<RgbQuad>& /*colours*/) {}

  const InputFrameFormat& Input() const { return input_; }
  // During Encode: where this frame may differ from the previous one (picture coordinates,
  // clipped to the frame). Everything on key frames, on the first frame, after a colour table
  // change, after a frame that Encode failed on and whenever the caller gave no hint.
  const ChangedRegion& Changed() const { return changed_; }
  const CompressorSettings& Settings() const { return settings_; }

 private:
  void BuildFormat();

  CompressorSettings settings_;
  KeyFrameClock keys_;
  bool open_ = false;
  bool palettized_ = false;
  InputFrameFormat input_;
  Output output_;
  std::vector<RgbQuad> colours_;  // the output's colour table, palettized outputs only
  std::vector<uint8_t> format_;
  ChangedRegion hint_;
  bool hinted_ = false;
  bool coloursChanged_ = false;
  bool failed_ = false;  // the last Encode returned an error
  ChangedRegion changed_;
};

}  // namespace mg
