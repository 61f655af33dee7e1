#include "codecs/ffmpeg/pixel_converter.h"

#include "codecs/rgb32_to_yuv420.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace mg {

AVPixelFormat PixelFormatOfLayout(InputLayout layout) {
  switch (layout) {
    case InputLayout::kIndexed8:
      return AV_PIX_FMT_PAL8;
    case InputLayout::kRgb555:
      return AV_PIX_FMT_RGB555LE;
    case InputLayout::kRgb565:
      return AV_PIX_FMT_RGB565LE;
    case InputLayout::kBgr24:
      return AV_PIX_FMT_BGR24;
    case InputLayout::kBgrx32:
      return AV_PIX_FMT_BGR0;
    case InputLayout::kRgbx32:
      return AV_PIX_FMT_RGB0;
    case InputLayout::kIndexed1:
    case InputLayout::kIndexed4:
      break;
  }
  return AV_PIX_FMT_NONE;
}

PixelConverter::~PixelConverter() {
  sws_freeContext(sws_);
  av_frame_free(&frame_);
}

int32_t PixelConverter::Open(const InputFrameFormat& input, AVPixelFormat dst, int outWidth,
                             int outHeight) {
  input_ = input;
  src_ = PixelFormatOfLayout(input.layout);
  dst_ = dst;
  if (src_ == AV_PIX_FMT_NONE || dst_ == AV_PIX_FMT_NONE || outWidth < input.width ||
      outHeight < input.height) {
    return kAviErrBadFormat;
  }
  SetColourTable(input.colours);
  // Indexed pixels for a direct-colour encoder are looked up in the colour table by us (exact),
  // not by libswscale, whose palette path goes through YUV for planar outputs.
  if (src_ == AV_PIX_FMT_PAL8 && dst_ != AV_PIX_FMT_PAL8) {
    expanded_.resize(static_cast<size_t>(input.width) * 4 * static_cast<size_t>(input.height));
    src_ = AV_PIX_FMT_BGR0;
  }
  // 32-bit pixels for 4:2:0 (H.264) take our own one-pass converter, at less than half of
  // libswscale's time for a screen frame (bench_convert).
  direct420_ = dst_ == AV_PIX_FMT_YUV420P && (src_ == AV_PIX_FMT_BGR0 || src_ == AV_PIX_FMT_RGB0);
  if (src_ != dst_ && !direct420_) {
    if (!sws_isSupportedInput(src_) || !sws_isSupportedOutput(dst_)) return kAviErrBadFormat;
    // Same size in and out: libswscale only changes the pixel format (and for most RGB pairs
    // takes its unscaled fast path).
    sws_ = sws_getContext(input.width, input.height, src_, input.width, input.height, dst_,
                          SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_) return kAviErrBadFormat;
  }
  frame_ = av_frame_alloc();
  if (!frame_) return kAviErrMemory;
  frame_->format = dst_;
  frame_->width = outWidth;
  frame_->height = outHeight;
  if (av_frame_get_buffer(frame_, 0) < 0) return kAviErrMemory;
  return kAviErrOk;
}

void PixelConverter::SetColourTable(const std::vector<RgbQuad>& colours) {
  std::fill(std::begin(palette_), std::end(palette_), 0xFF000000u);
  const size_t n = std::min<size_t>(colours.size(), 256);
  for (size_t i = 0; i < n; ++i) {
    palette_[i] = 0xFF000000u | (uint32_t{colours[i].rgbRed} << 16) |
                  (uint32_t{colours[i].rgbGreen} << 8) | colours[i].rgbBlue;
  }
}

int32_t PixelConverter::Convert(const uint8_t* pixels, const RowSpans& rows, AVFrame** out) {
  if (!frame_) return kAviErrBadFormat;
  // Reuses the frame's buffer unless the encoder still holds a reference to it; then libavutil
  // gives it a new buffer with the old pixels copied, so the rows kept stay right either way.
  if (av_frame_make_writable(frame_) < 0) return kAviErrMemory;

  // The rows to convert: pairs of rows for 4:2:0, whose chroma rows each belong to two.
  spans_.clear();
  if (!filled_ || sws_) {
    spans_.emplace_back(0, input_.height);
  } else {
    for (auto [top, bottom] : rows) {
      top = std::clamp(top, 0, input_.height);
      bottom = std::clamp(bottom, top, input_.height);
      if (direct420_) {
        top &= ~1;
        bottom = std::min(input_.height, bottom + (bottom & 1));
      }
      if (top == bottom) continue;
      if (!spans_.empty() && top <= spans_.back().second)
        spans_.back().second = std::max(spans_.back().second, bottom);
      else
        spans_.emplace_back(top, bottom);
    }
  }

  // The source view, top row first: bottom-up rows are read from the last row upwards.
  const uint8_t* srcData[4] = {pixels, nullptr, nullptr, nullptr};
  int srcLines[4] = {input_.stride, 0, 0, 0};
  if (!input_.topDown) {
    srcData[0] = pixels + static_cast<ptrdiff_t>(input_.height - 1) * input_.stride;
    srcLines[0] = -input_.stride;
  }
  if (!expanded_.empty()) {
    for (const auto& [top, bottom] : spans_) ExpandIndexed(srcData[0], srcLines[0], top, bottom);
    srcData[0] = expanded_.data();
    srcLines[0] = input_.width * 4;
  }
  if (src_ == AV_PIX_FMT_PAL8) srcData[1] = reinterpret_cast<const uint8_t*>(palette_);

  if (sws_) {
    sws_scale(sws_, srcData, srcLines, 0, input_.height, frame_->data, frame_->linesize);
  } else {
    const int rowBytes = av_image_get_linesize(src_, input_.width, 0);
    for (const auto& [top, bottom] : spans_) {
      const uint8_t* src = srcData[0] + static_cast<ptrdiff_t>(top) * srcLines[0];
      if (direct420_) {
        const ptrdiff_t chroma = top / 2;
        Rgb32ToYuv420(src, srcLines[0], input_.width, bottom - top, src_ == AV_PIX_FMT_RGB0,
                      {frame_->data[0] + top * static_cast<ptrdiff_t>(frame_->linesize[0]),
                       frame_->data[1] + chroma * frame_->linesize[1],
                       frame_->data[2] + chroma * frame_->linesize[2], frame_->linesize[0],
                       frame_->linesize[1], frame_->linesize[2]});
      } else {
        av_image_copy_plane(frame_->data[0] + top * static_cast<ptrdiff_t>(frame_->linesize[0]),
                            frame_->linesize[0], src, srcLines[0], rowBytes, bottom - top);
      }
    }
    if (dst_ == AV_PIX_FMT_PAL8) std::memcpy(frame_->data[1], palette_, sizeof(palette_));
  }
  RepeatEdges(spans_);
  filled_ = true;
  *out = frame_;
  return kAviErrOk;
}

void PixelConverter::ExpandIndexed(const uint8_t* top, int line, int first, int end) {
  uint8_t* out = expanded_.data() + static_cast<size_t>(first) * input_.width * 4;
  for (int y = first; y < end; ++y) {
    const uint8_t* row = top + static_cast<ptrdiff_t>(y) * line;
    for (int x = 0; x < input_.width; ++x, out += 4) {
      const uint32_t c = palette_[row[x]];
      out[0] = static_cast<uint8_t>(c);
      out[1] = static_cast<uint8_t>(c >> 8);
      out[2] = static_cast<uint8_t>(c >> 16);
      out[3] = 0;
    }
  }
}

// Fills the padding columns and rows with copies of the last real column and row, so that an
// encoder that needs whole blocks sees no hard edge: along the rows just converted, and below
// the picture when its last row was among them.
void PixelConverter::RepeatEdges(const RowSpans& rows) {
  if (frame_->width == input_.width && frame_->height == input_.height) return;
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(dst_);
  const bool hasPalette = (desc->flags & AV_PIX_FMT_FLAG_PAL) != 0;
  const int planes = hasPalette ? 1 : av_pix_fmt_count_planes(dst_);
  for (int p = 0; p < planes; ++p) {
    const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    const int sx = chroma ? desc->log2_chroma_w : 0;
    const int sy = chroma ? desc->log2_chroma_h : 0;
    const int usedW = -((-input_.width) >> sx);
    const int usedH = -((-input_.height) >> sy);
    const int fullW = -((-frame_->width) >> sx);
    const int fullH = -((-frame_->height) >> sy);
    int pixelBytes = 0;
    for (int c = 0; c < desc->nb_components; ++c) {
      if (desc->comp[c].plane == p) pixelBytes = std::max(pixelBytes, desc->comp[c].step);
    }
    if (pixelBytes == 0) continue;
    uint8_t* base = frame_->data[p];
    const int line = frame_->linesize[p];
    bool lastRowDone = false;
    for (const auto& [top, bottom] : rows) {
      const int end = -((-bottom) >> sy);
      for (int y = top >> sy; y < end; ++y) {
        uint8_t* row = base + static_cast<ptrdiff_t>(y) * line;
        const uint8_t* last = row + (usedW - 1) * pixelBytes;
        for (int x = usedW; x < fullW; ++x) std::memcpy(row + x * pixelBytes, last, pixelBytes);
      }
      lastRowDone = lastRowDone || end == usedH;
    }
    if (!lastRowDone) continue;
    const uint8_t* lastRow = base + static_cast<ptrdiff_t>(usedH - 1) * line;
    for (int y = usedH; y < fullH; ++y) {
      std::memcpy(base + static_cast<ptrdiff_t>(y) * line, lastRow,
                  static_cast<size_t>(fullW) * pixelBytes);
    }
  }
}

}  // namespace mg
