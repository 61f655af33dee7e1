// The sound recorder: the format to record in, the blocks recorded and not yet taken, the
// receiver of filled buffers it records through and the sink it hands every block to.
#pragma once

#include <cstdint>

#include "audio/wave_block.h"
#include "platform/wave_in.h"
#include "platform/windows_records.h"

namespace mg {

class CWave;
class CWaveInWnd;

// Receives every recorded block; takes it off the tail of the recorder's list and owns it.
class CWaveSink {
 public:
  virtual ~CWaveSink() = default;
  virtual void BlockRecorded(CWave& wave, CWaveBlock* block) = 0;
  // The input stopped recording on its own, after the blocks recorded so far.
  virtual void SoundLost(CWave& /*wave*/, WaveInLoss /*why*/) {}
};

class CWave {
 public:
  CWave();  // PCM, 1 channel, 11025 samples/s, 8 bits
  ~CWave() { RemoveAllBlocks(); }
  CWave(const CWave&) = delete;
  CWave& operator=(const CWave&) = delete;

  // Accepts exactly 11025, 22050 or 44100 samples/s and 8 or 16 bits; anything else changes
  // nothing and returns false. On success the recorded blocks are dropped.
  bool SetFormat(int32_t samplesPerSec, int32_t bitsPerSample);
  // Records through `waveIn` into buffers of `length` bytes for `sink`; the device starts at
  // once when `start`, else at the receiver's Resume.
  bool Record(CWaveInWnd* waveIn, int32_t length, CWaveSink* sink, bool start);
  // Ends recording: every buffer comes back and reaches the sink. The device stays open.
  void Stop();
  void RemoveAllBlocks() { m_blocks.RemoveAllBlocks(); }

  const WaveFormatEx& Format() const { return m_format; }
  CWaveBlockList& Blocks() { return m_blocks; }
  CWaveInWnd* WaveIn() const { return m_pWaveIn; }
  void SetWaveIn(CWaveInWnd* waveIn) { m_pWaveIn = waveIn; }
  CWaveSink* Sink() const { return m_pSink; }

 private:
  WaveFormatEx m_format;
  CWaveBlockList m_blocks;
  CWaveInWnd* m_pWaveIn = nullptr;  // not owned
  CWaveSink* m_pSink = nullptr;     // not owned; set from Record until Stop
};

}  // namespace mg
