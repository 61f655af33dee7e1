// A compositing manager (picom) on a test's X server, for as long as the object lives.
#pragma once

#include <QProcess>
#include <string>

namespace mgtest {

class Compositor {
 public:
  // Starts picom on `display` and waits until it owns the screen's _NET_WM_CM selection.
  explicit Compositor(const std::string& display);
  ~Compositor();
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;
  // Whether it runs and took the screen; `error` says why not.
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  QProcess picom_;
  std::string error_;
};

}  // namespace mgtest
