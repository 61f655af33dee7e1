// Reading AVI files back in tests, two ways:
//  - ReadAviHeaders: a plain RIFF walk that shows the headers exactly as stored (avih, strh,
//    strf, strn, indexes) and every chunk of the movie data per stream, including empty chunks
//    and palette changes, without interpreting anything;
//  - DecodeAvi: the file as players see it, through libavformat/libavcodec: every video frame
//    as top-down RGB24 with its stream position, and every audio sample as raw PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mgtest {

// "vids" -> 0x73646976, as stored in the file.
constexpr uint32_t Fourcc(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}
std::string FourccText(uint32_t code);  // 0x73646976 -> "vids"

struct AviMainHeader {  // avih
  uint32_t dwMicroSecPerFrame = 0;
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwPaddingGranularity = 0;
  uint32_t dwFlags = 0;
  uint32_t dwTotalFrames = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
};

// One chunk of a stream's data in the movie list, in file order (all RIFF segments).
struct AviChunk {
  uint64_t offset = 0;    // file offset of the chunk header
  uint32_t size = 0;      // payload bytes (0 = an empty chunk)
  bool keyFrame = false;  // flag from the index (idx1 or ix##); false when there is no index
  bool indexed = false;   // an index entry points at this chunk
};

// A palette-change chunk ('##pc', AVIPALCHANGE).
struct AviPaletteChange {
  int64_t position = 0;  // the stream position (data chunk ordinal) of the frame that follows it
  int firstEntry = 0;    // bFirstEntry
  int numEntries = 0;    // bNumEntries as stored (0 means 256)
  uint16_t flags = 0;    // wFlags
  std::vector<uint32_t> entries;  // PALETTEENTRY as 0x00RRGGBB (flags byte dropped)
  std::vector<uint8_t> entryFlags;
};

struct AviStreamHeaders {
  // strh
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  int16_t rcLeft = 0, rcTop = 0, rcRight = 0, rcBottom = 0;  // rcFrame (16-bit on disk)
  uint32_t strhSize = 0;                                     // bytes of the strh chunk
  std::vector<uint8_t> format;                               // strf payload
  std::string name;                                          // strn, up to its first NUL
  bool hasSuperIndex = false;                                // 'indx' in the strl
  uint32_t superIndexEntries = 0;                            // nEntriesInUse of the indx

  // Movie data of this stream, in file order.
  std::vector<AviChunk> chunks;         // '##db' / '##dc' / '##wb' chunks, empty ones included
  int dataChunks = 0;                   // chunks.size()
  int emptyChunks = 0;                  // chunks of size 0
  std::vector<int64_t> emptyPositions;  // ordinals (stream positions) of the empty chunks
  uint64_t dataBytes = 0;               // sum of all chunk payloads
  std::vector<AviPaletteChange> paletteChanges;
  int standardIndexChunks = 0;  // 'ix##' chunks of this stream
};

struct AviHeaders {
  bool ok = false;    // a RIFF 'AVI ' file with a readable header list
  std::string error;  // why not, when !ok
  uint64_t fileSize = 0;
  bool truncated = false;           // a chunk or list runs past the end of the file
  uint64_t trailingBytes = 0;       // bytes after the last RIFF segment's declared end
  int riffSegments = 0;             // 'RIFF AVI ' plus every 'RIFF AVIX'
  std::vector<uint32_t> riffSizes;  // declared size of each RIFF segment
  std::vector<uint32_t> moviSizes;  // declared size of each movi list
  AviMainHeader avih;
  std::vector<AviStreamHeaders> streams;
  bool hasIdx1 = false;
  uint32_t idx1Entries = 0;
  bool hasOdml = false;          // LIST odml with dmlh
  uint32_t odmlTotalFrames = 0;  // dmlh dwTotalFrames
  int standardIndexChunks = 0;   // all 'ix##' chunks
};

AviHeaders ReadAviHeaders(const std::string& path);

struct DecodedFrame {
  int64_t position = 0;  // pts in stream time base (scale/rate): the frame's stream position
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top-down RGB24, width * 3 bytes a row, no padding
  // Pixel (x, y), y counted from the top, as 0x00RRGGBB.
  uint32_t Pixel(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
  }
};

struct DecodedAvi {
  bool ok = false;    // opened, and every stream found could be decoded
  std::string error;  // why not, when !ok
  // Video (the first video stream).
  bool hasVideo = false;
  std::string videoCodec;  // libavcodec's name ("rawvideo", "msrle", ...)
  int width = 0;
  int height = 0;
  int timeBaseNum = 0, timeBaseDen = 0;  // = dwScale / dwRate as libavformat reduced them
  std::vector<DecodedFrame> frames;      // in decode order, one per non-empty position
  int64_t videoLength = 0;               // positions: max(header length, last frame position + 1)
  std::vector<int64_t> emptyPositions;   // positions in [0, videoLength) without a frame
  int decodeErrors = 0;
  // Audio (the first audio stream): decoded samples, interleaved, in the decoder's sample
  // format (8-bit PCM: unsigned bytes exactly as stored).
  bool hasAudio = false;
  std::string audioCodec;
  int sampleRate = 0;
  int channels = 0;
  int bytesPerSample = 0;  // per channel
  std::vector<uint8_t> audio;
  int64_t audioFirstPts = 0;  // of the first audio packet, in samples
  int64_t audioSamples() const {
    return bytesPerSample && channels
               ? static_cast<int64_t>(audio.size()) / bytesPerSample / channels
               : 0;
  }
  const DecodedFrame* FrameAt(int64_t position) const;  // nullptr at an empty position
};

// Decodes the whole file. With keepPixels false the frames carry positions and sizes only.
DecodedAvi DecodeAvi(const std::string& path, bool keepPixels = true);

}  // namespace mgtest
