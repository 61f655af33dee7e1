// The compressor implementations behind MakeVideoCompressor: our own uncompressed, RLE8,
// Microsoft Video 1 and ZMBV compressors and the libavcodec encoders.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/compressor_registry.h"
#include "codecs/video_compressor.h"

namespace mg {

std::unique_ptr<IVideoCompressor> MakeDibCompressor(const CompressorSettings& settings);
std::unique_ptr<IVideoCompressor> MakeMrleCompressor(const CompressorSettings& settings);
std::unique_ptr<IVideoCompressor> MakeMsvcCompressor(const CompressorSettings& settings);
// Our own coder for 32-bit frames, libavcodec's "zmbv" for the other depths.
std::unique_ptr<IVideoCompressor> MakeZmbvCompressor(const CompressorSettings& settings);

// The libavcodec encoders we know how to use that are installed here, in the order they are
// listed.
std::vector<CompressorInfo> InstalledFfmpegCompressors();
// The libavcodec compressor for `fccHandler`; nullptr when none is installed.
std::unique_ptr<IVideoCompressor> MakeFfmpegCompressor(uint32_t fccHandler,
                                                       const CompressorSettings& settings);

}  // namespace mg
