#include "platform/posix/beep_worker.h"

#include <algorithm>

namespace mg {

BeepWorker::BeepWorker(std::function<Player()> makePlayer)
    : makePlayer_(std::move(makePlayer)), worker_(&BeepWorker::Run, this) {}

BeepWorker::~BeepWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void BeepWorker::Beep(int frequencyHz, int durationMs) {
  if (frequencyHz <= 0 || durationMs <= 0) return;
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxQueued) return;
    queue_.push_back({frequencyHz, std::min(durationMs, 5000)});
  }
  wake_.notify_all();
}

void BeepWorker::Run() {
  Player play;
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) break;  // stopping, nothing left to play
    const Request request = queue_.front();
    queue_.pop_front();
    lock.unlock();
    if (!play) play = makePlayer_();
    if (play) play(request.frequencyHz, request.durationMs);
    lock.lock();
  }
  lock.unlock();
  play = nullptr;  // what the player holds goes on this thread
}

}  // namespace mg
