// Synthetic screen-like frames in every input layout, and decoding of a compressed stream
// straight through libavcodec (set up from the stream format the way the AVI demuxer does).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_records.h"
#include "tests/support/avi_reader.h"

namespace mgtest {

// A picture as 0x00RRGGBB, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// A desktop-like picture: a gradient backdrop, windows with title bars, text-like speckles.
// `frame` moves one window and changes some text, so consecutive frames differ a little.
Picture ScreenPicture(int width, int height, int frame);

// The 256-colour palette used for 8-bit frames (a 6x6x6 cube plus greys); `shift` rotates the
// colours for a palette change.
std::vector<mg::RgbQuad> TestPalette(int shift = 0);
// An 8-bit picture: indices, top row first.
std::vector<uint8_t> IndexedPicture(int width, int height, int frame);

enum class Packing { k8, k555, k565, k24, k32 };

// A frame format (header + colour table) for width x height at the packing's depth.
std::vector<uint8_t> FrameFormat(int width, int height, Packing packing,
                                 const std::vector<mg::RgbQuad>& palette = TestPalette());
// Pixels of a picture in a packing, rows bottom-up (as the format says) or top-down.
std::vector<uint8_t> Pack(const Picture& picture, Packing packing, bool topDown);
std::vector<uint8_t> PackIndexed(const std::vector<uint8_t>& indices, int width, int height,
                                 bool topDown);
Picture FromIndices(const std::vector<uint8_t>& indices, int width, int height,
                    const std::vector<mg::RgbQuad>& palette);

// Largest per-channel difference between the top-left width x height of `frame` and `expect`,
// counting only the bits a packing keeps (5 or 6 per channel for 16-bit packings).
int MaxError(const DecodedFrame& frame, const Picture& expect, Packing precision = Packing::k32);
// Mean absolute per-channel difference.
double MeanError(const DecodedFrame& frame, const Picture& expect);

struct StreamPacket {
  std::vector<uint8_t> data;
  std::vector<mg::RgbQuad> newPalette;  // a palette change before this frame, when not empty
};

// Decodes the packets of one video stream whose 'strf' is `format`.
bool DecodeStream(const std::vector<uint8_t>& format, const std::vector<StreamPacket>& packets,
                  std::vector<DecodedFrame>* frames, std::string* error);

// A temporary file name, removed by the destructor.
class TempFile {
 public:
  explicit TempFile(const std::string& suffix);
  ~TempFile();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace mgtest
