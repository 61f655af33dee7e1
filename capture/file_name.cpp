#include "capture/file_name.h"

#include "capture/movie_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace mg {
namespace {

bool Exists(const std::string& name) {
  return FileExists(name) || FileExists(TemporaryMovieName(name));
}

}  // namespace

std::string WithAviExtension(std::string name) {
  if (name.empty()) name = "capture.avi";
  std::string tail = name.size() > 5 ? name.substr(name.size() - 5) : name;
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (tail.find(".avi") == std::string::npos) name += ".avi";
  return name;
}

std::string MoviePath(const std::string& name, const std::string& folder) {
  const std::filesystem::path path(name);
  if (folder.empty() || path.is_absolute()) return name;
  return (std::filesystem::path(folder) / path).string();
}

FileNameResult NumberedFileName(const std::string& name, std::string* out,
                                const std::string& folder) {
  if (name.size() >= kNameBufferSize) return FileNameResult::TooLong;

  std::string stem = name;
  std::string extension;
  for (size_t i = stem.size(); i-- > 0;) {
    const char c = stem[i];
    if (c == '.' || c == '\\' || c == '/' || c == ':') {
      if (c == '.') {
        extension = stem.substr(i);
        stem.resize(i);
      }
      break;
    }
  }

  size_t digitsFrom = stem.size();
  while (digitsFrom > 0 && std::isdigit(static_cast<unsigned char>(stem[digitsFrom - 1])))
    --digitsFrom;
  // Read at most enough digits to know whether the number is below 10000.
  long start = 0;
  for (size_t i = digitsFrom; i < stem.size(); ++i) {
    start = start * 10 + (stem[i] - '0');
    if (start >= 10000) break;
  }
  if (start == 0) start = 1;
  stem.resize(digitsFrom);

  std::string candidate = stem;
  for (long n = start; n < 10000; ++n) {
    char number[24];
    std::snprintf(number, sizeof number, "%04ld", n);
    candidate = stem + number + extension;
    if (candidate.size() >= kNameBufferSize) return FileNameResult::TooLong;
    if (!Exists(MoviePath(candidate, folder))) break;
  }
  *out = candidate;
  return FileNameResult::Ok;
}

FileNameResult SettleFileName(std::string& name, bool incFilename, const std::string& folder) {
  std::string settled = WithAviExtension(name);
  if (settled.size() >= kNameBufferSize) return FileNameResult::TooLong;
  if (incFilename && NumberedFileName(settled, &settled, folder) != FileNameResult::Ok)
    return FileNameResult::TooLong;
  name = settled;
  return FileNameResult::Ok;
}

}  // namespace mg
