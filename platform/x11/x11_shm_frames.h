// The frame buffers of the capture ring and the grab into them. With MIT-SHM each slot is one
// shared segment in which the server writes the image itself; without it (extension missing, or
// the server cannot attach our segments, as over a network) the rows of a plain GetImage are read
// straight into an ordinary buffer. Either way a grab allocates nothing.
//
// Threads: Allocate and FreeAll run while no grab runs; all use the one connection given.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/changed_region.h"
#include "platform/x11/x11_pixel_layout.h"

namespace mg {

class X11FrameStore {
 public:
  // `useSharedMemory`: the server has MIT-SHM and may be tried.
  X11FrameStore(Display* display, const X11PixelLayout& layout, bool useSharedMemory);
  ~X11FrameStore();
  X11FrameStore(const X11FrameStore&) = delete;
  X11FrameStore& operator=(const X11FrameStore&) = delete;

  // (Re)makes slot `slot` for width x height pixels: rows top-down, DibStride bytes each.
  // nullptr for a size or slot out of range, a depth below 8 bits per pixel, or no memory.
  uint8_t* Allocate(int slot, int width, int height);
  void FreeAll();

  // Copies the root window's rectangle at (x, y) of the slot's size into the slot. The parts
  // off the screen come out black; only the part on the screen is requested from the server.
  bool Grab(int slot, int x, int y);
  // Copies only `part` (slot coordinates) of that rectangle; the slot's other pixels stay.
  // Parts off the screen are left alone: a whole Grab made them black and nothing draws there.
  bool GrabPart(int slot, int x, int y, const ChangedRegion& part);

  // Whether slot `slot` is a shared segment (false for a plain buffer or no such slot).
  bool IsShared(int slot) const;

  static constexpr int kMaxSlots = 64;

 private:
  struct Frame {
    int width = 0;
    int height = 0;
    int stride = 0;
    uint8_t* data = nullptr;
    bool shared = false;
    XShmSegmentInfo shm{};
    XImage* image = nullptr;
    std::unique_ptr<uint8_t[]> heap;
  };

  bool AttachShared(Frame* frame);
  // Reads the screen rectangle (sx, sy, w, h) into frame `f` at (fx, fy).
  bool ReadRect(Frame& f, int sx, int sy, int w, int h, int fx, int fy);
  void Release(Frame* frame);

  Display* display_;
  Window root_;
  X11PixelLayout layout_;
  bool sharedAllowed_;
  std::vector<Frame> frames_;
  // A shared segment of a slot's size: a part narrower than the slot lands here packed, as the
  // server writes it, and its rows are then copied into place. Pages the server never writes to
  // cost no memory.
  Frame scratch_;
};

}  // namespace mg
