#include "audio/capture_audio.h"

namespace mg {

CaptureAudio::CaptureAudio(CWave& wave, CWaveSink& sink, WaveInFactory factory)
    : wave_(wave), sink_(sink), factory_(std::move(factory)) {}

CaptureAudio::~CaptureAudio() {
  if (wave_.WaveIn() == receiver_.get()) wave_.SetWaveIn(nullptr);
  receiver_.reset();
}

void CaptureAudio::EnsureReceiver() {
  if (!receiver_) receiver_ = std::make_unique<CWaveInWnd>(factory_);
  if (!wave_.WaveIn()) wave_.SetWaveIn(receiver_.get());
}

int32_t CaptureAudio::OpenInput() {
  EnsureReceiver();
  CWaveInWnd* receiver = wave_.WaveIn();
  if (receiver->Open(wave_.Format())) return kMmSysErrNoError;
  return receiver->IsOpen() ? kWaveErrBadFormat : receiver->LastOpenError();
}

void CaptureAudio::Record(bool start) {
  EnsureReceiver();
  recording_ = true;
  // The device was opened at the start (OpenInput); when buffers cannot be queued the video
  // goes on alone.
  wave_.Record(wave_.WaveIn(), kBufferLength, &sink_, start);
}

void CaptureAudio::Stop() {
  recording_ = false;
  wave_.Stop();  // every recorded sample reaches the sink here
  if (CWaveInWnd* receiver = wave_.WaveIn()) receiver->Close();
}

void CaptureAudio::Pause() {
  if (recording_ && wave_.WaveIn()) wave_.WaveIn()->Pause();
}

void CaptureAudio::Resume() {
  if (recording_ && wave_.WaveIn()) wave_.WaveIn()->Resume();
}

}  // namespace mg
