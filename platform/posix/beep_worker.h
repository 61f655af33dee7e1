// Beeps played one after another on a worker thread of their own, so the caller never waits.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/beep.h"

namespace mg {

class BeepWorker final : public IBeeper {
 public:
  using Player = std::function<void(int frequencyHz, int durationMs)>;

  // `makePlayer` runs once on the worker thread; the player it returns plays every beep there
  // and is destroyed there when the worker ends, so whatever it holds stays on that thread.
  explicit BeepWorker(std::function<Player()> makePlayer);
  ~BeepWorker() override;

  void Beep(int frequencyHz, int durationMs) override;

 private:
  struct Request {
    int frequencyHz;
    int durationMs;
  };
  static constexpr size_t kMaxQueued = 4;  // a burst of beeps is not worth queueing

  void Run();

  std::function<Player()> makePlayer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> queue_;
  bool stop_ = false;
  std::thread worker_;  // last: starts after the members it uses exist
};

}  // namespace mg
