// The PulseAudio backends as the platform loader makes them.
#pragma once

#include <functional>
#include <memory>

#include "platform/beep.h"
#include "platform/wave_in.h"

namespace mg {

// The sound server's default source (PulseAudio, also served by PipeWire). Open fails within
// about two seconds when there is no server or no source; it never spawns a server.
std::unique_ptr<IWaveInDevice> MakePulseWaveIn();
// The requested tone, played through the sound server on a worker thread; whenever there is no
// server, the beeper that `fallback` makes (once, on that thread) sounds instead.
std::unique_ptr<IBeeper> MakePulseBeeper(std::function<std::unique_ptr<IBeeper>()> fallback);

}  // namespace mg
