#include "capture/movie_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace mg {

std::string TemporaryMovieName(const std::string& target) {
  return target + ".part";
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::path(name), ec);
}

bool IsReadOnlyFile(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return false;
  // Marked read-only for everybody counts even for a user the system would let write it.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(name.c_str(), W_OK) != 0 && errno == EACCES;
}

bool GiveMovieItsName(const std::string& temporary, const std::string& target,
                      std::string* reason) {
  // The movie replaced keeps the permissions it had.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::chmod(temporary.c_str(), old.st_mode & 07777);
  if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
  if (reason) *reason = std::strerror(errno);
  return false;
}

void RemoveTemporaryMovie(const std::string& temporary) {
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(temporary), ec);
}

}  // namespace mg
