// Support for the application tests: answers to message boxes, a record of what the desktop was
// asked to open, hot keys driven by hand, the real recording platform, waiting on the event loop,
// synthetic key presses through XTest and screenshots.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/recorder_dlg.h"
#include "platform/loader/platform_loader.h"

namespace mgtest {

inline constexpr int kDesktopWidth = 1280;
inline constexpr int kDesktopHeight = 1024;

// True once a window manager has announced itself on the display (about ten seconds at most).
bool WaitForWindowManager();

// Runs the event loop until `done` is true; false when it did not become true within
// `timeoutMs`. From inside a recording this runs the recording's events as well.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Runs `script` once, from the event loop, as soon as `when` is true (polled every 10 ms). When
// `when` becomes true inside a recording, the script runs inside the recording loop.
void RunWhen(std::function<bool()> when, std::function<void()> script);

struct ShownMessage {
  QString text;
  mg::MsgButtons buttons;
  mg::MsgIcon icon;
  // What the main dialog's Start Rec. button said while the box was up (empty: no dialog).
  QString startRecText;
};

// Answers every message box instead of showing it, and keeps what it was asked.
class MessageAnswers {
 public:
  MessageAnswers();
  ~MessageAnswers();
  // The answers to give, in order; OK or Yes when none is left.
  void Queue(mg::MsgAnswer answer) { answers_.push_back(answer); }
  std::vector<ShownMessage> shown;
  QStringList Texts() const;

 private:
  std::deque<mg::MsgAnswer> answers_;
};

// Records what the desktop would have opened, instead of opening it.
class DesktopRequests {
 public:
  DesktopRequests();
  ~DesktopRequests();
  std::vector<QUrl> opened;
};

// Hot keys driven by hand; ids in `refuse` fail to register.
class ManualHotKeys : public mg::IGlobalHotKeys {
 public:
  bool Register(int id, int modifiers, int virtualKey) override;
  void Unregister(int id) override { registered.erase(id); }
  void SetHandler(std::function<void(int)> pressed) override { handler_ = std::move(pressed); }
  void Press(int id) {
    if (handler_ && registered.count(id)) handler_(id);
  }
  std::set<int> refuse;
  std::set<int> registered;
  std::vector<int> attempts;              // ids in the order registration was tried
  std::vector<std::pair<int, int>> keys;  // (modifiers, virtual key) of each attempt

 private:
  std::function<void(int)> handler_;
};

// The real recording platform on $DISPLAY (screen, grabber, timer thread, beep, AVI writer,
// no sound input); the hot keys are the test's own.
struct RealCapture {
  mg::PlatformLoader loader{mg::PlatformLoader::Options{.hotKeys = false, .sound = false}};
  mg::PlatformServices Platform() const { return loader.Services(); }
};

// Presses keys as a user at the keyboard would: XTest on a connection of its own.
class Keyboard {
 public:
  Keyboard();
  ~Keyboard();
  bool ok() const { return display_ != nullptr; }
  // Presses and releases the key of `keysym` while the keys of `held` are down.
  void Tap(unsigned long keysym, const std::vector<unsigned long>& held = {});
  // True when the lock of this key (Num_Lock, Caps_Lock) is on.
  bool LockOn(unsigned long lockKeysym);
  void SetLock(unsigned long lockKeysym, bool on);

 private:
  void* display_ = nullptr;
};

// Moves and clicks the pointer as a user at the mouse would: XTest on a connection of its own.
// Positions are device pixels of the whole screen.
class Pointer {
 public:
  Pointer();
  ~Pointer();
  void MoveTo(int x, int y);
  // Presses and releases `button` (1 left, 2 middle, 3 right) where the pointer is.
  void Click(int button = 1);
  void Press(int button = 1);
  void Release(int button = 1);
  void Position(int* x, int* y);

 private:
  void* display_ = nullptr;
};

// Another application holding keys: passive grabs on the root window of a connection of its own.
class OtherApplication {
 public:
  OtherApplication();
  ~OtherApplication();
  // True when the server granted the grab of the key of `keysym` with X modifier bits `mods`.
  bool Grab(unsigned long keysym, unsigned int mods);

 private:
  void* display_ = nullptr;
};

// Another application's window with the keyboard focus: a plain X window of a connection of its
// own, which notes the keys that reach it.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  // Maps the window and gives it the focus; true once the server says it has it.
  bool TakeFocus();
  // True when a press of the key of `keysym` reached the window (events are read as they come,
  // for about ten seconds at most).
  bool Received(unsigned long keysym);

 private:
  void* display_ = nullptr;
  unsigned long window_ = 0;
};

// Saves the whole screen as <$MOVIGRAM_SHOT_DIR>/<name>.png when that variable is set.
void Screenshot(const QString& name);

}  // namespace mgtest
