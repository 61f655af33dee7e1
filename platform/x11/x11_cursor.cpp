#include "platform/x11/x11_cursor.h"

#include <X11/extensions/Xfixes.h>

namespace mg {

X11CursorCache::X11CursorCache(Display* display) : display_(display) {
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XFixesQueryExtension(display_, &eventBase_, &errorBase) &&
      XFixesQueryVersion(display_, &major, &minor) && major >= 1) {
    available_ = true;
    XFixesSelectCursorInput(display_, DefaultRootWindow(display_), XFixesDisplayCursorNotifyMask);
  }
  pixels_.reserve(64 * 64);  // the usual sizes never reallocate
}

void X11CursorCache::Notice(const XEvent& event) {
  if (available_ && event.type == eventBase_ + XFixesCursorNotify) stale_ = true;
}

const CursorImage* X11CursorCache::Current() {
  if (!available_) return nullptr;
  if (stale_) {
    valid_ = Refresh();
    stale_ = false;
  }
  return valid_ ? &image_ : nullptr;
}

bool X11CursorCache::Refresh() {
  XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
  if (!cursor) return false;
  const size_t count = static_cast<size_t>(cursor->width) * cursor->height;
  pixels_.resize(count);
  // XFixes hands 32-bit pixels in unsigned longs; a frame wants them packed.
  for (size_t i = 0; i < count; ++i) pixels_[i] = static_cast<uint32_t>(cursor->pixels[i]);
  image_.width = cursor->width;
  image_.height = cursor->height;
  image_.xhot = cursor->xhot;
  image_.yhot = cursor->yhot;
  image_.argb = pixels_.data();
  image_.serial = cursor->cursor_serial;
  XFree(cursor);
  return count > 0;
}

}  // namespace mg
