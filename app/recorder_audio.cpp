#include "app/recorder_audio.h"

namespace mg {

RecorderAudio::RecorderAudio(WaveInFactory waveIn) : waveIn_(std::move(waveIn)) {}

RecorderAudio::~RecorderAudio() {
  capture_.reset();  // the receiver closes its device before the sink goes
  sink_.reset();
}

ICaptureAudio* RecorderAudio::Capture(CaptureEngine& engine) {
  capture_.reset();
  sink_ = std::make_unique<CAviAudioSink>(engine);
  capture_ = std::make_unique<CaptureAudio>(wave_, *sink_, waveIn_);
  return capture_.get();
}

void RecorderAudio::PrepareForStart() {
  wave_.RemoveAllBlocks();
  wave_.SetFormat(11025, 8);
}

void RecorderAudio::PauseInput() {
  if (capture_) capture_->Pause();
}

void RecorderAudio::ResumeInput() {
  if (capture_) capture_->Resume();
}

}  // namespace mg
