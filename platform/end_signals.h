// The signals that end the program from outside: SIGTERM (the session ends, or `kill`), SIGHUP
// (the terminal or session is gone) and SIGINT (Ctrl+C). Each is handed to the thread that made
// the watch as a plain call from its event loop, never run inside the signal handler, so the
// handler may finish a movie and save the settings. One watch at a time.
#pragma once

#include <functional>
#include <memory>

namespace mg {

class EndSignals {
 public:
  // Create on the thread whose event loop runs `handler`; it gets the signal's number.
  explicit EndSignals(std::function<void(int signal)> handler);
  // Puts back what the signals did before.
  ~EndSignals();
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

  // False when the signals could not be watched (they then end the program as before).
  bool ok() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace mg
