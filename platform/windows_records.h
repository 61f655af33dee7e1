// Binary records shared with the AVI file format and the stored settings: the same layouts and
// codes as the Windows structures they mirror, so files and option values stay portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace mg {

// Packs a four-character code little-endian: the first character lands in the low byte.
constexpr uint32_t MakeFourcc(std::string_view text) {
  uint32_t code = 0;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t c = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
    code |= static_cast<uint32_t>(c) << (8 * i);
  }
  return code;
}

#pragma pack(push, 1)

struct BitmapInfoHeader {  // BITMAPINFOHEADER, 40 bytes
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows run bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // 0 = BI_RGB, 1 = BI_RLE8, 3 = BI_BITFIELDS, or a FOURCC
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {  // RGBQUAD: one colour-table entry
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
};
static_assert(sizeof(RgbQuad) == 4);

struct WaveFormatEx {       // WAVEFORMATEX, 18 bytes
  uint16_t wFormatTag = 1;  // WAVE_FORMAT_PCM
  uint16_t nChannels = 1;
  uint32_t nSamplesPerSec = 11025;
  uint32_t nAvgBytesPerSec = 11025;
  uint16_t nBlockAlign = 1;
  uint16_t wBitsPerSample = 8;
  uint16_t cbSize = 0;
};
static_assert(sizeof(WaveFormatEx) == 18);

struct WinRect {  // RECT
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct AviStreamInfo {  // AVISTREAMINFOA, 140 bytes
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint32_t dwCaps = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  WinRect rcFrame;
  uint32_t dwEditCount = 0;
  uint32_t dwFormatChangeCount = 0;
  char szName[64] = {};
};
static_assert(sizeof(AviStreamInfo) == 140);

#pragma pack(pop)

// AVICOMPRESSOPTIONS: what a compressing stream is made with.
struct AviCompressOptions {
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwKeyFrameEvery = 0;
  uint32_t dwQuality = 0;  // 0..10000
  uint32_t dwBytesPerSecond = 0;
  uint32_t dwFlags = 0;  // AVICOMPRESSF_*
  const void* lpFormat = nullptr;
  uint32_t cbFormat = 0;
  const void* lpParms = nullptr;
  uint32_t cbParms = 0;
  uint32_t dwInterleaveEvery = 0;
  // Our own addition: frames handed to the stream have their rows top-down in memory (as a
  // screen grab delivers them) although the format describes a bottom-up bitmap.
  bool topDownInput = false;
  // Our own addition: red, green and blue masks of the input pixels on direct-colour displays
  // (a 16-bit X display is 5-6-5); all 0 means the Windows meaning of the bit count (5-5-5 at
  // 16 bits, blue-green-red bytes at 24 and 32).
  uint32_t inputRedMask = 0;
  uint32_t inputGreenMask = 0;
  uint32_t inputBlueMask = 0;
};

inline constexpr uint32_t kAviCompressKeyFrames = 0x04;  // AVICOMPRESSF_KEYFRAMES
inline constexpr uint32_t kAviCompressValid = 0x08;      // AVICOMPRESSF_VALID
inline constexpr uint32_t kAviIfKeyFrame = 0x10;         // AVIIF_KEYFRAME

inline constexpr uint32_t kStreamTypeVideo = MakeFourcc("vids");
inline constexpr uint32_t kStreamTypeAudio = MakeFourcc("auds");

// AVI library result codes (MAKE_AVIERR): 0x80044000 + error number; 0 = success.
constexpr int32_t MakeAviErr(int n) {
  return static_cast<int32_t>(0x80044000u + static_cast<uint32_t>(n));
}
inline constexpr int32_t kAviErrOk = 0;
inline constexpr int32_t kAviErrUnsupported = MakeAviErr(101);
inline constexpr int32_t kAviErrBadFormat = MakeAviErr(102);
inline constexpr int32_t kAviErrMemory = MakeAviErr(103);
inline constexpr int32_t kAviErrInternal = MakeAviErr(104);
inline constexpr int32_t kAviErrBadFlags = MakeAviErr(105);
inline constexpr int32_t kAviErrBadParam = MakeAviErr(106);
inline constexpr int32_t kAviErrBadSize = MakeAviErr(107);
inline constexpr int32_t kAviErrBadHandle = MakeAviErr(108);
inline constexpr int32_t kAviErrFileRead = MakeAviErr(109);
inline constexpr int32_t kAviErrFileWrite = MakeAviErr(110);
inline constexpr int32_t kAviErrFileOpen = MakeAviErr(111);
inline constexpr int32_t kAviErrCompressor = MakeAviErr(112);
inline constexpr int32_t kAviErrNoCompressor = MakeAviErr(113);
inline constexpr int32_t kAviErrReadOnly = MakeAviErr(114);
inline constexpr int32_t kAviErrNoData = MakeAviErr(115);
inline constexpr int32_t kAviErrBufferTooSmall = MakeAviErr(116);
inline constexpr int32_t kAviErrCantCompress = MakeAviErr(117);
inline constexpr int32_t kAviErrError = MakeAviErr(199);

// RegisterHotKey modifier flags, also the stored form of "Pan Modifiers".
inline constexpr int kModAlt = 1;
inline constexpr int kModControl = 2;
inline constexpr int kModShift = 4;

// Bytes of one row of a bottom-up DIB: rounded up to a multiple of 4.
constexpr int DibStride(int width, int bitsPerPixel) {
  return ((width * bitsPerPixel + 31) / 32) * 4;
}

}  // namespace mg
