// Input frames read as rows of RGB555 4x4 blocks, the unit a block coder works on. Any input
// layout except 1- and 4-bit, either row order. The picture is padded to whole blocks on the
// right and at the bottom with copies of the last real column and row. Rows of blocks are
// counted from the bottom of the picture; inside a block the pixels run bottom line first, left
// to right, so that pixel i of a block is bit i of a 16-bit mask.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/video_compressor.h"

namespace mg {

// A source of block rows for one frame.
class Rgb555BlockRows {
 public:
  virtual ~Rgb555BlockRows() = default;
  // Fills blocks [first, first + count) of block row `row` (0 being the bottom row of the padded
  // picture) in `blocks`, which holds the whole block row: 16 pixels per block, blocks left to
  // right. The other blocks of `blocks` are left as they are.
  virtual void ReadBlocks(int row, int first, int count, uint16_t* blocks) = 0;
};

// Converts rows of an input frame straight into blocks, four lines at a time.
class Rgb555BlockReader : public Rgb555BlockRows {
 public:
  // kAviErrBadFormat for layouts it cannot read (1- and 4-bit).
  int32_t Open(const InputFrameFormat& input);
  // A new colour table for indexed input (entries past the table read as black).
  void SetColourTable(const std::vector<RgbQuad>& colours);
  // The frame that ReadBlocks reads from; at least input.frameBytes bytes.
  void SetFrame(const uint8_t* pixels) { pixels_ = pixels; }
  void ReadBlocks(int row, int first, int count, uint16_t* blocks) override;

  int blocksWide() const { return blocksWide_; }
  int blocksHigh() const { return blocksHigh_; }

 private:
  void ReadLine(const uint8_t* src, int first, int end, uint16_t* dst) const;

  InputFrameFormat input_;
  int blocksWide_ = 0;
  int blocksHigh_ = 0;
  const uint8_t* pixels_ = nullptr;
  uint16_t lookup_[256] = {};  // indexed input: colour table entries as RGB555
};

// RGB555 from 8-bit channels, keeping each channel's top five bits.
constexpr uint16_t PackRgb555(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
}

}  // namespace mg
