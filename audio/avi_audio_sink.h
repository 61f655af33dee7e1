// Writes every recorded block into the recording's audio stream at the running sample position.
// A failed write stops the recording with the audio error (the recording shows the message). A
// loss of the input goes to the recording, which tells it in its report.
#pragma once

#include "audio/wave.h"

namespace mg {

class CaptureEngine;

class CAviAudioSink : public CWaveSink {
 public:
  explicit CAviAudioSink(CaptureEngine& engine) : engine_(engine) {}
  void BlockRecorded(CWave& wave, CWaveBlock* block) override;
  void SoundLost(CWave& wave, WaveInLoss why) override;

 private:
  CaptureEngine& engine_;
};

}  // namespace mg
