// How well sound and picture of a recording stay together, the way people notice it: a scene
// flashes a window white and sounds a short beep at the same instants, once a second, while the
// real engine records that window with sound (X11 grabber, timer, AVI writer, PulseAudio input).
// The movie is then read back through libavformat, every flash found in the video and every beep
// in the audio, and each pair's distance printed, with the audio's length against the video's.
//
//   bench_av_sync [SECONDS [monitor | fifo PATH]]      (default 60 monitor)
//
// monitor: the beeps are played to the default sink through a low-latency playback stream and
//          recorded from the default source (with tools/test-pulse: the null sink's monitor).
// fifo:    the beeps are written, in real time, into the FIFO of a pipe source that is the
//          default source, a source that delivers what it gets at once, e.g.
//            pactl load-module module-pipe-source source_name=beeps file=PATH format=u8
//              rate=11025 channels=1   (one line), then PULSE_SOURCE=beeps bench_av_sync 60 fifo
//              PATH
// Needs $DISPLAY and a sound server. The recording runs at 50 frames a second, so a flash is seen
// by the first tick after it: up to 20 ms later than it was drawn.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/recorder_audio.h"
#include "bench/headless_owner.h"
#include "capture/capture_engine.h"
#include "platform/loader/platform_loader.h"
#include "platform/null/null_backends.h"
#include "tests/support/avi_reader.h"

// Last: Xlib's macros (Bool, Status, None) would spoil the headers above.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <pulse/simple.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kRate = 11025;
constexpr int kChunk = 55;         // samples written every 5 ms
constexpr int kBeepSamples = 551;  // 50 ms
constexpr int kFlashMs = 100;
constexpr int kX = 100, kY = 100, kW = 64, kH = 48;
constexpr double kFps = 50;

uint64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

void SleepUntil(uint64_t ns) {
  timespec t{static_cast<time_t>(ns / 1000000000u), static_cast<long>(ns % 1000000000u)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
}

// The scene: a window of its own, and the sound written in 5 ms chunks on real time; the flash is
// drawn in the chunk whose sound starts the beep.
class Scene {
 public:
  bool Open(bool fifo, const std::string& path) {
    dpy_ = XOpenDisplay(nullptr);
    if (!dpy_) return false;
    const int screen = DefaultScreen(dpy_);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = BlackPixel(dpy_, screen);
    win_ = XCreateWindow(dpy_, RootWindow(dpy_, screen), kX, kY, kW, kH, 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(dpy_, win_);
    XSync(dpy_, False);
    if (fifo) {
      fd_ = open(path.c_str(), O_WRONLY);
      return fd_ >= 0;
    }
    const pa_sample_spec spec{PA_SAMPLE_U8, kRate, 1};
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = kChunk * 4;  // about 20 ms queued ahead of the sink
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = kChunk;
    attr.fragsize = static_cast<uint32_t>(-1);
    int error = 0;
    play_ = pa_simple_new(nullptr, "Movigram sync bench", PA_STREAM_PLAYBACK, nullptr, "beeps",
                          &spec, nullptr, &attr, &error);
    return play_ != nullptr;
  }

  void Run(uint64_t firstBeepNs, int beeps) {
    thread_ = std::thread([this, firstBeepNs, beeps] {
      const uint64_t chunkNs = 1000000000ull * kChunk / kRate;
      uint64_t at = NowNs();
      int beep = 0;
      std::vector<uint8_t> chunk(kChunk);
      int beepLeft = 0;
      uint64_t darkAt = 0;
      while (!stop_) {
        if (beep < beeps && at >= firstBeepNs + static_cast<uint64_t>(beep) * 1000000000ull) {
          ++beep;
          beepLeft = kBeepSamples;
          Paint(true);
          darkAt = at + kFlashMs * 1000000ull;
        } else if (darkAt && at >= darkAt) {
          Paint(false);
          darkAt = 0;
        }
        for (int i = 0; i < kChunk; ++i, beepLeft = std::max(0, beepLeft - 1)) {
          const int k = kBeepSamples - beepLeft;
          chunk[static_cast<size_t>(i)] =
              beepLeft > 0
                  ? static_cast<uint8_t>(128 + 100 * std::sin(2 * M_PI * 1000.0 * k / kRate))
                  : 128;
        }
        // A pipe source reads its FIFO only while it records: what was written before would
        // come at once as sound of the start.
        if (fd_ < 0 || recording_) Write(chunk);
        at += chunkNs;
        SleepUntil(at);
      }
    });
  }

  void Recording() { recording_ = true; }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (play_) pa_simple_free(play_);
    if (fd_ >= 0) close(fd_);
    if (dpy_) XCloseDisplay(dpy_);
  }

 private:
  void Paint(bool white) {
    const int screen = DefaultScreen(dpy_);
    XSetWindowBackground(dpy_, win_, white ? WhitePixel(dpy_, screen) : BlackPixel(dpy_, screen));
    XClearWindow(dpy_, win_);
    XSync(dpy_, False);
  }
  void Write(const std::vector<uint8_t>& chunk) {
    int error = 0;
    if (play_) pa_simple_write(play_, chunk.data(), chunk.size(), &error);
    if (fd_ >= 0 && write(fd_, chunk.data(), chunk.size()) < 0) std::perror("fifo");
  }

  Display* dpy_ = nullptr;
  Window win_ = 0;
  pa_simple* play_ = nullptr;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> recording_{false};
  std::thread thread_;
};

double Brightness(const mgtest::DecodedFrame& f) {
  const uint32_t p = f.Pixel(f.width / 2, f.height / 2);
  return ((p >> 16 & 0xff) + (p >> 8 & 0xff) + (p & 0xff)) / 3.0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const bool fifo = argc > 2 && std::strcmp(argv[2], "fifo") == 0;
  const std::string path = argc > 3 ? argv[3] : "";

  Scene scene;
  if (!scene.Open(fifo, path)) {
    std::fprintf(stderr, "no display, sound server or FIFO\n");
    return 1;
  }
  // The sound runs (silence) from now on; the first beep comes a second into the recording.
  scene.Run(NowNs() + 2000000000ull, seconds);

  mg::AppSettings settings;
  settings.AVIFileName = "/tmp/movigram-sync.avi";
  settings.IncFilename = 0;
  settings.RecSound = 1;
  settings.StartX = kX;
  settings.StartY = kY;
  settings.Width = kW;
  settings.Height = kH;
  settings.FPS = kFps;
  settings.CompressorHandler = mg::MakeFourcc("DIB ");

  // The real platform (X11 grabber, tick thread, AVI writer, sound input); no start and stop tones.
  const mg::PlatformLoader loader(mg::PlatformLoader::Options{.hotKeys = false, .sound = true});
  mg::PlatformServices services = loader.Services();
  services.beeper = &mg::NullBeeper();  // the start and stop tones would be heard as beeps
  if (!services.CanRecord()) {
    std::fprintf(stderr, "the platform cannot record here\n");
    return 1;
  }
  mgbench::HeadlessOwner owner;
  mg::CaptureEngine engine(settings, owner, services);
  owner.engine = &engine;
  // The sound recorder as the main dialog has it.
  mg::RecorderAudio audio(services.waveIn);
  engine.SetAudio(audio.Capture(engine));
  audio.PrepareForStart();

  QTimer::singleShot(1000, [&] {
    QTimer::singleShot(seconds * 1000 + 1500, [&] { owner.StartStopCommand(); });
    QTimer::singleShot(0, [&] { scene.Recording(); });  // from inside the recording loop
    engine.BeginCapture(mg::StartMode::Recording);
    QCoreApplication::quit();
  });
  app.exec();
  scene.Stop();

  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(settings.AVIFileName);
  if (!movie.ok) {
    std::fprintf(stderr, "cannot read the movie: %s\n", movie.error.c_str());
    return 1;
  }
  std::vector<double> flashes;
  bool lit = false;
  for (const auto& f : movie.frames) {
    const bool white = Brightness(f) > 128;
    if (white && !lit) flashes.push_back(static_cast<double>(f.position) / kFps);
    lit = white;
  }
  std::vector<double> beeps;
  long last = -kRate;
  for (size_t i = 0; i < movie.audio.size(); ++i) {
    if (std::abs(static_cast<int>(movie.audio[i]) - 128) < 30) continue;
    if (static_cast<long>(i) - last > kRate / 2) beeps.push_back(static_cast<double>(i) / kRate);
    last = static_cast<long>(i);
  }

  const double videoSeconds = static_cast<double>(movie.videoLength) / kFps;
  const double audioSeconds = static_cast<double>(movie.audio.size()) / kRate;
  std::printf("source: %s\n", fifo ? "pipe source (delivers at once)" : "default source (monitor)");
  std::printf("video %.3f s (%lld positions, %d skipped), audio %.3f s: audio - video %+.1f ms\n",
              videoSeconds, static_cast<long long>(movie.videoLength),
              engine.Context().skippedCounter, audioSeconds, (audioSeconds - videoSeconds) * 1000);
  std::printf("flashes %zu, beeps %zu\n", flashes.size(), beeps.size());
  double worst = 0, sum = 0;
  int within = 0, pairs = 0;
  for (size_t i = 0; i < flashes.size(); ++i) {
    double best = 1e9;
    for (double b : beeps)
      if (std::abs(b - flashes[i]) < std::abs(best)) best = b - flashes[i];
    if (std::abs(best) > 0.5) {
      std::printf("  flash %2zu at %7.3f s: no beep near it\n", i + 1, flashes[i]);
      continue;
    }
    ++pairs;
    sum += best;
    worst = std::max(worst, std::abs(best));
    within += std::abs(best) <= 0.040;
    std::printf("  flash %2zu at %7.3f s: beep %+6.1f ms\n", i + 1, flashes[i], best * 1000);
  }
  if (pairs)
    std::printf("pairs %d: mean beep - flash %+.1f ms, worst %.1f ms, within 40 ms: %d of %d\n",
                pairs, sum / pairs * 1000, worst * 1000, within, pairs);
  if (!std::getenv("MOVIGRAM_BENCH_KEEP")) std::remove(settings.AVIFileName.c_str());
  return 0;
}
