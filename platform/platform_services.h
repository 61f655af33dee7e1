// The services that a recording and the main dialog work with, as one record of borrowed
// pointers. The platform loader makes the real ones; tests may put in their own. Services that
// can be missing without making recording impossible (hot keys, sound input, the beep) are
// never null once WithNullBackends has filled the gaps.
#pragma once

#include "platform/avi_file.h"
#include "platform/beep.h"
#include "platform/capture_display.h"
#include "platform/hotkeys.h"
#include "platform/periodic_timer.h"
#include "platform/screen.h"
#include "platform/selection_display.h"
#include "platform/wave_in.h"

namespace mg {

struct PlatformServices {
  IAviLibrary* avi = nullptr;
  IScreen* screen = nullptr;
  ICaptureDisplay* display = nullptr;
  IPeriodicTimer* timer = nullptr;
  IBeeper* beeper = nullptr;
  IGlobalHotKeys* hotKeys = nullptr;
  ISelectionDisplay* selection = nullptr;  // none: the area cannot be chosen on the screen
  WaveInFactory waveIn;  // makes the default sound input's device for each recording

  // The parts without which no movie can be made.
  bool CanRecord() const { return avi && screen && display && timer; }
};

}  // namespace mg
