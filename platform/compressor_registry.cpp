#include "platform/compressor_registry.h"

#include "platform/compressor_backends.h"
#include "platform/win_types.h"

namespace mg {

const std::vector<CompressorInfo>& InstalledCompressors() {
  static const std::vector<CompressorInfo> list = [] {
    std::vector<CompressorInfo> found;
    const auto& profiles = FfmpegCodecProfiles();
    // "MSVC" leads the list; it is the first profile.
    if (!profiles.empty() && FfmpegEncoderInstalled(profiles.front())) {
      found.push_back({profiles.front().fccHandler, profiles.front().encoderName,
                       profiles.front().description});
    }
    found.push_back({MakeFourcc("MRLE"), "rle8", "Microsoft RLE"});
    found.push_back({MakeFourcc("DIB "), "dib", "Uncompressed frames"});
    for (size_t i = 1; i < profiles.size(); ++i) {
      if (FfmpegEncoderInstalled(profiles[i])) {
        found.push_back({profiles[i].fccHandler, profiles[i].encoderName, profiles[i].description});
      }
    }
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
