#include "platform/posted_notice.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace mg {

PostedNotice::PostedNotice(std::function<void(uint64_t)> handler) : handler_(std::move(handler)) {
  fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Dispatch(); });
}

PostedNotice::~PostedNotice() {
  notifier_.reset();
  if (fd_ >= 0) close(fd_);
}

void PostedNotice::Post() {
  const uint64_t one = 1;
  if (fd_ >= 0) [[maybe_unused]]
    auto n = write(fd_, &one, sizeof one);
}

bool PostedNotice::Dispatch() {
  uint64_t count = 0;
  if (fd_ < 0 || read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count) ||
      count == 0)
    return false;
  if (handler_) handler_(count);
  return true;
}

}  // namespace mg
