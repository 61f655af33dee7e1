// The start/stop signal as a sine tone with short fades, played through the sound server by the
// beep worker (a tone takes about half a second of wall time with the server's latency, so the
// caller never waits). Without a server the fallback beeper sounds instead.
#include <pulse/pulseaudio.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/posix/beep_worker.h"
#include "platform/pulse/pulse_backends.h"
#include "platform/pulse/pulse_connection.h"

namespace mg {
namespace {

constexpr uint32_t kToneRate = 44100;
constexpr int kFadeMs = 5;
constexpr int kConnectTimeoutMs = 1500;

std::vector<int16_t> MakeTone(int frequencyHz, int durationMs) {
  const size_t count = static_cast<size_t>(kToneRate) * static_cast<size_t>(durationMs) / 1000;
  const size_t fade = std::min<size_t>(kToneRate * kFadeMs / 1000, count / 2);
  std::vector<int16_t> tone(count);
  for (size_t i = 0; i < count; ++i) {
    double gain = 0.5;
    if (i < fade) gain *= static_cast<double>(i) / static_cast<double>(fade);
    if (count - 1 - i < fade)
      gain *= static_cast<double>(count - 1 - i) / static_cast<double>(fade);
    const double phase = 2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / kToneRate;
    tone[i] = static_cast<int16_t>(std::lround(32767.0 * gain * std::sin(phase)));
  }
  return tone;
}

// Plays tones on the beep worker's thread, with the fallback beeper for the times there is no
// server.
class Tones {
 public:
  explicit Tones(std::function<std::unique_ptr<IBeeper>()> fallback)
      : fallback_(std::move(fallback)) {}

  void Play(int frequencyHz, int durationMs) {
    if (PlayTone(connection_, {frequencyHz, durationMs})) return;
    if (!bell_ && fallback_) bell_ = fallback_();
    if (bell_) bell_->Beep(frequencyHz, durationMs);
  }

 private:
  struct Request {
    int frequencyHz;
    int durationMs;
  };

  // Plays one tone to the default sink and waits until it has been heard.
  static bool PlayTone(PulseConnection& connection, const Request& request) {
    if (!connection.Loop() || !PulseLockedReady(connection)) {
      if (!connection.Connect("Movigram", kConnectTimeoutMs)) return false;
    }
    const std::vector<int16_t> tone = MakeTone(request.frequencyHz, request.durationMs);
    const pa_sample_spec spec{PA_SAMPLE_S16LE, kToneRate, 1};
    PulseLock lock(connection);
    pa_stream* stream = pa_stream_new(connection.Context(), "Movigram signal", &spec, nullptr);
    if (!stream) return false;
    pa_stream_set_state_callback(stream, PulseConnection::StreamWake, &connection);
    bool played = false;
    if (pa_stream_connect_playback(stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) >=
            0 &&
        connection.Wait(
            [stream] {
              const pa_stream_state_t s = pa_stream_get_state(stream);
              return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
            },
            kConnectTimeoutMs) &&
        pa_stream_get_state(stream) == PA_STREAM_READY &&
        pa_stream_write(stream, tone.data(), tone.size() * sizeof(int16_t), nullptr, 0,
                        PA_SEEK_RELATIVE) >= 0) {
      played = true;  // written: from here on the server plays it, whatever the drain says
      connection.Finish(pa_stream_drain(stream, PulseConnection::SuccessWake, &connection),
                        request.durationMs + 2000);
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) != PA_STREAM_UNCONNECTED) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    return played;
  }

  static bool PulseLockedReady(const PulseConnection& connection) {
    PulseLock lock(connection);
    return connection.Ready();
  }

  std::function<std::unique_ptr<IBeeper>()> fallback_;
  PulseConnection connection_;
  std::unique_ptr<IBeeper> bell_;
};

}  // namespace

std::unique_ptr<IBeeper> MakePulseBeeper(std::function<std::unique_ptr<IBeeper>()> fallback) {
  return std::make_unique<BeepWorker>([fallback = std::move(fallback)] {
    auto tones = std::make_shared<Tones>(fallback);
    return BeepWorker::Player([tones](int hz, int ms) { tones->Play(hz, ms); });
  });
}

}  // namespace mg
