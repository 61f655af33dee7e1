// The real platform of a recording on this desktop: the X11 screen, grabber, timer thread, beep,
// the AVI writer with its compressors, the global hot keys and the sound recorder.
#pragma once

#include <memory>

#include "app/recorder_services.h"

namespace mg {

class RealPlatform {
 public:
  RealPlatform();
  ~RealPlatform();
  RealPlatform(const RealPlatform&) = delete;
  RealPlatform& operator=(const RealPlatform&) = delete;

  // Parts that could not be made are null; the dialog refuses to record without them.
  RecorderServices Services();

 private:
  std::unique_ptr<IAviLibrary> avi_;
  std::unique_ptr<IScreen> screen_;
  std::unique_ptr<ICaptureDisplay> display_;
  std::unique_ptr<IPeriodicTimer> timer_;
  std::unique_ptr<IBeeper> beeper_;
  std::unique_ptr<IGlobalHotKeys> hotKeys_;
  std::unique_ptr<IRecorderAudio> audio_;
};

}  // namespace mg
