#include "tests/capture/capture_doubles.h"

#include <QTimer>
#include <cstring>
#include <fstream>

#include "capture/frame_format.h"

namespace mgtest {
namespace {

class FakeStream : public mg::IAviStream {
 public:
  FakeStream(std::vector<StreamEvent>* events, FakeAviLibrary* lib, bool video)
      : events_(events), lib_(lib), video_(video) {}
  int32_t SetFormat(int32_t pos, const void* format, int32_t size) override {
    if (video_ && lib_->setFormatResult) return lib_->setFormatResult;
    if (events_ == &lib_->movie.audio && lib_->audioFormatResult) return lib_->audioFormatResult;
    const auto* p = static_cast<const uint8_t*>(format);
    events_->push_back({StreamEvent::Format, pos, std::vector<uint8_t>(p, p + size)});
    return 0;
  }
  int32_t Write(int32_t pos, int32_t, const void* data, int32_t bytes, uint32_t) override {
    if (video_ && lib_->writes++ == lib_->failWriteAt) return mg::kAviErrFileWrite;
    const auto* p = static_cast<const uint8_t*>(data);
    events_->push_back({StreamEvent::Frame, pos, std::vector<uint8_t>(p, p + bytes)});
    return 0;
  }
  void HintChanged(const mg::ChangedRegion& changed) override {
    if (video_) lib_->movie.hints.push_back(changed);
  }

 private:
  std::vector<StreamEvent>* events_;
  FakeAviLibrary* lib_;
  bool video_;
};

class FakeFile : public mg::IAviFile {
 public:
  FakeFile(FakeAviLibrary* lib, std::string name) : lib_(lib), name_(std::move(name)) {
    std::ofstream(name_) << "RIFF";  // the file exists on disk like a real one would
  }
  int32_t CreateStream(const mg::AviStreamInfo& info, mg::IAviStream** out) override {
    const bool video = info.fccType == mg::kStreamTypeVideo;
    if (const int32_t refused = video ? lib_->createVideoResult : lib_->createAudioResult) {
      *out = nullptr;
      return refused;
    }
    lib_->movie.streams.push_back(info);
    streams_.push_back(
        std::make_unique<FakeStream>(video ? &lib_->movie.video : &lib_->movie.audio, lib_, false));
    *out = streams_.back().get();
    return 0;
  }
  int32_t Close() override {
    lib_->movie.closed = true;
    return lib_->closeResult;
  }

 private:
  FakeAviLibrary* lib_;
  std::string name_;
  std::vector<std::unique_ptr<FakeStream>> streams_;
};

}  // namespace

int32_t FakeAviLibrary::OpenFile(const std::string& name, std::unique_ptr<mg::IAviFile>* out) {
  opened.push_back(name);
  if (openResult) return openResult;
  movie = FakeMovie{};
  *out = std::make_unique<FakeFile>(this, name);
  return 0;
}

int32_t FakeAviLibrary::MakeCompressedStream(mg::IAviStream*, const mg::AviCompressOptions& options,
                                             std::unique_ptr<mg::IAviStream>* out) {
  if (compressResult) return compressResult;
  movie.options = options;
  *out = std::make_unique<FakeStream>(&movie.video, this, true);
  return 0;
}

int FakeScreen::ReadPalette(mg::PaletteEntry* entries, int count) {
  const int n = std::min(count, static_cast<int>(palette.size()));
  std::copy(palette.begin(), palette.begin() + n, entries);
  return n;
}

uint8_t* FakeCaptureDisplay::AllocateFrame(int slot, int width, int height) {
  auto& buffer = frames[slot];
  buffer.assign(static_cast<size_t>(mg::FrameBytes(width, height, bitsPerPixel)), 0);
  freed = false;
  return buffer.data();
}

void FakeCaptureDisplay::FreeFrames() {
  frames.clear();
  freed = true;
}

bool FakeCaptureDisplay::GrabPart(int slot, int x, int y, const mg::ChangedRegion& part) {
  const bool fail = static_cast<int>(parts.size()) == failGrabAt;
  parts.push_back(part);
  if (fail) return false;
  if (part.all()) return Grab(slot, x, y);
  grabOrigins.emplace_back(x, y);
  return true;
}

void FakeCaptureDisplay::TakeChanges(mg::ChangedRegion* out) {
  if (changes.empty()) {
    out->AddAll();
    return;
  }
  out->Add(changes.front());
  changes.erase(changes.begin());
}

bool FakeCaptureDisplay::Grab(int slot, int x, int y) {
  auto& buffer = frames[slot];
  std::memset(buffer.data(), nextValue++, buffer.size());
  grabOrigins.emplace_back(x, y);
  return true;
}

void FakeOwner::StartStopCommand() {
  if (state == mg::Idle) {
    ++startRequests;
    return;
  }
  ++stops;
  engine->EndCapture();
}

EngineRig::EngineRig(const std::string& dir, mg::IAviLibrary* library)
    : engine(settings, owner, [&] {
        mg::PlatformServices services;
        services.avi = library ? library : &avi;
        services.screen = &screen;
        services.display = &display;
        services.timer = &timer;
        services.beeper = &beeper;
        return services;
      }()) {
  owner.engine = &engine;
  settings.AVIFileName = dir + "/clip.avi";
  settings.RecSound = 0;
}

int EngineRig::Record(mg::StartMode mode, const std::function<void()>& script) {
  QTimer start;  // runs the script once the recording loop is up; gone when the start fails
  start.setSingleShot(true);
  QObject::connect(&start, &QTimer::timeout, [this, script] {
    if (owner.State() == mg::Idle) return;
    script();
    if (owner.State() != mg::Idle) owner.StartStopCommand();
  });
  start.start(0);
  return engine.BeginCapture(mode);
}

}  // namespace mgtest
