// The audible start/stop signal. Never blocks the caller.
#pragma once

#include <memory>

namespace mg {

class IBeeper {
 public:
  virtual ~IBeeper() = default;
  virtual void Beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace mg
