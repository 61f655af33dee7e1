// The header of an AVI file: 'RIFF AVI ', the 'hdrl' list (avih; per stream strh, strf, strn and
// the reserved super index; the 'odml' list) and the 'LIST movi' header, padded with JUNK so that
// the movie list starts at a fixed offset and the header can be rewritten in place.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/windows_records.h"

namespace mg {

struct RiffSuperIndexEntry {  // one 'ix##' chunk: where, how big, how many stream ticks
  uint64_t offset = 0;
  uint32_t size = 0;
  uint32_t duration = 0;
};

struct RiffStreamHeader {
  AviStreamInfo info;  // as given; dwFlags, dwLength, dwSampleSize as to be written
  const std::vector<uint8_t>* format = nullptr;  // strf payload
  uint32_t chunkId = 0;                          // '00dc', '01wb', ...
  const std::vector<RiffSuperIndexEntry>* superIndex = nullptr;
};

struct RiffMainHeader {
  uint32_t microSecPerFrame = 0;
  uint32_t maxBytesPerSec = 0;
  uint32_t flags = 0;
  uint32_t totalFrames = 0;
  uint32_t suggestedBufferSize = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool openDml = false;  // write 'indx' and 'odml' instead of their JUNK placeholders
  uint32_t odmlTotalFrames = 0;
  uint32_t superIndexReserve = 0;  // entries reserved per stream
  uint32_t riffSize = 0;           // of the first RIFF segment
  uint32_t moviSize = 0;           // of its movie list
};

inline constexpr uint32_t kAvifHasIndex = 0x10;                // AVIF_HASINDEX
inline constexpr uint32_t kAvisfVideoPalChanges = 0x00010000;  // AVISF_VIDEO_PALCHANGES

// Where the header's counts lie in the built bytes, so that they can be kept current on disk
// without rebuilding the header.
struct RiffCountOffsets {
  uint32_t totalFrames = 0;            // avih dwTotalFrames
  std::vector<uint32_t> streamLength;  // each strh dwLength
  uint32_t odmlTotalFrames = 0;        // dmlh dwTotalFrames; 0 when the header has no 'odml'
};

// Builds the bytes from the file's start through the 'LIST movi' header into `out`. With
// `moviListOffset` 0 the header takes its natural size. Returns the natural offset of the movie
// list; when that does not fit below a given `moviListOffset`, `out` is left incomplete and the
// caller must refuse the change that made the header grow.
uint32_t BuildRiffHeader(const RiffMainHeader& main, const std::vector<RiffStreamHeader>& streams,
                         uint32_t moviListOffset, std::vector<uint8_t>* out,
                         RiffCountOffsets* counts = nullptr);

}  // namespace mg
