// A plain GetImage whose rows land straight in a caller's buffer: no image is allocated per call,
// which the Xlib helpers (XGetImage, XGetSubImage) always do.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "platform/x11/x11_pixel_layout.h"

namespace mg {

// Reads the rectangle (x, y, width, height) of `drawable`, which must lie wholly inside it, as a
// ZPixmap of all planes. Row r goes to dest + r * destStride; each row gets width * bpp / 8 bytes
// (bpp a multiple of 8). False when the server refused or answered something unexpected.
bool ReadImageInto(Display* display, Drawable drawable, int x, int y, int width, int height,
                   const X11PixelLayout& layout, uint8_t* dest, int destStride);

}  // namespace mg
