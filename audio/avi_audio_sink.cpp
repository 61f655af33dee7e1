#include "audio/avi_audio_sink.h"

#include "capture/capture_engine.h"

namespace mg {

void CAviAudioSink::BlockRecorded(CWave& wave, CWaveBlock*) {
  // The block just recorded is the list's tail; it is deleted once written.
  std::unique_ptr<CWaveBlock> taken = wave.Blocks().RemoveTail();
  if (!taken) return;
  CaptureContext& ctx = engine_.Context();
  const int32_t samples = taken->Samples();
  if (samples <= 0) return;
  // Only the recorded bytes go out: the rest of the buffer holds no sound of this recording.
  const int64_t bytes =
      static_cast<int64_t>(samples) * (wave.Format().nBlockAlign ? wave.Format().nBlockAlign : 1);
  const int32_t rc = ctx.audioStream
                         ? ctx.audioStream->Write(ctx.audioSamplePosition, samples, taken->Data(),
                                                  static_cast<int32_t>(bytes), kAviIfKeyFrame)
                         : kAviErrBadHandle;
  ctx.audioSamplePosition += samples;
  // The first failure names the cause; once the recording is being stopped, later failures
  // (blocks still coming back, the drain) are consequences and keep that cause.
  if (rc != kAviErrOk && ctx.frameCounter >= 0) {
    ctx.lastAviError = rc;
    engine_.RequestAbort(kAudioErrorMarker);
  }
}

}  // namespace mg
