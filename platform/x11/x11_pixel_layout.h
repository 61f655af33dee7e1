// How the screen's pixels are laid out in an image fetched from the server.
#pragma once

#include <X11/Xlib.h>

namespace mg {

struct X11PixelLayout {
  int depth = 0;
  int bitsPerPixel = 0;  // of one pixel in a ZPixmap image
  int scanlinePad = 0;   // the server pads each image row to this many bits
  int width = 0;         // of the root window
  int height = 0;
};

// The layout of the default screen's root window; false when the server lists no pixmap format
// for the root depth.
bool QueryPixelLayout(Display* display, X11PixelLayout* out);

// Bytes of one row of `width` pixels as the server sends or writes it.
inline int ServerRowBytes(const X11PixelLayout& layout, int width) {
  const long bits = static_cast<long>(width) * layout.bitsPerPixel;
  const long pad = layout.scanlinePad > 0 ? layout.scanlinePad : 32;
  return static_cast<int>(((bits + pad - 1) / pad) * pad / 8);
}

}  // namespace mg
