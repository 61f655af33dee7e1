#include "platform/x11/x11_shm_frames.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/windows_records.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_get_image.h"

namespace mg {

X11FrameStore::X11FrameStore(Display* display, const X11PixelLayout& layout, bool useSharedMemory)
    : display_(display),
      root_(DefaultRootWindow(display)),
      layout_(layout),
      // A full-width grab must land with the rows exactly where a DIB has them.
      sharedAllowed_(useSharedMemory && layout.scanlinePad == 32) {
  // Each shared image points at its frame's segment record: frames must never move.
  frames_.reserve(kMaxSlots);
}

X11FrameStore::~X11FrameStore() {
  FreeAll();
}

uint8_t* X11FrameStore::Allocate(int slot, int width, int height) {
  if (slot < 0 || slot >= kMaxSlots || width <= 0 || height <= 0 || width > 32767 ||
      height > 32767 || layout_.bitsPerPixel < 8 || layout_.bitsPerPixel % 8 != 0)
    return nullptr;
  if (static_cast<int>(frames_.size()) <= slot) frames_.resize(static_cast<size_t>(slot) + 1);
  Frame& frame = frames_[static_cast<size_t>(slot)];
  Release(&frame);
  frame.width = width;
  frame.height = height;
  frame.stride = DibStride(width, layout_.bitsPerPixel);
  if (sharedAllowed_ && !AttachShared(&frame)) {
    // Refused once (a remote server, a foreign uid): the other slots would be refused as well.
    sharedAllowed_ = false;
  }
  if (!frame.shared) {
    const size_t bytes = static_cast<size_t>(frame.stride) * static_cast<size_t>(height);
    frame.heap.reset(new (std::nothrow) uint8_t[bytes]);
    if (!frame.heap) {
      frame = Frame{};
      return nullptr;
    }
    frame.data = frame.heap.get();
  }
  std::memset(frame.data, 0, static_cast<size_t>(frame.stride) * static_cast<size_t>(height));
  if (frame.shared && (scratch_.width < width || scratch_.height < height)) {
    Release(&scratch_);
    scratch_.width = width;
    scratch_.height = height;
    scratch_.stride = frame.stride;
    if (!AttachShared(&scratch_)) scratch_ = Frame{};
  }
  return frame.data;
}

bool X11FrameStore::AttachShared(Frame* frame) {
  const int screen = DefaultScreen(display_);
  XImage* image = XShmCreateImage(display_, DefaultVisual(display_, screen), layout_.depth, ZPixmap,
                                  nullptr, &frame->shm, frame->width, frame->height);
  if (!image) return false;
  if (image->bytes_per_line != frame->stride) {
    XDestroyImage(image);
    return false;
  }
  const size_t bytes = static_cast<size_t>(frame->stride) * static_cast<size_t>(frame->height);
  frame->shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (frame->shm.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  void* address = shmat(frame->shm.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(frame->shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    return false;
  }
  frame->shm.shmaddr = static_cast<char*>(address);
  frame->shm.readOnly = False;
  Status attached = False;
  int error = 0;
  {
    X11ErrorTrap trap(display_);
    attached = XShmAttach(display_, &frame->shm);
    error = trap.Sync();
  }
  // The segment goes away by itself once both sides have detached, even after a crash.
  shmctl(frame->shm.shmid, IPC_RMID, nullptr);
  if (!attached || error != 0) {
    shmdt(address);
    XDestroyImage(image);
    frame->shm = XShmSegmentInfo{};
    return false;
  }
  image->data = frame->shm.shmaddr;
  frame->image = image;
  frame->data = reinterpret_cast<uint8_t*>(address);
  frame->shared = true;
  return true;
}

void X11FrameStore::Release(Frame* frame) {
  if (frame->shared) {
    XShmDetach(display_, &frame->shm);
    XSync(display_, False);
    shmdt(frame->shm.shmaddr);
  }
  if (frame->image) {
    frame->image->data = nullptr;  // the segment is not Xlib's to free
    XDestroyImage(frame->image);
  }
  *frame = Frame{};
}

void X11FrameStore::FreeAll() {
  Release(&scratch_);
  for (Frame& frame : frames_) Release(&frame);
  frames_.clear();
}

bool X11FrameStore::IsShared(int slot) const {
  return slot >= 0 && slot < static_cast<int>(frames_.size()) &&
         frames_[static_cast<size_t>(slot)].shared;
}

bool X11FrameStore::Grab(int slot, int x, int y) {
  if (slot < 0 || slot >= static_cast<int>(frames_.size())) return false;
  Frame& f = frames_[static_cast<size_t>(slot)];
  if (!f.data) return false;
  const int bytesPerPixel = layout_.bitsPerPixel / 8;
  const size_t stride = static_cast<size_t>(f.stride);

  // The part of the rectangle on the screen, in long arithmetic so far-off rectangles are safe.
  const long x0 = std::max<long>(x, 0);
  const long y0 = std::max<long>(y, 0);
  const long x1 = std::min<long>(static_cast<long>(x) + f.width, layout_.width);
  const long y1 = std::min<long>(static_cast<long>(y) + f.height, layout_.height);
  if (x0 >= x1 || y0 >= y1) {
    std::memset(f.data, 0, stride * static_cast<size_t>(f.height));
    return true;
  }
  const int dx = static_cast<int>(x0 - x);
  const int dy = static_cast<int>(y0 - y);
  const int cw = static_cast<int>(x1 - x0);
  const int ch = static_cast<int>(y1 - y0);
  uint8_t* const top = f.data + static_cast<size_t>(dy) * stride;

  bool ok = false;
  if (f.shared) {
    // The server writes the visible part packed at the row where it starts; rows narrower than
    // the frame are then moved into place, last row first (they only ever move forward).
    XImage part = *f.image;
    part.width = cw;
    part.height = ch;
    part.bytes_per_line = ServerRowBytes(layout_, cw);
    part.data = reinterpret_cast<char*>(top);
    ok = XShmGetImage(display_, root_, &part, static_cast<int>(x0), static_cast<int>(y0),
                      AllPlanes) != 0;
    if (ok && cw < f.width) {
      const size_t packed = static_cast<size_t>(part.bytes_per_line);
      const size_t rowBytes = static_cast<size_t>(cw) * bytesPerPixel;
      for (int r = ch - 1; r >= 0; --r)
        std::memmove(
            top + static_cast<size_t>(r) * stride + static_cast<size_t>(dx) * bytesPerPixel,
            top + static_cast<size_t>(r) * packed, rowBytes);
    }
  } else {
    ok = ReadImageInto(display_, root_, static_cast<int>(x0), static_cast<int>(y0), cw, ch, layout_,
                       top + static_cast<size_t>(dx) * bytesPerPixel, f.stride);
  }
  if (!ok) return false;

  // Black where the rectangle leaves the screen (and in the row padding).
  std::memset(f.data, 0, static_cast<size_t>(dy) * stride);
  const size_t below = static_cast<size_t>(dy + ch);
  std::memset(f.data + below * stride, 0, (static_cast<size_t>(f.height) - below) * stride);
  const size_t left = static_cast<size_t>(dx) * bytesPerPixel;
  const size_t right = static_cast<size_t>(dx + cw) * bytesPerPixel;
  for (int r = 0; r < ch; ++r) {
    uint8_t* row = top + static_cast<size_t>(r) * stride;
    if (left) std::memset(row, 0, left);
    if (right < stride) std::memset(row + right, 0, stride - right);
  }
  return true;
}

bool X11FrameStore::GrabPart(int slot, int x, int y, const ChangedRegion& part) {
  if (part.all()) return Grab(slot, x, y);
  if (slot < 0 || slot >= static_cast<int>(frames_.size())) return false;
  Frame& f = frames_[static_cast<size_t>(slot)];
  if (!f.data) return false;
  for (const WinRect& r : part.rects()) {
    // The rectangle within the slot and on the screen, in long arithmetic as in Grab.
    const long left = std::max<long>({r.left, 0L, -static_cast<long>(x)});
    const long top = std::max<long>({r.top, 0L, -static_cast<long>(y)});
    const long right = std::min<long>({r.right, f.width, layout_.width - static_cast<long>(x)});
    const long bottom = std::min<long>({r.bottom, f.height, layout_.height - static_cast<long>(y)});
    if (left >= right || top >= bottom) continue;
    if (!ReadRect(f, static_cast<int>(x + left), static_cast<int>(y + top),
                  static_cast<int>(right - left), static_cast<int>(bottom - top),
                  static_cast<int>(left), static_cast<int>(top)))
      return false;
  }
  return true;
}

bool X11FrameStore::ReadRect(Frame& f, int sx, int sy, int w, int h, int fx, int fy) {
  const size_t bytesPerPixel = static_cast<size_t>(layout_.bitsPerPixel / 8);
  const size_t stride = static_cast<size_t>(f.stride);
  uint8_t* const dest =
      f.data + static_cast<size_t>(fy) * stride + static_cast<size_t>(fx) * bytesPerPixel;
  if (!f.shared) return ReadImageInto(display_, root_, sx, sy, w, h, layout_, dest, f.stride);

  XImage image = *f.image;
  image.width = w;
  image.height = h;
  image.bytes_per_line = ServerRowBytes(layout_, w);
  if (w == f.width) {
    // Whole rows: the server writes them straight into place.
    image.data = reinterpret_cast<char*>(dest);
    return XShmGetImage(display_, root_, &image, sx, sy, AllPlanes) != 0;
  }
  if (!scratch_.data) return ReadImageInto(display_, root_, sx, sy, w, h, layout_, dest, f.stride);
  XImage packed = *scratch_.image;
  packed.width = w;
  packed.height = h;
  packed.bytes_per_line = image.bytes_per_line;
  if (!XShmGetImage(display_, root_, &packed, sx, sy, AllPlanes)) return false;
  const size_t rowBytes = static_cast<size_t>(w) * bytesPerPixel;
  for (int row = 0; row < h; ++row)
    std::memcpy(
        dest + static_cast<size_t>(row) * stride,
        scratch_.data + static_cast<size_t>(row) * static_cast<size_t>(packed.bytes_per_line),
        rowBytes);
  return true;
}

}  // namespace mg
