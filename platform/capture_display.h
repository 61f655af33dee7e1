// What the capture tick needs of the display, all on the tick's own X connection: grab a
// rectangle into a frame buffer, read the pointer and the modifier keys, fetch the cursor image,
// and draw the marker around the capture rectangle.
//
// Threads: frame buffers are made and freed on the user-interface thread while no tick runs;
// everything else is called only from the tick thread.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/changed_region.h"
#include "platform/windows_records.h"

namespace mg {

struct PointerState {
  int x = 0;
  int y = 0;
  int modifiers = 0;  // kModShift | kModControl | kModAlt currently held
  bool valid = false;
};

struct CursorImage {
  int width = 0;
  int height = 0;
  int xhot = 0;
  int yhot = 0;
  const uint32_t* argb = nullptr;  // width * height premultiplied ARGB pixels, rows top-down
  uint64_t serial = 0;             // changes whenever the image does
};

class ICaptureDisplay {
 public:
  virtual ~ICaptureDisplay() = default;

  // Makes the buffer of frame slot `slot` for `width` x `height` pixels at the display's bits
  // per pixel; rows top-down, each DibStride() bytes. The grab lands straight in it.
  virtual uint8_t* AllocateFrame(int slot, int width, int height) = 0;
  virtual void FreeFrames() = 0;

  // Copies the screen rectangle at (x, y) of the slot's size into the slot's buffer. Parts of
  // the rectangle off the screen come out black. Returns false when nothing could be grabbed.
  virtual bool Grab(int slot, int x, int y) = 0;
  // Copies only `part` (picture coordinates within the slot) of the screen rectangle at (x, y)
  // into the slot; the slot's other pixels stay as they are. Everything is a whole Grab.
  virtual bool GrabPart(int slot, int x, int y, const ChangedRegion& part) {
    return part.empty() || Grab(slot, x, y);
  }
  // Adds to `out` the screen rectangles (screen coordinates) drawn on since the previous call.
  // The first call after the frames were made, and every call when the display cannot tell
  // (no damage reports, or their tracking was lost), adds everything. FreeFrames stops the
  // tracking.
  virtual void TakeChanges(ChangedRegion* out) { out->AddAll(); }

  virtual PointerState QueryPointer() = 0;
  // The cursor currently shown, or nullptr; the returned image stays valid until the next call.
  virtual const CursorImage* Cursor() = 0;

  // The 3-pixel frame drawn with a 3-pixel pen centred on the outline of `outer` (exclusive
  // right/bottom as a RECT), with the two diagonals when `paused`. With `outer` = the capture
  // rectangle grown by 2 on every side, the frame is the 3 pixels just outside the capture
  // rectangle. Show puts it on the screen in the colours of the current blink phase (a person
  // sees it blink a few times a second, on any background); Hide ends the tick's drawing and
  // leaves the frame on the screen; it is re-shaped only when `outer` or `paused` changes.
  virtual void ShowMarker(const WinRect& outer, bool paused) = 0;
  virtual void HideMarker() = 0;
  // Takes the marker off the screen; the next ShowMarker brings it back.
  // Call it when the recording stops.
  virtual void RemoveMarker() {}
};

}  // namespace mg
