// What the recording engine needs of the window that owns it (the main dialog), and of the sound
// recorder. Tests drive the engine through these without the dialog.
#pragma once

#include <cstdint>
#include <string>

#include "capture/capture_context.h"
#include "platform/windows_records.h"

namespace mg {

inline constexpr int kHotkeyStartStop = 1;
inline constexpr int kHotkeyPause = 2;
inline constexpr int kHotkeyPanLock = 3;

class ICaptureOwner {
 public:
  virtual ~ICaptureOwner() = default;
  // The recording state; read from the tick thread too.
  virtual RecordingState State() const = 0;
  virtual void SetState(RecordingState state) = 0;
  // The Start/Stop command: stops a running recording (calling EndCapture) and restores the
  // idle look of the window.
  virtual void StartStopCommand() = 0;
  // The hot-key handler; a stop request arrives here as kHotkeyStartStop.
  virtual void OnHotKey(int id) = 0;
  // A message box owned by the window, captioned with the application's name, one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // 1048 iconizes the window, 1049 and 1050 hide it, anything else leaves it.
  virtual void ApplyWindowMode(int wndHide) = 0;
  // Restores the window and brings it to the foreground.
  virtual void RestoreWindow() = 0;
  // The movie file name in the settings changed (extension or number added).
  virtual void FileNameChanged() = 0;
};

// The sound side of a recording.
class ICaptureAudio {
 public:
  virtual ~ICaptureAudio() = default;
  // The recorder's format, copied into the audio stream's format.
  virtual WaveFormatEx Format() const = 0;
  // Makes the hidden receiver of filled buffers when there is none yet.
  virtual void EnsureReceiver() = 0;
  // Opens the input device; starts it unless the recording begins paused. Failure is ignored.
  virtual void Record(bool start) = 0;
  // Stops the device, hands every recorded sample to the sink and closes it.
  virtual void Stop() = 0;
};

// Moves the capture rectangle with the pointer; runs on the tick thread before each grab.
class IPanner {
 public:
  virtual ~IPanner() = default;
  virtual void PanCaptureArea(CaptureContext& ctx, int pointerX, int pointerY, int modifiers) = 0;
};

}  // namespace mg
