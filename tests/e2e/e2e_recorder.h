// One recording on a private X server with the real platform (grabber, cursor, marker, timer,
// compressors, AVI writer), owned by the headless test owner instead of the main dialog.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/capture/capture_doubles.h"
#include "tests/support/xvfb_server.h"

namespace mgtest {

class E2ERecorder {
 public:
  struct Options {
    bool manualTimer = false;  // ticks only when the test calls timer().Tick()
    bool damage = true;        // false: every tick grabs the whole rectangle
  };
  explicit E2ERecorder(const std::string& display) : E2ERecorder(display, Options{}) {}
  E2ERecorder(const std::string& display, const Options& options);
  ~E2ERecorder();
  bool ok() const;

  // Records while `script` runs inside the recording loop, then stops.
  int Record(const std::function<void()>& script);
  // Records for about `ms` milliseconds; `during` runs once, half-way.
  int RecordFor(int ms, const std::function<void()>& during = {});
  // Lets the recording loop run for `ms` milliseconds.
  static void Wait(int ms);

  mg::CaptureEngine& engine() { return *engine_; }
  ManualTimer& timer() { return manualTimer_; }
  // Whether the display can tell what changed on the screen.
  bool TracksChanges() const;
  // Pixels each grab of the last recording fetched from the screen, in tick order.
  const std::vector<int64_t>& grabbedPixels() const;

  mg::AppSettings settings;
  FakeOwner owner;
  CountingBeeper beeper;

 private:
  ScopedDisplay scoped_;
  struct Platform;
  std::unique_ptr<Platform> platform_;
  ManualTimer manualTimer_;
  std::unique_ptr<mg::CaptureEngine> engine_;
};

}  // namespace mgtest
