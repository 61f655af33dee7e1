// How each libavcodec encoder is used for AVI movies of screen content.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/video_compressor.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVCodecContext;
struct AVDictionary;

namespace mg {

struct FfmpegCodecProfile {
  uint32_t fccHandler;      // stream handler and biCompression code
  const char* encoderName;  // for avcodec_find_encoder_by_name
  const char* description;
  // The encoder's input pixel format for frames of this layout (AV_PIX_FMT_NONE: not taken).
  AVPixelFormat (*pixelFormat)(InputLayout layout);
  int sizeMultiple;  // width and height are padded up to a multiple of this
  // Maps quality and key-frame interval onto the encoder's own knobs.
  void (*configure)(AVCodecContext* context, AVDictionary** options,
                    const CompressorSettings& settings);
};

// Every libavcodec encoder we know how to use, in the order they are listed.
const std::vector<FfmpegCodecProfile>& FfmpegCodecProfiles();

}  // namespace mg
