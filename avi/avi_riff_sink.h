// The file under the AVI writer: positioned writes of whole buffers, with a sticky failure.
// Every write goes straight to the kernel (no user-space buffer), so what was written survives
// the death of the process.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace mg {

class RiffSink {
 public:
  RiffSink() = default;
  ~RiffSink();
  RiffSink(const RiffSink&) = delete;
  RiffSink& operator=(const RiffSink&) = delete;

  // Creates or truncates the file and holds a lock on it until Close. False with errno set when
  // it cannot be created, or EWOULDBLOCK when another writer holds it.
  bool Open(const std::string& fileName);
  // Writes all parts at `offset`, retrying short writes. False (and failed() from then on)
  // when the system refuses, e.g. a full disk; later writes are still tried.
  bool WriteAt(uint64_t offset, const iovec* parts, int count);
  bool WriteAt(uint64_t offset, const void* data, size_t bytes);
  bool PutU32(uint64_t offset, uint32_t value);
  // Sets aside disk space for bytes [offset, offset + length) without growing the file. False
  // only when the disk has no room for it; a file system that cannot set space aside counts as
  // done.
  bool Reserve(uint64_t offset, uint64_t length);
  // Cuts the file to `size` bytes (after a failed write left a partial chunk behind) and gives
  // back space set aside beyond it.
  void Truncate(uint64_t size);
  // Closes the descriptor; false when closing reports an error (or a write failed before).
  bool Close();
  bool failed() const { return failed_; }

 private:
  int fd_ = -1;
  bool failed_ = false;
  bool reserving_ = true;
};

// Little-endian helpers for RIFF structures.
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLe64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace mg
