#include "platform/loader/platform_loader.h"

#include <cstdlib>
#include <cstring>

#include "avi/avi_library.h"
#include "platform/null/null_backends.h"
#include "platform/posix/posix_backends.h"
#include "platform/pulse/pulse_backends.h"
#include "platform/x11/x11_backends.h"

namespace mg {
namespace {

bool DamageWanted(bool asked) {
  const char* env = std::getenv("MOVIGRAM_DAMAGE");
  return asked && !(env && std::strcmp(env, "off") == 0);
}

}  // namespace

PlatformLoader::PlatformLoader(const Options& options)
    : avi_(MakeAviLibrary()),
      screen_(MakeX11Screen()),
      display_(MakeX11CaptureDisplay(DamageWanted(options.damage))),
      timer_(MakePeriodicTimer()),
      beeper_(MakePulseBeeper([] { return MakeX11Beeper(); })),
      hotKeys_(options.hotKeys ? MakeX11HotKeys() : nullptr),
      selection_(options.hotKeys ? MakeX11SelectionDisplay() : nullptr),
      sound_(options.sound) {}

PlatformLoader::~PlatformLoader() = default;

PlatformServices PlatformLoader::Services() const {
  PlatformServices services;
  services.avi = avi_.get();
  services.screen = screen_.get();
  services.display = display_.get();
  services.timer = timer_.get();
  services.beeper = beeper_.get();
  services.hotKeys = hotKeys_.get();
  services.selection = selection_.get();
  if (sound_) services.waveIn = [] { return MakePulseWaveIn(); };
  return WithNullBackends(services);
}

}  // namespace mg
