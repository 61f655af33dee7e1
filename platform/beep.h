// The audible start/stop signal. Never blocks the caller.
#pragma once

#include <memory>

namespace mg {

class IBeeper {
 public:
  virtual ~IBeeper() = default;
  virtual void Beep(int frequencyHz, int durationMs) = 0;
};

// The requested tone, played through the sound server on a worker thread; the X bell where
// there is no server.
std::unique_ptr<IBeeper> MakeBeeper();
// The X bell alone.
std::unique_ptr<IBeeper> MakeX11Beeper();

}  // namespace mg
