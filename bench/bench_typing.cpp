// Types into a window of the display in $DISPLAY as a person writes text: words, spaces and
// newlines at about 5 to 8 characters a second, with a pause between sentences, through XTest,
// and every few seconds sweeps the pointer across the screen in a short glide. The keys go to the
// given window (an xterm's, say): whenever another window holds the keyboard focus, the focus is
// given back to it first, so no key lands in a dialog that came up. Runs until it is killed or
// the given number of seconds has passed (0 = until killed).
//
//   bench_typing WINDOW-ID [seconds]
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>

namespace {

const char* const kWords[] = {
    "the", "frame", "is",      "written", "when",   "the",    "tick",  "has",   "grabbed", "it",
    "and", "a",     "changed", "region",  "tells",  "the",    "coder", "where", "to",      "look",
    "so",  "most",  "blocks",  "stay",    "as",     "they",   "were",  "while", "someone", "types",
    "a",   "note",  "into",    "an",      "editor", "window", "of",    "text",  "lines",   "words",
};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

double Seconds(const timespec& from, const timespec& to) {
  return static_cast<double>(to.tv_sec - from.tv_sec) +
         static_cast<double>(to.tv_nsec - from.tv_nsec) / 1e9;
}

void SleepFor(double seconds) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(seconds);
  t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
  nanosleep(&t, nullptr);
}

class Typist {
 public:
  Typist(Display* d, Window target) : d_(d), target_(target), screen_(DefaultScreen(d)) {
    width_ = DisplayWidth(d, screen_);
    height_ = DisplayHeight(d, screen_);
  }

  // One key: a letter, ' ' or '\n'.
  void Key(char c) {
    KeySym sym = NoSymbol;
    if (c == ' ')
      sym = XK_space;
    else if (c == '\n')
      sym = XK_Return;
    else if (c == '.')
      sym = XK_period;
    else if (c == ',')
      sym = XK_comma;
    else
      sym = XStringToKeysym(std::string(1, c).c_str());
    const KeyCode code = XKeysymToKeycode(d_, sym);
    if (code == 0) return;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(d_, &focus, &revert);
    if (focus != target_) {
      XSetInputFocus(d_, target_, RevertToParent, CurrentTime);
      XSync(d_, False);
    }
    XTestFakeKeyEvent(d_, code, True, CurrentTime);
    XTestFakeKeyEvent(d_, code, False, CurrentTime);
    XFlush(d_);
  }

  // A glide of the pointer to a random place on the screen, 60 steps a second.
  void Glide(double seconds) {
    const int steps = static_cast<int>(seconds * 60);
    const double x1 = Random() % width_, y1 = Random() % height_;
    for (int i = 1; i <= steps; ++i) {
      const double f = 0.5 - 0.5 * std::cos(std::numbers::pi * i / steps);
      XTestFakeMotionEvent(d_, screen_, static_cast<int>(x_ + (x1 - x_) * f),
                           static_cast<int>(y_ + (y1 - y_) * f), CurrentTime);
      XFlush(d_);
      SleepFor(1.0 / 60);
    }
    x_ = x1;
    y_ = y1;
  }

  unsigned Random() {
    seed_ = seed_ * 1103515245u + 12345u;
    return seed_ >> 8;
  }

 private:
  Display* d_;
  Window target_;
  int screen_;
  int width_ = 0;
  int height_ = 0;
  double x_ = 100;
  double y_ = 100;
  unsigned seed_ = 4711;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_typing WINDOW-ID [seconds]\n");
    return 2;
  }
  const Window target = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  const double seconds = argc > 2 ? std::atof(argv[2]) : 0;
  Display* d = XOpenDisplay(nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!d || !XTestQueryExtension(d, &event, &error, &major, &minor)) {
    std::fprintf(stderr, "bench_typing: no display with XTest\n");
    return 1;
  }
  if (target == 0) {
    std::fprintf(stderr, "bench_typing: %s is not a window id\n", argv[1]);
    return 2;
  }
  Typist typist(d, target);
  const timespec start = Now();
  timespec lastGlide = start;
  int wordsInLine = 0, wordsInSentence = 0;
  while (seconds <= 0 || Seconds(start, Now()) < seconds) {
    const std::string word = kWords[typist.Random() % kWordCount];
    for (char c : word) {
      typist.Key(c);
      // 5 to 8 characters a second.
      SleepFor(0.125 + 0.075 * (typist.Random() % 100) / 100.0);
    }
    ++wordsInLine;
    ++wordsInSentence;
    if (wordsInSentence >= 6 + static_cast<int>(typist.Random() % 8)) {
      typist.Key('.');
      wordsInSentence = 0;
      SleepFor(0.6);  // a moment's thought
    }
    typist.Key(wordsInLine >= 9 ? '\n' : ' ');
    if (wordsInLine >= 9) wordsInLine = 0;
    SleepFor(0.15);
    if (Seconds(lastGlide, Now()) > 4) {
      typist.Glide(0.7);
      lastGlide = Now();
    }
  }
  XCloseDisplay(d);
  return 0;
}
