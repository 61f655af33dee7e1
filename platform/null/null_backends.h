// What a missing service becomes: hot keys that register nothing, a beep that is silent, a sound
// input that cannot be opened. WithNullBackends is the one place that makes this choice.
#pragma once

#include "platform/platform_services.h"

namespace mg {

// `services` with every missing optional service (hot keys, beep, sound input) replaced by its
// null backend. The null backends live for the whole process.
PlatformServices WithNullBackends(PlatformServices services);

// The null backends themselves, for callers that want one on purpose.
IGlobalHotKeys& NullHotKeys();
IBeeper& NullBeeper();
// A sound input whose Open fails with "no driver", as on a machine without a sound server.
std::unique_ptr<IWaveInDevice> MakeNullWaveIn();

}  // namespace mg
