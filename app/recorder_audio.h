// The sound recorder of the main dialog: the wave recorder, the sink that writes its blocks into
// the movie, and the default sound input's device.
#pragma once

#include <memory>

#include "audio/avi_audio_sink.h"
#include "audio/capture_audio.h"
#include "audio/wave.h"
#include "capture/capture_engine.h"
#include "platform/wave_in.h"

namespace mg {

class RecorderAudio {
 public:
  explicit RecorderAudio(WaveInFactory waveIn);
  ~RecorderAudio();
  RecorderAudio(const RecorderAudio&) = delete;
  RecorderAudio& operator=(const RecorderAudio&) = delete;

  // The part the recording engine uses (stream format, device start and stop); the blocks it
  // records go into `engine`'s audio stream.
  ICaptureAudio* Capture(CaptureEngine& engine);
  // Before every start: empty the block list and set the format (11025 samples/s, 8 bits).
  void PrepareForStart();
  // Pause and resume of the wave input while a recording runs.
  void PauseInput();
  void ResumeInput();

 private:
  WaveInFactory waveIn_;
  CWave wave_;
  std::unique_ptr<CAviAudioSink> sink_;
  std::unique_ptr<CaptureAudio> capture_;
};

}  // namespace mg
