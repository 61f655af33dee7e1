#include "platform/x11/x11_pixel_layout.h"

namespace mg {

bool QueryPixelLayout(Display* display, X11PixelLayout* out) {
  const int screen = DefaultScreen(display);
  out->depth = DefaultDepth(display, screen);
  out->width = DisplayWidth(display, screen);
  out->height = DisplayHeight(display, screen);
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool found = false;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == out->depth) {
      out->bitsPerPixel = formats[i].bits_per_pixel;
      out->scanlinePad = formats[i].scanline_pad;
      found = true;
    }
  }
  if (formats) XFree(formats);
  return found;
}

}  // namespace mg
