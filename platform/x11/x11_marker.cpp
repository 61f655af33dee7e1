#include "platform/x11/x11_marker.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <vector>

#include "platform/x11/x11_marker_shape.h"

namespace mg {

X11Marker::X11Marker(Display* display) : display_(display) {}

namespace {

// 8 x 8 tile of diagonal stripes 4 pixels wide (bit set = the first colour); across the 3-pixel
// frame they make dashes of both colours, so some of the frame stands out on any background.
constexpr unsigned char kStripes[8] = {0x0f, 0x87, 0xc3, 0xe1, 0xf0, 0x78, 0x3c, 0x1e};

int BlinkPhase() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  return static_cast<int>((ms / X11Marker::kBlinkMs) % 2);
}

}  // namespace

X11Marker::~X11Marker() {
  for (Pixmap& tile : tiles_)
    if (tile) XFreePixmap(display_, tile);
  if (window_) {
    XDestroyWindow(display_, window_);
    XFlush(display_);
  }
}

bool X11Marker::EnsureWindow() {
  if (window_) return true;
  int eventBase = 0;
  int errorBase = 0;
  if (!XShapeQueryExtension(display_, &eventBase, &errorBase)) return false;
  const int screen = DefaultScreen(display_);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display_, screen);
  attributes.border_pixel = BlackPixel(display_, screen);
  window_ = XCreateWindow(display_, RootWindow(display_, screen), 0, 0, 1, 1, 0, CopyFromParent,
                          InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixel | CWBorderPixel, &attributes);
  if (!window_) return false;

  // Typed before it is mapped: compositors then leave out shadows and effects.
  Atom type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
  Atom dock = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DOCK", False);
  XChangeProperty(display_, window_, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dock), 1);
  XStoreName(display_, window_, "Movigram marker");
  XClassHint hint{};
  char name[] = "movigram-marker";
  char cls[] = "Movigram";
  hint.res_name = name;
  hint.res_class = cls;
  XSetClassHint(display_, window_, &hint);

  // Clicks pass through: an empty input shape.
  XShapeCombineRectangles(display_, window_, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
  return MakeTiles();
}

bool X11Marker::MakeTiles() {
  const int screen = DefaultScreen(display_);
  const unsigned long white = WhitePixel(display_, screen), black = BlackPixel(display_, screen);
  for (int phase = 0; phase < 2; ++phase) {
    tiles_[phase] =
        XCreatePixmapFromBitmapData(display_, RootWindow(display_, screen),
                                    reinterpret_cast<char*>(const_cast<unsigned char*>(kStripes)),
                                    8, 8, phase == 0 ? white : black, phase == 0 ? black : white,
                                    static_cast<unsigned>(DefaultDepth(display_, screen)));
    if (!tiles_[phase]) return false;
  }
  return true;
}

void X11Marker::Reshape(const WinRect& outer, bool paused) {
  const MarkerBox box = MarkerWindowBox(outer);
  const std::vector<MarkerRect> rects = MarkerShape(outer, paused);
  std::vector<XRectangle> xrects;
  xrects.reserve(rects.size());
  for (const MarkerRect& r : rects) {
    xrects.push_back({static_cast<short>(r.x), static_cast<short>(r.y),
                      static_cast<unsigned short>(r.width), static_cast<unsigned short>(r.height)});
  }
  XShapeCombineRectangles(display_, window_, ShapeBounding, 0, 0, xrects.data(),
                          static_cast<int>(xrects.size()), ShapeSet, Unsorted);
  XMoveResizeWindow(display_, window_, box.x, box.y, static_cast<unsigned>(box.width),
                    static_cast<unsigned>(box.height));
  outer_ = outer;
  paused_ = paused;
  shaped_ = true;
}

void X11Marker::Paint(int phase) {
  XSetWindowBackgroundPixmap(display_, window_, tiles_[phase]);
  XClearWindow(display_, window_);
  phase_ = phase;
}

void X11Marker::Show(const WinRect& outer, bool paused) {
  if (MarkerWindowBox(outer).width == 0) {
    Remove();
    return;
  }
  if (!EnsureWindow()) return;
  if (!shaped_ || paused != paused_ || outer.left != outer_.left || outer.top != outer_.top ||
      outer.right != outer_.right || outer.bottom != outer_.bottom)
    Reshape(outer, paused);
  bool repaint = false;
  if (!mapped_) {
    XMapRaised(display_, window_);
    mapped_ = true;
    repaint = true;
  } else {
    XRaiseWindow(display_, window_);  // stays above windows raised since
  }
  // Not flushed: the grab that follows in the same tick is a round trip, which sends it first.
  const int phase = BlinkPhase();
  if (repaint || phase != phase_) Paint(phase);
}

void X11Marker::Hide() {
  if (mapped_) XFlush(display_);
}

void X11Marker::Remove() {
  if (!mapped_) return;
  XUnmapWindow(display_, window_);
  XFlush(display_);
  mapped_ = false;
  phase_ = -1;
}

}  // namespace mg
