// Process priority with setpriority. On Linux a nice value belongs to each thread, so every
// thread of the process is changed, and threads started later inherit the value of the thread
// that starts them. Without the privilege to raise it the call is refused, which is fine.
#include <dirent.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>

#include "platform/priority.h"

namespace mg {
namespace {

constexpr int kRaisedNice = -10;
constexpr int kNormalNice = 0;

void SetAllThreads(int nice) {
  setpriority(PRIO_PROCESS, 0, nice);
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return;
  while (dirent* entry = readdir(tasks)) {
    char* end = nullptr;
    const long tid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || tid <= 0) continue;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
  }
  closedir(tasks);
}

}  // namespace

void RaiseProcessPriority() {
  SetAllThreads(kRaisedNice);
}

void RestoreNormalPriority() {
  SetAllThreads(kNormalNice);
}

}  // namespace mg
