#include "platform/pulse/pulse_connection.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>

namespace mg {
namespace {

// The process's file-creation mask, read without changing it; -1 when the kernel does not show it.
int ReadUmask() {
  FILE* f = std::fopen("/proc/self/status", "re");
  if (!f) return -1;
  char line[256];
  unsigned mask = 0;
  int result = -1;
  while (result < 0 && std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "Umask: %o", &mask) == 1) result = static_cast<int>(mask);
  std::fclose(f);
  return result;
}

// While it looks for a server, libpulse sets the process's umask to 077 for a moment (making
// its runtime folders), from the caller's and from its own thread. Connections are made one at a
// time, and whatever mask a connection attempt leaves behind is put back as it was.
class UmaskKeeper {
 public:
  UmaskKeeper() : lock_(Mutex()), before_(ReadUmask()) {}
  ~UmaskKeeper() {
    if (before_ >= 0 && ReadUmask() != before_) ::umask(static_cast<mode_t>(before_));
  }
  UmaskKeeper(const UmaskKeeper&) = delete;
  UmaskKeeper& operator=(const UmaskKeeper&) = delete;

 private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  std::lock_guard<std::mutex> lock_;
  int before_;
};

struct Deadline {
  pa_threaded_mainloop* loop;
  bool passed = false;
};

void DeadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
  auto* d = static_cast<Deadline*>(userdata);
  d->passed = true;
  pa_threaded_mainloop_signal(d->loop, 0);
}

void ContextWake(pa_context*, void* userdata) {
  PulseConnection::WakeCallback(userdata);
}

}  // namespace

void PulseConnection::WakeCallback(void* userdata) {
  auto* self = static_cast<PulseConnection*>(userdata);
  pa_threaded_mainloop_signal(self->loop_, 0);
}

bool PulseConnection::Connect(const char* clientName, int timeoutMs, bool* noAnswer) {
  Disconnect();
  if (noAnswer) *noAnswer = false;
  const UmaskKeeper keepUmask;
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) return false;
  if (pa_threaded_mainloop_start(loop_) < 0) {
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    return false;
  }
  bool ready = false;
  {
    PulseLock lock(*this);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName);
    if (context_) {
      pa_context_set_state_callback(context_, ContextWake, this);
      // Never start a server of our own: no server means no sound.
      if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0)
        ready = Wait([this] { return Ready(); }, timeoutMs);
      // Still connecting when the time is up: a server took the connection but never answered.
      if (!ready && noAnswer) *noAnswer = PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
    }
  }
  if (!ready) Disconnect();  // the loop thread stops here: nothing of it changes the mask later
  return ready;
}

void PulseConnection::Disconnect() {
  if (!loop_) return;
  {
    PulseLock lock(*this);
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

bool PulseConnection::Ready() const {
  return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::Wait(const std::function<bool()>& done, int timeoutMs) {
  return WaitUntil(done, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC);
}

bool PulseConnection::WaitUntil(const std::function<bool()>& done, pa_usec_t deadlineUs) {
  if (!loop_ || !context_) return false;
  Deadline deadline{loop_};
  pa_time_event* timer = pa_context_rttime_new(context_, deadlineUs, DeadlinePassed, &deadline);
  bool result = false;
  while (true) {
    if (done()) {
      result = true;
      break;
    }
    if (deadline.passed || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) break;
    pa_threaded_mainloop_wait(loop_);
  }
  if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
  return result;
}

bool PulseConnection::Finish(pa_operation* op, int timeoutMs) {
  if (!op) return false;
  const bool done =
      Wait([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, timeoutMs) &&
      pa_operation_get_state(op) == PA_OPERATION_DONE;
  if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_operation_cancel(op);
  pa_operation_unref(op);
  return done;
}

}  // namespace mg
