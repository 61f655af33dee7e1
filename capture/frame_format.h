// The format of every frame: a bottom-up BITMAPINFOHEADER at the display's bits per pixel and, on
// palette displays, the colour table made from the system palette.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/screen.h"

namespace mg {

// Bytes of one frame's pixels: rows rounded up to a multiple of 4 bytes; -1 when the size does
// not fit a 32-bit count.
int64_t FrameBytes(int width, int height, int bitsPerPixel);

// Colours in the table: 2^bits on displays of 8 bits or fewer, else none.
int ColourCountFor(int bitsPerPixel);

// Marks the palette's static colours for a movie's colour table: the static blocks at both ends
// flagged 0, a colour repeated from the upper static block flagged 1 (reserved), all others 4
// (no collapse). With `forceBlackWhite` the first entry becomes black and the last white, as
// on palettes whose ends are the static black and white.
void MarkStaticColours(std::vector<PaletteEntry>& entries, int numColors, bool noStatic,
                       bool forceBlackWhite = true);

// Header and colour table for a `width` x `height` frame.
std::vector<uint8_t> MakeFrameFormat(int width, int height, int bitsPerPixel,
                                     const std::vector<PaletteEntry>& palette, bool keepFlags);

}  // namespace mg
