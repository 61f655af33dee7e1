#include "capture/movie_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "capture/file_name.h"

namespace mg {
namespace {

// The file opened for nothing but its lock; -1 when it cannot be opened.
int OpenForLock(const std::string& file) {
  // Some network file systems lock only what is open for writing. A pipe of that name does not
  // hold the program up.
  constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  const int fd = ::open(file.c_str(), O_RDWR | kFlags);
  return fd >= 0 ? fd : ::open(file.c_str(), O_RDONLY | kFlags);
}

// 0, or the reason the move failed (EEXIST: the name was taken in the meantime).
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system that cannot rename without replacing: a second link cannot replace anything
  // either, and the first one is removed after it.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // Neither (a FAT stick): look first.
  if (FileExists(to)) return EEXIST;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// "clip0004.avi": four digits (or more) before the extension that numbering keeps (from the last
// full stop, when no folder separator follows it).
bool IsNumbered(const std::string& name) {
  const size_t mark = name.find_last_of(".\\/:");
  const size_t end = mark != std::string::npos && name[mark] == '.' ? mark : name.size();
  if (end < 4) return false;
  for (size_t i = end - 4; i < end; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

}  // namespace

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

bool HeldByRecording(const std::string& file) {
  const int fd = OpenForLock(file);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // gives back the lock when it was taken
  return held;
}

bool OpenInAnotherProgram(const std::string& file) {
  struct stat wanted {};
  if (::stat(file.c_str(), &wanted) != 0) return false;
  const std::string self = std::to_string(::getpid());
  std::error_code ec;
  for (std::filesystem::directory_iterator proc("/proc", ec), end; !ec && proc != end;
       proc.increment(ec)) {
    const std::string pid = proc->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
      continue;
    std::error_code fdError;  // another user's process, or one that just ended
    for (std::filesystem::directory_iterator fd(proc->path() / "fd", fdError), fdEnd;
         !fdError && fd != fdEnd; fd.increment(fdError)) {
      struct stat open {};
      if (::stat(fd->path().c_str(), &open) == 0 && open.st_dev == wanted.st_dev &&
          open.st_ino == wanted.st_ino)
        return true;
    }
  }
  return false;
}

MoveResult MoveToNumberedName(const std::string& file, const std::string& name, std::string* moved,
                              std::string* reason) {
  const int fd = OpenForLock(file);
  if (fd < 0) {
    if (reason) *reason = std::strerror(errno);
    return MoveResult::Failed;
  }
  // Held while it moves, so no recording begins to write it meanwhile.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return MoveResult::Held;
  }
  const std::filesystem::path target(name);
  const std::string folder = target.parent_path().string();
  std::string why = "no free number is left for it";
  MoveResult result = MoveResult::Failed;
  // Another program may take a number between the look and the move: the next one is tried.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string numbered = target.filename().string();
    // A numbered name whose own number is free ("clip0003.avi" for "clip0003.avi.part", which
    // numbering counts as taken by the file itself) keeps it.
    if (attempt > 0 || !IsNumbered(numbered) || FileExists(name) ||
        TemporaryMovieName(name) != file) {
      if (NumberedFileName(target.filename().string(), &numbered, folder) != FileNameResult::Ok) {
        why = "the name is too long to be numbered";
        break;
      }
      // With every number taken, or the number at 10000 or beyond, what comes back is no free
      // numbered name.
      const std::string candidate = MoviePath(numbered, folder);
      if (!IsNumbered(numbered) || FileExists(candidate) ||
          FileExists(TemporaryMovieName(candidate)))
        break;
    }
    const std::string path = MoviePath(numbered, folder);
    const int error = MoveWithoutReplacing(file, path);
    if (error == 0) {
      if (moved) *moved = path;
      result = MoveResult::Moved;
      break;
    }
    if (error != EEXIST) {
      why = std::strerror(error);
      break;
    }
  }
  ::close(fd);
  if (result == MoveResult::Failed && reason) *reason = why;
  return result;
}

}  // namespace mg
