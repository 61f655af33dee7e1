// Turns input frames (any InputLayout except 1- and 4-bit, either row order) into AVFrames of an
// encoder's pixel format with libswscale (32-bit pixels for 4:2:0 with a converter of our own). The
// context and the frame are made once; a frame is reallocated only while the encoder still holds
// the previous one. Bottom-up input is read through a flipped view (last row first, negative line
// size), never copied first; only 8-bit input for a direct-colour encoder goes through one lookup
// pass of our own. Rows that did not change since the previous frame keep their converted
// pixels from then.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "codecs/video_compressor.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVFrame;
struct SwsContext;

namespace mg {

// The libav pixel format of an input layout (AV_PIX_FMT_NONE for 1- and 4-bit).
AVPixelFormat PixelFormatOfLayout(InputLayout layout);

class PixelConverter {
 public:
  PixelConverter() = default;
  ~PixelConverter();
  PixelConverter(const PixelConverter&) = delete;
  PixelConverter& operator=(const PixelConverter&) = delete;

  // Frames of `input` become `dst` frames of outWidth x outHeight (at least the input's size:
  // the extra columns and rows repeat the last real ones). kAviErrBadFormat when libswscale
  // cannot convert, kAviErrMemory when out of memory.
  int32_t Open(const InputFrameFormat& input, AVPixelFormat dst, int outWidth, int outHeight);
  void SetColourTable(const std::vector<RgbQuad>& colours);
  // Rows [top, bottom) of a picture, counted from its top, sorted and disjoint.
  using RowSpans = std::vector<std::pair<int, int>>;

  // Converts the rows `rows` of one frame into the converter's frame, which keeps the other rows
  // as the frames before left them (the first frame is converted whole, and so is every frame
  // that goes through libswscale). `*out` belongs to the converter and stays valid until the
  // next call.
  int32_t Convert(const uint8_t* pixels, const RowSpans& rows, AVFrame** out);

 private:
  void RepeatEdges(const RowSpans& rows);
  void ExpandIndexed(const uint8_t* top, int line, int first, int end);

  InputFrameFormat input_;
  AVPixelFormat src_ = AV_PIX_FMT_NONE;
  AVPixelFormat dst_ = AV_PIX_FMT_NONE;
  SwsContext* sws_ = nullptr;
  bool direct420_ = false;  // 32-bit pixels to YUV 4:2:0 by Rgb32ToYuv420, not libswscale
  AVFrame* frame_ = nullptr;
  bool filled_ = false;            // frame_ holds a whole converted picture
  RowSpans spans_;                 // the rows of this frame that are converted
  std::vector<uint8_t> expanded_;  // indexed input looked up as blue-green-red-x, when needed
  uint32_t palette_[256] = {};     // 0xAARRGGBB, as libswscale and libavcodec read PAL8
};

}  // namespace mg
