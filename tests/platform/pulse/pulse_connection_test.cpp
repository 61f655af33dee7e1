// Connecting to the sound server when there is none: the attempt fails and leaves the process's
// umask as it found it, so files made afterwards get the user's permissions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "platform/pulse/pulse_connection.h"

namespace {

TEST(PulseConnection, WithNoServerFailsAndLeavesTheUmask) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // No server anywhere: none named, an empty runtime folder and an empty home, as for a user
  // whose desktop runs no sound server.
  const char* server = std::getenv("PULSE_SERVER");
  const std::string savedServer = server ? server : "";
  unsetenv("PULSE_SERVER");
  setenv("XDG_RUNTIME_DIR", dir.filePath("run").toLocal8Bit().constData(), 1);
  setenv("HOME", dir.filePath("home").toLocal8Bit().constData(), 1);
  const mode_t before = umask(027);
  bool connected = false;
  for (int i = 0; i < 3; ++i) {
    mg::PulseConnection c;
    connected = connected || c.Connect("Movigram test", 1000);
  }
  const mode_t after = umask(before);
  if (server) setenv("PULSE_SERVER", savedServer.c_str(), 1);
  EXPECT_FALSE(connected);
  EXPECT_EQ(after, 027u) << "a connection attempt left the umask changed";
}

}  // namespace
