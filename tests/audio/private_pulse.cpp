#include "tests/audio/private_pulse.h"

#include <pulse/simple.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace mgtest {

PrivatePulse::PrivatePulse(const std::string& sinkSpec, const std::string& extraModule) {
  char pattern[] = "/tmp/movigram-pulse.XXXXXX";
  if (!mkdtemp(pattern)) return;
  dir_ = pattern;
  const std::string runtime = dir_ + "/runtime";
  const std::string socket = dir_ + "/native";
  mkdir(runtime.c_str(), 0700);
  const std::string sink = "module-null-sink sink_name=movigram_test_sink " + sinkSpec;
  const std::string protocol = "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
  const std::string log = dir_ + "/pulseaudio.log";
  pid_ = fork();
  if (pid_ == 0) {
    setenv("PULSE_RUNTIME_PATH", runtime.c_str(), 1);
    setenv("PULSE_STATE_PATH", runtime.c_str(), 1);
    setenv("HOME", dir_.c_str(), 1);
    if (FILE* f = freopen(log.c_str(), "w", stderr)) (void)f;
    if (extraModule.empty())
      execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no",
             "--exit-idle-time=-1", "--disallow-exit", "--log-target=stderr", "--log-level=error",
             "-L", sink.c_str(), "-L", protocol.c_str(), static_cast<char*>(nullptr));
    else
      execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no",
             "--exit-idle-time=-1", "--disallow-exit", "--log-target=stderr", "--log-level=error",
             "-L", sink.c_str(), "-L", protocol.c_str(), "-L", extraModule.c_str(),
             static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0) return;
  for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!std::filesystem::exists(socket)) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return;
  }
  server_ = "unix:" + socket;
  if (const char* previous = std::getenv("PULSE_SERVER")) {
    previousServer_ = previous;
    hadPrevious_ = true;
  }
  setenv("PULSE_SERVER", server_.c_str(), 1);
  started_ = true;
}

PrivatePulse::~PrivatePulse() {
  if (started_) {
    if (hadPrevious_)
      setenv("PULSE_SERVER", previousServer_.c_str(), 1);
    else
      unsetenv("PULSE_SERVER");
  }
  if (pid_ > 0) {
    Thaw();  // a stopped server would keep the termination pending
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

void PrivatePulse::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  frozen_ = false;
}

void PrivatePulse::Freeze() {
  if (pid_ > 0 && !frozen_ && kill(pid_, SIGSTOP) == 0) frozen_ = true;
}

void PrivatePulse::Thaw() {
  if (pid_ > 0 && frozen_ && kill(pid_, SIGCONT) == 0) frozen_ = false;
}

bool PlayU8(const std::vector<uint8_t>& samples) {
  const pa_sample_spec spec{PA_SAMPLE_U8, 11025, 1};
  int error = 0;
  pa_simple* s = pa_simple_new(nullptr, "movigram-test", PA_STREAM_PLAYBACK, nullptr, "tone", &spec,
                               nullptr, nullptr, &error);
  if (!s) return false;
  const bool ok = pa_simple_write(s, samples.data(), samples.size(), &error) == 0 &&
                  pa_simple_drain(s, &error) == 0;
  pa_simple_free(s);
  return ok;
}

ScopedPulseServer::ScopedPulseServer(const std::string& server) {
  if (const char* previous = std::getenv("PULSE_SERVER")) {
    previous_ = previous;
    hadPrevious_ = true;
  }
  setenv("PULSE_SERVER", server.c_str(), 1);
}

ScopedPulseServer::~ScopedPulseServer() {
  if (hadPrevious_)
    setenv("PULSE_SERVER", previous_.c_str(), 1);
  else
    unsetenv("PULSE_SERVER");
}

}  // namespace mgtest
