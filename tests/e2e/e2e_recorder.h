// One recording on a private X server with the real platform (grabber, cursor, marker, timer,
// compressors, AVI writer), owned by the headless test owner instead of the main dialog.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "tests/capture/capture_doubles.h"
#include "tests/support/xvfb_server.h"

namespace mgtest {

class E2ERecorder {
 public:
  explicit E2ERecorder(const std::string& display);
  ~E2ERecorder();
  bool ok() const;

  // Records while `script` runs inside the recording loop, then stops.
  int Record(const std::function<void()>& script);
  // Records for about `ms` milliseconds; `during` runs once, half-way.
  int RecordFor(int ms, const std::function<void()>& during = {});
  // Lets the recording loop run for `ms` milliseconds.
  static void Wait(int ms);

  mg::CaptureEngine& engine() { return *engine_; }

  mg::AppSettings settings;
  FakeOwner owner;
  CountingBeeper beeper;

 private:
  ScopedDisplay scoped_;
  struct Platform;
  std::unique_ptr<Platform> platform_;
  std::unique_ptr<mg::CaptureEngine> engine_;
};

}  // namespace mgtest
