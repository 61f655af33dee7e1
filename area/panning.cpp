#include "area/panning.h"

#include <atomic>

#include "platform/windows_records.h"

namespace mg {
namespace {

// Moves one edge by the pointer's movement and keeps the area on the desktop, with the desktop's
// last column (row) outside it. An area as wide as the desktop (or wider) stays at 0 instead of
// shaking between 0 and -1 from tick to tick.
void Follow(std::atomic<int32_t>& start, int size, int desktop, int delta) {
  int value = start.load(std::memory_order_relaxed);
  if (delta != 0) value += delta;
  if (value < 0) {
    value = 0;
  } else if (value + size >= desktop) {
    value = desktop - size - 1;
    if (value < 0) value = 0;
  }
  start.store(value, std::memory_order_relaxed);
}

}  // namespace

void CapturePanner::PanCaptureArea(CaptureContext& ctx, int pointerX, int pointerY, int modifiers) {
  bool active = settings_.PanLocked != 0;
  const int wanted = settings_.PanModifiers;
  if (wanted != 0) {
    const int held = modifiers & (kModShift | kModControl | kModAlt);
    if (held == wanted) active = !active;
  }
  if (active) {
    Follow(settings_.StartX, settings_.Width, ctx.desktopWidth, pointerX - ctx.lastCursorPos.x);
    Follow(settings_.StartY, settings_.Height, ctx.desktopHeight, pointerY - ctx.lastCursorPos.y);
  }
  ctx.lastCursorPos = {pointerX, pointerY};
}

}  // namespace mg
