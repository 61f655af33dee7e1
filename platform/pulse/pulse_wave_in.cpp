// The wave-input device over the asynchronous PulseAudio API: a record stream from the default
// source with small fragments, started corked. The read callback (on the loop's thread) copies
// what arrives into the queued buffers in order and hands each full one back; stop and start are
// cork and uncork; reset hands back every queued buffer.
//
// What is handed on follows the time recorded, whatever the source's pace:
//  - A source may deliver nothing for a while after the start or stall later (a null sink's
//    monitor gets nothing until the sink ends the block of up to two seconds that it rendered
//    before our stream came); what it did not deliver is gone. Silence goes before the next sound
//    when the samples handed on fall behind the time recorded by more than the stream's latency
//    and a tolerance, so sound and picture stay in step.
//  - A source may deliver ahead of time (a source that renders its next two seconds at once).
//    Sound is handed on only up to the time recorded (plus the tolerance); the rest waits, and
//    what is still waiting when the recording stops or pauses lies beyond that moment and is
//    dropped, so the sound is as long as the time recorded.
//
// A server that goes away or stops answering never holds up the caller: the open waits at most
// two seconds in all, start and reset do not wait for the server, and a stop or pause waits for
// its last sound only briefly. A stream that fails (the server ended, the source removed) or a
// stop that the server does not confirm in time is a loss: what was recorded is handed back and
// the loss is told; the device records nothing more.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/pulse/pulse_backends.h"
#include "platform/pulse/pulse_connection.h"
#include "platform/pulse/sound_clock.h"

namespace mg {
namespace {

constexpr int kOpenTimeoutMs = 2000;  // connection and stream together
constexpr int kHaltAnswerMs = 400;    // for the sound up to a stop or pause
constexpr uint32_t kFragmentBytes = 512;
constexpr size_t kHeldSeconds = 8;
constexpr pa_usec_t kReleaseEveryUs = 50000;  // how often sound that came early is handed on
constexpr pa_usec_t kFreshTimingUs = 250000;  // the server updates them every 100 ms or so

bool Usable(const WaveFormatEx& f) {
  return f.wFormatTag == 1 && (f.nChannels == 1 || f.nChannels == 2) &&
         (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= 1000 &&
         f.nSamplesPerSec <= 192000;
}

class PulseWaveIn : public IWaveInDevice {
 public:
  ~PulseWaveIn() override {
    if (stream_) {
      Reset();
      Close();
    }
  }

  int32_t Open(const WaveFormatEx& format, BufferDone done, Lost lost) override {
    if (stream_) return kMmSysErrError;
    if (!Usable(format)) return kWaveErrBadFormat;
    const pa_usec_t deadline = pa_rtclock_now() + kOpenTimeoutMs * PA_USEC_PER_MSEC;
    bool noAnswer = false;
    if (!connection_.Connect("Movigram", kOpenTimeoutMs, &noAnswer))
      return noAnswer ? kMmSysErrNotEnabled : kMmSysErrNoDriver;
    done_ = std::move(done);
    lost_ = std::move(lost);
    lostAlready_ = false;
    silence_ = format.wBitsPerSample == 8 ? 0x80 : 0x00;
    blockAlign_ = static_cast<size_t>(format.nChannels) * (format.wBitsPerSample / 8);
    rate_ = format.nSamplesPerSec;
    clock_.Reset(rate_);
    heldLimit_ = static_cast<size_t>(format.nAvgBytesPerSec) * kHeldSeconds;

    const pa_sample_spec spec{format.wBitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE,
                              format.nSamplesPerSec, static_cast<uint8_t>(format.nChannels)};
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = std::max<uint32_t>(kFragmentBytes, format.nAvgBytesPerSec / 25);

    int32_t result = kMmSysErrBadDeviceId;  // the server has no source to record from
    {
      PulseLock lock(connection_);
      stream_ = pa_stream_new(connection_.Context(), "Movigram recording", &spec, nullptr);
      if (stream_) {
        pa_stream_set_state_callback(stream_, StreamState, this);
        pa_stream_set_read_callback(stream_, ReadCallback, this);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_stream_connect_record(stream_, nullptr, &attr, flags) >= 0 &&
            connection_.WaitUntil(
                [this] {
                  const pa_stream_state_t s = pa_stream_get_state(stream_);
                  return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                },
                deadline) &&
            pa_stream_get_state(stream_) == PA_STREAM_READY)
          result = kMmSysErrNoError;
        else if (!connection_.Ready())
          result = kMmSysErrNoDriver;  // the server went away meanwhile
        else if (pa_stream_get_state(stream_) == PA_STREAM_CREATING)
          result = kMmSysErrNotEnabled;
      }
      if (result != kMmSysErrNoError) DropStream();
      opened_ = result == kMmSysErrNoError;
    }
    if (result != kMmSysErrNoError) connection_.Disconnect();
    return result;
  }

  bool Supports(const WaveFormatEx& format) const override { return stream_ && Usable(format); }

  int32_t AddBuffer(WaveHeader* header) override {
    if (!stream_) return kMmSysErrInvalHandle;
    if (!header || !header->lpData || header->dwBufferLength == 0) return kMmSysErrInvalParam;
    PulseLock lock(connection_);
    header->dwBytesRecorded = 0;
    header->dwFlags = kWaveHdrInQueue;
    queue_.push_back(header);
    // Sound that came while every buffer was full goes first.
    Release(pa_rtclock_now(), clock_.kToleranceUs);
    return kMmSysErrNoError;
  }

  int32_t Start() override {
    if (!stream_) return kMmSysErrInvalHandle;
    PulseLock lock(connection_);
    if (lostAlready_) return kMmSysErrError;
    // Not waited for: what the server sends from the uncork on is read as it comes.
    pa_operation* op = pa_stream_cork(stream_, 0, nullptr, nullptr);
    if (!op) return kMmSysErrError;
    pa_operation_unref(op);
    running_ = true;
    const pa_usec_t now = pa_rtclock_now();
    clock_.Start(now);
    // A source that delivers seconds at once calls back only as often: what waits is handed on
    // as its time comes, so that the buffers carry it before a stop.
    if (!releaseEvent_)
      releaseEvent_ =
          pa_context_rttime_new(connection_.Context(), now + kReleaseEveryUs, ReleaseTick, this);
    else
      pa_context_rttime_restart(connection_.Context(), releaseEvent_, now + kReleaseEveryUs);
    return kMmSysErrNoError;
  }

  int32_t Stop() override {
    if (!stream_) return kMmSysErrInvalHandle;
    PulseLock lock(connection_);
    Halt();
    if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0) HandBackFront();
    return kMmSysErrNoError;
  }

  int32_t Reset() override {
    if (!stream_) return kMmSysErrInvalHandle;
    PulseLock lock(connection_);
    Halt();
    // What the server still holds was recorded before the stop of an earlier pause or is stale:
    // a later start begins afresh. Not waited for: what arrives until the server confirms the
    // flush is dropped.
    if (!lostAlready_ && !flushing_) {
      if (pa_operation* op = pa_stream_flush(stream_, FlushDone, this)) {
        flushing_ = true;
        pa_operation_unref(op);
      }
    }
    while (!queue_.empty()) HandBackFront();
    held_.clear();
    heldStart_ = 0;
    clock_.Reset(rate_);
    return kMmSysErrNoError;
  }

  int32_t Close() override {
    if (!stream_) return kMmSysErrInvalHandle;
    {
      PulseLock lock(connection_);
      if (!queue_.empty()) return kWaveErrStillPlaying;
      DropStream();
    }
    connection_.Disconnect();
    done_ = nullptr;
    return kMmSysErrNoError;
  }

 private:
  static void ReadCallback(pa_stream*, size_t, void* userdata) {
    static_cast<PulseWaveIn*>(userdata)->ReadAvailable();
  }

  // On the loop's thread, lock held. A stream that fails once open is sound lost.
  static void StreamState(pa_stream* s, void* self) {
    auto* in = static_cast<PulseWaveIn*>(self);
    PulseConnection::WakeCallback(&in->connection_);
    if (in->opened_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
      in->Lose(in->LossNow(), pa_rtclock_now());
  }

  static void FlushDone(pa_stream*, int, void* self) {
    static_cast<PulseWaveIn*>(self)->flushing_ = false;
  }

  // Lock held. Why sound is lost now: the stream failed with the server or alone, or (stream
  // and server fine as far as we know) the server did not answer.
  WaveInLoss LossNow() const {
    if (!connection_.Ready()) return WaveInLoss::ServerGone;
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) return WaveInLoss::SourceGone;
    return WaveInLoss::NotAnswering;
  }

  // Lock held. Hands on what came, as far as the time recorded by `upTo`, hands back the buffer
  // being filled, and tells the loss once; nothing is recorded after it.
  void Lose(WaveInLoss why, pa_usec_t upTo) {
    if (lostAlready_) return;
    if (clock_.Running()) Release(upTo, 0);
    lostAlready_ = true;
    running_ = false;
    CancelTimingUpdate();
    held_.clear();
    heldStart_ = 0;
    clock_.Stop();
    if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0) HandBackFront();
    if (lost_) lost_(why);
  }

  // On the loop's thread, lock held.
  static void ReleaseTick(pa_mainloop_api*, pa_time_event* e, const struct timeval*, void* self) {
    auto* in = static_cast<PulseWaveIn*>(self);
    if (!in->running_ || !in->stream_) return;  // restarted by the next Start
    const pa_usec_t now = pa_rtclock_now();
    if (!in->timingOp_) in->Release(now, in->clock_.kToleranceUs);
    pa_context_rttime_restart(in->connection_.Context(), e, now + kReleaseEveryUs);
  }

  // Lock held.
  void ReadAvailable() {
    if (lostAlready_) return;
    if (flushing_) {  // recorded before the reset
      const void* data = nullptr;
      size_t bytes = 0;
      while (pa_stream_readable_size(stream_) > 0 && pa_stream_peek(stream_, &data, &bytes) >= 0 &&
             bytes > 0)
        pa_stream_drop(stream_);
      return;
    }
    const pa_usec_t now = pa_rtclock_now();
    if (running_ && stream_ && !timingOp_) {
      const size_t readable = pa_stream_readable_size(stream_);
      if (TimingIsFresh())
        CatchUp(now, readable, false);
      else if (clock_.Behind(now, (readable + Waiting()) / blockAlign_, LatencyUs(readable)) > 0)
        // Behind by old figures: asked again, and until the answer what comes waits.
        timingOp_ = pa_stream_update_timing_info(stream_, TimingCallback, this);
    }
    while (stream_ && pa_stream_readable_size(stream_) > 0) {
      const void* data = nullptr;
      size_t bytes = 0;
      if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) break;
      Store(static_cast<const uint8_t*>(data), bytes);  // no data: a hole, kept as silence
      pa_stream_drop(stream_);
    }
    if (running_ && !timingOp_) Release(now, clock_.kToleranceUs);
  }

  // On the loop's thread, lock held: fresh latency figures after a lag seen by old ones. What
  // waits came after the lag, so any silence goes before it.
  static void TimingCallback(pa_stream*, int, void* self) {
    auto* in = static_cast<PulseWaveIn*>(self);
    pa_operation_unref(in->timingOp_);
    in->timingOp_ = nullptr;
    if (!in->running_ || !in->stream_) return;
    const pa_usec_t now = pa_rtclock_now();
    in->CatchUp(now, pa_stream_readable_size(in->stream_), true);
    in->Release(now, in->clock_.kToleranceUs);
  }

  // Lock held. Keeps what arrived (no data: silence) behind what waits already, up to a few
  // seconds; beyond that the sound is lost.
  void Store(const uint8_t* data, size_t bytes) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(heldStart_));
    heldStart_ = 0;
    const size_t room = heldLimit_ > held_.size() ? heldLimit_ - held_.size() : 0;
    const size_t keep = std::min(room, bytes) / blockAlign_ * blockAlign_;
    if (data)
      held_.insert(held_.end(), data, data + keep);
    else
      held_.resize(held_.size() + keep, silence_);
  }

  // Lock held. Hands on what waits, into the queued buffers, as far as the time recorded by `now`
  // (plus `slackUs`) reaches.
  void Release(pa_usec_t now, uint64_t slackUs) {
    const size_t waiting = held_.size() - heldStart_;
    const size_t allowed =
        static_cast<size_t>(std::min<uint64_t>(clock_.Room(now, slackUs), waiting / blockAlign_));
    if (allowed == 0) return;
    const size_t taken = Fill(held_.data() + heldStart_, allowed * blockAlign_);
    heldStart_ += taken;
    clock_.Count(taken / blockAlign_);
  }

  size_t Waiting() const { return held_.size() - heldStart_; }

  // Lock held. Copies into the queued buffers (no data: silence); returns the bytes taken.
  size_t Fill(const uint8_t* data, size_t bytes) {
    size_t taken = 0;
    while (bytes > 0 && !queue_.empty()) {
      WaveHeader* h = queue_.front();
      const size_t room = h->dwBufferLength - h->dwBytesRecorded;
      const size_t n = std::min(room, bytes);
      if (data) {
        std::memcpy(h->lpData + h->dwBytesRecorded, data, n);
        data += n;
      } else {
        std::memset(h->lpData + h->dwBytesRecorded, silence_, n);
      }
      h->dwBytesRecorded += static_cast<uint32_t>(n);
      bytes -= n;
      taken += n;
      if (h->dwBytesRecorded == h->dwBufferLength) HandBackFront();
    }
    return taken;
  }

  // Lock held.
  void HandBackFront() {
    WaveHeader* h = queue_.front();
    queue_.pop_front();
    h->dwFlags = (h->dwFlags & ~kWaveHdrInQueue) | kWaveHdrDone;
    if (done_) done_(h);
  }

  // Lock held. Corks the stream; what the server sent before the cork took effect has been read
  // by the callback when the cork's acknowledgement arrives (one ordered connection).
  void Halt() {
    if (!running_) return;
    running_ = false;
    const pa_usec_t stoppedAt = pa_rtclock_now();
    const bool corked = connection_.Finish(
        pa_stream_cork(stream_, 1, PulseConnection::SuccessWake, &connection_), kHaltAnswerMs);
    if (lostAlready_) return;  // the stream failed meanwhile
    if (!corked) {
      // The sound the server still holds for us is given up.
      Lose(LossNow(), stoppedAt);
      return;
    }
    ReadAvailable();
    // A source that never delivered still fills the time it ran.
    CatchUp(stoppedAt, 0, timingOp_ != nullptr);
    CancelTimingUpdate();
    // Up to the moment of the stop, and nothing beyond it.
    Release(stoppedAt, 0);
    held_.clear();
    heldStart_ = 0;
    clock_.Stop();
  }

  // Lock held. Whether the server's latency figures are recent enough to tell a source that
  // delivered nothing from sound still on its way. After our own process was held up (a loaded
  // machine, a stopped process) the figures are as old as the hold-up while the server kept the
  // sound of that time for us: it comes next, and silence for it would put all later sound late.
  bool TimingIsFresh() const {
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    if (!timing) return false;
    timeval now{};
    pa_gettimeofday(&now);
    return pa_timeval_diff(&now, &timing->timestamp) <= kFreshTimingUs;
  }

  // Lock held. Silence for the time the source delivered nothing, before `arriving` bytes that
  // are ready to be read at `now`.
  void CatchUp(pa_usec_t now, size_t arriving, bool beforeWaiting) {
    const uint64_t samples =
        clock_.Behind(now, (arriving + Waiting()) / blockAlign_, LatencyUs(arriving));
    if (samples == 0) return;
    if (!beforeWaiting) {
      Store(nullptr, static_cast<size_t>(samples) * blockAlign_);  // what waits is older
      return;
    }
    std::vector<uint8_t> later(held_.begin() + static_cast<std::ptrdiff_t>(heldStart_),
                               held_.end());
    held_.clear();
    heldStart_ = 0;
    Store(nullptr, static_cast<size_t>(samples) * blockAlign_);
    Store(later.data(), later.size());
  }

  void CancelTimingUpdate() {
    if (!timingOp_) return;
    pa_operation_cancel(timingOp_);
    pa_operation_unref(timingOp_);
    timingOp_ = nullptr;
  }

  // Lock held. How old the sound still on its way to us may be: a fragment, or what the server
  // reports for the sound not yet readable (its latency counts the readable bytes too).
  pa_usec_t LatencyUs(size_t readable) const {
    pa_usec_t latency = 0;
    if (const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_))
      latency = pa_bytes_to_usec(attr->fragsize, pa_stream_get_sample_spec(stream_));
    pa_usec_t reported = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &reported, &negative) == 0 && !negative) {
      const pa_usec_t ready = pa_bytes_to_usec(readable, pa_stream_get_sample_spec(stream_));
      if (reported > ready) latency = std::max(latency, reported - ready);
    }
    return latency;
  }

  void DropStream() {
    opened_ = false;
    flushing_ = false;
    CancelTimingUpdate();
    if (releaseEvent_) {
      pa_threaded_mainloop_get_api(connection_.Loop())->time_free(releaseEvent_);
      releaseEvent_ = nullptr;
    }
    if (!stream_) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    if (pa_stream_get_state(stream_) != PA_STREAM_UNCONNECTED) pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }

  PulseConnection connection_;
  pa_stream* stream_ = nullptr;
  std::deque<WaveHeader*> queue_;  // guarded by the loop lock
  BufferDone done_;
  Lost lost_;
  std::vector<uint8_t>
      held_;  // sound not handed on yet (ahead of time or no buffer), from heldStart_ on
  size_t heldStart_ = 0;
  size_t heldLimit_ = 0;
  uint8_t silence_ = 0x80;
  size_t blockAlign_ = 1;  // bytes a sample (all channels)
  uint32_t rate_ = 11025;
  SoundClock clock_;  // guarded by the loop lock
  pa_time_event* releaseEvent_ = nullptr;
  pa_operation* timingOp_ = nullptr;  // a latency update asked for after a lag
  bool running_ = false;
  bool opened_ = false;       // open: a failing stream is a loss
  bool flushing_ = false;     // a flush is on its way: what arrives before it is stale
  bool lostAlready_ = false;  // the loss was told: nothing more is recorded
};

}  // namespace

std::unique_ptr<IWaveInDevice> MakePulseWaveIn() {
  return std::make_unique<PulseWaveIn>();
}

}  // namespace mg
