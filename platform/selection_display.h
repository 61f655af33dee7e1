// What the area selection overlay needs of the display beyond an ordinary window: the size of
// the whole screen, a snapshot of it, whether a compositor runs, the input grabs with the
// overlay's cursors, the window's visible shape, the pointer, the focus-out watch and the
// lookup of the top-level window under a point. Every coordinate is in device pixels of the
// whole X screen (origin at its top-left), whatever scaling the toolkit applies.
//
// Threads: the user-interface thread only; windows are the toolkit's native window ids.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/screen.h"
#include "platform/windows_records.h"

namespace mg {

enum class OverlayCursor {
  CrossHair,  // the program's "CROSSCUR": a 17 x 17 cross with its hot spot at the crossing
  Arrow,      // the standard arrow
  Hidden,     // no pointer image at all
};

struct ScreenSnapshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height pixels 0x00RRGGBB, rows top-down
};

// A pointer event of the grab: where (screen pixels), which button, and the key-state flags of a
// mouse message (MK_LBUTTON 1, MK_RBUTTON 2, MK_SHIFT 4, MK_CONTROL 8, MK_MBUTTON 16), the
// pressed button included.
struct GrabbedPointerEvent {
  enum Kind { Move, Press, Release } kind = Move;
  int x = 0;
  int y = 0;
  int button = 0;  // 1 left, 2 middle, 3 right
  int flags = 0;
};

struct PickedWindow {
  bool onWindow = false;  // false: the point is over the desktop
  WinRect client{};       // the client window's rectangle (right and bottom exclusive)
  WinRect whole{};        // the same window with the window manager's frame
};

class ISelectionDisplay {
 public:
  virtual ~ISelectionDisplay() = default;

  // The whole X screen (all monitors).
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // True when a compositing manager owns the screen's _NET_WM_CM selection.
  virtual bool CompositorRunning() = 0;
  // The screen's pixels as they are now; false on displays whose pixels it cannot read.
  virtual bool Snapshot(ScreenSnapshot* shot) = 0;

  // Gives `window` the input focus and grabs the pointer and the keyboard for it, the pointer
  // showing `cursor` wherever it is. False when another client holds a grab.
  virtual bool GrabInput(uintptr_t window, OverlayCursor cursor) = 0;
  virtual void SetGrabCursor(OverlayCursor cursor) = 0;
  virtual void UngrabInput() = 0;
  // Calls `lost` when `window` loses the input focus to another window (not when a grab of ours
  // starts or ends); an empty function stops watching.
  virtual void WatchFocusOut(uintptr_t window, std::function<void()> lost) = 0;
  // Hands every pointer event of the grab on `window` to `pointer` instead of the toolkit, in
  // screen pixels; an empty function stops it.
  virtual void WatchPointer(uintptr_t window,
                            std::function<void(const GrabbedPointerEvent&)> pointer) = 0;

  // Limits what is seen of `window` to `rects`, which may be empty (nothing is seen); input
  // still reaches the whole window. ClearShape makes all of it visible again.
  virtual void SetShape(uintptr_t window, const std::vector<WinRect>& rects) = 0;
  virtual void ClearShape(uintptr_t window) = 0;

  virtual ScreenPoint PointerPos() = 0;
  virtual void WarpPointer(int x, int y) = 0;

  // Whether `window`, or the frame the window manager put around it, can still be seen: false
  // once it is unmapped (iconic or hidden). Without a window manager nothing iconizes a window,
  // so WindowManagerRunning tells whether waiting for that makes sense.
  virtual bool OnScreen(uintptr_t window) = 0;
  virtual bool WindowManagerRunning() = 0;

  // The top-level window under (x, y), passing over the windows in `ignore` (the overlay).
  virtual PickedWindow PickWindowAt(int x, int y, const std::vector<uintptr_t>& ignore) = 0;
};

}  // namespace mg
