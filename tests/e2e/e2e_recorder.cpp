#include "tests/e2e/e2e_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/loader/platform_loader.h"

namespace mgtest {

namespace {

// The real capture display, counting what each grab fetches.
class CountingDisplay : public mg::ICaptureDisplay {
 public:
  explicit CountingDisplay(mg::ICaptureDisplay* real) : real_(real) {}
  uint8_t* AllocateFrame(int slot, int width, int height) override {
    if (slot == 0) grabs.clear();
    width_ = width;
    height_ = height;
    return real_->AllocateFrame(slot, width, height);
  }
  void FreeFrames() override { real_->FreeFrames(); }
  bool Grab(int slot, int x, int y) override {
    grabs.push_back(int64_t{width_} * height_);
    return real_->Grab(slot, x, y);
  }
  bool GrabPart(int slot, int x, int y, const mg::ChangedRegion& part) override {
    grabs.push_back(part.Area(width_, height_));
    return real_->GrabPart(slot, x, y, part);
  }
  void TakeChanges(mg::ChangedRegion* out) override { real_->TakeChanges(out); }
  mg::PointerState QueryPointer() override { return real_->QueryPointer(); }
  const mg::CursorImage* Cursor() override { return real_->Cursor(); }
  void ShowMarker(const mg::WinRect& outer, bool paused) override {
    real_->ShowMarker(outer, paused);
  }
  void HideMarker() override { real_->HideMarker(); }
  void RemoveMarker() override { real_->RemoveMarker(); }

  std::vector<int64_t> grabs;

 private:
  mg::ICaptureDisplay* real_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

struct E2ERecorder::Platform {
  explicit Platform(const Options& options)
      : loader(mg::PlatformLoader::Options{
            .hotKeys = false, .sound = false, .damage = options.damage}),
        display(loader.Services().display) {}
  mg::PlatformLoader loader;
  CountingDisplay display;
};

E2ERecorder::E2ERecorder(const std::string& display, const Options& options)
    : scoped_(display), platform_(std::make_unique<Platform>(options)) {
  mg::PlatformServices services = platform_->loader.Services();
  services.beeper = &beeper;
  if (services.display) services.display = &platform_->display;
  if (options.manualTimer) services.timer = &manualTimer_;
  engine_ = std::make_unique<mg::CaptureEngine>(settings, owner, services);
  owner.engine = engine_.get();
  settings.RecSound = 0;
  settings.IncFilename = 0;
}

E2ERecorder::~E2ERecorder() = default;

bool E2ERecorder::ok() const {
  return platform_->loader.Services().CanRecord();
}

bool E2ERecorder::TracksChanges() const {
  mg::ChangedRegion first, second;
  auto* display = platform_->loader.Services().display;
  display->TakeChanges(&first);  // the first answer is always everything
  display->TakeChanges(&second);
  display->FreeFrames();
  return !second.all();
}

const std::vector<int64_t>& E2ERecorder::grabbedPixels() const {
  return platform_->display.grabs;
}

void E2ERecorder::Wait(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int E2ERecorder::Record(const std::function<void()>& script) {
  QTimer start;
  start.setSingleShot(true);
  QObject::connect(&start, &QTimer::timeout, [&] {
    script();
    if (owner.State() != mg::Idle) owner.StartStopCommand();
  });
  start.start(0);
  return engine_->BeginCapture(mg::StartMode::Recording);
}

int E2ERecorder::RecordFor(int ms, const std::function<void()>& during) {
  return Record([&] {
    Wait(ms / 2);
    if (during) during();
    Wait(ms - ms / 2);
  });
}

}  // namespace mgtest
