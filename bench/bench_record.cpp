// One recording through the real engine and platform layers (X11 grabber, ring, timer thread,
// compressor, AVI writer) without the dialog: the full screen of $DISPLAY at a frame rate for a
// number of seconds with a chosen compressor. Prints frames written and skipped, the CPU seconds
// of this process over the recording, its peak resident size and the file size. For profiling one
// compressor's path quickly; tools/bench measures the real program.
//
//   bench_record FOURCC|auto [seconds=10] [fps=30] [file=/tmp/movigram-bench-record.avi]
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "bench/headless_owner.h"
#include "capture/capture_engine.h"
#include "platform/loader/platform_loader.h"
#include "platform/null/null_backends.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_record FOURCC|auto [seconds] [fps] [file]\n");
    return 2;
  }
  const std::string code = argv[1];
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10;
  const double fps = argc > 3 ? std::atof(argv[3]) : 30;
  const std::string file = argc > 4 ? argv[4] : "/tmp/movigram-bench-record.avi";

  const mg::PlatformLoader loader(mg::PlatformLoader::Options{.hotKeys = false, .sound = false});
  mg::PlatformServices services = loader.Services();
  mg::IScreen* screen = services.screen;
  if (!services.CanRecord()) {
    std::fprintf(stderr, "bench_record: no X display\n");
    return 1;
  }
  const mg::DisplayFormat format = screen->Format();
  mg::AppSettings settings;
  settings.AVIFileName = file;
  settings.IncFilename = 0;
  settings.RecSound = 0;
  settings.StartX = 0;
  settings.StartY = 0;
  settings.Width = format.desktopWidth;
  settings.Height = format.desktopHeight;
  settings.FPS = fps;
  settings.CompressorHandler =
      code == "auto" || code.size() != 4 ? 0 : mg::MakeFourcc(code.c_str());

  mgbench::HeadlessOwner owner;
  services.beeper = &mg::NullBeeper();
  mg::CaptureEngine engine(settings, owner, services);
  owner.engine = &engine;
  // The time runs from the start of the recording, as between the two presses of the hot key.
  QElapsedTimer wall;
  double recorded = 0;
  owner.onStart = [&] {
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), [&] {
      recorded = static_cast<double>(wall.nsecsElapsed()) / 1e9;
      owner.StartStopCommand();
    });
  };
  const double before = CpuSeconds();
  engine.BeginCapture(mg::StartMode::Recording);
  const double cpu = CpuSeconds() - before;
  const mg::CaptureContext& ctx = engine.Context();
  struct stat st {};
  stat(file.c_str(), &st);
  std::printf(
      "%-5s %dx%d %.0f fps %.0f s: frames %d, skipped %d, cpu %.2f s, peak RSS %.1f MB, "
      "file %.1f MB\n",
      code.c_str(), settings.Width, settings.Height, fps, seconds, ctx.frameCounter.load(),
      ctx.skippedCounter, cpu, static_cast<double>(PeakKb()) / 1024.0,
      static_cast<double>(st.st_size) / 1048576.0);
  // The movie's length at its header's rate (frames every 100 s) against the time recorded.
  const double rate = std::floor(fps * 100.0) / 100.0;
  const double movie = rate > 0 ? ctx.frameCounter.load() / rate : 0.0;
  std::printf("movie %.3f s for %.3f s recorded: %+.2f%%\n", movie, recorded,
              recorded > 0 ? 100.0 * (movie - recorded) / recorded : 0.0);
  return 0;
}
