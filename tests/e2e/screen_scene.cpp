#include "tests/e2e/screen_scene.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace mgtest {
namespace {

constexpr uint16_t kPalette[][3] = {{0xffff, 0xffff, 0xffff}, {0x2000, 0x4000, 0xc000},
                                    {0xc000, 0x2000, 0x2000}, {0x2000, 0xa000, 0x4000},
                                    {0xf000, 0xd000, 0x1000}, {0x5000, 0x5000, 0x5000}};
constexpr int kColours = 6;

uint32_t Rgb(const XColor& c) {
  return static_cast<uint32_t>(c.red >> 8) << 16 | static_cast<uint32_t>(c.green >> 8) << 8 |
         (c.blue >> 8);
}

}  // namespace

ScreenScene::ScreenScene(int width, int height, int depth) : server_(width, height, depth) {
  if (!server_.ok()) return;
  dpy_ = XOpenDisplay(server_.display().c_str());
  if (!dpy_) return;
  const int screen = DefaultScreen(dpy_);
  const Window root = RootWindow(dpy_, screen);
  const Colormap cmap = DefaultColormap(dpy_, screen);

  std::vector<unsigned long> pixels;
  for (const auto& rgb : kPalette) {
    XColor c{};
    c.red = rgb[0];
    c.green = rgb[1];
    c.blue = rgb[2];
    c.flags = DoRed | DoGreen | DoBlue;
    XAllocColor(dpy_, cmap, &c);
    pixels.push_back(c.pixel);
    colours_.push_back(Rgb(c));
  }

  // The picture is the root window's background, so the server repaints it wherever a window
  // (the marker, say) moves away.
  const Pixmap picture =
      XCreatePixmap(dpy_, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                    static_cast<unsigned>(DefaultDepth(dpy_, screen)));
  GC gc = XCreateGC(dpy_, root, 0, nullptr);
  for (int y = 0; y < height; y += kBlock)
    for (int x = 0; x < width; x += kBlock) {
      XSetForeground(dpy_, gc,
                     pixels[static_cast<size_t>((x / kBlock + 2 * (y / kBlock)) % kColours)]);
      XFillRectangle(dpy_, picture, gc, x, y, kBlock, kBlock);
    }
  XFreeGC(dpy_, gc);
  XSetWindowBackgroundPixmap(dpy_, root, picture);
  XClearWindow(dpy_, root);
  XFreePixmap(dpy_, picture);

  // A solid magenta square cursor, a colour the picture does not have, hot spot in its middle.
  Pixmap bits = XCreatePixmap(dpy_, root, kCursorSize, kCursorSize, 1);
  GC mono = XCreateGC(dpy_, bits, 0, nullptr);
  XSetForeground(dpy_, mono, 1);
  XFillRectangle(dpy_, bits, mono, 0, 0, kCursorSize, kCursorSize);
  XFreeGC(dpy_, mono);
  XColor fg{}, bg{};
  fg.red = 0xffff;
  fg.green = 0;
  fg.blue = 0xffff;
  fg.flags = DoRed | DoGreen | DoBlue;
  XAllocColor(dpy_, cmap, &fg);
  cursorColour_ = Rgb(fg);
  const Cursor cursor = XCreatePixmapCursor(dpy_, bits, bits, &fg, &bg, kCursorHot, kCursorHot);
  XDefineCursor(dpy_, root, cursor);
  XFreePixmap(dpy_, bits);
  XSync(dpy_, False);
}

ScreenScene::~ScreenScene() {
  if (dpy_) XCloseDisplay(dpy_);
}

uint32_t ScreenScene::ColourAt(int x, int y) const {
  return colours_[static_cast<size_t>((x / kBlock + 2 * (y / kBlock)) % kColours)];
}

void ScreenScene::MovePointer(int x, int y) {
  XWarpPointer(dpy_, None, DefaultRootWindow(dpy_), 0, 0, 0, 0, x, y);
  XSync(dpy_, False);
}

void ScreenScene::Key(unsigned long keysym, bool down) {
  XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, keysym), down ? True : False, CurrentTime);
  XSync(dpy_, False);
}

}  // namespace mgtest
