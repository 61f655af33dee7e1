#include "capture/leftover_movies.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "capture/capture_messages.h"
#include "capture/file_name.h"
#include "capture/movie_file.h"

namespace mg {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPartSuffix = ".part";

// A movie's file begins "RIFF", its size, "AVI ".
bool BeginsAsAvi(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char head[12] = {};
  if (!in.read(head, sizeof head)) return false;
  return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "AVI ", 4) == 0;
}

std::string Absolute(const std::string& name) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(name), ec);
  return ec ? name : absolute.lexically_normal().string();
}

LeftoverMovie Rescue(const std::string& file) {
  LeftoverMovie found;
  found.file = Absolute(file);
  if (OpenInAnotherProgram(found.file)) return {};  // still being written by its program
  const std::string movie = found.file.substr(0, found.file.size() - std::strlen(kPartSuffix));
  switch (MoveToNumberedName(found.file, movie, &found.movie, &found.reason)) {
    case MoveResult::Moved:
      break;
    case MoveResult::Held:
      return {};
    case MoveResult::Failed:
      found.movie.clear();
      break;
  }
  return found;
}

std::string Replaced(std::string text, const char* mark, const std::string& by) {
  const size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, std::strlen(mark), by);
  return text;
}

// "/videos/clip0001.avi", or where it stays and why.
std::string Place(const LeftoverMovie& m) {
  if (!m.movie.empty()) return m.movie;
  return Replaced(Replaced(msg::kLeftoverStays, "%1", m.file), "%2", m.reason);
}

}  // namespace

std::string FolderOfMovies(const std::string& aviFileName, const std::string& movieFolder) {
  const fs::path movie(MoviePath(WithAviExtension(aviFileName), movieFolder));
  return Absolute(movie.parent_path().empty() ? "." : movie.parent_path().string());
}

std::vector<LeftoverMovie> RescueLeftoverMovies(const std::string& folder) {
  std::vector<std::string> parts;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= std::strlen(kPartSuffix) ||
        name.compare(name.size() - std::strlen(kPartSuffix), std::string::npos, kPartSuffix) != 0)
      continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || !BeginsAsAvi(it->path())) continue;
    parts.push_back(it->path().string());
  }
  // In name order, so the numbers follow the order the recordings were named in.
  std::sort(parts.begin(), parts.end());
  std::vector<LeftoverMovie> rescued;
  for (const std::string& part : parts)
    if (LeftoverMovie m = Rescue(part); !m.file.empty()) rescued.push_back(std::move(m));
  return rescued;
}

LeftoverMovie RescueLeftoverOf(const std::string& movie) {
  const std::string part = TemporaryMovieName(movie);
  std::error_code ec;
  const fs::path path(part);
  // An empty file has nothing to lose; anything else is somebody's recording.
  if (!fs::is_regular_file(path, ec)) return {};
  const auto size = fs::file_size(path, ec);
  if (ec || size == 0) return {};
  return Rescue(part);
}

std::string LeftoverMoviesText(const std::vector<LeftoverMovie>& found) {
  if (found.empty()) return {};
  if (found.size() == 1) return Replaced(msg::kLeftoverOne, "%1", Place(found[0]));
  std::string places;
  for (const LeftoverMovie& m : found) places += "\n" + Place(m);
  return Replaced(msg::kLeftoverMany, "%1", places);
}

}  // namespace mg
