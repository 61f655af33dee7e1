// Panning: while the pan modifier keys are held (or the pan lock is on, and they are not held)
// the capture rectangle follows the pointer, clamped to the desktop.
#pragma once

#include "capture/panner.h"
#include "settings/app_settings.h"

namespace mg {

class CapturePanner final : public IPanner {
 public:
  explicit CapturePanner(AppSettings& settings) : settings_(settings) {}
  // Runs on the tick thread at the start of every tick, before the grab.
  void PanCaptureArea(CaptureContext& ctx, int pointerX, int pointerY, int modifiers) override;

 private:
  AppSettings& settings_;
};

}  // namespace mg
