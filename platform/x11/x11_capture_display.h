// The X11 capture display: a connection of its own for the tick thread, with the frame store,
// the cursor cache and the marker on it.
#pragma once

#include <X11/Xlib.h>

#include <memory>

#include "platform/capture_display.h"
#include "platform/x11/x11_cursor.h"
#include "platform/x11/x11_damage.h"
#include "platform/x11/x11_marker.h"
#include "platform/x11/x11_pixel_layout.h"
#include "platform/x11/x11_shm_frames.h"

namespace mg {

struct X11CaptureOptions {
  bool allowSharedMemory = true;  // false: always the plain GetImage path
  bool allowDamage = true;        // false: every tick grabs the whole rectangle
};

class X11CaptureDisplay : public ICaptureDisplay {
 public:
  // nullptr when the display cannot be opened or has no usable pixel format.
  static std::unique_ptr<X11CaptureDisplay> Open(const char* displayName,
                                                 const X11CaptureOptions& options = {});
  ~X11CaptureDisplay() override;

  uint8_t* AllocateFrame(int slot, int width, int height) override;
  void FreeFrames() override;
  bool Grab(int slot, int x, int y) override;
  bool GrabPart(int slot, int x, int y, const ChangedRegion& part) override;
  void TakeChanges(ChangedRegion* out) override;
  PointerState QueryPointer() override;
  const CursorImage* Cursor() override;
  void ShowMarker(const WinRect& outer, bool paused) override;
  void HideMarker() override;
  void RemoveMarker() override;

  bool HasSharedMemory() const { return sharedMemory_; }
  bool TracksChanges() const { return damage_->available(); }
  bool IsSharedFrame(int slot) const { return frames_->IsShared(slot); }
  const X11PixelLayout& layout() const { return layout_; }
  Window MarkerWindow() const { return marker_->window(); }
  int MarkerPhase() const { return marker_->phase(); }
  Display* display() const { return display_; }

 private:
  X11CaptureDisplay(Display* display, const X11PixelLayout& layout, bool sharedMemory, bool damage);
  // Hands every event queued on the connection to the cursor cache and the damage tracker.
  void ReadEvents();

  Display* display_;
  Window root_;
  X11PixelLayout layout_;
  bool sharedMemory_;
  std::unique_ptr<X11FrameStore> frames_;
  std::unique_ptr<X11CursorCache> cursor_;
  std::unique_ptr<X11Marker> marker_;
  std::unique_ptr<X11DamageTracker> damage_;
};

}  // namespace mg
