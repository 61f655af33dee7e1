#include "tests/app/app_test_support.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <thread>

#include "app/desktop_open.h"
#include "platform/avi_file.h"
#include "platform/beep.h"
#include "platform/capture_display.h"
#include "platform/periodic_timer.h"
#include "platform/screen.h"

// X headers last: their macros (None, Bool, Status) break the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mgtest {
namespace {

Display* Dpy(void* d) {
  return static_cast<Display*>(d);
}

}  // namespace

bool WaitForWindowManager() {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return false;
  const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
  bool found = false;
  for (int i = 0; i < 200 && !found; ++i) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, XA_WINDOW, &type,
                           &format, &items, &after, &data) == Success &&
        items == 1)
      found = true;
    if (data) XFree(data);
    if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  XCloseDisplay(dpy);
  return found;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void RunWhen(std::function<bool()> when, std::function<void()> script) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout,
                   [poll, when = std::move(when), script = std::move(script)] {
                     if (!when()) return;
                     poll->stop();
                     poll->deleteLater();
                     script();
                   });
  poll->start();
}

MessageAnswers::MessageAnswers() {
  mg::SetMessageBoxHook([this](const QString& text, mg::MsgButtons buttons, mg::MsgIcon icon) {
    QString startRec;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* dlg = qobject_cast<mg::CRecorderDlg*>(w)) startRec = dlg->StartRecButton()->text();
    shown.push_back({text, buttons, icon, startRec});
    mg::MsgAnswer answer =
        buttons == mg::MsgButtons::YesNo ? mg::MsgAnswer::Yes : mg::MsgAnswer::Ok;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    return answer;
  });
}

MessageAnswers::~MessageAnswers() {
  mg::SetMessageBoxHook({});
}

QStringList MessageAnswers::Texts() const {
  QStringList texts;
  for (const ShownMessage& m : shown) texts << m.text;
  return texts;
}

DesktopRequests::DesktopRequests() {
  mg::SetDesktopOpenHook([this](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
}

DesktopRequests::~DesktopRequests() {
  mg::SetDesktopOpenHook({});
}

bool ManualHotKeys::Register(int id, int modifiers, int virtualKey) {
  attempts.push_back(id);
  keys.emplace_back(modifiers, virtualKey);
  if (refuse.count(id)) return false;
  registered.insert(id);
  return true;
}

Keyboard::Keyboard() : display_(XOpenDisplay(nullptr)) {}

Keyboard::~Keyboard() {
  if (display_) XCloseDisplay(Dpy(display_));
}

void Keyboard::Tap(unsigned long keysym, const std::vector<unsigned long>& held) {
  Display* dpy = Dpy(display_);
  // Each event a few milliseconds after the one before: a release and a press at the same
  // server time is how the server repeats a held key.
  for (unsigned long k : held) XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), True, 3);
  const KeyCode code = XKeysymToKeycode(dpy, keysym);
  XTestFakeKeyEvent(dpy, code, True, 3);
  XTestFakeKeyEvent(dpy, code, False, 3);
  for (auto k = held.rbegin(); k != held.rend(); ++k)
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, *k), False, 3);
  XSync(dpy, False);
}

bool Keyboard::LockOn(unsigned long lockKeysym) {
  Display* dpy = Dpy(display_);
  const char* name = lockKeysym == XK_Num_Lock ? "Num Lock" : "Caps Lock";
  const Atom atom = XInternAtom(dpy, name, False);
  int index = -1;
  Bool on = False;
  if (XkbGetNamedIndicator(dpy, atom, &index, &on, nullptr, nullptr)) return on;
  return false;
}

void Keyboard::SetLock(unsigned long lockKeysym, bool on) {
  if (LockOn(lockKeysym) != on) Tap(lockKeysym);
}

Pointer::Pointer() : display_(XOpenDisplay(nullptr)) {}

Pointer::~Pointer() {
  if (display_) XCloseDisplay(Dpy(display_));
}

void Pointer::MoveTo(int x, int y) {
  XTestFakeMotionEvent(Dpy(display_), -1, x, y, 3);
  XSync(Dpy(display_), False);
}

void Pointer::Press(int button) {
  XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), True, 3);
  XSync(Dpy(display_), False);
}

void Pointer::Release(int button) {
  XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), False, 3);
  XSync(Dpy(display_), False);
}

void Pointer::Click(int button) {
  Press(button);
  Release(button);
}

void Pointer::Position(int* x, int* y) {
  Window root = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(Dpy(display_), DefaultRootWindow(Dpy(display_)), &root, &child, x, y, &wx, &wy,
                &mask);
}

OtherApplication::OtherApplication() : display_(XOpenDisplay(nullptr)) {}

OtherApplication::~OtherApplication() {
  if (display_) XCloseDisplay(Dpy(display_));
}

namespace {
bool g_accessError = false;
int NoteError(Display*, XErrorEvent* e) {
  if (e->error_code == BadAccess) g_accessError = true;
  return 0;
}
}  // namespace

bool OtherApplication::Grab(unsigned long keysym, unsigned int mods) {
  Display* dpy = Dpy(display_);
  XSync(dpy, False);
  g_accessError = false;
  auto* previous = XSetErrorHandler(NoteError);
  XGrabKey(dpy, XKeysymToKeycode(dpy, keysym), mods, DefaultRootWindow(dpy), False, GrabModeAsync,
           GrabModeAsync);
  XSync(dpy, False);
  XSetErrorHandler(previous);
  return !g_accessError;
}

OtherWindow::OtherWindow() : display_(XOpenDisplay(nullptr)) {
  if (!display_) return;
  Display* dpy = Dpy(display_);
  window_ = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 700, 500, 300, 200, 0, 0,
                                WhitePixel(dpy, DefaultScreen(dpy)));
  XStoreName(dpy, window_, "Another application");
  XSelectInput(dpy, window_, KeyPressMask | StructureNotifyMask | FocusChangeMask);
}

OtherWindow::~OtherWindow() {
  if (!display_) return;
  XDestroyWindow(Dpy(display_), window_);
  XCloseDisplay(Dpy(display_));
}

bool OtherWindow::TakeFocus() {
  if (!display_) return false;
  Display* dpy = Dpy(display_);
  XMapRaised(dpy, window_);
  XSync(dpy, False);
  return WaitUntil([&] {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window_, &attributes) || attributes.map_state != IsViewable)
      return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    if (focus == window_) return true;
    XSetInputFocus(dpy, window_, RevertToParent, CurrentTime);
    XSync(dpy, False);
    return false;
  });
}

bool OtherWindow::Received(unsigned long keysym) {
  if (!display_) return false;
  Display* dpy = Dpy(display_);
  const KeyCode code = XKeysymToKeycode(dpy, keysym);
  return WaitUntil([&] {
    while (XPending(dpy)) {
      XEvent event;
      XNextEvent(dpy, &event);
      if (event.type == KeyPress && event.xkey.keycode == code) return true;
    }
    return false;
  });
}

void Screenshot(const QString& name) {
  const QString dir = qEnvironmentVariable("MOVIGRAM_SHOT_DIR");
  if (dir.isEmpty()) return;
  QCoreApplication::processEvents();
  QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                               dir + '/' + name + QStringLiteral(".png")});
}

}  // namespace mgtest
