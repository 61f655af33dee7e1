#include "tests/support/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <vector>

namespace mgtest {

XvfbServer::XvfbServer(int width, int height, int depth, const std::string& extraArgs) {
  int fds[2];
  if (pipe(fds) != 0) return;
  std::vector<std::string> args = {
      "Xvfb",
      "-displayfd",
      std::to_string(fds[1]),
      "-screen",
      "0",
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth),
      "-nolisten",
      "tcp",
      "-noreset"};
  std::istringstream extra(extraArgs);
  for (std::string word; extra >> word;) args.push_back(word);

  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Quiet: Xvfb's start-up chatter is not a test result.
    freopen("/dev/null", "w", stderr);
    execvp("Xvfb", argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 20000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1) break;
    if (c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

ScopedDisplay::ScopedDisplay(const std::string& display) {
  if (const char* old = std::getenv("DISPLAY")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("DISPLAY", display.c_str(), 1);
}

ScopedDisplay::~ScopedDisplay() {
  if (hadPrevious_)
    setenv("DISPLAY", previous_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace mgtest
