// The sound side of a recording, as the recording engine drives it. A recording without a sound
// recorder uses NoRecordingAudio.
#pragma once

#include <cstdint>

#include "platform/windows_records.h"

namespace mg {

class ICaptureAudio {
 public:
  virtual ~ICaptureAudio() = default;
  // The recorder's format, copied into the audio stream's format.
  virtual WaveFormatEx Format() const = 0;
  // Makes the hidden receiver of filled buffers when there is none yet.
  virtual void EnsureReceiver() = 0;
  // Opens the input device before the movie gets an audio stream: a multimedia result code,
  // kMmSysErrNoDriver (6) when there is no sound server. Stop closes it again.
  virtual int32_t OpenInput() = 0;
  // Opens the input device; starts it unless the recording begins paused. Failure is ignored.
  virtual void Record(bool start) = 0;
  // Stops the device, hands every recorded sample to the sink and closes it.
  virtual void Stop() = 0;
};

// No recorder: an empty format, and nothing is ever recorded.
class NoRecordingAudio final : public ICaptureAudio {
 public:
  WaveFormatEx Format() const override { return {}; }
  void EnsureReceiver() override {}
  int32_t OpenInput() override { return 6; }  // no sound input at all
  void Record(bool) override {}
  void Stop() override {}
};

}  // namespace mg
