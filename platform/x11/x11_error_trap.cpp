#include "platform/x11/x11_error_trap.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace mg {
namespace {

thread_local X11ErrorTrap* t_trap = nullptr;

std::mutex g_mutex;
XErrorHandler g_previous = nullptr;
std::vector<Display*> g_ours;

int HandleError(Display* display, XErrorEvent* event) {
  if (X11ErrorTrap::Record(display, event->error_code)) return 0;
  XErrorHandler previous = nullptr;
  {
    std::lock_guard lock(g_mutex);
    if (std::find(g_ours.begin(), g_ours.end(), display) != g_ours.end()) return 0;
    previous = g_previous;
  }
  return previous ? previous(display, event) : 0;
}

// A connection of ours is lost (the X server died). On the main thread the program ends with
// exit(), so what the application registered with atexit (finishing the movie, saving the
// settings) still runs; any other thread (the tick) waits here for that end rather than end
// the process under the main thread's feet.
int HandleConnectionLoss(Display*) {
  if (::syscall(SYS_gettid) == ::getpid()) {
    std::fputs("Movigram: the connection to the X server was lost.\n", stderr);
    std::exit(1);
  }
  for (;;) ::pause();
}

// Puts our handler in place; another library may have replaced it since we last looked.
void EnsureHandler() {
  std::lock_guard lock(g_mutex);
  XErrorHandler current = XSetErrorHandler(HandleError);
  if (current != HandleError) g_previous = current;
  XSetIOErrorHandler(HandleConnectionLoss);
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display), outer_(t_trap) {
  EnsureHandler();
  XSync(display_, False);  // errors of earlier requests are not ours
  error_ = 0;
  t_trap = this;
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(display_, False);
  t_trap = outer_;
}

int X11ErrorTrap::Sync() {
  XSync(display_, False);
  return error_;
}

bool X11ErrorTrap::Record(Display* display, int errorCode) {
  for (X11ErrorTrap* trap = t_trap; trap; trap = trap->outer_) {
    if (trap->display_ == display) {
      if (trap->error_ == 0) trap->error_ = errorCode;
      return true;
    }
  }
  return false;
}

void X11AdoptConnection(Display* display) {
  EnsureHandler();
  std::lock_guard lock(g_mutex);
  g_ours.push_back(display);
}

void X11ReleaseConnection(Display* display) {
  std::lock_guard lock(g_mutex);
  g_ours.erase(std::remove(g_ours.begin(), g_ours.end(), display), g_ours.end());
}

}  // namespace mg
