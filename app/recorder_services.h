// What the main dialog is given to work with: the recording platform, the global hot keys and
// the sound recorder. The application builds the real ones; tests may give their own.
#pragma once

#include "capture/capture_engine.h"
#include "capture/capture_owner.h"
#include "platform/hotkeys.h"

namespace mg {

// The sound recorder as the main dialog drives it (besides what the recording needs of it).
class IRecorderAudio {
 public:
  virtual ~IRecorderAudio() = default;
  // The part the recording engine uses (stream format, device start and stop); the blocks it
  // records go into `engine`'s audio stream.
  virtual ICaptureAudio* Capture(CaptureEngine& engine) = 0;
  // Before every start: empty the block list and set the format (11025 samples/s, 8 bits).
  virtual void PrepareForStart() = 0;
  // Pause and resume of the wave input while a recording runs.
  virtual void PauseInput() = 0;
  virtual void ResumeInput() = 0;
};

struct RecorderServices {
  CapturePlatform capture;
  IGlobalHotKeys* hotKeys = nullptr;  // none: no hot keys at all
  IRecorderAudio* audio = nullptr;    // none: movies are made without sound
};

}  // namespace mg
