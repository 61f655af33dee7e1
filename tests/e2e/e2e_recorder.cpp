#include "tests/e2e/e2e_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/loader/platform_loader.h"

namespace mgtest {

struct E2ERecorder::Platform {
  mg::PlatformLoader loader{mg::PlatformLoader::Options{.hotKeys = false, .sound = false}};
};

E2ERecorder::E2ERecorder(const std::string& display)
    : scoped_(display), platform_(std::make_unique<Platform>()) {
  mg::PlatformServices services = platform_->loader.Services();
  services.beeper = &beeper;
  engine_ = std::make_unique<mg::CaptureEngine>(settings, owner, services);
  owner.engine = engine_.get();
  settings.RecSound = 0;
  settings.IncFilename = 0;
}

E2ERecorder::~E2ERecorder() = default;

bool E2ERecorder::ok() const {
  return platform_->loader.Services().CanRecord();
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
