#include "capture/frame_format.h"

#include <cstring>

#include "platform/windows_records.h"

namespace mg {

int64_t FrameBytes(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || bitsPerPixel <= 0) return -1;
  const int64_t stride = ((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
  const int64_t bytes = stride * height;
  return bytes > INT32_MAX ? -1 : bytes;
}

int ColourCountFor(int bitsPerPixel) {
  return bitsPerPixel > 0 && bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
}

void MarkStaticColours(std::vector<PaletteEntry>& entries, int numColors, bool noStatic,
                       bool forceBlackWhite) {
  const int count = static_cast<int>(entries.size());
  if (count == 0) return;
  int staticCount = numColors / 2;
  if (forceBlackWhite) {
    entries.front().red = entries.front().green = entries.front().blue = 0;
    entries.back().red = entries.back().green = entries.back().blue = 255;
  }
  if (noStatic) staticCount = 1;

  for (int j = 0; j < count; ++j) {
    PaletteEntry& e = entries[j];
    if (j < staticCount || j >= count - staticCount) {
      e.flags = 0;
      continue;
    }
    e.flags = 4;  // PC_NOCOLLAPSE
    for (int k = count - staticCount; k < count && staticCount > 0; ++k) {
      const PaletteEntry& s = entries[k];
      if (s.red == e.red && s.green == e.green && s.blue == e.blue) {
        e.flags = 1;  // PC_RESERVED
        break;
      }
    }
  }
}

std::vector<uint8_t> MakeFrameFormat(int width, int height, int bitsPerPixel,
                                     const std::vector<PaletteEntry>& palette, bool keepFlags) {
  const int colours = ColourCountFor(bitsPerPixel);
  std::vector<uint8_t> format(40 + 4 * static_cast<size_t>(colours), 0);
  BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<uint16_t>(bitsPerPixel);
  h.biClrUsed = static_cast<uint32_t>(colours);
  std::memcpy(format.data(), &h, sizeof h);
  auto* table = reinterpret_cast<RgbQuad*>(format.data() + 40);
  for (int j = 0; j < colours && j < static_cast<int>(palette.size()); ++j) {
    table[j].rgbBlue = palette[j].blue;
    table[j].rgbGreen = palette[j].green;
    table[j].rgbRed = palette[j].red;
    table[j].rgbReserved = keepFlags ? palette[j].flags : 0;
  }
  return format;
}

}  // namespace mg
