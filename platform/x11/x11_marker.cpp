#include "platform/x11/x11_marker.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <vector>

#include "platform/x11/x11_marker_shape.h"

namespace mg {

X11Marker::X11Marker(Display* display) : display_(display) {}

X11Marker::~X11Marker() {
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

void X11Marker::Paint(unsigned long pixel, bool flush) {
  XSetWindowBackground(display_, window_, pixel);
  XClearWindow(display_, window_);
  if (flush) XFlush(display_);
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
  if (!mapped_) {
    XMapRaised(display_, window_);
    mapped_ = true;
  } else {
    XRaiseWindow(display_, window_);  // stays above windows raised since
  }
  // Not flushed: the grab that follows in the same tick is a round trip, which sends it first.
  Paint(WhitePixel(display_, DefaultScreen(display_)), false);
}

void X11Marker::Hide() {
  if (!mapped_) return;
  Paint(BlackPixel(display_, DefaultScreen(display_)), true);
}

void X11Marker::Remove() {
  if (!mapped_) return;
  XUnmapWindow(display_, window_);
  XFlush(display_);
  mapped_ = false;
}

}  // namespace mg
