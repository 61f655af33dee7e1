#include "platform/pulse/sound_clock.h"

namespace mg {

void SoundClock::Reset(uint32_t samplesPerSec) {
  rate_ = samplesPerSec;
  base_ = 0;
  startedUs_ = 0;
  counted_ = 0;
  running_ = false;
}

void SoundClock::Start(uint64_t nowUs) {
  if (running_) return;
  startedUs_ = nowUs;
  running_ = true;
}

void SoundClock::Stop() {
  if (!running_) return;
  running_ = false;
  base_ = counted_;
}

uint64_t SoundClock::ToSamples(uint64_t us) const {
  return us / 1000000 * rate_ + us % 1000000 * rate_ / 1000000;
}

uint64_t SoundClock::Elapsed(uint64_t nowUs) const {
  if (!running_) return base_;
  return base_ + (nowUs > startedUs_ ? ToSamples(nowUs - startedUs_) : 0);
}

uint64_t SoundClock::Room(uint64_t nowUs, uint64_t slackUs) const {
  const uint64_t allowed = Elapsed(nowUs) + (running_ ? ToSamples(slackUs) : 0);
  return allowed > counted_ ? allowed - counted_ : 0;
}

uint64_t SoundClock::Behind(uint64_t nowUs, uint64_t arriving, uint64_t latencyUs) const {
  const uint64_t elapsed = Elapsed(nowUs);
  const uint64_t have = counted_ + arriving;
  if (elapsed <= have) return 0;
  const uint64_t lag = elapsed - have;
  const uint64_t latency = ToSamples(latencyUs);
  if (lag <= latency + ToSamples(kToleranceUs)) return 0;
  return lag - latency;
}

}  // namespace mg
