// The sound side of a recording as the recording engine drives it: the recorder, its receiver of
// filled buffers and the sink that writes blocks into the movie. Pause and resume act only on a
// device that the running recording started.
#pragma once

#include <memory>

#include "audio/avi_audio_sink.h"
#include "audio/wave.h"
#include "audio/wave_in_wnd.h"
#include "capture/recording_audio.h"

namespace mg {

class CaptureAudio : public ICaptureAudio {
 public:
  static constexpr int32_t kBufferLength = 2048;

  CaptureAudio(CWave& wave, CWaveSink& sink, WaveInFactory factory);
  ~CaptureAudio() override;  // the receiver goes, closing its device

  WaveFormatEx Format() const override { return wave_.Format(); }
  void EnsureReceiver() override;
  int32_t OpenInput() override;
  void Record(bool start) override;
  void Stop() override;

  // The main dialog's pause command.
  void Pause();
  void Resume();

  CWaveInWnd* Receiver() const { return receiver_.get(); }

 private:
  CWave& wave_;
  CWaveSink& sink_;
  WaveInFactory factory_;
  std::unique_ptr<CWaveInWnd> receiver_;
  bool recording_ = false;  // this recording started the device
};

}  // namespace mg
