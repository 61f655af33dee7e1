// DecodeAvi: the file as players see it, through libavformat, libavcodec and libswscale.
#include <algorithm>
#include <cstring>
#include <set>

#include "tests/support/avi_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace mgtest {

namespace {

struct Decoder {
  int streamIndex = -1;
  AVCodecContext* ctx = nullptr;
  ~Decoder() { avcodec_free_context(&ctx); }
};

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

bool OpenDecoder(AVFormatContext* fmt, int index, Decoder* d, std::string* error) {
  const AVCodecParameters* par = fmt->streams[index]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (!codec) {
    *error = "no decoder for codec id " + std::to_string(par->codec_id);
    return false;
  }
  d->ctx = avcodec_alloc_context3(codec);
  if (!d->ctx || avcodec_parameters_to_context(d->ctx, par) < 0) {
    *error = "cannot set up decoder";
    return false;
  }
  d->ctx->thread_count = 1;
  d->ctx->pkt_timebase = fmt->streams[index]->time_base;
  const int rc = avcodec_open2(d->ctx, codec, nullptr);
  if (rc < 0) {
    *error = "cannot open decoder " + std::string(codec->name) + ": " + AvError(rc);
    return false;
  }
  d->streamIndex = index;
  return true;
}

class Collector {
 public:
  Collector(DecodedAvi* out, bool keepPixels) : out_(out), keepPixels_(keepPixels) {}
  ~Collector() { sws_freeContext(sws_); }

  void Video(const AVFrame* f) {
    DecodedFrame frame;
    frame.position = f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
    frame.width = f->width;
    frame.height = f->height;
    if (keepPixels_) {
      frame.rgb.resize(static_cast<size_t>(f->width) * f->height * 3);
      sws_ = sws_getCachedContext(
          sws_, f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width, f->height,
          AV_PIX_FMT_RGB24, SWS_POINT | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
      if (!sws_) {
        ++out_->decodeErrors;
        return;
      }
      uint8_t* dst[4] = {frame.rgb.data(), nullptr, nullptr, nullptr};
      int dstStride[4] = {f->width * 3, 0, 0, 0};
      sws_scale(sws_, f->data, f->linesize, 0, f->height, dst, dstStride);
    }
    out_->frames.push_back(std::move(frame));
  }

  void Audio(const AVFrame* f) {
    const AVSampleFormat fmt = static_cast<AVSampleFormat>(f->format);
    const int bps = av_get_bytes_per_sample(fmt);
    const int ch = f->ch_layout.nb_channels;
    out_->bytesPerSample = bps;
    out_->channels = ch;
    if (!av_sample_fmt_is_planar(fmt) || ch == 1) {
      const uint8_t* p = f->extended_data[0];
      out_->audio.insert(out_->audio.end(), p, p + static_cast<size_t>(f->nb_samples) * bps * ch);
      return;
    }
    for (int i = 0; i < f->nb_samples; ++i)
      for (int c = 0; c < ch; ++c) {
        const uint8_t* p = f->extended_data[c] + static_cast<size_t>(i) * bps;
        out_->audio.insert(out_->audio.end(), p, p + bps);
      }
  }

 private:
  DecodedAvi* out_;
  bool keepPixels_;
  SwsContext* sws_ = nullptr;
};

// Sends one packet (or the flush, pkt == nullptr) and collects every frame that comes out.
void Feed(Decoder* d, const AVPacket* pkt, AVFrame* frame, bool video, Collector* collect,
          DecodedAvi* out) {
  if (avcodec_send_packet(d->ctx, pkt) < 0) {
    ++out->decodeErrors;
    if (pkt) return;
  }
  for (;;) {
    const int rc = avcodec_receive_frame(d->ctx, frame);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    if (rc < 0) {
      ++out->decodeErrors;
      return;
    }
    if (video)
      collect->Video(frame);
    else
      collect->Audio(frame);
    av_frame_unref(frame);
  }
}

}  // namespace

const DecodedFrame* DecodedAvi::FrameAt(int64_t position) const {
  for (const DecodedFrame& f : frames)
    if (f.position == position) return &f;
  return nullptr;
}

DecodedAvi DecodeAvi(const std::string& path, bool keepPixels) {
  DecodedAvi out;
  AVFormatContext* fmt = nullptr;
  int rc = avformat_open_input(&fmt, path.c_str(), av_find_input_format("avi"), nullptr);
  if (rc < 0) {
    out.error = "avformat_open_input: " + AvError(rc);
    return out;
  }
  struct FmtCloser {
    AVFormatContext** f;
    ~FmtCloser() { avformat_close_input(f); }
  } closeFmt{&fmt};
  rc = avformat_find_stream_info(fmt, nullptr);
  if (rc < 0) {
    out.error = "avformat_find_stream_info: " + AvError(rc);
    return out;
  }

  Decoder video, audio;
  const int vi = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int ai = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (vi >= 0) {
    out.hasVideo = true;
    const AVStream* st = fmt->streams[vi];
    out.width = st->codecpar->width;
    out.height = st->codecpar->height;
    out.timeBaseNum = st->time_base.num;
    out.timeBaseDen = st->time_base.den;
    out.videoLength = st->nb_frames;
    if (const AVCodecDescriptor* desc = avcodec_descriptor_get(st->codecpar->codec_id))
      out.videoCodec = desc->name;
    if (!OpenDecoder(fmt, vi, &video, &out.error)) return out;
  }
  if (ai >= 0) {
    out.hasAudio = true;
    const AVStream* st = fmt->streams[ai];
    out.sampleRate = st->codecpar->sample_rate;
    out.channels = st->codecpar->ch_layout.nb_channels;
    if (const AVCodecDescriptor* desc = avcodec_descriptor_get(st->codecpar->codec_id))
      out.audioCodec = desc->name;
    if (!OpenDecoder(fmt, ai, &audio, &out.error)) return out;
  }

  Collector collect(&out, keepPixels);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool firstAudio = true;
  while ((rc = av_read_frame(fmt, pkt)) >= 0) {
    if (pkt->stream_index == video.streamIndex) {
      Feed(&video, pkt, frame, true, &collect, &out);
    } else if (pkt->stream_index == audio.streamIndex) {
      if (firstAudio) out.audioFirstPts = pkt->pts == AV_NOPTS_VALUE ? 0 : pkt->pts;
      firstAudio = false;
      Feed(&audio, pkt, frame, false, &collect, &out);
    }
    av_packet_unref(pkt);
  }
  if (video.ctx) Feed(&video, nullptr, frame, true, &collect, &out);
  if (audio.ctx) Feed(&audio, nullptr, frame, false, &collect, &out);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  if (rc != AVERROR_EOF) out.error = "av_read_frame: " + AvError(rc);

  std::set<int64_t> seen;
  for (const DecodedFrame& f : out.frames) {
    seen.insert(f.position);
    out.videoLength = std::max(out.videoLength, f.position + 1);
  }
  for (int64_t p = 0; p < out.videoLength; ++p)
    if (!seen.count(p)) out.emptyPositions.push_back(p);
  out.ok = out.error.empty();
  return out;
}

}  // namespace mgtest
