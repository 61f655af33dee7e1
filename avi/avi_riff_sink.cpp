#include "avi/avi_riff_sink.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace mg {
namespace {

// The process's file-creation mask, read without changing it (the kernel shows it in
// /proc/self/status); umask() itself sets it, so it is the fallback only.
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f))
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// As the user set it when the program started, before any thread of a library could change it
// for a moment (libpulse does, from its own threads, while it looks for a server).
const mode_t kStartUmask = CurrentUmask();

}  // namespace

RiffSink::~RiffSink() {
  if (fd_ >= 0) ::close(fd_);
}

bool RiffSink::Open(const std::string& fileName) {
  fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    // A new movie gets the user's permissions whatever the mask is at this instant.
    ::fchmod(fd_, 0666 & ~kStartUmask);
  } else {
    if (errno != EEXIST) return false;
    fd_ = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);  // keeps its permissions
    if (fd_ < 0) return false;
  }
  // Locked before it is emptied: a file another recording is writing is left alone
  // (EWOULDBLOCK). A device (such as /dev/full) has nothing to empty.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || (::ftruncate(fd_, 0) != 0 && errno != EINVAL)) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    errno = error;
    return false;
  }
  return true;
}

bool RiffSink::WriteAt(uint64_t offset, const iovec* parts, int count) {
  if (fd_ < 0) return false;
  constexpr int kMaxParts = 8;
  iovec left[kMaxParts];
  int n = 0;
  for (int i = 0; i < count && n < kMaxParts; ++i)
    if (parts[i].iov_len) left[n++] = parts[i];
  int first = 0;
  while (first < n) {
    const ssize_t done = ::pwritev(fd_, left + first, n - first, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      failed_ = true;
      return false;
    }
    offset += static_cast<uint64_t>(done);
    size_t rest = static_cast<size_t>(done);
    while (first < n && rest >= left[first].iov_len) rest -= left[first++].iov_len;
    if (first < n) {
      left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + rest;
      left[first].iov_len -= rest;
    }
  }
  return true;
}

bool RiffSink::WriteAt(uint64_t offset, const void* data, size_t bytes) {
  iovec part{const_cast<void*>(data), bytes};
  return WriteAt(offset, &part, 1);
}

bool RiffSink::PutU32(uint64_t offset, uint32_t value) {
  uint8_t bytes[4];
  PutLe32(bytes, value);
  return WriteAt(offset, bytes, 4);
}

bool RiffSink::Reserve(uint64_t offset, uint64_t length) {
  if (fd_ < 0 || !reserving_) return true;
  int rc;
  do {
    rc = ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                     static_cast<off_t>(length));
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return true;
  if (errno == ENOSPC || errno == EDQUOT) return false;
  reserving_ = false;  // not a file system that sets space aside (or /dev/full): writes decide
  return true;
}

void RiffSink::Truncate(uint64_t size) {
  // Growing first makes the cut a real one, which frees the blocks set aside past the end.
  if (fd_ >= 0 && reserving_ && ::ftruncate(fd_, static_cast<off_t>(size + 1)) != 0) {
  }
  if (fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    // A device such as /dev/full cannot be cut; the RIFF sizes still tell where the file ends.
  }
}

bool RiffSink::Close() {
  if (fd_ >= 0) {
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
  }
  return !failed_;
}

}  // namespace mg
