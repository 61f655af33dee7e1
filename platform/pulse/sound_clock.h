// Keeps recorded sound in step with the time the recording has run: counts the samples handed on
// since the start and the running time (paused time left out). It says how much silence has to
// go before newly arrived sound when the source delivered nothing for a while (a source that
// wakes late, a stall), and how much sound may be handed on by now when the source delivers ahead
// of time (a source that renders seconds in advance and hands them over at once), so that the
// sample position stays at the elapsed time and the sound is as long as the time recorded.
//
// Times are microseconds on a monotonic clock. Not thread-safe: the owner serialises calls.
#pragma once

#include <cstdint>

namespace mg {

class SoundClock {
 public:
  // Lag beyond the source's expected latency that is still left alone.
  static constexpr uint64_t kToleranceUs = 100000;

  // Nothing counted, not running, `samplesPerSec` samples a second.
  void Reset(uint32_t samplesPerSec);
  // The source was started (or resumed) at `nowUs`.
  void Start(uint64_t nowUs);
  // The source was stopped (after the lag at the stop was made up by the owner); a later Start
  // goes on from the samples counted, so a lag within the tolerance does not add up over pauses.
  void Stop();
  // Samples handed on (sound or silence).
  void Count(uint64_t samples) { counted_ += samples; }

  // Samples of silence that belong before `arriving` samples at `nowUs`, given that sound up to
  // `latencyUs` old is still on its way: none while the lag is within latency plus tolerance, else
  // the lag less the latency. Never more than the lag.
  uint64_t Behind(uint64_t nowUs, uint64_t arriving, uint64_t latencyUs) const;

  // Samples that may still be handed on at `nowUs`: the elapsed time plus `slackUs`, less what was
  // handed on.
  uint64_t Room(uint64_t nowUs, uint64_t slackUs) const;

  // Samples the elapsed running time is worth at `nowUs`.
  uint64_t Elapsed(uint64_t nowUs) const;
  uint64_t Counted() const { return counted_; }
  bool Running() const { return running_; }

 private:
  uint64_t ToSamples(uint64_t us) const;

  uint32_t rate_ = 11025;
  uint64_t base_ = 0;  // samples the runs before the current one are worth
  uint64_t startedUs_ = 0;
  uint64_t counted_ = 0;
  bool running_ = false;
};

}  // namespace mg
