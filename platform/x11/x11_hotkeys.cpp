// Hot keys as passive key grabs on the root windows, made on Qt's own X connection so that the
// presses arrive through its event queue on the user-interface thread.
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/windows_records.h"
#include "platform/x11/x11_backends.h"
#include "platform/x11/x11_keyboard_map.h"

namespace mg {
namespace {

struct Grab {
  xcb_window_t root;
  xcb_keycode_t keycode;
  uint16_t modifiers;
};

struct Registration {
  int id = 0;
  int modifiers = 0;
  int virtualKey = 0;
  uint64_t serial = 0;                  // tells a re-registered identifier from the old one
  uint16_t mask = 0;                    // X modifier bits, locks left out
  std::vector<xcb_keycode_t> keycodes;  // the keys that give the virtual key
  std::vector<Grab> grabs;              // what the server holds for us
};

class X11HotKeys final : public IGlobalHotKeys, public QAbstractNativeEventFilter {
 public:
  X11HotKeys();
  ~X11HotKeys() override;

  bool Register(int id, int modifiers, int virtualKey) override;
  void Unregister(int id) override;
  void SetHandler(std::function<void(int id)> pressed) override { handler_ = std::move(pressed); }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  std::optional<uint16_t> MaskOf(int modifiers) const;
  std::vector<uint16_t> LockVariants() const;
  bool GrabAll(Registration& r);
  void UngrabAll(Registration& r);
  bool OnKey(const xcb_key_press_event_t* event, bool press);
  void Deliver(int id, uint64_t serial);
  void ScheduleRefresh();
  void Refresh();
  bool IsRoot(xcb_window_t window) const;

  xcb_connection_t* connection_ = nullptr;
  std::vector<xcb_window_t> roots_;
  X11KeyboardMap map_;
  bool refreshPending_ = false;
  uint8_t xkbFirstEvent_ = 0;  // 0 when the server has no XKEYBOARD
  std::vector<Registration> registrations_;
  uint64_t nextSerial_ = 1;
  std::function<void(int)> handler_;
  std::unique_ptr<QObject> context_;  // owns the queued deliveries; they die with it
  // Auto-repeat: keys seen pressed and not released, and the time of each key's last release
  // (a repeat without detectable auto-repeat is a release and a press at the same time).
  std::vector<xcb_keycode_t> held_;
  std::map<xcb_keycode_t, xcb_timestamp_t> lastRelease_;
};

X11HotKeys::X11HotKeys() : context_(std::make_unique<QObject>()) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  connection_ = x11 ? x11->connection() : nullptr;
  if (!connection_) return;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_)); it.rem; xcb_screen_next(&it))
    roots_.push_back(it.data->root);

  const char kXkb[] = "XKEYBOARD";
  xcb_query_extension_reply_t* xkb = xcb_query_extension_reply(
      connection_, xcb_query_extension(connection_, std::strlen(kXkb), kXkb), nullptr);
  if (xkb && xkb->present) xkbFirstEvent_ = xkb->first_event;
  std::free(xkb);

  map_.Load(connection_);
  qGuiApp->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
  if (qGuiApp && connection_) qGuiApp->removeNativeEventFilter(this);
  for (Registration& r : registrations_) UngrabAll(r);
}

std::optional<uint16_t> X11HotKeys::MaskOf(int modifiers) const {
  // Flags we do not know would register a different combination from the one stored.
  if (modifiers & ~(kModAlt | kModControl | kModShift)) return std::nullopt;
  uint16_t mask = 0;
  if (modifiers & kModShift) mask |= XCB_MOD_MASK_SHIFT;
  if (modifiers & kModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & kModAlt) mask |= map_.altMask();
  return mask;
}

// The grab must hold whatever the lock keys are: none, CapsLock, NumLock, both.
std::vector<uint16_t> X11HotKeys::LockVariants() const {
  const uint16_t numLock = map_.numLockMask();
  std::vector<uint16_t> variants = {0, XCB_MOD_MASK_LOCK};
  if (numLock && numLock != XCB_MOD_MASK_LOCK) {
    variants.push_back(numLock);
    variants.push_back(static_cast<uint16_t>(numLock | XCB_MOD_MASK_LOCK));
  }
  return variants;
}

// The X server keeps Ctrl+Alt+F1..F12 for switching virtual terminals: a grab of one is granted
// but the key never reaches any client, so such a key is refused like a taken one. With Shift
// as well the keys are ordinary ones.
bool ServerKeepsCombination(int modifiers, int virtualKey) {
  constexpr int kVkF1 = 0x70, kVkF12 = 0x7B;
  const int held = modifiers & (kModAlt | kModControl | kModShift);
  return held == (kModAlt | kModControl) && virtualKey >= kVkF1 && virtualKey <= kVkF12;
}

bool X11HotKeys::Register(int id, int modifiers, int virtualKey) {
  if (!connection_) return false;
  if (refreshPending_) Refresh();
  // The identifier names one combination: a new registration replaces the old one.
  Unregister(id);

  const std::optional<uint16_t> mask = MaskOf(modifiers);
  if (!mask || ServerKeepsCombination(modifiers, virtualKey)) return false;
  Registration r;
  r.id = id;
  r.modifiers = modifiers;
  r.virtualKey = virtualKey;
  r.serial = nextSerial_++;
  r.mask = *mask;
  r.keycodes = map_.KeycodesOf(virtualKey);
  if (r.keycodes.empty()) return false;

  // Our own grabs never conflict at the server (a client's second grab replaces its first), so
  // a combination already registered under another identifier is refused here.
  for (const Registration& other : registrations_) {
    if (other.mask != r.mask) continue;
    for (xcb_keycode_t code : r.keycodes)
      if (std::find(other.keycodes.begin(), other.keycodes.end(), code) != other.keycodes.end())
        return false;
  }

  if (!GrabAll(r)) {
    UngrabAll(r);
    return false;
  }
  registrations_.push_back(std::move(r));
  return true;
}

void X11HotKeys::Unregister(int id) {
  auto it = std::find_if(registrations_.begin(), registrations_.end(),
                         [id](const Registration& r) { return r.id == id; });
  if (it == registrations_.end()) return;
  UngrabAll(*it);
  for (xcb_keycode_t code : it->keycodes) {
    held_.erase(std::remove(held_.begin(), held_.end(), code), held_.end());
    lastRelease_.erase(code);
  }
  registrations_.erase(it);
}

// Sends every grab before checking any, so the whole set costs one round trip. True when the
// server granted all of them; those it granted are in r.grabs either way.
bool X11HotKeys::GrabAll(Registration& r) {
  std::vector<std::pair<Grab, xcb_void_cookie_t>> sent;
  for (xcb_window_t root : roots_) {
    for (xcb_keycode_t code : r.keycodes) {
      for (uint16_t lock : LockVariants()) {
        const Grab g{root, code, static_cast<uint16_t>(r.mask | lock)};
        sent.emplace_back(g, xcb_grab_key_checked(connection_, 0, root, g.modifiers, code,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
      }
    }
  }
  bool all = true;
  for (auto& [grab, cookie] : sent) {
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
      all = false;  // BadAccess: another client holds this variant
      std::free(error);
    } else {
      r.grabs.push_back(grab);
    }
  }
  return all;
}

void X11HotKeys::UngrabAll(Registration& r) {
  std::vector<xcb_void_cookie_t> sent;
  for (const Grab& g : r.grabs)
    sent.push_back(xcb_ungrab_key_checked(connection_, g.keycode, g.root, g.modifiers));
  for (xcb_void_cookie_t cookie : sent) std::free(xcb_request_check(connection_, cookie));
  r.grabs.clear();
}

bool X11HotKeys::IsRoot(xcb_window_t window) const {
  return std::find(roots_.begin(), roots_.end(), window) != roots_.end();
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!connection_ || eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (!IsRoot(key->event)) return false;
    return OnKey(key, type == XCB_KEY_PRESS);
  }
  if (type == XCB_MAPPING_NOTIFY) {
    auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
    if (mapping->request != XCB_MAPPING_POINTER) ScheduleRefresh();
    return false;
  }
  if (xkbFirstEvent_ && type == xkbFirstEvent_) {
    // The second byte of every XKEYBOARD event is its kind: 0 a new keyboard, 1 a new map.
    const uint8_t kind = reinterpret_cast<const uint8_t*>(event)[1];
    if (kind == 0 || kind == 1) ScheduleRefresh();
  }
  return false;
}

bool X11HotKeys::OnKey(const xcb_key_press_event_t* event, bool press) {
  const xcb_keycode_t code = event->detail;
  const bool wasHeld = std::find(held_.begin(), held_.end(), code) != held_.end();
  if (!press) {
    held_.erase(std::remove(held_.begin(), held_.end(), code), held_.end());
    lastRelease_[code] = event->time;
    return false;
  }
  if (!wasHeld) held_.push_back(code);
  auto released = lastRelease_.find(code);
  const bool repeat =
      wasHeld || (released != lastRelease_.end() && released->second == event->time);
  if (repeat) return false;

  const uint16_t locks = static_cast<uint16_t>(XCB_MOD_MASK_LOCK | map_.numLockMask());
  const uint16_t state = static_cast<uint16_t>(event->state & 0xff & ~locks);
  for (const Registration& r : registrations_) {
    if (r.mask != state) continue;
    if (std::find(r.keycodes.begin(), r.keycodes.end(), code) == r.keycodes.end()) continue;
    // Handled from the event loop, not from inside Qt's event dispatch: the handler may run a
    // recording loop of its own.
    QMetaObject::invokeMethod(
        context_.get(), [this, id = r.id, serial = r.serial] { Deliver(id, serial); },
        Qt::QueuedConnection);
    return true;
  }
  return false;
}

// A press counts only while its registration stands.
void X11HotKeys::Deliver(int id, uint64_t serial) {
  for (const Registration& r : registrations_) {
    if (r.id == id && r.serial == serial) {
      // A copy: the handler may register keys or set another handler while it runs.
      const std::function<void(int)> handler = handler_;
      if (handler) handler(id);
      return;
    }
  }
}

// A layout change sends several notices in a row; one refresh after them is enough.
void X11HotKeys::ScheduleRefresh() {
  if (refreshPending_) return;
  refreshPending_ = true;
  QTimer::singleShot(0, context_.get(), [this] {
    if (refreshPending_) Refresh();
  });
}

// Grabs again on the keys that give each registered virtual key now. A variant that another
// client took meanwhile stays missing; the other variants keep working.
void X11HotKeys::Refresh() {
  refreshPending_ = false;
  for (Registration& r : registrations_) UngrabAll(r);
  map_.Load(connection_);
  held_.clear();
  lastRelease_.clear();
  for (Registration& r : registrations_) {
    r.mask = MaskOf(r.modifiers).value_or(r.mask);
    r.keycodes = map_.KeycodesOf(r.virtualKey);
    GrabAll(r);
  }
}

}  // namespace

std::unique_ptr<IGlobalHotKeys> MakeX11HotKeys() {
  return std::make_unique<X11HotKeys>();
}

}  // namespace mg
