#include "app/real_platform.h"

#include "app/recorder_audio.h"

namespace mg {

RealPlatform::RealPlatform()
    : avi_(MakeAviLibrary()),
      screen_(MakeX11Screen()),
      display_(MakeX11CaptureDisplay()),
      timer_(MakePeriodicTimer()),
      beeper_(MakeBeeper()),
      hotKeys_(MakeX11HotKeys()),
      audio_(std::make_unique<RecorderAudio>()) {}

RealPlatform::~RealPlatform() = default;

RecorderServices RealPlatform::Services() {
  RecorderServices services;
  services.capture =
      CapturePlatform{avi_.get(), screen_.get(), display_.get(), timer_.get(), beeper_.get()};
  services.hotKeys = hotKeys_.get();
  services.audio = audio_.get();
  return services;
}

}  // namespace mg
