// Writes every recorded block into the recording's audio stream at the running sample position.
// A failed write stops the recording with the audio error (the recording shows the message).
#pragma once

#include "audio/wave.h"

namespace mg {

class CaptureEngine;

class CAviAudioSink : public CWaveSink {
 public:
  explicit CAviAudioSink(CaptureEngine& engine) : engine_(engine) {}
  void BlockRecorded(CWave& wave, CWaveBlock* block) override;

 private:
  CaptureEngine& engine_;
};

}  // namespace mg
