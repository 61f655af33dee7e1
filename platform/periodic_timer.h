// A periodic tick on a thread of its own, on absolute deadlines.
#pragma once

#include <functional>
#include <memory>

namespace mg {

class IPeriodicTimer {
 public:
  virtual ~IPeriodicTimer() = default;
  // Calls `tick` at once and then every `periodMs` milliseconds on the timer's thread until Kill.
  virtual bool Start(int periodMs, std::function<void()> tick) = 0;
  // No tick starts after this returns. From another thread it also waits for a running tick to
  // finish; from inside the tick it only prevents the next ones. Safe to call more than once.
  virtual void Kill() = 0;
  // From inside a tick: how many deadlines passed without a tick right before this one (the
  // process or the machine was held up), so the caller can account for the time they stood for.
  virtual int MissedTicks() const { return 0; }
};

}  // namespace mg
