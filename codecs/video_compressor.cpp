#include "codecs/video_compressor.h"

#include <cstring>

#include "codecs/compressor_backends.h"
#include "codecs/compressor_registry.h"

namespace mg {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr int kMaxDimension = 32768;

bool Masks(uint32_t r, uint32_t g, uint32_t b, uint32_t wr, uint32_t wg, uint32_t wb) {
  return r == wr && g == wg && b == wb;
}

int32_t LayoutOf(int bits, uint32_t r, uint32_t g, uint32_t b, InputLayout* layout) {
  const bool none = r == 0 && g == 0 && b == 0;
  switch (bits) {
    case 1:
      *layout = InputLayout::kIndexed1;
      return kAviErrOk;
    case 4:
      *layout = InputLayout::kIndexed4;
      return kAviErrOk;
    case 8:
      *layout = InputLayout::kIndexed8;
      return kAviErrOk;
    case 16:
      if (none || Masks(r, g, b, 0x7C00, 0x03E0, 0x001F)) {
        *layout = InputLayout::kRgb555;
        return kAviErrOk;
      }
      if (Masks(r, g, b, 0xF800, 0x07E0, 0x001F)) {
        *layout = InputLayout::kRgb565;
        return kAviErrOk;
      }
      return kAviErrBadFormat;
    case 24:
      if (none || Masks(r, g, b, 0xFF0000, 0xFF00, 0xFF)) {
        *layout = InputLayout::kBgr24;
        return kAviErrOk;
      }
      return kAviErrBadFormat;
    case 32:
      if (none || Masks(r, g, b, 0xFF0000, 0xFF00, 0xFF)) {
        *layout = InputLayout::kBgrx32;
        return kAviErrOk;
      }
      if (Masks(r, g, b, 0xFF, 0xFF00, 0xFF0000)) {
        *layout = InputLayout::kRgbx32;
        return kAviErrOk;
      }
      return kAviErrBadFormat;
    default:
      return kAviErrBadFormat;
  }
}

}  // namespace

CompressorSettings SettingsFromOptions(const AviCompressOptions& options) {
  CompressorSettings s;
  s.quality = options.dwQuality > 10000 ? 10000 : options.dwQuality;
  // Without AVICOMPRESSF_KEYFRAMES the interval is not valid: only the first frame is a key.
  s.keyFrameEvery = (options.dwFlags & kAviCompressKeyFrames) ? options.dwKeyFrameEvery : 0;
  s.topDownInput = options.topDownInput;
  s.inputRedMask = options.inputRedMask;
  s.inputGreenMask = options.inputGreenMask;
  s.inputBlueMask = options.inputBlueMask;
  return s;
}

void PackBitmapFormat(const BitmapInfoHeader& header, const std::vector<RgbQuad>& colours,
                      std::vector<uint8_t>* out) {
  out->resize(sizeof(header) + 4 * colours.size());
  std::memcpy(out->data(), &header, sizeof(header));
  if (!colours.empty())
    std::memcpy(out->data() + sizeof(header), colours.data(), 4 * colours.size());
}

int32_t ParseFrameFormat(const void* format, int32_t size, const CompressorSettings& settings,
                         InputFrameFormat* out) {
  if (!format || size < static_cast<int32_t>(sizeof(BitmapInfoHeader))) return kAviErrBadFormat;
  const auto* bytes = static_cast<const uint8_t*>(format);
  BitmapInfoHeader h;
  std::memcpy(&h, bytes, sizeof(h));
  if (h.biSize < sizeof(BitmapInfoHeader) || h.biSize > static_cast<uint32_t>(size) ||
      h.biPlanes != 1 || h.biWidth <= 0 || h.biWidth > kMaxDimension || h.biHeight == 0 ||
      h.biHeight > kMaxDimension || h.biHeight < -kMaxDimension) {
    return kAviErrBadFormat;
  }
  size_t offset = h.biSize;
  uint32_t r = settings.inputRedMask, g = settings.inputGreenMask, b = settings.inputBlueMask;
  if (h.biCompression == kBiBitfields) {
    if (h.biBitCount != 16 && h.biBitCount != 32) return kAviErrBadFormat;
    if (offset + 12 > static_cast<size_t>(size)) return kAviErrBadFormat;
    std::memcpy(&r, bytes + offset, 4);
    std::memcpy(&g, bytes + offset + 4, 4);
    std::memcpy(&b, bytes + offset + 8, 4);
    offset += 12;
  } else if (h.biCompression != kBiRgb) {
    return kAviErrBadFormat;  // frames are handed over uncompressed
  }

  InputFrameFormat f;
  if (LayoutOf(h.biBitCount, r, g, b, &f.layout) != kAviErrOk) return kAviErrBadFormat;
  f.header = h;
  f.width = h.biWidth;
  f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  f.bitCount = h.biBitCount;
  f.topDown = settings.topDownInput || h.biHeight < 0;
  f.stride = DibStride(f.width, f.bitCount);
  f.frameBytes = static_cast<size_t>(f.stride) * static_cast<size_t>(f.height);
  if (f.bitCount <= 8) {
    const uint32_t full = 1u << f.bitCount;
    const uint32_t count = h.biClrUsed == 0 ? full : h.biClrUsed;
    if (count > full || offset + 4 * static_cast<size_t>(count) > static_cast<size_t>(size)) {
      return kAviErrBadFormat;
    }
    f.colours.resize(count);
    std::memcpy(f.colours.data(), bytes + offset, 4 * static_cast<size_t>(count));
  }
  *out = std::move(f);
  return kAviErrOk;
}

int32_t MakeVideoCompressor(uint32_t fccHandler, const CompressorSettings& settings,
                            std::unique_ptr<IVideoCompressor>* out) {
  out->reset();
  const CompressorInfo* info = FindCompressor(fccHandler);
  if (!info) return kAviErrNoCompressor;
  if (info->fccHandler == MakeFourcc("DIB ")) {
    *out = MakeDibCompressor(settings);
  } else if (info->fccHandler == MakeFourcc("MRLE")) {
    *out = MakeMrleCompressor(settings);
  } else if (info->fccHandler == MakeFourcc("MSVC")) {
    *out = MakeMsvcCompressor(settings);
  } else if (info->fccHandler == MakeFourcc("ZMBV")) {
    *out = MakeZmbvCompressor(settings);
  } else {
    *out = MakeFfmpegCompressor(info->fccHandler, settings);
  }
  return *out ? kAviErrOk : kAviErrNoCompressor;
}

}  // namespace mg
