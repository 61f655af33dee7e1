#include "platform/x11/x11_capture_display.h"

#include <X11/extensions/XShm.h>

#include "platform/x11/x11_backends.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_pointer.h"

namespace mg {

std::unique_ptr<X11CaptureDisplay> X11CaptureDisplay::Open(const char* displayName,
                                                           const X11CaptureOptions& options) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  X11PixelLayout layout;
  if (!QueryPixelLayout(display, &layout)) {
    XCloseDisplay(display);
    return nullptr;
  }
  X11AdoptConnection(display);
  const bool shm = options.allowSharedMemory && XShmQueryExtension(display);
  return std::unique_ptr<X11CaptureDisplay>(
      new X11CaptureDisplay(display, layout, shm, options.allowDamage));
}

X11CaptureDisplay::X11CaptureDisplay(Display* display, const X11PixelLayout& layout,
                                     bool sharedMemory, bool damage)
    : display_(display),
      root_(DefaultRootWindow(display)),
      layout_(layout),
      sharedMemory_(sharedMemory),
      frames_(std::make_unique<X11FrameStore>(display, layout, sharedMemory)),
      cursor_(std::make_unique<X11CursorCache>(display)),
      marker_(std::make_unique<X11Marker>(display)),
      damage_(std::make_unique<X11DamageTracker>(display, damage)) {}

X11CaptureDisplay::~X11CaptureDisplay() {
  damage_.reset();
  marker_.reset();
  cursor_.reset();
  frames_.reset();
  X11ReleaseConnection(display_);
  XCloseDisplay(display_);
}

uint8_t* X11CaptureDisplay::AllocateFrame(int slot, int width, int height) {
  return frames_->Allocate(slot, width, height);
}

void X11CaptureDisplay::FreeFrames() {
  damage_->Stop();
  frames_->FreeAll();
}

bool X11CaptureDisplay::Grab(int slot, int x, int y) {
  return frames_->Grab(slot, x, y);
}

bool X11CaptureDisplay::GrabPart(int slot, int x, int y, const ChangedRegion& part) {
  return frames_->GrabPart(slot, x, y, part);
}

void X11CaptureDisplay::TakeChanges(ChangedRegion* out) {
  ReadEvents();
  damage_->Take(out);
}

void X11CaptureDisplay::ReadEvents() {
  // What has arrived, without flushing: the tick's requests go out together with its grab.
  while (XEventsQueued(display_, QueuedAfterReading) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    cursor_->Notice(event);
    damage_->Notice(event);
  }
}

PointerState X11CaptureDisplay::QueryPointer() {
  const PointerState state = X11QueryPointer(display_, root_);
  return state.valid ? state : PointerState{};  // the pointer is on another screen
}

const CursorImage* X11CaptureDisplay::Cursor() {
  ReadEvents();
  return cursor_->Current();
}

void X11CaptureDisplay::ShowMarker(const WinRect& outer, bool paused) {
  marker_->Show(outer, paused);
}

void X11CaptureDisplay::HideMarker() {
  marker_->Hide();
}

void X11CaptureDisplay::RemoveMarker() {
  marker_->Remove();
}

std::unique_ptr<ICaptureDisplay> MakeX11CaptureDisplay(bool trackChanges) {
  X11CaptureOptions options;
  options.allowDamage = trackChanges;
  return X11CaptureDisplay::Open(nullptr, options);
}

}  // namespace mg
