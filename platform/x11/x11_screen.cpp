// The X11 screen for the user-interface thread, on a connection of its own.
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

// Xlib after Qt: its macros (Status, None, Bool) would clash with Qt's names.
#include <X11/Xlib.h>

#include "platform/x11/x11_backends.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_pixel_layout.h"
#include "platform/x11/x11_pointer.h"

namespace mg {
namespace {

class X11Screen : public IScreen {
 public:
  // nullptr when the display cannot be opened.
  static std::unique_ptr<X11Screen> Open(const char* displayName);
  ~X11Screen() override;

  DisplayFormat Format() override;
  int ReadPalette(PaletteEntry* entries, int count) override;
  ScreenPoint CursorPos() override;
  // Colormap install/uninstall notices arrive at once; stores into the colormap send no notice,
  // so the colormap is also compared every kPalettePollMs. Only a real change is reported.
  void WatchPalette(std::function<void()> changed) override;

  static constexpr int kPalettePollMs = 250;

 private:
  explicit X11Screen(Display* display);
  bool HasColormap() const;
  // Reads the whole default colormap; false on a direct-colour visual.
  bool Snapshot(std::vector<XColor>* out);
  void HandleEvents();
  void CheckPalette();

  Display* display_;
  int screen_;
  Visual* visual_;
  std::function<void()> changed_;
  std::vector<XColor> last_;
  std::unique_ptr<QTimer> poll_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

std::unique_ptr<X11Screen> X11Screen::Open(const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  X11AdoptConnection(display);
  return std::unique_ptr<X11Screen>(new X11Screen(display));
}

X11Screen::X11Screen(Display* display)
    : display_(display),
      screen_(DefaultScreen(display)),
      visual_(DefaultVisual(display, DefaultScreen(display))) {}

X11Screen::~X11Screen() {
  notifier_.reset();
  poll_.reset();
  X11ReleaseConnection(display_);
  XCloseDisplay(display_);
}

bool X11Screen::HasColormap() const {
  // Pixel values index a colour map on these visuals; on TrueColor/DirectColor they carry the
  // colour themselves.
  return visual_->c_class != TrueColor && visual_->c_class != DirectColor;
}

DisplayFormat X11Screen::Format() {
  DisplayFormat format;
  X11PixelLayout layout;
  QueryPixelLayout(display_, &layout);
  format.bitsPerPixel = layout.bitsPerPixel;
  format.depth = layout.depth;
  format.desktopWidth = layout.width;
  format.desktopHeight = layout.height;
  if (HasColormap()) {
    // X reserves no colours for itself beyond the black and white pixels that the server
    // preallocates; every other cell belongs to the clients.
    format.numColors = 2;
    format.paletteNoStatic = true;
  } else {
    format.redMask = static_cast<uint32_t>(visual_->red_mask);
    format.greenMask = static_cast<uint32_t>(visual_->green_mask);
    format.blueMask = static_cast<uint32_t>(visual_->blue_mask);
  }
  return format;
}

bool X11Screen::Snapshot(std::vector<XColor>* out) {
  if (!HasColormap()) return false;
  const int cells = visual_->map_entries;
  out->assign(static_cast<size_t>(cells), XColor{});
  for (int i = 0; i < cells; ++i)
    (*out)[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
  XQueryColors(display_, DefaultColormap(display_, screen_), out->data(), cells);
  return true;
}

int X11Screen::ReadPalette(PaletteEntry* entries, int count) {
  if (!entries || count <= 0) return 0;
  std::vector<XColor> colours;
  if (!Snapshot(&colours)) return 0;
  const int n = count < static_cast<int>(colours.size()) ? count : static_cast<int>(colours.size());
  for (int i = 0; i < n; ++i) {
    const XColor& c = colours[static_cast<size_t>(i)];
    entries[i].red = static_cast<uint8_t>(c.red >> 8);
    entries[i].green = static_cast<uint8_t>(c.green >> 8);
    entries[i].blue = static_cast<uint8_t>(c.blue >> 8);
    entries[i].flags = 0;
  }
  return n;
}

ScreenPoint X11Screen::CursorPos() {
  const PointerState pointer = X11QueryPointer(display_, RootWindow(display_, screen_));
  HandleEvents();
  return ScreenPoint{pointer.x, pointer.y};
}

void X11Screen::WatchPalette(std::function<void()> changed) {
  changed_ = std::move(changed);
  const Window root = RootWindow(display_, screen_);
  if (!changed_ || !HasColormap()) {
    poll_.reset();
    notifier_.reset();
    XSelectInput(display_, root, NoEventMask);
    XFlush(display_);
    last_.clear();
    return;
  }
  Snapshot(&last_);
  // The root window uses the default colormap: installing or uninstalling it is reported here.
  XSelectInput(display_, root, ColormapChangeMask);
  XFlush(display_);
  if (!notifier_) {
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { HandleEvents(); });
  }
  if (!poll_) {
    poll_ = std::make_unique<QTimer>();
    poll_->setInterval(kPalettePollMs);
    QObject::connect(poll_.get(), &QTimer::timeout, [this] {
      HandleEvents();
      CheckPalette();
    });
    poll_->start();
  }
}

void X11Screen::HandleEvents() {
  bool colormapNotice = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == ColormapNotify) colormapNotice = true;
  }
  if (colormapNotice) CheckPalette();
}

void X11Screen::CheckPalette() {
  if (!changed_) return;
  std::vector<XColor> now;
  if (!Snapshot(&now)) return;
  bool same = now.size() == last_.size();
  for (size_t i = 0; same && i < now.size(); ++i) {
    same = now[i].red == last_[i].red && now[i].green == last_[i].green &&
           now[i].blue == last_[i].blue;
  }
  if (same) return;
  last_.swap(now);
  // The callback may stop the watch (and so destroy the timer that called us): call a copy.
  std::function<void()> changed = changed_;
  changed();
}

}  // namespace

std::unique_ptr<IScreen> MakeX11Screen() {
  return X11Screen::Open(nullptr);
}

}  // namespace mg
