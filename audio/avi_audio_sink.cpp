#include "audio/avi_audio_sink.h"

#include "capture/capture_engine.h"

namespace mg {

void CAviAudioSink::BlockRecorded(CWave& wave, CWaveBlock*) {
  // The block just recorded is the list's tail; it is deleted once written.
  std::unique_ptr<CWaveBlock> taken = wave.Blocks().RemoveTail();
  if (!taken) return;
  const int32_t samples = taken->Samples();
  if (samples <= 0) return;
  // Only the recorded bytes go out: the rest of the buffer holds no sound of this recording.
  const int64_t bytes =
      static_cast<int64_t>(samples) * (wave.Format().nBlockAlign ? wave.Format().nBlockAlign : 1);
  engine_.AppendAudio(taken->Data(), samples, static_cast<int32_t>(bytes));
}

void CAviAudioSink::SoundLost(CWave&, WaveInLoss why) {
  engine_.SoundLost(why);
}

}  // namespace mg
