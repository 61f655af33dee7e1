// A connection to the sound server on a threaded main loop of its own, with bounded waits: no
// server, a dead socket or a server that does not answer never hangs the caller.
//
// Thread rules: the loop's callbacks run on its thread with the loop lock held; every call on the
// context or its streams from another thread is made holding the lock (PulseLock).
#pragma once

#include <pulse/pulseaudio.h>

#include <functional>

namespace mg {

class PulseConnection {
 public:
  PulseConnection() = default;
  ~PulseConnection() { Disconnect(); }
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  // Connects to the default server (PULSE_SERVER or the user's); false after `timeoutMs`, with
  // `*noAnswer` set when a server was found but did not answer in that time.
  bool Connect(const char* clientName, int timeoutMs, bool* noAnswer = nullptr);
  void Disconnect();

  pa_threaded_mainloop* Loop() const { return loop_; }
  pa_context* Context() const { return context_; }
  bool Ready() const;  // lock held

  // Lock held: waits until `done()` holds, the connection breaks or `timeoutMs` passes.
  bool Wait(const std::function<bool()>& done, int timeoutMs);
  // Lock held: the same, until the loop's clock (pa_rtclock_now) reaches `deadlineUs`.
  bool WaitUntil(const std::function<bool()>& done, pa_usec_t deadlineUs);
  // Lock held: waits for `op` to finish (nullptr = it could not be started) and unrefs it.
  bool Finish(pa_operation* op, int timeoutMs);

  // For state and completion callbacks: wakes the waiter. `userdata` is the connection.
  static void WakeCallback(void* userdata);
  static void StreamWake(pa_stream*, void* userdata) { WakeCallback(userdata); }
  static void SuccessWake(pa_stream*, int, void* userdata) { WakeCallback(userdata); }

 private:
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
};

class PulseLock {
 public:
  explicit PulseLock(const PulseConnection& c) : loop_(c.Loop()) {
    if (loop_) pa_threaded_mainloop_lock(loop_);
  }
  ~PulseLock() {
    if (loop_) pa_threaded_mainloop_unlock(loop_);
  }
  PulseLock(const PulseLock&) = delete;
  PulseLock& operator=(const PulseLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

}  // namespace mg
