// The area selection overlay's X side, on Qt's own X connection (so the overlay's events and
// ours arrive in one queue on the user-interface thread): grabs with our cursors, the bounding
// shape, the pointer, the compositor's selection, a snapshot of the root window, the focus-out
// watch and the window tree under a point.
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/selection_display.h"
#include "platform/x11/x11_backends.h"

namespace mg {
namespace {

// The standard arrow of the core cursor font (XC_left_ptr) and its mask.
constexpr uint16_t kLeftPtrGlyph = 68;

template <typename T>
struct Reply {
  T* p = nullptr;
  explicit Reply(T* reply) : p(reply) {}
  ~Reply() { std::free(p); }
  Reply(const Reply&) = delete;
  Reply& operator=(const Reply&) = delete;
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

bool Contains(const WinRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

class X11SelectionDisplay final : public ISelectionDisplay, public QAbstractNativeEventFilter {
 public:
  explicit X11SelectionDisplay(xcb_connection_t* connection);
  ~X11SelectionDisplay() override;

  int ScreenWidth() override { return screen_->width_in_pixels; }
  int ScreenHeight() override { return screen_->height_in_pixels; }
  bool CompositorRunning() override;
  bool Snapshot(ScreenSnapshot* shot) override;
  bool GrabInput(uintptr_t window, OverlayCursor cursor) override;
  void SetGrabCursor(OverlayCursor cursor) override;
  void UngrabInput() override;
  void WatchFocusOut(uintptr_t window, std::function<void()> lost) override;
  void WatchPointer(uintptr_t window,
                    std::function<void(const GrabbedPointerEvent&)> pointer) override {
    pointerWindow_ = pointer ? static_cast<xcb_window_t>(window) : XCB_NONE;
    pointer_ = std::move(pointer);
  }
  void SetShape(uintptr_t window, const std::vector<WinRect>& rects) override;
  void ClearShape(uintptr_t window) override;
  ScreenPoint PointerPos() override;
  void WarpPointer(int x, int y) override;
  PickedWindow PickWindowAt(int x, int y, const std::vector<uintptr_t>& ignore) override;
  bool OnScreen(uintptr_t window) override;
  bool WindowManagerRunning() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  xcb_atom_t Atom(const char* name);
  xcb_cursor_t CursorOf(OverlayCursor kind);
  void MakeCursors();
  bool HasProperty(xcb_window_t window, xcb_atom_t property);
  xcb_window_t FindClient(xcb_window_t top, int depth);
  bool IsDesktop(xcb_window_t window);

  xcb_connection_t* c_;
  xcb_screen_t* screen_ = nullptr;
  int screenNumber_ = 0;
  xcb_cursor_t cross_ = XCB_NONE;
  xcb_cursor_t arrow_ = XCB_NONE;
  xcb_cursor_t hidden_ = XCB_NONE;
  bool grabbed_ = false;
  xcb_window_t watched_ = XCB_NONE;
  bool watchedHasFocus_ = false;
  std::function<void()> focusLost_;
  xcb_window_t pointerWindow_ = XCB_NONE;
  std::function<void(const GrabbedPointerEvent&)> pointer_;
};

int Flags(uint16_t state) {
  int flags = 0;
  if (state & XCB_BUTTON_MASK_1) flags |= 1;
  if (state & XCB_BUTTON_MASK_3) flags |= 2;
  if (state & XCB_MOD_MASK_SHIFT) flags |= 4;
  if (state & XCB_MOD_MASK_CONTROL) flags |= 8;
  if (state & XCB_BUTTON_MASK_2) flags |= 16;
  return flags;
}

X11SelectionDisplay::X11SelectionDisplay(xcb_connection_t* connection) : c_(connection) {
  // The overlay covers Qt's screen: the first root of the connection (one X screen, whatever
  // number of monitors it spans).
  screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  MakeCursors();
  qGuiApp->installNativeEventFilter(this);
}

X11SelectionDisplay::~X11SelectionDisplay() {
  if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
  if (grabbed_) UngrabInput();
  for (xcb_cursor_t cursor : {cross_, arrow_, hidden_})
    if (cursor != XCB_NONE) xcb_free_cursor(c_, cursor);
  xcb_flush(c_);
}

xcb_atom_t X11SelectionDisplay::Atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_NONE;
}

void X11SelectionDisplay::MakeCursors() {
  // "CROSSCUR": 32 x 32, a black cross one pixel thick, 17 pixels wide and high, outlined in
  // white, its hot spot (16, 15) at the crossing. Source bits give black, mask bits show.
  const xcb_pixmap_t source = xcb_generate_id(c_);
  const xcb_pixmap_t mask = xcb_generate_id(c_);
  xcb_create_pixmap(c_, 1, source, screen_->root, 32, 32);
  xcb_create_pixmap(c_, 1, mask, screen_->root, 32, 32);
  const xcb_gcontext_t gc = xcb_generate_id(c_);
  uint32_t zero = 0;
  xcb_create_gc(c_, gc, source, XCB_GC_FOREGROUND, &zero);
  const xcb_rectangle_t all{0, 0, 32, 32};
  xcb_poly_fill_rectangle(c_, source, gc, 1, &all);
  xcb_poly_fill_rectangle(c_, mask, gc, 1, &all);
  uint32_t one = 1;
  xcb_change_gc(c_, gc, XCB_GC_FOREGROUND, &one);
  const xcb_rectangle_t cross[] = {{8, 15, 17, 1}, {16, 7, 1, 17}};
  const xcb_rectangle_t outline[] = {{7, 14, 19, 3}, {15, 6, 3, 19}};
  xcb_poly_fill_rectangle(c_, source, gc, 2, cross);
  xcb_poly_fill_rectangle(c_, mask, gc, 2, outline);
  cross_ = xcb_generate_id(c_);
  xcb_create_cursor(c_, cross_, source, mask, 0, 0, 0, 0xffff, 0xffff, 0xffff, 16, 15);

  // An empty 1 x 1 cursor: the pointer hidden.
  const xcb_pixmap_t empty = xcb_generate_id(c_);
  xcb_create_pixmap(c_, 1, empty, screen_->root, 1, 1);
  xcb_change_gc(c_, gc, XCB_GC_FOREGROUND, &zero);
  const xcb_rectangle_t dot{0, 0, 1, 1};
  xcb_poly_fill_rectangle(c_, empty, gc, 1, &dot);
  hidden_ = xcb_generate_id(c_);
  xcb_create_cursor(c_, hidden_, empty, empty, 0, 0, 0, 0, 0, 0, 0, 0);

  const xcb_font_t font = xcb_generate_id(c_);
  xcb_open_font(c_, font, 6, "cursor");
  arrow_ = xcb_generate_id(c_);
  xcb_create_glyph_cursor(c_, arrow_, font, font, kLeftPtrGlyph, kLeftPtrGlyph + 1, 0, 0, 0, 0xffff,
                          0xffff, 0xffff);
  xcb_close_font(c_, font);

  xcb_free_gc(c_, gc);
  xcb_free_pixmap(c_, source);
  xcb_free_pixmap(c_, mask);
  xcb_free_pixmap(c_, empty);
  xcb_flush(c_);
}

xcb_cursor_t X11SelectionDisplay::CursorOf(OverlayCursor kind) {
  switch (kind) {
    case OverlayCursor::CrossHair:
      return cross_;
    case OverlayCursor::Arrow:
      return arrow_;
    case OverlayCursor::Hidden:
      return hidden_;
  }
  return XCB_NONE;
}

bool X11SelectionDisplay::CompositorRunning() {
  const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber_);
  const xcb_atom_t atom = Atom(name.c_str());
  if (atom == XCB_NONE) return false;
  Reply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, atom), nullptr));
  return owner && owner->owner != XCB_NONE;
}

bool X11SelectionDisplay::Snapshot(ScreenSnapshot* shot) {
  const xcb_setup_t* setup = xcb_get_setup(c_);
  // 24-bit colour in 32-bit pixels, low byte first: what every current X server offers. Other
  // displays get no snapshot and the overlay draws its figure in plain white.
  if (screen_->root_depth != 24 && screen_->root_depth != 32) return false;
  if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
  bool bpp32 = false;
  for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
    if (f.data->depth == screen_->root_depth && f.data->bits_per_pixel == 32) bpp32 = true;
  if (!bpp32) return false;
  const int w = ScreenWidth();
  const int h = ScreenHeight();
  Reply<xcb_get_image_reply_t> image(
      xcb_get_image_reply(c_,
                          xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, 0, 0,
                                        static_cast<uint16_t>(w), static_cast<uint16_t>(h), ~0u),
                          nullptr));
  if (!image) return false;
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (static_cast<size_t>(xcb_get_image_data_length(image.p)) < count * 4) return false;
  shot->width = w;
  shot->height = h;
  shot->pixels.resize(count);
  std::memcpy(shot->pixels.data(), xcb_get_image_data(image.p), count * 4);
  for (uint32_t& p : shot->pixels) p &= 0x00ffffffu;
  return true;
}

bool X11SelectionDisplay::GrabInput(uintptr_t window, OverlayCursor cursor) {
  const auto w = static_cast<xcb_window_t>(window);
  xcb_set_input_focus(c_, XCB_INPUT_FOCUS_PARENT, w, XCB_CURRENT_TIME);
  Reply<xcb_grab_pointer_reply_t> pointer(xcb_grab_pointer_reply(
      c_,
      xcb_grab_pointer(c_, 0, w,
                       XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                           XCB_EVENT_MASK_POINTER_MOTION,
                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, CursorOf(cursor),
                       XCB_CURRENT_TIME),
      nullptr));
  if (!pointer || pointer->status != XCB_GRAB_STATUS_SUCCESS) return false;
  Reply<xcb_grab_keyboard_reply_t> keyboard(xcb_grab_keyboard_reply(
      c_, xcb_grab_keyboard(c_, 0, w, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
      nullptr));
  if (!keyboard || keyboard->status != XCB_GRAB_STATUS_SUCCESS) {
    xcb_ungrab_pointer(c_, XCB_CURRENT_TIME);
    xcb_flush(c_);
    return false;
  }
  grabbed_ = true;
  return true;
}

void X11SelectionDisplay::SetGrabCursor(OverlayCursor cursor) {
  if (!grabbed_) return;
  xcb_change_active_pointer_grab(
      c_, CursorOf(cursor), XCB_CURRENT_TIME,
      XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION);
  xcb_flush(c_);
}

void X11SelectionDisplay::UngrabInput() {
  grabbed_ = false;
  xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
  xcb_ungrab_pointer(c_, XCB_CURRENT_TIME);
  xcb_flush(c_);
}

void X11SelectionDisplay::WatchFocusOut(uintptr_t window, std::function<void()> lost) {
  watched_ = lost ? static_cast<xcb_window_t>(window) : XCB_NONE;
  watchedHasFocus_ = false;
  focusLost_ = std::move(lost);
  if (watched_ == XCB_NONE) return;
  // Qt selects focus changes on its windows already; this only makes sure of it.
  Reply<xcb_get_window_attributes_reply_t> attrs(
      xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, watched_), nullptr));
  if (attrs) {
    const uint32_t mask = attrs->your_event_mask | XCB_EVENT_MASK_FOCUS_CHANGE;
    xcb_change_window_attributes(c_, watched_, XCB_CW_EVENT_MASK, &mask);
  }
  Reply<xcb_get_input_focus_reply_t> focus(
      xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
  watchedHasFocus_ = focus && focus->focus == watched_;
  xcb_flush(c_);
}

bool X11SelectionDisplay::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const uint8_t type = event->response_type & 0x7f;
  if (pointerWindow_ != XCB_NONE &&
      (type == XCB_MOTION_NOTIFY || type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE)) {
    // Button and motion events share their layout.
    auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
    if (e->event != pointerWindow_) return false;
    GrabbedPointerEvent p;
    p.x = e->root_x;
    p.y = e->root_y;
    p.flags = Flags(e->state);
    if (type == XCB_MOTION_NOTIFY) {
      p.kind = GrabbedPointerEvent::Move;
    } else {
      p.kind = type == XCB_BUTTON_PRESS ? GrabbedPointerEvent::Press : GrabbedPointerEvent::Release;
      p.button = e->detail;
      // The state is the one before the event: the pressed button joins it.
      const int own = e->detail == 1 ? 1 : e->detail == 3 ? 2 : e->detail == 2 ? 16 : 0;
      if (type == XCB_BUTTON_PRESS) p.flags |= own;
    }
    std::function<void(const GrabbedPointerEvent&)> deliver = pointer_;
    deliver(p);
    return true;  // the overlay's pointer is ours alone
  }
  if (watched_ == XCB_NONE) return false;
  if (type != XCB_FOCUS_IN && type != XCB_FOCUS_OUT) return false;
  auto* focus = reinterpret_cast<xcb_focus_in_event_t*>(event);
  if (focus->event != watched_) return false;
  // Our own grab starting or ending moves no focus; nor does a change among our inferiors or
  // of the pointer's window.
  if (focus->mode == XCB_NOTIFY_MODE_GRAB || focus->mode == XCB_NOTIFY_MODE_UNGRAB) return false;
  if (focus->detail == XCB_NOTIFY_DETAIL_INFERIOR || focus->detail == XCB_NOTIFY_DETAIL_POINTER ||
      focus->detail == XCB_NOTIFY_DETAIL_NONE)
    return false;
  if (type == XCB_FOCUS_IN) {
    watchedHasFocus_ = true;
  } else if (watchedHasFocus_) {
    watchedHasFocus_ = false;
    if (focusLost_) {
      // The callback may stop the watch: it runs on a copy.
      std::function<void()> lost = focusLost_;
      lost();
    }
  }
  return false;  // Qt sees the change as well
}

void X11SelectionDisplay::SetShape(uintptr_t window, const std::vector<WinRect>& rects) {
  std::vector<xcb_rectangle_t> shape;
  shape.reserve(rects.size());
  for (const WinRect& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    shape.push_back({static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
                     static_cast<uint16_t>(r.right - r.left),
                     static_cast<uint16_t>(r.bottom - r.top)});
  }
  xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                       static_cast<xcb_window_t>(window), 0, 0, static_cast<uint32_t>(shape.size()),
                       shape.data());
  xcb_flush(c_);
}

void X11SelectionDisplay::ClearShape(uintptr_t window) {
  xcb_shape_mask(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, static_cast<xcb_window_t>(window), 0,
                 0, XCB_NONE);
  xcb_flush(c_);
}

ScreenPoint X11SelectionDisplay::PointerPos() {
  Reply<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c_, xcb_query_pointer(c_, screen_->root), nullptr));
  if (!pointer) return {};
  return {pointer->root_x, pointer->root_y};
}

void X11SelectionDisplay::WarpPointer(int x, int y) {
  xcb_warp_pointer(c_, XCB_NONE, screen_->root, 0, 0, 0, 0, static_cast<int16_t>(x),
                   static_cast<int16_t>(y));
  xcb_flush(c_);
}

bool X11SelectionDisplay::HasProperty(xcb_window_t window, xcb_atom_t property) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
  return reply && reply->type != XCB_NONE;
}

// The client of a top-level: the first window with WM_STATE, the top-level itself or one of its
// descendants (a window manager's frame holds its client a level or two down).
xcb_window_t X11SelectionDisplay::FindClient(xcb_window_t top, int depth) {
  static xcb_atom_t wmState = XCB_NONE;
  if (wmState == XCB_NONE) wmState = Atom("WM_STATE");
  if (HasProperty(top, wmState)) return top;
  if (depth == 0) return XCB_NONE;
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, top), nullptr));
  if (!tree) return XCB_NONE;
  const xcb_window_t* children = xcb_query_tree_children(tree.p);
  const int count = xcb_query_tree_children_length(tree.p);
  for (int i = count - 1; i >= 0; --i) {
    const xcb_window_t found = FindClient(children[i], depth - 1);
    if (found != XCB_NONE) return found;
  }
  return XCB_NONE;
}

bool X11SelectionDisplay::IsDesktop(xcb_window_t window) {
  const xcb_atom_t type = Atom("_NET_WM_WINDOW_TYPE");
  const xcb_atom_t desktop = Atom("_NET_WM_WINDOW_TYPE_DESKTOP");
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, window, type, XCB_ATOM_ATOM, 0, 16), nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.p));
  const int n = xcb_get_property_value_length(reply.p) / 4;
  for (int i = 0; i < n; ++i)
    if (atoms[i] == desktop) return true;
  return false;
}

bool X11SelectionDisplay::OnScreen(uintptr_t window) {
  // The top-level that holds the window: the window manager's frame, or the window itself.
  xcb_window_t top = static_cast<xcb_window_t>(window);
  for (int depth = 0; depth < 64; ++depth) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, top), nullptr));
    if (!tree) return false;  // destroyed
    if (tree->parent == tree->root || tree->parent == XCB_NONE) break;
    top = tree->parent;
  }
  for (const xcb_window_t w : {static_cast<xcb_window_t>(window), top}) {
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr));
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) return true;
  }
  return false;
}

bool X11SelectionDisplay::WindowManagerRunning() {
  // A window manager names its check window on the root and on that window itself.
  const xcb_atom_t check = Atom("_NET_SUPPORTING_WM_CHECK");
  if (check == XCB_NONE) return false;
  Reply<xcb_get_property_reply_t> root(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, screen_->root, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
  if (!root || xcb_get_property_value_length(root.p) < 4) return false;
  const xcb_window_t wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(root.p));
  Reply<xcb_get_property_reply_t> own(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, wm, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
  return own && xcb_get_property_value_length(own.p) >= 4 &&
         *static_cast<const xcb_window_t*>(xcb_get_property_value(own.p)) == wm;
}

PickedWindow X11SelectionDisplay::PickWindowAt(int x, int y, const std::vector<uintptr_t>& ignore) {
  PickedWindow picked;
  Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr));
  if (!tree) return picked;
  const xcb_window_t* children = xcb_query_tree_children(tree.p);
  const int count = xcb_query_tree_children_length(tree.p);
  // All requests first, then the replies: one round trip for the whole stack.
  std::vector<xcb_get_window_attributes_cookie_t> attrCookies(count);
  std::vector<xcb_get_geometry_cookie_t> geoCookies(count);
  for (int i = 0; i < count; ++i) {
    attrCookies[i] = xcb_get_window_attributes(c_, children[i]);
    geoCookies[i] = xcb_get_geometry(c_, children[i]);
  }
  xcb_window_t top = XCB_NONE;
  WinRect topRect{};
  // Children come bottom to top; the last one that contains the point is the top-most.
  for (int i = 0; i < count; ++i) {
    Reply<xcb_get_window_attributes_reply_t> attrs(
        xcb_get_window_attributes_reply(c_, attrCookies[i], nullptr));
    Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(c_, geoCookies[i], nullptr));
    if (!attrs || !geo) continue;
    bool ignored = false;
    for (uintptr_t w : ignore) ignored = ignored || w == children[i];
    if (ignored || attrs->map_state != XCB_MAP_STATE_VIEWABLE ||
        attrs->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
      continue;
    const WinRect r{geo->x, geo->y, geo->x + geo->width + 2 * geo->border_width,
                    geo->y + geo->height + 2 * geo->border_width};
    if (Contains(r, x, y)) {
      top = children[i];
      topRect = r;
    }
  }
  if (top == XCB_NONE) return picked;  // the desktop
  xcb_window_t client = FindClient(top, 3);
  if (client == XCB_NONE) client = top;
  if (IsDesktop(client)) return picked;

  Reply<xcb_get_geometry_reply_t> geo(
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, client), nullptr));
  Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      c_, xcb_translate_coordinates(c_, client, screen_->root, 0, 0), nullptr));
  if (!geo || !origin) return picked;
  picked.onWindow = true;
  picked.client = {origin->dst_x, origin->dst_y, origin->dst_x + geo->width,
                   origin->dst_y + geo->height};
  picked.whole = client == top ? picked.client : topRect;

  static xcb_atom_t extentsAtom = XCB_NONE;
  if (extentsAtom == XCB_NONE) extentsAtom = Atom("_NET_FRAME_EXTENTS");
  Reply<xcb_get_property_reply_t> extents(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, client, extentsAtom, XCB_ATOM_CARDINAL, 0, 4), nullptr));
  if (extents && extents->format == 32 && xcb_get_property_value_length(extents.p) == 16) {
    const auto* e = static_cast<const uint32_t*>(xcb_get_property_value(extents.p));
    picked.whole = {picked.client.left - static_cast<int32_t>(e[0]),
                    picked.client.top - static_cast<int32_t>(e[2]),
                    picked.client.right + static_cast<int32_t>(e[1]),
                    picked.client.bottom + static_cast<int32_t>(e[3])};
  }
  return picked;
}

}  // namespace

std::unique_ptr<ISelectionDisplay> MakeX11SelectionDisplay() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return nullptr;
  return std::make_unique<X11SelectionDisplay>(connection);
}

}  // namespace mg
