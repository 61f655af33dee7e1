// The wave-input device: records the default audio input into buffers queued by the caller and
// hands each buffer back when it is full (or, on stop and reset, partly filled), with the count
// of bytes recorded in it.
//
// Thread rules: every operation is called from one thread (the user-interface thread). Buffers
// come back through the `done` callback given to Open, which runs on the device's own thread
// while recording, and on the calling thread from inside Stop and Reset; it must only hand the
// buffer on (post it), never call back into the device. A queued buffer belongs to the device
// until it comes back. The `lost` callback follows the same rules.
//
// Sound lost: when the input goes away while the device is open (the server ended, the source
// removed) or the server stops answering, the device hands back what it recorded, tells `lost`
// once, after those buffers, and records nothing more; later buffers come back empty at the
// reset. No operation waits long for a server that does not answer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/windows_records.h"

namespace mg {

// One capture buffer (WAVEHDR's part that matters here).
struct WaveHeader {
  uint8_t* lpData = nullptr;     // the data area, dwBufferLength bytes
  uint32_t dwBufferLength = 0;   // bytes
  uint32_t dwBytesRecorded = 0;  // set by the device when the buffer comes back
  void* dwUser = nullptr;        // the recorder the buffer records for
  uint32_t dwFlags = 0;          // kWaveHdr* bits, set by the device
};

inline constexpr uint32_t kWaveHdrDone = 0x01;     // WHDR_DONE
inline constexpr uint32_t kWaveHdrInQueue = 0x10;  // WHDR_INQUEUE

// Multimedia result codes (MMRESULT).
inline constexpr int32_t kMmSysErrNoError = 0;
inline constexpr int32_t kMmSysErrError = 1;
inline constexpr int32_t kMmSysErrBadDeviceId = 2;  // the server has no such input
inline constexpr int32_t kMmSysErrNotEnabled = 3;   // the server does not answer
inline constexpr int32_t kMmSysErrInvalHandle = 5;
inline constexpr int32_t kMmSysErrNoDriver = 6;
inline constexpr int32_t kMmSysErrNoMem = 7;
inline constexpr int32_t kMmSysErrInvalParam = 11;
inline constexpr int32_t kWaveErrBadFormat = 32;
inline constexpr int32_t kWaveErrStillPlaying = 33;

// Why the device stopped recording on its own.
enum class WaveInLoss {
  ServerGone,    // the sound server ended or the connection to it broke
  SourceGone,    // the input was removed from the server
  NotAnswering,  // the server did not answer in time (a stop, a pause)
};

class IWaveInDevice {
 public:
  using BufferDone = std::function<void(WaveHeader* header)>;
  using Lost = std::function<void(WaveInLoss why)>;
  virtual ~IWaveInDevice() = default;

  // Opens the default input in `format` (PCM, 1 or 2 channels, 8 or 16 bits), stopped.
  virtual int32_t Open(const WaveFormatEx& format, BufferDone done, Lost lost) = 0;
  // Whether the open device can record in `format`.
  virtual bool Supports(const WaveFormatEx& format) const = 0;
  // Queues an empty buffer behind the ones already queued.
  virtual int32_t AddBuffer(WaveHeader* header) = 0;
  // Starts (or resumes) filling the queued buffers.
  virtual int32_t Start() = 0;
  // Stops filling; the buffer being filled comes back partly filled (when it holds anything),
  // the others stay queued.
  virtual int32_t Stop() = 0;
  // Stops and hands back every queued buffer before it returns: the one being filled with its
  // count, the untouched ones empty.
  virtual int32_t Reset() = 0;
  // Closes the device; refused (kWaveErrStillPlaying) while buffers are queued.
  virtual int32_t Close() = 0;
};

using WaveInFactory = std::function<std::unique_ptr<IWaveInDevice>()>;

}  // namespace mg
