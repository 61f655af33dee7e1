// One video compressor: opened on a frame format (a BITMAPINFOHEADER and its colour table), it
// turns each frame into the bytes of one AVI video chunk and tells whether it is a key frame.
// Results are AVI result codes; nothing throws. Not thread-safe: one caller at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/changed_region.h"
#include "platform/windows_records.h"

namespace mg {

// How the input pixels are laid out in memory.
enum class InputLayout {
  kIndexed1,  // 1 bit per pixel, colour table
  kIndexed4,  // 4 bits per pixel, colour table
  kIndexed8,  // 8 bits per pixel, colour table
  kRgb555,    // 16 bits, x-5-5-5
  kRgb565,    // 16 bits, 5-6-5 (a 16-bit X display)
  kBgr24,     // bytes blue, green, red
  kBgrx32,    // bytes blue, green, red, unused
  kRgbx32,    // bytes red, green, blue, unused
};

// What a compressor is made with: the user's quality and key-frame choices and the facts about
// the input that a bitmap header cannot tell.
struct CompressorSettings {
  uint32_t quality = 7500;     // 0..10000; larger is better; lossless compressors ignore it
  uint32_t keyFrameEvery = 0;  // a key frame every so many frames; 0: only the first frame
  bool topDownInput = false;   // rows arrive top-down although the header says bottom-up
  uint32_t inputRedMask = 0;   // all three 0: the Windows meaning of the bit count
  uint32_t inputGreenMask = 0;
  uint32_t inputBlueMask = 0;
};

// The compressing stream's options turned into compressor settings.
CompressorSettings SettingsFromOptions(const AviCompressOptions& options);

// A parsed input frame format.
struct InputFrameFormat {
  BitmapInfoHeader header;
  int width = 0;
  int height = 0;  // always positive
  int bitCount = 0;
  bool topDown = false;  // rows in memory run top-down
  int stride = 0;        // bytes per row, a multiple of 4
  size_t frameBytes = 0;
  InputLayout layout = InputLayout::kBgrx32;
  std::vector<RgbQuad> colours;  // the colour table (indexed layouts only)

  // Row `y` counted from the top of the picture.
  const uint8_t* TopRow(const uint8_t* pixels, int y) const {
    const int memoryRow = topDown ? y : height - 1 - y;
    return pixels + static_cast<ptrdiff_t>(memoryRow) * stride;
  }
};

// Parses `format` (header + colour table, `size` bytes). kAviErrBadFormat when it is not a frame
// format we can read (compressed, bad size, unknown colour masks, short colour table).
// A bitmap format as a stream holds it: the header followed by its colour table.
void PackBitmapFormat(const BitmapInfoHeader& header, const std::vector<RgbQuad>& colours,
                      std::vector<uint8_t>* out);

int32_t ParseFrameFormat(const void* format, int32_t size, const CompressorSettings& settings,
                         InputFrameFormat* out);

struct CompressedFrame {
  const uint8_t* data = nullptr;  // valid until the next call into the compressor
  size_t size = 0;
  bool keyFrame = false;
};

class IVideoCompressor {
 public:
  virtual ~IVideoCompressor() = default;
  // Opens the compressor on the input format. Fails with kAviErrBadFormat or kAviErrCompressor
  // when the compressor cannot take frames of this format; may be called once.
  virtual int32_t SetInputFormat(const InputFrameFormat& input) = 0;
  // The format of the compressed stream (the AVI 'strf' record): a BITMAPINFOHEADER whose
  // biCompression names the codec, followed by the colour table for 8-bit outputs or by the
  // codec's own data.
  virtual const std::vector<uint8_t>& OutputFormat() const = 0;
  // True when the output format holds a colour table, so palette changes belong in the stream.
  virtual bool PalettizedOutput() const = 0;
  // A new colour table for the following frames (same count as the input format's).
  virtual int32_t SetColourTable(const std::vector<RgbQuad>& colours) = 0;
  // Compresses one frame of the input format (`bytes` at least the frame size).
  virtual int32_t Compress(const void* pixels, size_t bytes, CompressedFrame* out) = 0;
  // The next Compress's frame differs from the previous one only inside `changed` (picture
  // coordinates); holds for that one call. Compressors may skip the rest without comparing it.
  virtual void HintChanged(const ChangedRegion& changed) = 0;
};

// Makes the compressor named by `fccHandler` (see compressor_registry.h).
// kAviErrNoCompressor when no such compressor is installed.
int32_t MakeVideoCompressor(uint32_t fccHandler, const CompressorSettings& settings,
                            std::unique_ptr<IVideoCompressor>* out);

// Decides key frames from a key-frame interval: the first frame and every `every`-th after it.
class KeyFrameClock {
 public:
  explicit KeyFrameClock(uint32_t every) : every_(every) {}
  bool Next() {
    const bool key = count_ == 0 || (every_ != 0 && count_ % every_ == 0);
    ++count_;
    return key;
  }

 private:
  uint32_t every_;
  uint64_t count_ = 0;
};

}  // namespace mg
