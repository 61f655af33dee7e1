#include <unistd.h>

#include <vector>

#include "platform/program_path.h"

namespace mg {

std::string RunningProgramPath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), size_t(n));
    buffer.resize(buffer.size() * 2);  // the name may have been cut: try again with more room
  }
}

std::string DirectoryOf(const std::string& path) {
  const auto cut = path.find_last_of('/');
  if (cut == std::string::npos) return {};
  return path.substr(0, cut);
}

}  // namespace mg
