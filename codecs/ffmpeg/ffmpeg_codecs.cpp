// The libavcodec encoders that suit AVI movies of screen content, and how each one's own knobs
// follow the quality (0..10000) and the key-frame interval.
#include <algorithm>
#include <string>
#include <thread>

#include "codecs/ffmpeg/ffmpeg_profiles.h"
#include "codecs/ffmpeg/pixel_converter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
}

namespace mg {
namespace {

// An interval that never comes round: only the first frame is a key frame.
constexpr int kNoPeriodicKeyFrames = 1 << 30;

int KeyInterval(const CompressorSettings& s) {
  return s.keyFrameEvery == 0 ? kNoPeriodicKeyFrames
                              : static_cast<int>(std::min<uint32_t>(s.keyFrameEvery, 1u << 30));
}

uint32_t Quality(const CompressorSettings& s) {
  return std::min<uint32_t>(s.quality, 10000);
}

// ZMBV takes the display's own 8, 15 and 16-bit pixels unchanged, everything else as 32 bits.
AVPixelFormat ZmbvFormat(InputLayout layout) {
  switch (layout) {
    case InputLayout::kIndexed8:
    case InputLayout::kRgb555:
    case InputLayout::kRgb565:
      return PixelFormatOfLayout(layout);
    default:
      return AV_PIX_FMT_BGR0;
  }
}

AVPixelFormat Bgr0Format(InputLayout) {
  return AV_PIX_FMT_BGR0;
}
AVPixelFormat GbrpFormat(InputLayout) {
  return AV_PIX_FMT_GBRP;
}
AVPixelFormat Rgb24Format(InputLayout) {
  return AV_PIX_FMT_RGB24;
}
AVPixelFormat Yuvj420Format(InputLayout) {
  return AV_PIX_FMT_YUVJ420P;
}
AVPixelFormat Yuv420Format(InputLayout) {
  return AV_PIX_FMT_YUV420P;
}

// ZMBV is lossless. Its motion search is kept to +-1 pixel: at its full +-8 range a changing
// full-screen frame takes seconds, and at +-2 still three times as long as at +-1 (measured by
// bench_compressors). zlib level 1: about 40 % more bytes than level 4 at half the time.
void ConfigureZmbv(AVCodecContext* c, AVDictionary**, const CompressorSettings& s) {
  c->keyint_min = KeyInterval(s);
  c->gop_size = KeyInterval(s);
  c->me_range = 1;
  c->compression_level = 1;
}

// Intra-only lossless codecs: every frame is a key frame; quality does not apply.
void ConfigureIntra(AVCodecContext* c, AVDictionary**, const CompressorSettings&) {
  c->gop_size = 1;
}

// FFV1 takes 60 to 70 ms for a 1920x1080 screen frame on one core (bench_compressors), so it
// codes four slices on up to four threads: version 3 (slices need it), still one packet per
// frame, every frame a key frame.
void ConfigureFfv1(AVCodecContext* c, AVDictionary**, const CompressorSettings&) {
  c->gop_size = 1;
  c->level = 3;
  c->slices = 4;
  c->thread_type = FF_THREAD_SLICE;
  c->thread_count = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

// Motion JPEG: quality 0..10000 maps onto the quantiser scale 31..2.
void ConfigureMjpeg(AVCodecContext* c, AVDictionary**, const CompressorSettings& s) {
  const int q = 31 - static_cast<int>((Quality(s) * 29 + 5000) / 10000);
  c->flags |= AV_CODEC_FLAG_QSCALE;
  c->global_quality = FF_QP2LAMBDA * q;
  c->qmin = c->qmax = q;
  c->gop_size = 1;
}

// H.264 through x264: AVI has no frame reordering, so no B-frames and no look-ahead (every frame
// comes back at once); quality 0..10000 maps onto CRF 51..0; an IDR frame exactly every
// key-frame interval (no scene-cut key frames in between).
void ConfigureX264(AVCodecContext* c, AVDictionary** o, const CompressorSettings& s) {
  const int crf = 51 - static_cast<int>((Quality(s) * 51 + 5000) / 10000);
  c->max_b_frames = 0;
  c->gop_size = KeyInterval(s);
  c->keyint_min = KeyInterval(s);
  av_dict_set(o, "preset", "ultrafast", 0);
  av_dict_set(o, "tune", "zerolatency", 0);
  av_dict_set(o, "crf", std::to_string(crf).c_str(), 0);
  av_dict_set(o, "x264-params", "scenecut=0:rc-lookahead=0:bframes=0", 0);
}

}  // namespace

const std::vector<FfmpegCodecProfile>& FfmpegCodecProfiles() {
  static const std::vector<FfmpegCodecProfile> profiles = {
      {MakeFourcc("ZMBV"), "zmbv", "Zip Motion Blocks Video (lossless)", ZmbvFormat, 1,
       ConfigureZmbv},
      {MakeFourcc("FFV1"), "ffv1", "FFV1 lossless video", Bgr0Format, 1, ConfigureFfv1},
      {MakeFourcc("ULRG"), "utvideo", "Ut Video lossless RGB", GbrpFormat, 1, ConfigureIntra},
      {MakeFourcc("HFYU"), "huffyuv", "Huffyuv lossless video", Rgb24Format, 1, ConfigureIntra},
      {MakeFourcc("MJPG"), "mjpeg", "Motion JPEG", Yuvj420Format, 1, ConfigureMjpeg},
      {MakeFourcc("H264"), "libx264", "H.264 (x264)", Yuv420Format, 2, ConfigureX264},
  };
  return profiles;
}

}  // namespace mg
