// The hidden receiver "Wave Wnd": owns the wave-input device and its capture buffers. The device
// hands every filled buffer back from its own thread; the receiver posts it to itself, so blocks
// are made and written on the user-interface thread, from whatever event loop runs there.
//
// A loss the device tells (its input went away) reaches the sink of the recording it happened
// in, after the buffers handed back before it.
//
// Buffer life: eight buffers are queued at the start; each one that comes back is replaced before
// it is looked at (until Drain), its data area becomes a block when it holds samples and is freed
// when it comes back empty.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "platform/wave_in.h"

namespace mg {

class CWave;

class CWaveInWnd : public QObject {
 public:
  static constexpr int kBuffersQueued = 8;
  static constexpr int32_t kInitialRequeueLength = 4096;

  explicit CWaveInWnd(WaveInFactory factory);
  ~CWaveInWnd() override;  // closes the device and frees whatever came back from it

  bool IsOpen() const { return m_hWaveIn != nullptr; }
  // Opens the default input in `format`; an open device is only asked whether it takes it.
  bool Open(const WaveFormatEx& format);
  // The device's result code of the last Open that failed (kMmSysErrNoError after one that
  // succeeded): kMmSysErrNoDriver when there is no sound server.
  int32_t LastOpenError() const { return lastOpenError_; }
  bool QueryFormat(const WaveFormatEx& format) const;
  // Opens the device if needed, queues the first buffers of `length` bytes for `wave` and, when
  // `start`, starts the device.
  bool StartRecording(CWave& wave, int32_t length, bool start);
  // One buffer back from the device (see the life of a buffer above).
  void BufferDone(CWave& wave, WaveHeader* header);
  // Ends re-queuing and has the device return every buffer, each handled before this returns.
  void Drain();
  void Pause();
  void Resume();
  // Resets and closes the device; the receiver is gone until the next Open.
  bool Close();

  int32_t RequeueLength() const { return m_nRequeueLength; }
  bool WindowExists() const { return m_windowExists; }

 protected:
  bool event(QEvent* e) override;

 private:
  bool QueueBuffer(CWave& wave, int32_t length);
  static void Free(WaveHeader* header);

  WaveInFactory factory_;
  std::unique_ptr<IWaveInDevice> m_hWaveIn;
  int32_t m_nRequeueLength = kInitialRequeueLength;
  bool m_windowExists = false;
  bool discarding_ = false;
  CWave* recording_ = nullptr;  // the recorder of the buffers queued, from StartRecording to Drain
  int32_t lastOpenError_ = kMmSysErrNoError;  // being destroyed: returned buffers are only freed
};

}  // namespace mg
