// A periodic tick on a thread of its own, on absolute deadlines.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace mg {

// A tick period as an exact fraction of nanoseconds, so that a rate such as 30 or 29.97 frames a
// second is kept over hours: the k-th deadline is start + k * nanoseconds / parts.
struct TickPeriod {
  int64_t nanoseconds = 0;
  int64_t parts = 1;

  static TickPeriod Milliseconds(int ms) { return {int64_t{ms} * 1000000, 1}; }
  // `rate` ticks every `scale` seconds, as an AVI stream header counts its frames.
  static TickPeriod PerSecond(uint32_t rate, uint32_t scale) {
    return {int64_t{scale} * 1000000000, int64_t{rate}};
  }
  bool Valid() const { return nanoseconds > 0 && parts > 0; }
};

class IPeriodicTimer {
 public:
  virtual ~IPeriodicTimer() = default;
  // Calls `tick` at once and then once every period on the timer's thread until Kill.
  virtual bool Start(TickPeriod period, std::function<void()> tick) = 0;
  // No tick starts after this returns. From another thread it also waits for a running tick to
  // finish; from inside the tick it only prevents the next ones. Safe to call more than once.
  virtual void Kill() = 0;
  // From inside a tick: how many deadlines passed without a tick right before this one (the
  // process or the machine was held up), so the caller can account for the time they stood for.
  virtual int MissedTicks() const { return 0; }
};

}  // namespace mg
