#include "audio/wave_in_wnd.h"

#include <QCoreApplication>
#include <QEvent>
#include <new>

#include "audio/wave.h"

namespace mg {
namespace {

// A buffer the device handed back, on its way to the user-interface thread.
class WaveDataEvent : public QEvent {
 public:
  explicit WaveDataEvent(WaveHeader* h) : QEvent(Type()), header(h) {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  WaveHeader* header;
};

// The device stopped recording on its own; it comes after the buffers it handed back.
class WaveLostEvent : public QEvent {
 public:
  explicit WaveLostEvent(WaveInLoss w) : QEvent(Type()), why(w) {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  WaveInLoss why;
};

}  // namespace

CWaveInWnd::CWaveInWnd(WaveInFactory factory) : factory_(std::move(factory)) {
  setObjectName(QStringLiteral("Wave Wnd"));
  WaveDataEvent::Type();  // registered here, not first on the device's thread
  WaveLostEvent::Type();
}

CWaveInWnd::~CWaveInWnd() {
  discarding_ = true;
  m_nRequeueLength = 0;
  Close();
  QCoreApplication::sendPostedEvents(this, 0);
}

bool CWaveInWnd::Open(const WaveFormatEx& format) {
  m_windowExists = true;
  if (IsOpen()) return QueryFormat(format);
  std::unique_ptr<IWaveInDevice> device = factory_ ? factory_() : nullptr;
  lastOpenError_ = kMmSysErrNoDriver;
  if (!device) return false;
  lastOpenError_ = device->Open(
      format,
      [this](WaveHeader* header) { QCoreApplication::postEvent(this, new WaveDataEvent(header)); },
      [this](WaveInLoss why) { QCoreApplication::postEvent(this, new WaveLostEvent(why)); });
  if (lastOpenError_ != kMmSysErrNoError) return false;
  m_hWaveIn = std::move(device);
  return true;
}

bool CWaveInWnd::QueryFormat(const WaveFormatEx& format) const {
  return IsOpen() && m_hWaveIn->Supports(format);
}

bool CWaveInWnd::StartRecording(CWave& wave, int32_t length, bool start) {
  if (length <= 0) return false;
  if (!(IsOpen() ? QueryFormat(wave.Format()) : Open(wave.Format()))) return false;
  m_nRequeueLength = length;
  recording_ = &wave;
  for (int i = 0; i < kBuffersQueued; ++i)
    if (!QueueBuffer(wave, length)) return false;  // those queued come back at the reset
  return !start || m_hWaveIn->Start() == kMmSysErrNoError;
}

bool CWaveInWnd::QueueBuffer(CWave& wave, int32_t length) {
  if (!IsOpen()) return false;
  auto* header = new (std::nothrow) WaveHeader{};
  auto* data = new (std::nothrow) uint8_t[static_cast<size_t>(length)];
  if (!header || !data) {
    delete header;
    delete[] data;
    return false;
  }
  header->lpData = data;
  header->dwBufferLength = static_cast<uint32_t>(length);
  header->dwUser = &wave;
  if (m_hWaveIn->AddBuffer(header) == kMmSysErrNoError) return true;
  Free(header);
  return false;
}

void CWaveInWnd::BufferDone(CWave& wave, WaveHeader* header) {
  // The replacement goes first, so the device never runs short while this one is handled. If
  // it cannot be queued, recording goes on with one buffer fewer.
  if (m_nRequeueLength != 0) QueueBuffer(wave, m_nRequeueLength);
  if (header->dwBytesRecorded == 0) {
    Free(header);
    return;
  }
  const int bytesPerSample =
      wave.Format().wBitsPerSample / 8 > 0 ? wave.Format().wBitsPerSample / 8 : 1;
  const auto samples =
      static_cast<int32_t>(header->dwBytesRecorded / static_cast<uint32_t>(bytesPerSample));
  auto* block = new (std::nothrow)
      CWaveBlock(header->lpData, static_cast<int32_t>(header->dwBufferLength), samples);
  if (!block) {
    Free(header);  // out of memory: this buffer's sound is lost
    return;
  }
  delete header;  // the data area now belongs to the block
  wave.Blocks().AddTail(std::unique_ptr<CWaveBlock>(block));
  if (wave.Sink()) wave.Sink()->BlockRecorded(wave, block);
}

void CWaveInWnd::Free(WaveHeader* header) {
  delete[] header->lpData;
  delete header;
}

void CWaveInWnd::Drain() {
  m_nRequeueLength = 0;
  if (IsOpen()) m_hWaveIn->Reset();
  // The reset has handed every buffer back by now; handle them all here, and a loss told among
  // them in its place.
  QCoreApplication::sendPostedEvents(this, 0);
  recording_ = nullptr;
}

void CWaveInWnd::Pause() {
  if (IsOpen()) m_hWaveIn->Stop();
}

void CWaveInWnd::Resume() {
  if (IsOpen()) m_hWaveIn->Start();
}

bool CWaveInWnd::Close() {
  m_nRequeueLength = 0;  // buffers still on their way back are not replaced
  if (IsOpen()) {
    m_hWaveIn->Reset();
    if (m_hWaveIn->Close() == kMmSysErrNoError) m_hWaveIn.reset();
  }
  m_windowExists = false;
  return true;
}

bool CWaveInWnd::event(QEvent* e) {
  if (e->type() == WaveLostEvent::Type()) {
    if (!discarding_ && recording_ && recording_->Sink())
      recording_->Sink()->SoundLost(*recording_, static_cast<WaveLostEvent*>(e)->why);
    return true;
  }
  if (e->type() != WaveDataEvent::Type()) return QObject::event(e);
  WaveHeader* header = static_cast<WaveDataEvent*>(e)->header;
  if (discarding_ || !header->dwUser)
    Free(header);
  else
    BufferDone(*static_cast<CWave*>(header->dwUser), header);
  return true;
}

}  // namespace mg
