// Cost of one capture tick at 1920x1080: a bare MIT-SHM grab (XShmGetImage) against the whole
// tick of the X11 capture display (marker shown, pointer, cursor looked up and blended, grab into
// a ring slot, marker hidden), the parts of the tick alone, and the heap allocations a tick makes
// (malloc is counted by this program). Times are medians of the single ticks; the bare grab and
// the whole tick take the lowest of three alternating rounds. The last line is the tick's cost
// over the bare grab's. The grab into one slot shows what the ring's five 8 MB slots cost in
// caches over a single buffer.
//
// Then the tick that grabs only what changed, on a screen where a window of this program's own
// gets one character cell typed into it before every tick: the display's changes since the last
// tick are added to what each ring slot lacks (the capture engine's own account of it), a slot
// is fetched again only there and where the cursor was blended into it, and the very rectangles
// each tick fetched are then grabbed bare (XShmGetImage of their own size). Its last line is that
// tick's cost over the bare grab of the same area; a display that cannot tell what changed grabs
// the whole screen every tick, and a note says so.
//
//   bench_grab [--current-display] [ticks]
//
// Without --current-display it starts its own Xvfb at 1920x1080x24.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/capture_context.h"
#include "capture/cursor_blend.h"
#include "capture/frame_damage.h"
#include "platform/x11/x11_capture_display.h"

// Every malloc family call of the process is counted.
#include "bench/count_allocations.h"

using mgbench::g_allocations;

namespace {

// A 32-bit frame of the bench's screen, for drawing the cursor into.
mg::FrameView Rgb32View(uint8_t* pixels, int w, int h) {
  mg::FrameView view;
  view.pixels = pixels;
  view.width = w;
  view.height = h;
  view.bitsPerPixel = 32;
  view.stride = w * 4;
  view.redMask = 0xff0000;
  view.greenMask = 0xff00;
  view.blueMask = 0xff;
  return view;
}

using Clock = std::chrono::steady_clock;

// Median of per-tick times: the machine is shared, and a mean follows its busy moments.
double Median(std::vector<double>& us) {
  std::sort(us.begin(), us.end());
  return us.empty() ? 0 : us[us.size() / 2];
}

pid_t StartXvfb(std::string* display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    if (!freopen("/dev/null", "w", stderr)) _exit(126);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten",
           "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char c = 0;
  while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return -1;
  *display = ":" + number;
  return pid;
}

// A busy picture, so the grab copies real content.
void Paint(Display* d) {
  const int screen = DefaultScreen(d);
  GC gc = XCreateGC(d, DefaultRootWindow(d), 0, nullptr);
  for (int i = 0; i < 400; ++i) {
    XSetForeground(d, gc, static_cast<unsigned long>(i) * 2654435761u & 0xffffff);
    XFillRectangle(d, DefaultRootWindow(d), gc, (i * 97) % DisplayWidth(d, screen),
                   (i * 53) % DisplayHeight(d, screen), 200, 120);
  }
  XFreeGC(d, gc);
  XSync(d, False);
}

double BareShm(Display* d, int w, int h, int ticks) {
  XShmSegmentInfo info{};
  XImage* image =
      XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)),
                      static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))), ZPixmap, nullptr,
                      &info, static_cast<unsigned>(w), static_cast<unsigned>(h));
  info.shmid =
      shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
  info.shmaddr = image->data = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  info.readOnly = False;
  XShmAttach(d, &info);
  XSync(d, False);
  shmctl(info.shmid, IPC_RMID, nullptr);
  XShmGetImage(d, DefaultRootWindow(d), image, 0, 0, AllPlanes);
  std::vector<double> times(static_cast<size_t>(ticks));
  for (int i = 0; i < ticks; ++i) {
    const auto start = Clock::now();
    XShmGetImage(d, DefaultRootWindow(d), image, 0, 0, AllPlanes);
    times[static_cast<size_t>(i)] =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  }
  const double us = Median(times);
  XShmDetach(d, &info);
  XSync(d, False);
  shmdt(info.shmaddr);
  image->data = nullptr;
  XDestroyImage(image);
  return us;
}

struct TickFigures {
  double us;
  double allocationsPerTick;
};

// The parts of a tick that a run measures.
enum Parts : unsigned {
  kGrab = 1,     // grab into the next ring slot
  kMarker = 2,   // marker shown before and hidden after
  kPointer = 4,  // pointer position and modifiers
  kCursor = 8,   // cursor image looked up and blended into the frame when the pointer is on it
  kWholeTick = kGrab | kMarker | kPointer | kCursor,
  kOneSlot = 16,  // every grab into slot 0 instead of the ring's slots in turn
};

TickFigures Ticks(mg::X11CaptureDisplay* cap, int x, int y, int w, int h, int ticks,
                  unsigned parts) {
  uint8_t* slots[5];
  for (int slot = 0; slot < 5; ++slot) slots[slot] = cap->AllocateFrame(slot, w, h);
  const mg::WinRect outer{x - 2, y - 2, x + w + 2, y + h + 2};
  auto tick = [&](int i) {
    if (parts & kMarker) cap->ShowMarker(outer, false);
    // The pointer stands in the middle of the rectangle when it is not asked for.
    mg::PointerState pointer{x + w / 2, y + h / 2, 0, true};
    if (parts & kPointer) pointer = cap->QueryPointer();
    const mg::CursorImage* cursor = (parts & kCursor) ? cap->Cursor() : nullptr;
    const int slot = (parts & kOneSlot) ? 0 : i % 5;
    if (parts & kGrab) cap->Grab(slot, x, y);
    if (cursor) {
      const mg::FrameView view = Rgb32View(slots[slot], w, h);
      mg::DrawCursor(view, *cursor, pointer.x - cursor->xhot - x, pointer.y - cursor->yhot - y);
    }
    if (parts & kMarker) cap->HideMarker();
  };
  for (int i = 0; i < 10; ++i) tick(i);  // warm-up: marker window, cursor image, event queue
  std::vector<double> times(static_cast<size_t>(ticks));
  const long before = g_allocations.load();
  for (int i = 0; i < ticks; ++i) {
    const auto start = Clock::now();
    tick(i);
    times[static_cast<size_t>(i)] =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  }
  const long allocations = g_allocations.load() - before;
  const double us = Median(times);
  cap->RemoveMarker();
  cap->FreeFrames();
  return {us, static_cast<double>(allocations) / ticks};
}

// Small changes as typing makes them, in an override-redirect window of this program's own (on
// top in every scene): one character cell a tick along a line, a new line at its end, the text
// moved up a line at the bottom.
class TypingWindow {
 public:
  static constexpr int kCellWidth = 8, kCellHeight = 16, kCols = 100, kRows = 25;

  explicit TypingWindow(Display* d) : d_(d) {
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = WhitePixel(d, DefaultScreen(d));
    window_ = XCreateWindow(d, DefaultRootWindow(d), 100, 100, kCols * kCellWidth,
                            kRows * kCellHeight, 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, window_);
    gc_ = XCreateGC(d, window_, 0, nullptr);
    XSync(d, False);
  }
  ~TypingWindow() {
    XFreeGC(d_, gc_);
    XDestroyWindow(d_, window_);
    XSync(d_, False);
  }
  TypingWindow(const TypingWindow&) = delete;
  TypingWindow& operator=(const TypingWindow&) = delete;

  void Type() {
    XSetForeground(d_, gc_, (static_cast<unsigned long>(typed_++) * 40503u) & 0x7f7f7f);
    XFillRectangle(d_, window_, gc_, col_ * kCellWidth + 1, row_ * kCellHeight + 3, kCellWidth - 2,
                   kCellHeight - 5);
    if (++col_ == kCols) {
      col_ = 0;
      if (++row_ == kRows) {
        row_ = kRows - 1;
        XCopyArea(d_, window_, window_, gc_, 0, kCellHeight, kCols * kCellWidth,
                  (kRows - 1) * kCellHeight, 0, 0);
        XClearArea(d_, window_, 0, row_ * kCellHeight, 0, 0, False);
      }
    }
    XSync(d_, False);
  }

 private:
  Display* d_;
  Window window_ = 0;
  GC gc_ = nullptr;
  int col_ = 0, row_ = 0;
  long typed_ = 0;
};

struct DamageFigures {
  double tickUs = 1e30;      // mean per tick
  double bareUs = 1e30;      // mean per tick, the same rectangles grabbed bare
  double pixelsPerTick = 0;  // mean area grabbed
  int wholeTicks = 0;        // ticks that the display reported as wholly changed
};

// The damage-driven tick over the whole w x h screen as the capture engine makes it (the
// engine's own account of what each slot still needs), then the bare grab of what it fetched.
DamageFigures DamageTicks(mg::X11CaptureDisplay* cap, Display* d, TypingWindow* typing, int w,
                          int h, int ticks) {
  uint8_t* pixels[mg::kRingSize];
  for (int slot = 0; slot < mg::kRingSize; ++slot) pixels[slot] = cap->AllocateFrame(slot, w, h);
  const mg::WinRect outer{-2, -2, w + 2, h + 2};
  mg::FrameDamage damage;
  damage.Reset(w, h);
  mg::ChangedRegion screen, grab, changed;
  screen.Reserve();
  grab.Reserve();
  changed.Reserve();
  std::vector<mg::ChangedRegion> fetched;
  int whole = 0;
  auto tick = [&](int i) {
    cap->ShowMarker(outer, false);
    const mg::PointerState pointer = cap->QueryPointer();
    const mg::CursorImage* cursor = cap->Cursor();
    const int slot = i % mg::kRingSize;
    screen.Clear();
    cap->TakeChanges(&screen);
    if (screen.all()) ++whole;
    // As the engine does: a slot that needs everything starts from the frame grabbed before.
    const int copyFrom = damage.BeforeGrab(slot, 0, 0, screen, false, &grab);
    if (copyFrom >= 0)
      std::memcpy(pixels[slot], pixels[copyFrom],
                  static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
    const bool grabbed = cap->GrabPart(slot, 0, 0, grab);
    mg::WinRect cursorArea{};
    if (cursor && pointer.valid) {
      const mg::FrameView view = Rgb32View(pixels[slot], w, h);
      const int left = pointer.x - cursor->xhot, top = pointer.y - cursor->yhot;
      mg::DrawCursor(view, *cursor, left, top);
      cursorArea = {std::max(left, 0), std::max(top, 0), std::min(left + cursor->width, w),
                    std::min(top + cursor->height, h)};
    }
    damage.AfterGrab(slot, grabbed, cursorArea, true, &changed);
    cap->HideMarker();
  };
  for (int i = 0; i < 10; ++i) {
    typing->Type();
    tick(i);
  }
  whole = 0;
  DamageFigures f;
  double tickTotal = 0, area = 0;
  for (int i = 0; i < ticks; ++i) {
    typing->Type();
    const auto start = Clock::now();
    tick(i);
    tickTotal += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    mg::ChangedRegion part = grab;
    part.ClipTo(w, h);
    area += static_cast<double>(part.Area(w, h));
    fetched.push_back(std::move(part));
  }
  cap->RemoveMarker();
  cap->FreeFrames();
  f.tickUs = tickTotal / ticks;
  f.pixelsPerTick = area / ticks;
  f.wholeTicks = whole;

  // The same rectangles, each grabbed bare into an image of its own size in one shared segment.
  XShmSegmentInfo info{};
  info.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(w) * h * 4, IPC_CREAT | 0600);
  info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  info.readOnly = False;
  XShmAttach(d, &info);
  XSync(d, False);
  shmctl(info.shmid, IPC_RMID, nullptr);
  struct Piece {
    XImage* image;
    int x, y;
  };
  std::vector<std::vector<Piece>> pieces(fetched.size());
  for (size_t i = 0; i < fetched.size(); ++i)
    for (const mg::WinRect& r : fetched[i].rects())
      pieces[i].push_back(
          {XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)),
                           static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))), ZPixmap,
                           info.shmaddr, &info, static_cast<unsigned>(r.right - r.left),
                           static_cast<unsigned>(r.bottom - r.top)),
           r.left, r.top});
  double bareTotal = 0;
  for (const std::vector<Piece>& tickPieces : pieces) {
    const auto start = Clock::now();
    for (const Piece& p : tickPieces)
      XShmGetImage(d, DefaultRootWindow(d), p.image, p.x, p.y, AllPlanes);
    bareTotal += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  }
  f.bareUs = bareTotal / ticks;
  for (std::vector<Piece>& tickPieces : pieces)
    for (Piece& p : tickPieces) {
      p.image->data = nullptr;
      XDestroyImage(p.image);
    }
  XShmDetach(d, &info);
  XSync(d, False);
  shmdt(info.shmaddr);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  bool current = false;
  int ticks = 200;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--current-display") == 0)
      current = true;
    else
      ticks = std::max(1, std::atoi(argv[i]));
  }
  std::string display;
  pid_t server = -1;
  if (!current) {
    server = StartXvfb(&display);
    if (server < 0) {
      std::fprintf(stderr, "bench_grab: could not start Xvfb\n");
      return 1;
    }
  } else if (const char* env = std::getenv("DISPLAY")) {
    display = env;
  }

  int status = 0;
  Display* d = XOpenDisplay(display.c_str());
  auto cap = mg::X11CaptureDisplay::Open(display.c_str());
  auto plain = mg::X11CaptureDisplay::Open(display.c_str(), {.allowSharedMemory = false});
  if (!d || !cap || !plain || !XShmQueryExtension(d)) {
    std::fprintf(stderr, "bench_grab: display %s unusable (MIT-SHM needed)\n", display.c_str());
    status = 1;
  } else {
    Paint(d);
    const int sw = DisplayWidth(d, DefaultScreen(d));
    const int sh = DisplayHeight(d, DefaultScreen(d));
    std::printf("display %s %dx%d depth %d, %d ticks each\n", display.c_str(), sw, sh,
                DefaultDepth(d, DefaultScreen(d)), ticks);
    // The bare grab and the whole tick in turns, three rounds, the lowest median of each: a
    // shared machine's busy moments then fall on both alike.
    double bare = 1e30;
    TickFigures full{1e30, 0};
    for (int round = 0; round < 3; ++round) {
      bare = std::min(bare, BareShm(d, sw, sh, ticks));
      const TickFigures f = Ticks(cap.get(), 0, 0, sw, sh, ticks, kWholeTick);
      if (f.us < full.us) full = f;
    }
    std::printf("%-44s %9.0f us median\n", "bare XShmGetImage, whole screen", bare);
    auto print = [](const char* what, const TickFigures& f) {
      std::printf("%-44s %9.0f us median  %.2f allocations/tick\n", what, f.us,
                  f.allocationsPerTick);
    };
    print("tick: marker+pointer+cursor+grab+marker", full);
    print("  parts: grab into the ring's 5 slots", Ticks(cap.get(), 0, 0, sw, sh, ticks, kGrab));
    print("  parts: grab into one slot", Ticks(cap.get(), 0, 0, sw, sh, ticks, kGrab | kOneSlot));
    print("  parts: marker shown and hidden", Ticks(cap.get(), 0, 0, sw, sh, ticks, kMarker));
    print("  parts: pointer", Ticks(cap.get(), 0, 0, sw, sh, ticks, kPointer));
    print("  parts: cursor looked up and blended", Ticks(cap.get(), 0, 0, sw, sh, ticks, kCursor));
    print("tick, 1280x720 area inside", Ticks(cap.get(), 300, 200, 1280, 720, ticks, kWholeTick));
    print("tick, 1280x720 area across the corner",
          Ticks(cap.get(), 1000, 700, 1280, 720, ticks, kWholeTick));
    print("tick without SHM (GetImage), whole screen",
          Ticks(plain.get(), 0, 0, sw, sh, ticks, kWholeTick));
    std::printf("tick / bare grab %.2f\n", bare > 0 ? full.us / bare : 0.0);

    // Three rounds again, the lowest mean of each side.
    TypingWindow typing(d);
    DamageFigures damage;
    for (int round = 0; round < 3; ++round) {
      const DamageFigures f = DamageTicks(cap.get(), d, &typing, sw, sh, ticks);
      damage.tickUs = std::min(damage.tickUs, f.tickUs);
      damage.bareUs = std::min(damage.bareUs, f.bareUs);
      damage.pixelsPerTick = f.pixelsPerTick;
      damage.wholeTicks = std::max(damage.wholeTicks, f.wholeTicks);
    }
    std::printf("%-44s %9.0f us mean %9.0f px/tick\n",
                "damage tick: marker+pointer+cursor+changes+part", damage.tickUs,
                damage.pixelsPerTick);
    std::printf("%-44s %9.0f us mean\n", "bare XShmGetImage of the same rectangles", damage.bareUs);
    if (damage.wholeTicks > 0)
      std::printf("  note: the display reported the whole screen changed in %d of %d ticks\n",
                  damage.wholeTicks, ticks);
    std::printf("damage tick / bare grab of the same area %.2f\n",
                damage.bareUs > 0 ? damage.tickUs / damage.bareUs : 0.0);
  }
  plain.reset();
  cap.reset();
  if (d) XCloseDisplay(d);
  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
  }
  return status;
}
