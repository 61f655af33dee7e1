// Microsoft Video 1 coding of 16-bit (RGB555) frames. The picture is coded in 4x4 blocks, row
// of blocks after row of blocks from the bottom up, each block as one of:
//  - a skip: the decoder keeps what it shows there (runs of up to 1023 blocks in one code);
//  - a fill with one colour;
//  - two colours and a 16-bit mask choosing one of them for every pixel;
//  - eight colours: two colours and a 4-bit mask for each 2x2 quarter.
// A block is skipped when it is unchanged since the previous frame as the decoder shows it
// (within a tolerance that the quality sets), so small errors never add up over frames, or when
// the caller says it cannot have changed. Key frames code every block. Quality 10000 keeps every
// block as close as the format can: skips and fills only when exact, eight colours wherever two are
// not exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/rgb555_blocks.h"

namespace mg {

class MsvcEncoder {
 public:
  // Frames of blocksWide x blocksHigh blocks at `quality` (0..10000, larger is better). Sizes all
  // buffers; encoding allocates nothing. Forgets the previous frame: the next one is a key frame.
  void Reset(int blocksWide, int blocksHigh, uint32_t quality);
  // Codes one frame read from `rows`; returns its size in bytes, which stay in data() until the
  // next call. `changed`, when given, marks with 1 the blocks that may differ from the previous
  // frame (blocksWide x blocksHigh, block rows from the top of the picture); on a frame that is
  // not a key frame the others are skipped without being read.
  size_t Encode(Rgb555BlockRows& rows, bool keyFrame, const uint8_t* changed = nullptr);
  const uint8_t* data() const { return out_.data(); }

  static constexpr size_t kEightColourBytes = 18;  // the largest code of one block
  static constexpr uint32_t kMaxSkipRun = 1023;    // blocks one skip code can cover

 private:
  uint8_t* CodeBlock(const uint16_t* pixels, uint16_t* recon, uint8_t* out) const;

  int blocksWide_ = 0;
  int blocksHigh_ = 0;
  int limit_ = 0;       // squared error a skip or a fill may leave in a block
  int eightLimit_ = 0;  // squared error of two colours above which eight are tried
  bool hasPrevious_ = false;
  std::vector<uint16_t> recon_;     // what the decoder shows, block after block
  std::vector<uint16_t> previous_;  // the input of the previous frame, block after block
  std::vector<uint16_t> row_;       // the current block row of the input
  std::vector<uint8_t> out_;        // the coded frame; sized for the worst case
};

}  // namespace mg
