// A recording with sound, driven headless: the real AVI writer (whose audio writes can be made to
// fail), the engine's doubles for screen, display, timer and window, and the sound side as the
// main dialog wires it, over a wave-input device chosen by the test.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "audio/avi_audio_sink.h"
#include "audio/capture_audio.h"
#include "audio/wave.h"
#include "tests/capture/capture_doubles.h"

namespace mgtest {

class AudioFaultLibrary : public mg::IAviLibrary {
 public:
  AudioFaultLibrary();
  int32_t OpenFile(const std::string& name, std::unique_ptr<mg::IAviFile>* out) override;
  int32_t MakeCompressedStream(mg::IAviStream* source, const mg::AviCompressOptions& options,
                               std::unique_ptr<mg::IAviStream>* out) override;

  int failAudioWriteAt = -1;  // the n-th audio write (0-based) fails with kAviErrFileWrite
  int audioWrites = 0;        // audio writes tried

 private:
  std::unique_ptr<mg::IAviLibrary> real_;
};

// The AVI library whose audio writes can fail, made before the engine that uses it.
struct AudioFaultHolder {
  AudioFaultLibrary faults;
};

struct AudioRig : AudioFaultHolder, EngineRig {
  AudioRig(const std::string& dir, mg::WaveInFactory factory);
  // The main dialog's start: blocks dropped, format set, then the engine rig's recording.
  int Record(mg::StartMode mode, const std::function<void()>& script);
  // The main dialog's pause command.
  void Pause();
  void Resume();
  // One frame grabbed and written.
  void Frame();
  // Runs the event loop for `ms` milliseconds, or until `done` holds (at most `ms`).
  static bool PumpUntil(const std::function<bool()>& done, int ms);
  static void PumpFor(int ms);

  mg::CWave wave;
  mg::CAviAudioSink sink{engine};
  mg::CaptureAudio audio;
};

}  // namespace mgtest
