#include "setup/setup_paths.h"

namespace mg {
namespace {

bool PlainForShell(const std::string& text) {
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '.' || c == '_' || c == '-' || c == '+' || c == '=' ||
                       c == ':' || c == '@' || c == '%';
    if (!plain) return false;
  }
  return true;
}

}  // namespace

std::string JoinQuoted(const std::string& dir, const std::string& name) {
  std::string joined = dir;
  joined += '/';
  joined += name;
  std::string result;
  if (PlainForShell(dir) && PlainForShell(name)) {
    result = joined;
  } else {
    result.assign(1, '"');
    for (const char c : joined) {
      if (c == '$' || c == '`' || c == '"' || c == '\\') result += '\\';
      result += c;
    }
    result += '"';
  }
  if (!result.empty() && result.back() == '/') {
    result.pop_back();
  } else if (result.size() >= 3 && result.compare(result.size() - 2, 2, "/\"") == 0) {
    result.resize(result.size() - 2);
    result += '"';
  }
  return result;
}

}  // namespace mg
