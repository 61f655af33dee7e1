// The sound recorder of the main dialog: the wave recorder, the sink that writes its blocks into
// the movie, and the wave input on the default PulseAudio source.
#pragma once

#include <memory>

#include "app/recorder_services.h"
#include "audio/avi_audio_sink.h"
#include "audio/capture_audio.h"
#include "audio/wave.h"

namespace mg {

class RecorderAudio final : public IRecorderAudio {
 public:
  RecorderAudio();
  ~RecorderAudio() override;

  ICaptureAudio* Capture(CaptureEngine& engine) override;
  void PrepareForStart() override;
  void PauseInput() override;
  void ResumeInput() override;

 private:
  CWave wave_;
  std::unique_ptr<CAviAudioSink> sink_;
  std::unique_ptr<CaptureAudio> capture_;
};

}  // namespace mg
