#include "platform/x11/x11_get_image.h"

// Xlib's request-building internals; kept to this file (they define min/max macros).
#include <X11/Xlibint.h>
#undef min
#undef max

namespace mg {

bool ReadImageInto(Display* dpy, Drawable drawable, int x, int y, int width, int height,
                   const X11PixelLayout& layout, uint8_t* dest, int destStride) {
  if (width <= 0 || height <= 0 || layout.bitsPerPixel % 8 != 0) return false;
  const long rowBytes = static_cast<long>(width) * (layout.bitsPerPixel / 8);
  const long serverRow = ServerRowBytes(layout, width);

  Display* const display = dpy;  // Xlib's request macros want it named dpy
  LockDisplay(display);
  xGetImageReq* req;
  GetReq(GetImage, req);
  req->drawable = drawable;
  req->x = static_cast<INT16>(x);
  req->y = static_cast<INT16>(y);
  req->width = static_cast<CARD16>(width);
  req->height = static_cast<CARD16>(height);
  req->planeMask = ~static_cast<CARD32>(0);
  req->format = ZPixmap;

  xGetImageReply rep;
  if (_XReply(display, reinterpret_cast<xReply*>(&rep), 0, xFalse) == 0) {
    UnlockDisplay(display);
    SyncHandle();
    return false;
  }
  const unsigned long replyBytes = static_cast<unsigned long>(rep.length) << 2;
  if (replyBytes != static_cast<unsigned long>(serverRow) * static_cast<unsigned long>(height)) {
    _XEatDataWords(display, rep.length);
    UnlockDisplay(display);
    SyncHandle();
    return false;
  }
  for (int r = 0; r < height; ++r) {
    _XRead(display, reinterpret_cast<char*>(dest) + static_cast<long>(r) * destStride, rowBytes);
    if (serverRow > rowBytes) _XEatData(display, static_cast<unsigned long>(serverRow - rowBytes));
  }
  UnlockDisplay(display);
  SyncHandle();
  return true;
}

}  // namespace mg
