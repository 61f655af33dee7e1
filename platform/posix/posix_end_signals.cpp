// The end signals over a self-pipe: the handler writes the signal's number into a pipe (all it
// may safely do), and a socket notifier on the pipe's other end reads it in the Qt loop.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <iterator>

#include "platform/end_signals.h"

namespace mg {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
volatile sig_atomic_t g_writeEnd = -1;

void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  if (g_writeEnd >= 0) [[maybe_unused]]
    auto n = ::write(g_writeEnd, &number, 1);
  errno = saved;
}

}  // namespace

struct EndSignals::State {
  int pipe[2] = {-1, -1};
  struct sigaction previous[std::size(kSignals)] = {};
  std::unique_ptr<QSocketNotifier> notifier;
  std::function<void(int)> handler;
  bool installed = false;
};

EndSignals::EndSignals(std::function<void(int)> handler) : state_(std::make_unique<State>()) {
  state_->handler = std::move(handler);
  if (g_writeEnd >= 0 || ::pipe2(state_->pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_writeEnd = state_->pipe[1];
  state_->notifier = std::make_unique<QSocketNotifier>(state_->pipe[0], QSocketNotifier::Read);
  QObject::connect(state_->notifier.get(), &QSocketNotifier::activated, [this] {
    unsigned char number = 0;
    while (::read(state_->pipe[0], &number, 1) == 1)
      if (state_->handler) state_->handler(number);
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &action, &state_->previous[i]);
  state_->installed = true;
}

EndSignals::~EndSignals() {
  if (state_->installed)
    for (size_t i = 0; i < std::size(kSignals); ++i)
      sigaction(kSignals[i], &state_->previous[i], nullptr);
  state_->notifier.reset();
  if (state_->pipe[1] >= 0 && g_writeEnd == state_->pipe[1]) g_writeEnd = -1;
  for (int fd : state_->pipe)
    if (fd >= 0) ::close(fd);
}

bool EndSignals::ok() const {
  return state_->installed;
}

}  // namespace mg
