// A compressor backed by one libavcodec encoder: frames converted by PixelConverter, one packet
// out for every frame in (the encoders are set up without delay), key frames as the encoder
// marks them.
#include <algorithm>
#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/compressor_base.h"
#include "codecs/ffmpeg/ffmpeg_profiles.h"
#include "codecs/ffmpeg/pixel_converter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace mg {
namespace {

class FfmpegCompressor final : public CompressorBase {
 public:
  FfmpegCompressor(const FfmpegCodecProfile& profile, const CompressorSettings& settings)
      : CompressorBase(settings), profile_(profile) {}
  ~FfmpegCompressor() override {
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
  }

 private:
  int32_t Open(const InputFrameFormat& input, Output* output) override {
    const AVCodec* codec = avcodec_find_encoder_by_name(profile_.encoderName);
    if (!codec) return kAviErrNoCompressor;
    const AVPixelFormat dst = profile_.pixelFormat(input.layout);
    if (dst == AV_PIX_FMT_NONE || PixelFormatOfLayout(input.layout) == AV_PIX_FMT_NONE) {
      return kAviErrBadFormat;
    }
    // Pad to the encoder's block size and to whole chroma samples.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(dst);
    const int multipleW = std::max(profile_.sizeMultiple, 1 << desc->log2_chroma_w);
    const int multipleH = std::max(profile_.sizeMultiple, 1 << desc->log2_chroma_h);
    const int width = (input.width + multipleW - 1) / multipleW * multipleW;
    const int height = (input.height + multipleH - 1) / multipleH * multipleH;

    context_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    if (!context_ || !packet_) return kAviErrMemory;
    context_->width = width;
    context_->height = height;
    context_->pix_fmt = dst;
    context_->time_base = AVRational{1, 25};
    context_->framerate = AVRational{25, 1};
    context_->sample_aspect_ratio = AVRational{1, 1};
    context_->thread_count = 1;
    AVDictionary* options = nullptr;
    profile_.configure(context_, &options, Settings());
    const int rc = avcodec_open2(context_, codec, &options);
    av_dict_free(&options);
    if (rc < 0) return kAviErrCompressor;

    const int32_t converted = converter_.Open(input, dst, width, height);
    if (converted != kAviErrOk) return converted;
    DescribeOutput(width, height, output);
    if (context_->gop_size == 1) WarmUp();
    nullFrames_ = codec->id == AV_CODEC_ID_H264;
    return kAviErrOk;
  }

  void ColoursChanged(const std::vector<RgbQuad>& colours) override {
    converter_.SetColourTable(colours);
  }

  // Key frames come from the interval: the encoder counts only the frames it is given.
  int32_t Encode(const uint8_t* pixels, bool key, CompressedFrame* out) override {
    if (nullFrames_ && !key && Changed().empty()) {
      // The same picture as the frame before: a null frame (an empty chunk, which players show
      // as the picture before). The encoder would spend a whole frame's analysis to say so.
      out->data = nullptr;
      out->size = 0;
      out->keyFrame = false;
      return kAviErrOk;
    }
    AVFrame* frame = nullptr;
    const int32_t converted =
        converter_.Convert(pixels, Changed().RowSpans(Input().height), &frame);
    if (converted != kAviErrOk) return converted;
    frame->pts = pts_++;
    frame->pict_type = nullFrames_ && key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (avcodec_send_frame(context_, frame) < 0) return kAviErrCompressor;
    av_packet_unref(packet_);
    // Every encoder we set up hands its packet back at once; one that wants more frames first
    // would shift the movie in time, so that is a failure.
    if (avcodec_receive_packet(context_, packet_) < 0) return kAviErrCompressor;
    out->data = packet_->data;
    out->size = static_cast<size_t>(packet_->size);
    out->keyFrame = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    return kAviErrOk;
  }

  // An encoder's first frame pays for its tables and buffers: FFV1 takes 1.2 s for its first
  // 1920x1080 frame and 30 ms for the next ones, long enough to fill the ring and end a recording
  // as overloaded. An encoder whose frames are all key frames codes one black frame here, while
  // the movie is being opened, and the packet is dropped: the frames that follow do not depend
  // on it.
  void WarmUp() {
    AVFrame* black = av_frame_alloc();
    if (black) {
      black->format = context_->pix_fmt;
      black->width = context_->width;
      black->height = context_->height;
      if (av_frame_get_buffer(black, 0) >= 0) {
        ptrdiff_t lines[4];
        for (int i = 0; i < 4; ++i) lines[i] = black->linesize[i];
        av_image_fill_black(black->data, lines, context_->pix_fmt, AVCOL_RANGE_MPEG, black->width,
                            black->height);
        black->pts = pts_++;
        if (avcodec_send_frame(context_, black) >= 0) avcodec_receive_packet(context_, packet_);
        av_packet_unref(packet_);
      }
    }
    av_frame_free(&black);
  }

  void DescribeOutput(int width, int height, Output* output) {
    BitmapInfoHeader& header = output->header;
    const int extra = context_->extradata ? context_->extradata_size : 0;
    header.biSize = 40 + static_cast<uint32_t>(extra);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    int bits = context_->bits_per_coded_sample;
    if (bits <= 0) bits = av_get_bits_per_pixel(av_pix_fmt_desc_get(context_->pix_fmt));
    if (bits <= 0 || bits > 32) bits = 24;
    header.biBitCount = static_cast<uint16_t>(bits);
    header.biCompression = profile_.fccHandler;
    header.biSizeImage =
        static_cast<uint32_t>(DibStride(width, 24)) * static_cast<uint32_t>(height);
    if (extra > 0) output->codecData.assign(context_->extradata, context_->extradata + extra);
  }

  const FfmpegCodecProfile& profile_;
  AVCodecContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
  PixelConverter converter_;
  int64_t pts_ = 0;
  bool nullFrames_ = false;  // unchanged frames are written as null frames
};

}  // namespace

std::vector<CompressorInfo> InstalledFfmpegCompressors() {
  std::vector<CompressorInfo> found;
  for (const FfmpegCodecProfile& profile : FfmpegCodecProfiles()) {
    if (avcodec_find_encoder_by_name(profile.encoderName))
      found.push_back({profile.fccHandler, profile.encoderName, profile.description});
  }
  return found;
}

std::unique_ptr<IVideoCompressor> MakeFfmpegCompressor(uint32_t fccHandler,
                                                       const CompressorSettings& settings) {
  for (const FfmpegCodecProfile& profile : FfmpegCodecProfiles()) {
    if (profile.fccHandler == fccHandler && avcodec_find_encoder_by_name(profile.encoderName))
      return std::make_unique<FfmpegCompressor>(profile, settings);
  }
  return nullptr;
}

}  // namespace mg
