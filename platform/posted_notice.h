// A notice posted from any thread to the user-interface thread, without allocating: posts are
// counted in an eventfd, and the handler runs from the thread's event loop with the number of
// posts since it last ran.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace mg {

class PostedNotice {
 public:
  // Create on the thread whose event loop runs `handler`.
  explicit PostedNotice(std::function<void(uint64_t count)> handler);
  ~PostedNotice();
  PostedNotice(const PostedNotice&) = delete;
  PostedNotice& operator=(const PostedNotice&) = delete;

  // Any thread; async-signal-safe and allocation-free.
  void Post();
  // Runs the handler now for posts not yet handled; true when there were any.
  bool Dispatch();

 private:
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void(uint64_t)> handler_;
};

}  // namespace mg
