// A private PulseAudio server for one test program: a null sink (in a chosen sample format) whose
// monitor is the default source, reachable through PULSE_SERVER while the object lives. Works as
// root too. Playback into the sink comes back from its monitor unchanged when the formats match.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mgtest {

class PrivatePulse {
 public:
  // `sinkSpec` is appended to module-null-sink's arguments, e.g. "format=u8 rate=11025 channels=1";
  // `extraModule`, when given, is loaded as well (a module name and its arguments).
  explicit PrivatePulse(const std::string& sinkSpec, const std::string& extraModule = {});
  ~PrivatePulse();
  PrivatePulse(const PrivatePulse&) = delete;
  PrivatePulse& operator=(const PrivatePulse&) = delete;

  bool ok() const { return pid_ > 0; }
  const std::string& server() const { return server_; }  // "unix:/..."

  // The server dies at once (SIGKILL), as in a crash; PULSE_SERVER still names its socket.
  void Kill();
  // The server stops answering (SIGSTOP) and goes on again (SIGCONT).
  void Freeze();
  void Thaw();
  bool frozen() const { return frozen_; }

 private:
  pid_t pid_ = -1;
  bool started_ = false;
  bool frozen_ = false;
  std::string dir_;
  std::string server_;
  std::string previousServer_;
  bool hadPrevious_ = false;
};

// Plays `samples` (unsigned 8-bit mono, 11025 samples/s) to the default sink and waits until
// they have been played. False when there is no server.
bool PlayU8(const std::vector<uint8_t>& samples);

// Sets PULSE_SERVER for the lifetime of the object and restores it afterwards.
class ScopedPulseServer {
 public:
  explicit ScopedPulseServer(const std::string& server);
  ~ScopedPulseServer();

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace mgtest
