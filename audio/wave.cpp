#include "audio/wave.h"

#include "audio/wave_in_wnd.h"

namespace mg {

CWave::CWave() {
  m_format.wFormatTag = 1;
  m_format.nChannels = 1;
  m_format.nSamplesPerSec = 11025;
  m_format.nAvgBytesPerSec = 11025;
  m_format.nBlockAlign = 1;
  m_format.wBitsPerSample = 8;
  m_format.cbSize = 0;
}

bool CWave::SetFormat(int32_t samplesPerSec, int32_t bitsPerSample) {
  if (samplesPerSec != 11025 && samplesPerSec != 22050 && samplesPerSec != 44100) return false;
  if (bitsPerSample != 8 && bitsPerSample != 16) return false;
  RemoveAllBlocks();
  m_format.wFormatTag = 1;
  m_format.nChannels = 1;
  m_format.nSamplesPerSec = static_cast<uint32_t>(samplesPerSec);
  m_format.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
  m_format.nBlockAlign = static_cast<uint16_t>(bitsPerSample / 8);
  m_format.nAvgBytesPerSec = m_format.nSamplesPerSec * m_format.nBlockAlign;
  return true;
}

bool CWave::Record(CWaveInWnd* waveIn, int32_t length, CWaveSink* sink, bool start) {
  m_pWaveIn = waveIn;
  m_pSink = sink;
  return waveIn && waveIn->StartRecording(*this, length, start);
}

void CWave::Stop() {
  if (m_pWaveIn) m_pWaveIn->Drain();
  m_pSink = nullptr;
}

}  // namespace mg
