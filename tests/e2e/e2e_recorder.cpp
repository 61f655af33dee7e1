#include "tests/e2e/e2e_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/avi_file.h"
#include "platform/capture_display.h"
#include "platform/periodic_timer.h"
#include "platform/screen.h"

namespace mgtest {

struct E2ERecorder::Platform {
  std::unique_ptr<mg::IScreen> screen = mg::MakeX11Screen();
  std::unique_ptr<mg::ICaptureDisplay> capture = mg::MakeX11CaptureDisplay();
  std::unique_ptr<mg::IPeriodicTimer> timer = mg::MakePeriodicTimer();
  std::unique_ptr<mg::IAviLibrary> avi = mg::MakeAviLibrary();
};

E2ERecorder::E2ERecorder(const std::string& display)
    : scoped_(display), platform_(std::make_unique<Platform>()) {
  engine_ = std::make_unique<mg::CaptureEngine>(
      settings, owner,
      mg::CapturePlatform{platform_->avi.get(), platform_->screen.get(), platform_->capture.get(),
                          platform_->timer.get(), &beeper});
  owner.engine = engine_.get();
  settings.RecSound = 0;
  settings.IncFilename = 0;
}

E2ERecorder::~E2ERecorder() = default;

bool E2ERecorder::ok() const {
  return platform_->screen && platform_->capture && platform_->timer && platform_->avi;
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
  return engine_->BeginCapture(1);
}

int E2ERecorder::RecordFor(int ms, const std::function<void()>& during) {
  return Record([&] {
    Wait(ms / 2);
    if (during) during();
    Wait(ms - ms / 2);
  });
}

}  // namespace mgtest
