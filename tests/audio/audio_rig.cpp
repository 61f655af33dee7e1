#include "tests/audio/audio_rig.h"
#include "avi/avi_library.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace mgtest {
namespace {

class FaultStream : public mg::IAviStream {
 public:
  FaultStream(mg::IAviStream* inner, AudioFaultLibrary* lib) : inner_(inner), lib_(lib) {}
  int32_t SetFormat(int32_t pos, const void* format, int32_t size) override {
    return inner_->SetFormat(pos, format, size);
  }
  int32_t Write(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                uint32_t flags) override {
    if (lib_->audioWrites++ == lib_->failAudioWriteAt) return mg::kAviErrFileWrite;
    return inner_->Write(pos, samples, data, bytes, flags);
  }

 private:
  mg::IAviStream* inner_;
  AudioFaultLibrary* lib_;
};

class FaultFile : public mg::IAviFile {
 public:
  FaultFile(std::unique_ptr<mg::IAviFile> inner, AudioFaultLibrary* lib)
      : inner_(std::move(inner)), lib_(lib) {}
  int32_t CreateStream(const mg::AviStreamInfo& info, mg::IAviStream** out) override {
    mg::IAviStream* stream = nullptr;
    const int32_t rc = inner_->CreateStream(info, &stream);
    if (rc != mg::kAviErrOk || info.fccType != mg::kStreamTypeAudio) {
      *out = stream;
      return rc;
    }
    wrapped_.push_back(std::make_unique<FaultStream>(stream, lib_));
    *out = wrapped_.back().get();
    return rc;
  }
  int32_t Close() override { return inner_->Close(); }

 private:
  std::unique_ptr<mg::IAviFile> inner_;
  AudioFaultLibrary* lib_;
  std::vector<std::unique_ptr<FaultStream>> wrapped_;
};

}  // namespace

AudioFaultLibrary::AudioFaultLibrary() : real_(mg::MakeAviLibrary()) {}

int32_t AudioFaultLibrary::OpenFile(const std::string& name, std::unique_ptr<mg::IAviFile>* out) {
  std::unique_ptr<mg::IAviFile> file;
  const int32_t rc = real_->OpenFile(name, &file);
  if (rc == mg::kAviErrOk) *out = std::make_unique<FaultFile>(std::move(file), this);
  return rc;
}

int32_t AudioFaultLibrary::MakeCompressedStream(mg::IAviStream* source,
                                                const mg::AviCompressOptions& options,
                                                std::unique_ptr<mg::IAviStream>* out) {
  return real_->MakeCompressedStream(source, options, out);
}

AudioRig::AudioRig(const std::string& dir, mg::WaveInFactory factory)
    : EngineRig(dir, &faults), audio(wave, sink, std::move(factory)) {
  engine.SetAudio(&audio);
  settings.AVIFileName = dir + "/clip.avi";
  settings.IncFilename = 0;
  settings.RecSound = 1;
  settings.Width = 64;
  settings.Height = 48;
  settings.FPS = 10;
  settings.CompressorHandler = mg::MakeFourcc("DIB ");
}

int AudioRig::Record(mg::StartMode mode, const std::function<void()>& script) {
  wave.RemoveAllBlocks();
  wave.SetFormat(11025, 8);
  return EngineRig::Record(mode, script);
}

void AudioRig::Pause() {
  audio.Pause();
  owner.SetState(mg::Paused);
}

void AudioRig::Resume() {
  audio.Resume();
  owner.SetState(mg::Recording);
}

void AudioRig::Frame() {
  timer.Tick();
  QCoreApplication::processEvents();
}

bool AudioRig::PumpUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() >= ms) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

void AudioRig::PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace mgtest
