// The installed video compressors, standing in for the system's list of video codecs: our own
// ("MSVC", "MRLE", "DIB ") and the libavcodec encoders that suit AVI movies of screen content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mg {

struct CompressorInfo {
  uint32_t fccHandler = 0;  // the stream handler code, e.g. MakeFourcc("MSVC")
  std::string name;         // short name, e.g. "msvideo1"
  std::string description;  // what a person reads in the compressor list
};

// Every compressor that can be made on this machine, in a stable order: "MSVC", "MRLE", "DIB ",
// then the other libavcodec encoders found. Built once; safe to call from any thread.
const std::vector<CompressorInfo>& InstalledCompressors();

// The entry for `fccHandler`, or null when no such compressor is installed.
const CompressorInfo* FindCompressor(uint32_t fccHandler);

}  // namespace mg
