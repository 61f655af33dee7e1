// How far the sound and the picture of a recording drift apart: records for a while (default 60
// seconds, or the first argument) with the real timer, AVI writer and sound server's default
// source, a screen that is not read, and prints the video length (frames / rate), the audio length
// (samples / 11025) and their difference. Needs a sound server (PULSE_SERVER).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/recorder_audio.h"
#include "bench/headless_owner.h"
#include "capture/capture_engine.h"
#include "platform/loader/platform_loader.h"
#include "platform/null/null_backends.h"
#include "platform/periodic_timer.h"

namespace {

class BlankScreen : public mg::IScreen {
 public:
  mg::DisplayFormat Format() override {
    return {32, 24, 1280, 1024, 0, false, 0xff0000, 0xff00, 0xff};
  }
  int ReadPalette(mg::PaletteEntry*, int) override { return 0; }
  mg::ScreenPoint CursorPos() override { return {}; }
  void WatchPalette(std::function<void()>) override {}
};

class BlankDisplay : public mg::ICaptureDisplay {
 public:
  uint8_t* AllocateFrame(int slot, int width, int height) override {
    frames_[slot].assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    return frames_[slot].data();
  }
  void FreeFrames() override {}
  bool Grab(int, int, int) override { return true; }
  mg::PointerState QueryPointer() override { return {5000, 5000, 0, true}; }
  const mg::CursorImage* Cursor() override { return nullptr; }
  void ShowMarker(const mg::WinRect&, bool) override {}
  void HideMarker() override {}

 private:
  std::vector<uint8_t> frames_[mg::kRingSize];
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const double fps = 10;

  mg::AppSettings settings;
  settings.AVIFileName = "/tmp/movigram-drift.avi";
  settings.IncFilename = 0;
  settings.RecSound = 1;
  settings.Width = 64;
  settings.Height = 48;
  settings.FPS = fps;
  settings.CompressorHandler = mg::MakeFourcc("DIB ");

  // The real AVI writer, tick thread and sound input; a blank screen, no beep.
  const mg::PlatformLoader loader(mg::PlatformLoader::Options{.hotKeys = false, .sound = true});
  mg::PlatformServices services = loader.Services();
  BlankScreen screen;
  BlankDisplay display;
  services.screen = &screen;
  services.display = &display;
  services.beeper = &mg::NullBeeper();
  mgbench::HeadlessOwner owner;
  mg::CaptureEngine engine(settings, owner, services);
  owner.engine = &engine;
  // The sound recorder as the main dialog has it.
  mg::RecorderAudio audio(services.waveIn);
  engine.SetAudio(audio.Capture(engine));
  audio.PrepareForStart();
  QElapsedTimer wall;
  QTimer::singleShot(seconds * 1000, [&] { owner.StartStopCommand(); });
  QTimer progress;
  QObject::connect(&progress, &QTimer::timeout, [&] {
    if (std::getenv("MOVIGRAM_BENCH_TRACE"))
      std::printf("%6.2f s: %d samples\n", static_cast<double>(wall.elapsed()) / 1000.0,
                  engine.Context().audioSamplePosition);
  });
  progress.start(1000);
  wall.start();
  engine.BeginCapture(mg::StartMode::Recording);
  const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;

  const mg::CaptureContext& ctx = engine.Context();
  const double video = ctx.frameCounter / fps;
  const double sound = ctx.audioSamplePosition / 11025.0;
  std::printf("wall clock      %8.3f s\n", wallSeconds);
  std::printf("video           %8.3f s (%d frames at %.0f/s, %d skipped)\n", video,
              ctx.frameCounter.load(), fps, ctx.skippedCounter);
  std::printf("audio           %8.3f s (%d samples)\n", sound, ctx.audioSamplePosition);
  std::printf("audio - video   %+8.3f s (%+.2f ms per minute)\n", sound - video,
              video > 0 ? (sound - video) / video * 60000.0 : 0.0);
  std::remove(settings.AVIFileName.c_str());
  return ctx.audioSamplePosition > 0 ? 0 : 1;
}
