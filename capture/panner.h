// Moves the capture rectangle with the pointer; runs on the tick thread before each grab and
// keeps the context's last pointer position.
#pragma once

#include "capture/capture_context.h"

namespace mg {

class IPanner {
 public:
  virtual ~IPanner() = default;
  virtual void PanCaptureArea(CaptureContext& ctx, int pointerX, int pointerY, int modifiers) = 0;
};

// A recording whose area never moves: only the pointer position is kept.
class FixedArea final : public IPanner {
 public:
  void PanCaptureArea(CaptureContext& ctx, int pointerX, int pointerY, int) override {
    ctx.lastCursorPos = {pointerX, pointerY};
  }
};

}  // namespace mg
