#include "codecs/rgb555_blocks.h"

#include <algorithm>
#include <cstring>

namespace mg {
namespace {

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Spreads one line of `width` pixels over blocks [first, end) of a block row: four pixels into
// each block, a last block past the picture's edge filled up with copies of the last pixel.
// `dst` points at the line's place in block `first`.
template <typename Load>
void Spread(const uint8_t* src, int width, int first, int end, uint16_t* dst, Load load) {
  const int whole = std::min(end, width / 4);
  int bx = first;
  for (; bx < whole; ++bx, dst += 16) {
    const int x = 4 * bx;
    dst[0] = load(src, x);
    dst[1] = load(src, x + 1);
    dst[2] = load(src, x + 2);
    dst[3] = load(src, x + 3);
  }
  if (bx < end) {
    for (int i = 0; i < 4; ++i) dst[i] = load(src, std::min(4 * bx + i, width - 1));
  }
}

}  // namespace

int32_t Rgb555BlockReader::Open(const InputFrameFormat& input) {
  switch (input.layout) {
    case InputLayout::kIndexed1:
    case InputLayout::kIndexed4:
      return kAviErrBadFormat;
    default:
      break;
  }
  if (input.width <= 0 || input.height <= 0) return kAviErrBadFormat;
  input_ = input;
  blocksWide_ = (input.width + 3) / 4;
  blocksHigh_ = (input.height + 3) / 4;
  SetColourTable(input.colours);
  return kAviErrOk;
}

void Rgb555BlockReader::SetColourTable(const std::vector<RgbQuad>& colours) {
  std::fill(std::begin(lookup_), std::end(lookup_), uint16_t{0});
  const size_t n = std::min<size_t>(colours.size(), 256);
  for (size_t i = 0; i < n; ++i) {
    lookup_[i] = PackRgb555(colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue);
  }
}

void Rgb555BlockReader::ReadBlocks(int row, int first, int count, uint16_t* blocks) {
  first = std::max(first, 0);
  const int end = std::min(first + count, blocksWide_);
  if (first >= end) return;
  const int paddedHeight = 4 * blocksHigh_;
  for (int line = 0; line < 4; ++line) {
    // Line 0 is the block row's bottom line; rows below the picture repeat its last row.
    const int y = std::min(paddedHeight - 1 - 4 * row - line, input_.height - 1);
    ReadLine(input_.TopRow(pixels_, y), first, end, blocks + 16 * first + 4 * line);
  }
}

void Rgb555BlockReader::ReadLine(const uint8_t* src, int first, int end, uint16_t* dst) const {
  const int w = input_.width;
  switch (input_.layout) {
    case InputLayout::kIndexed8:
      Spread(src, w, first, end, dst, [this](const uint8_t* s, int x) { return lookup_[s[x]]; });
      break;
    case InputLayout::kRgb555:
      Spread(src, w, first, end, dst, [](const uint8_t* s, int x) {
        return static_cast<uint16_t>(Load16(s + 2 * x) & 0x7FFF);
      });
      break;
    case InputLayout::kRgb565:
      Spread(src, w, first, end, dst, [](const uint8_t* s, int x) {
        const uint16_t v = Load16(s + 2 * x);
        return static_cast<uint16_t>((v >> 1 & 0x7FE0) | (v & 0x1F));
      });
      break;
    case InputLayout::kBgr24:
      Spread(src, w, first, end, dst, [](const uint8_t* s, int x) {
        const uint8_t* p = s + 3 * x;
        return PackRgb555(p[2], p[1], p[0]);
      });
      break;
    case InputLayout::kBgrx32:
      Spread(src, w, first, end, dst, [](const uint8_t* s, int x) {
        const uint32_t v = Load32(s + 4 * x);
        return static_cast<uint16_t>((v >> 9 & 0x7C00) | (v >> 6 & 0x03E0) | (v >> 3 & 0x1F));
      });
      break;
    case InputLayout::kRgbx32:
      Spread(src, w, first, end, dst, [](const uint8_t* s, int x) {
        const uint32_t v = Load32(s + 4 * x);
        return static_cast<uint16_t>((v << 7 & 0x7C00) | (v >> 6 & 0x03E0) | (v >> 19 & 0x1F));
      });
      break;
    case InputLayout::kIndexed1:
    case InputLayout::kIndexed4:
      break;
  }
}

}  // namespace mg
