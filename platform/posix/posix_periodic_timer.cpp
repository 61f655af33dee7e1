// The periodic timer: a thread of its own waiting for absolute deadlines on the monotonic clock.
// Deadlines are start + n * period, reckoned from n each time in whole nanoseconds (the period
// is an exact fraction), so the ticks neither drift nor gather rounding: a 30 fps recording gets
// exactly 30 ticks a second, not the 30.3 of a period rounded to 33 ms. Deadlines that passed while
// the thread could not run (a long tick, a loaded machine, a stopped process) get no tick of their
// own (no burst of ticks to catch up): the next tick runs at once and tells how many it stands
// for through MissedTicks. The wait is a condition-variable wait
// until the deadline on the steady (monotonic) clock rather than a plain clock_nanosleep, so that
// Kill wakes the thread at once instead of waiting out a period of up to seconds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/posix/posix_backends.h"

namespace mg {
namespace {

using Clock = std::chrono::steady_clock;

class ThreadTimer : public IPeriodicTimer {
 public:
  ~ThreadTimer() override { Kill(); }

  bool Start(TickPeriod period, std::function<void()> tick) override {
    if (!period.Valid() || !tick) return false;
    std::unique_lock lock(mutex_);
    if (running_) return false;
    if (tickThread_ == std::this_thread::get_id()) return false;
    lock.unlock();
    std::lock_guard joinLock(joinMutex_);
    // Killed from inside its own tick earlier: that thread has ended or is ending.
    if (thread_.joinable()) thread_.join();
    lock.lock();
    stop_ = false;
    running_ = true;
    thread_ = std::thread(&ThreadTimer::Run, this, period, std::move(tick));
    tickThread_ = thread_.get_id();
    return true;
  }

  // Kill from inside a tick only sets the flag: the thread ends when the tick returns, and is
  // joined by a later Kill, Start or the destructor. The timer must not be destroyed by its own
  // tick.
  void Kill() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      wake_.notify_all();
      if (tickThread_ == std::this_thread::get_id()) return;
    }
    std::lock_guard joinLock(joinMutex_);
    if (thread_.joinable()) thread_.join();
  }

  int MissedTicks() const override { return missed_.load(std::memory_order_relaxed); }

 private:
  // The n-th deadline after `start`.
  static Clock::time_point Deadline(Clock::time_point start, TickPeriod period, int64_t n) {
    const int64_t whole = period.nanoseconds / period.parts,
                  rest = period.nanoseconds % period.parts;
    return start + std::chrono::nanoseconds(n * whole + n * rest / period.parts);
  }

  // The number of the latest deadline that has passed at `now`.
  static int64_t Latest(Clock::time_point start, TickPeriod period, Clock::time_point now) {
    const int64_t elapsed = std::chrono::nanoseconds(now - start).count();
    if (elapsed <= 0) return 0;
    const int64_t periods = elapsed / period.nanoseconds, rest = elapsed % period.nanoseconds;
    return periods * period.parts + rest * period.parts / period.nanoseconds;
  }

  void Run(TickPeriod period, std::function<void()> tick) {
    // The first tick comes at once: frame 0 of a recording shows the moment it started, when its
    // sound starts too, so picture and sound begin together.
    const Clock::time_point start = Clock::now();
    int64_t n = 0;
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait_until(lock, Deadline(start, period, n), [this] { return stop_; });
      if (stop_) break;
      // Every deadline up to now has passed: this tick is for the latest, the others are missed.
      const int64_t latest = std::max(n, Latest(start, period, Clock::now()));
      missed_.store(static_cast<int>(std::min<int64_t>(latest - n, 1 << 30)),
                    std::memory_order_relaxed);
      n = latest;
      lock.unlock();
      tick();
      lock.lock();
      if (stop_) break;
      ++n;
    }
    running_ = false;
  }

  std::mutex mutex_;  // guards stop_, running_ and tickThread_
  std::thread::id tickThread_;
  std::mutex joinMutex_;  // guards thread_
  std::condition_variable wake_;
  bool stop_ = false;
  bool running_ = false;
  std::atomic<int> missed_{0};  // written by the tick thread before each tick
  std::thread thread_;
};

}  // namespace

std::unique_ptr<IPeriodicTimer> MakePeriodicTimer() {
  return std::make_unique<ThreadTimer>();
}

}  // namespace mg
