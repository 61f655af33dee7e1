#include "tests/codecs/codec_fixtures.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace mgtest {

namespace {

// The encoders' own chatter (x264's statistics) hides test output.
const bool kQuietLibav = [] {
  av_log_set_level(AV_LOG_ERROR);
  return true;
}();

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352d;
  v ^= v >> 15;
  v *= 0x846ca68b;
  v ^= v >> 16;
  return v;
}

void FillRect(Picture* p, int x0, int y0, int w, int h, uint32_t colour) {
  for (int y = std::max(0, y0); y < std::min(p->height, y0 + h); ++y) {
    for (int x = std::max(0, x0); x < std::min(p->width, x0 + w); ++x) {
      p->rgb[static_cast<size_t>(y) * p->width + x] = colour;
    }
  }
}

// Text-like speckles: short dark strokes on a light area, changing with `seed`.
void Text(Picture* p, int x0, int y0, int w, int h, uint32_t seed) {
  for (int y = std::max(0, y0); y < std::min(p->height, y0 + h); ++y) {
    if ((y - y0) % 12 > 8) continue;
    for (int x = std::max(0, x0); x < std::min(p->width, x0 + w); ++x) {
      if (Hash(static_cast<uint32_t>(x / 2 + y * 7919) ^ seed) % 5 == 0) {
        p->rgb[static_cast<size_t>(y) * p->width + x] = 0x202020;
      }
    }
  }
}

}  // namespace

Picture ScreenPicture(int width, int height, int frame) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t r = static_cast<uint32_t>(40 + 120 * x / std::max(1, width));
      const uint32_t g = static_cast<uint32_t>(60 + 100 * y / std::max(1, height));
      p.rgb[static_cast<size_t>(y) * width + x] = r << 16 | g << 8 | 0xA0;
    }
  }
  // A window that stays, one that moves, each with a title bar and text.
  const int w1 = width / 2, h1 = height / 2;
  FillRect(&p, width / 10, height / 10, w1, h1, 0xF0F0F0);
  FillRect(&p, width / 10, height / 10, w1, std::max(2, height / 20), 0x3060C0);
  Text(&p, width / 10 + 4, height / 10 + height / 20 + 4, w1 - 8, h1 - height / 20 - 8,
       static_cast<uint32_t>(frame / 3));
  const int x2 = width / 3 + frame * 3, y2 = height / 3 + frame;
  FillRect(&p, x2, y2, width / 3, height / 3, 0xFFFFE0);
  FillRect(&p, x2, y2, width / 3, std::max(2, height / 24), 0xC04020);
  Text(&p, x2 + 3, y2 + height / 24 + 3, width / 3 - 6, height / 3 - height / 24 - 6, 77);
  // A few saturated pixels and a cursor-like mark.
  FillRect(&p, (frame * 7) % std::max(1, width - 12), height - 20, 12, 16, 0x000000);
  FillRect(&p, 0, 0, 8, 8, 0xFF0000);
  FillRect(&p, width - 8, height - 8, 8, 8, 0x00FF00);
  return p;
}

std::vector<mg::RgbQuad> TestPalette(int shift) {
  std::vector<mg::RgbQuad> pal(256);
  for (int i = 0; i < 256; ++i) {
    const int j = (i + shift) % 256;
    mg::RgbQuad q;
    if (j < 216) {
      q.rgbRed = static_cast<uint8_t>(51 * (j / 36));
      q.rgbGreen = static_cast<uint8_t>(51 * ((j / 6) % 6));
      q.rgbBlue = static_cast<uint8_t>(51 * (j % 6));
    } else {
      const uint8_t v = static_cast<uint8_t>((j - 216) * 6 + 10);
      q.rgbRed = q.rgbGreen = q.rgbBlue = v;
    }
    pal[i] = q;
  }
  return pal;
}

std::vector<uint8_t> IndexedPicture(int width, int height, int frame) {
  std::vector<uint8_t> idx(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t v = static_cast<uint8_t>(200 + (x * 7 / std::max(1, width)));  // long runs
      if (y > height / 4 && y < height / 2 && x > width / 5 && x < width / 2) {
        v = static_cast<uint8_t>(Hash(static_cast<uint32_t>(x + y * 131 + frame / 2)) % 256);
      }
      if (y > height / 2 && x >= frame * 2 && x < frame * 2 + width / 4) v = 17;  // moves
      idx[static_cast<size_t>(y) * width + x] = v;
    }
  }
  return idx;
}

std::vector<uint8_t> FrameFormat(int width, int height, Packing packing,
                                 const std::vector<mg::RgbQuad>& palette) {
  mg::BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = packing == Packing::k8    ? 8
                 : packing == Packing::k24 ? 24
                 : packing == Packing::k32 ? 32
                                           : 16;
  h.biClrUsed = packing == Packing::k8 ? 256 : 0;
  std::vector<uint8_t> out(40 + (packing == Packing::k8 ? 1024 : 0));
  std::memcpy(out.data(), &h, 40);
  if (packing == Packing::k8) std::memcpy(out.data() + 40, palette.data(), 1024);
  return out;
}

std::vector<uint8_t> Pack(const Picture& p, Packing packing, bool topDown) {
  const int bits = packing == Packing::k24 ? 24 : packing == Packing::k32 ? 32 : 16;
  const int stride = mg::DibStride(p.width, bits);
  std::vector<uint8_t> out(static_cast<size_t>(stride) * p.height, 0xEE);  // padding visible
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = out.data() + static_cast<size_t>(topDown ? y : p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.At(x, y);
      const uint32_t r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
      if (packing == Packing::k555 || packing == Packing::k565) {
        const uint16_t v = packing == Packing::k555
                               ? static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                               : static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        std::memcpy(row + 2 * x, &v, 2);
      } else {
        const int n = bits / 8;
        row[n * x] = static_cast<uint8_t>(b);
        row[n * x + 1] = static_cast<uint8_t>(g);
        row[n * x + 2] = static_cast<uint8_t>(r);
        if (n == 4) row[n * x + 3] = 0;
      }
    }
  }
  return out;
}

std::vector<uint8_t> PackIndexed(const std::vector<uint8_t>& idx, int width, int height,
                                 bool topDown) {
  const int stride = mg::DibStride(width, 8);
  std::vector<uint8_t> out(static_cast<size_t>(stride) * height, 0xEE);
  for (int y = 0; y < height; ++y) {
    std::memcpy(out.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride,
                idx.data() + static_cast<size_t>(y) * width, width);
  }
  return out;
}

Picture FromIndices(const std::vector<uint8_t>& idx, int width, int height,
                    const std::vector<mg::RgbQuad>& palette) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(idx.size());
  for (size_t i = 0; i < idx.size(); ++i) {
    const mg::RgbQuad& q = palette[idx[i]];
    p.rgb[i] = uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
  }
  return p;
}

int MaxError(const DecodedFrame& f, const Picture& e, Packing precision) {
  int mask[3] = {0xFF, 0xFF, 0xFF};
  if (precision == Packing::k555) mask[0] = mask[1] = mask[2] = 0xF8;
  if (precision == Packing::k565) mask[0] = mask[2] = 0xF8, mask[1] = 0xFC;
  int worst = 0;
  for (int y = 0; y < e.height; ++y) {
    for (int x = 0; x < e.width; ++x) {
      const uint32_t d = f.Pixel(x, y), w = e.At(x, y);
      for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const int a = static_cast<int>(d >> shift & 0xFF) & mask[c];
        const int b = static_cast<int>(w >> shift & 0xFF) & mask[c];
        worst = std::max(worst, std::abs(a - b));
      }
    }
  }
  return worst;
}

double MeanError(const DecodedFrame& f, const Picture& e) {
  double sum = 0;
  for (int y = 0; y < e.height; ++y) {
    for (int x = 0; x < e.width; ++x) {
      const uint32_t d = f.Pixel(x, y), w = e.At(x, y);
      for (int shift = 0; shift <= 16; shift += 8) {
        sum += std::abs(static_cast<int>(d >> shift & 0xFF) - static_cast<int>(w >> shift & 0xFF));
      }
    }
  }
  return sum / (3.0 * e.width * e.height);
}

bool DecodeStream(const std::vector<uint8_t>& format, const std::vector<StreamPacket>& packets,
                  std::vector<DecodedFrame>* frames, std::string* error) {
  mg::BitmapInfoHeader h;
  std::memcpy(&h, format.data(), 40);
  const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
  const AVCodecID id = av_codec_get_id(tags, h.biCompression);
  const AVCodec* codec = avcodec_find_decoder(id);
  if (!codec) {
    *error = "no decoder";
    return false;
  }
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->width = h.biWidth;
  ctx->height = h.biHeight;
  ctx->codec_tag = h.biCompression;
  ctx->bits_per_coded_sample = h.biBitCount;
  ctx->thread_count = 1;
  // As the AVI demuxer does: the bytes after the header are the codec's data (or the colour
  // table), and uncompressed bottom-up frames are marked "BottomUp".
  std::vector<uint8_t> extra(format.begin() + 40, format.end());
  if (h.biCompression == 0 && h.biHeight > 0) extra.insert(extra.end(), "BottomUp", "BottomUp" + 9);
  if (!extra.empty()) {
    ctx->extradata = static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    std::memcpy(ctx->extradata, extra.data(), extra.size());
    ctx->extradata_size = static_cast<int>(extra.size());
  }
  if (avcodec_open2(ctx, codec, nullptr) < 0) {
    *error = "cannot open decoder";
    avcodec_free_context(&ctx);
    return false;
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  bool ok = true;
  for (size_t i = 0; i < packets.size() && ok; ++i) {
    const StreamPacket& in = packets[i];
    if (in.data.empty() && !frames->empty()) {
      // A null frame: players show the picture before again.
      frames->push_back(frames->back());
      continue;
    }
    av_new_packet(pkt, static_cast<int>(in.data.size()));
    std::memcpy(pkt->data, in.data.data(), in.data.size());
    std::vector<mg::RgbQuad> pal = in.newPalette;
    if (pal.empty() && i == 0 && h.biBitCount <= 8 && format.size() >= 40 + 1024) {
      pal.resize(256);
      std::memcpy(pal.data(), format.data() + 40, 1024);
    }
    if (!pal.empty()) {
      uint8_t* side = av_packet_new_side_data(pkt, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
      for (size_t k = 0; k < 256; ++k) {
        const uint32_t v = 0xFF000000u | uint32_t{pal[k].rgbRed} << 16 |
                           uint32_t{pal[k].rgbGreen} << 8 | pal[k].rgbBlue;
        std::memcpy(side + 4 * k, &v, 4);
      }
    }
    pkt->pts = static_cast<int64_t>(i);
    if (avcodec_send_packet(ctx, pkt) < 0) {
      *error = "decoder refused packet " + std::to_string(i);
      ok = false;
    }
    av_packet_unref(pkt);
    while (ok && avcodec_receive_frame(ctx, frame) == 0) {
      DecodedFrame out;
      out.position = frame->pts;
      out.width = frame->width;
      out.height = frame->height;
      out.rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
      sws = sws_getCachedContext(
          sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
          frame->height, AV_PIX_FMT_RGB24, SWS_POINT | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr,
          nullptr, nullptr);
      uint8_t* dst[4] = {out.rgb.data(), nullptr, nullptr, nullptr};
      int dstStride[4] = {frame->width * 3, 0, 0, 0};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
      frames->push_back(std::move(out));
    }
  }
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  if (ok && frames->size() != packets.size()) {
    *error = "decoded " + std::to_string(frames->size()) + " of " + std::to_string(packets.size()) +
             " frames";
    ok = false;
  }
  return ok;
}

TempFile::TempFile(const std::string& suffix) {
  char name[] = "/tmp/mg-codec-XXXXXX";
  const int fd = mkstemp(name);
  if (fd >= 0) close(fd);
  std::remove(name);
  path_ = std::string(name) + suffix;
}

TempFile::~TempFile() {
  std::remove(path_.c_str());
}

}  // namespace mgtest
