#include "codecs/compressor_registry.h"

#include "codecs/compressor_backends.h"
#include "platform/windows_records.h"

namespace mg {

const std::vector<CompressorInfo>& InstalledCompressors() {
  static const std::vector<CompressorInfo> list = [] {
    std::vector<CompressorInfo> found;
    found.push_back({MakeFourcc("MSVC"), "msvideo1", "Microsoft Video 1"});
    found.push_back({MakeFourcc("MRLE"), "rle8", "Microsoft RLE"});
    found.push_back({MakeFourcc("DIB "), "dib", "Uncompressed frames"});
    for (CompressorInfo& info : InstalledFfmpegCompressors()) found.push_back(std::move(info));
    return found;
  }();
  return list;
}

const CompressorInfo* FindCompressor(uint32_t fccHandler) {
  for (const CompressorInfo& info : InstalledCompressors()) {
    if (info.fccHandler == fccHandler) return &info;
  }
  return nullptr;
}

}  // namespace mg
