// A private X server for one test: Xvfb at a chosen size and depth on a free display number.
#pragma once

#include <sys/types.h>
#include <string>

namespace mgtest {

class XvfbServer {
 public:
  // Starts Xvfb; `extraArgs` are appended to its command line (e.g. "-extension MIT-SHM").
  XvfbServer(int width, int height, int depth, const std::string& extraArgs = {});
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool ok() const { return pid_ > 0 && !display_.empty(); }
  const std::string& display() const { return display_; }  // ":N"

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Sets $DISPLAY for the lifetime of the object and restores the previous value afterwards.
class ScopedDisplay {
 public:
  explicit ScopedDisplay(const std::string& display);
  ~ScopedDisplay();

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace mgtest
