// Writes text to its standard output without end, as a busy terminal shows it: a few lines of a
// build log 60 times a second (default 8 lines a step, or the first argument), so that a
// terminal covering the screen scrolls in every frame of a recording.
//
//   xterm -fullscreen -e bench_scroll [lines-per-step]
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kWords[] = {
    "Building",
    "CXX",
    "object",
    "capture/CMakeFiles/mg_capture.dir",
    "frame_grabber.cpp.o",
    "Linking",
    "static",
    "library",
    "libmg_platform.a",
    "warning:",
    "unused",
    "variable",
    "[-Wall]",
    "ninja:",
    "Entering",
    "directory",
    "/usr/src",
    "compiled",
    "0x7ffe4a2c",
    "tests",
    "passed",
    "(12 ms)",
    "RUN",
    "OK",
    "avcodec",
    "x264",
    "ring slot",
    "tick",
    "segment",
    "-O2 -g",
};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

}  // namespace

int main(int argc, char** argv) {
  const int linesPerStep = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
  constexpr long kStepNs = 1000000000L / 60;
  unsigned seed = 12345;
  long line = 0;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  std::string text;
  while (true) {
    text.clear();
    for (int i = 0; i < linesPerStep; ++i, ++line) {
      text += '[' + std::to_string(line % 1000) + "/1000] ";
      const int words = 6 + static_cast<int>(seed % 28);
      for (int w = 0; w < words; ++w) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % kWordCount];
        text += ' ';
      }
      text += '\n';
    }
    if (write(STDOUT_FILENO, text.data(), text.size()) < 0) return 0;  // the terminal went away
    next.tv_nsec += kStepNs;
    if (next.tv_nsec >= 1000000000L) {
      next.tv_nsec -= 1000000000L;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
}
