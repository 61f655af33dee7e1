#include "app/real_platform.h"

namespace mg {

RealPlatform::RealPlatform()
    : avi_(MakeAviLibrary()),
      screen_(MakeX11Screen()),
      display_(MakeX11CaptureDisplay()),
      timer_(MakePeriodicTimer()),
      beeper_(MakeBeeper()),
      hotKeys_(MakeX11HotKeys()) {}

RealPlatform::~RealPlatform() = default;

RecorderServices RealPlatform::Services() {
  RecorderServices services;
  services.capture =
      CapturePlatform{avi_.get(), screen_.get(), display_.get(), timer_.get(), beeper_.get()};
  services.hotKeys = hotKeys_.get();
  // The sound recorder joins here once it exists; until then movies have no sound.
  services.audio = nullptr;
  return services;
}

}  // namespace mg
