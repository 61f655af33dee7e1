#include "platform/null/null_backends.h"

namespace mg {
namespace {

// Registration succeeds and no key ever arrives: without a hot-key service there is nothing
// another application could hold, so nothing is refused.
class NullHotKeysImpl final : public IGlobalHotKeys {
 public:
  bool Register(int, int, int) override { return true; }
  void Unregister(int) override {}
  void SetHandler(std::function<void(int)>) override {}
};

class NullBeeperImpl final : public IBeeper {
 public:
  void Beep(int, int) override {}
};

class NullWaveIn final : public IWaveInDevice {
 public:
  int32_t Open(const WaveFormatEx&, BufferDone, Lost) override { return kMmSysErrNoDriver; }
  bool Supports(const WaveFormatEx&) const override { return false; }
  int32_t AddBuffer(WaveHeader*) override { return kMmSysErrInvalHandle; }
  int32_t Start() override { return kMmSysErrInvalHandle; }
  int32_t Stop() override { return kMmSysErrInvalHandle; }
  int32_t Reset() override { return kMmSysErrInvalHandle; }
  int32_t Close() override { return kMmSysErrInvalHandle; }
};

}  // namespace

IGlobalHotKeys& NullHotKeys() {
  static NullHotKeysImpl keys;
  return keys;
}

IBeeper& NullBeeper() {
  static NullBeeperImpl beeper;
  return beeper;
}

std::unique_ptr<IWaveInDevice> MakeNullWaveIn() {
  return std::make_unique<NullWaveIn>();
}

PlatformServices WithNullBackends(PlatformServices services) {
  if (!services.hotKeys) services.hotKeys = &NullHotKeys();
  if (!services.beeper) services.beeper = &NullBeeper();
  if (!services.waveIn) services.waveIn = [] { return MakeNullWaveIn(); };
  return services;
}

}  // namespace mg
