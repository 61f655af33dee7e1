// What the recording engine needs of the window that owns it (the main dialog). Tests drive the
// engine through this without the dialog.
#pragma once

#include <string>

#include "capture/capture_context.h"

namespace mg {

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
  // A message box owned by the window, captioned with the application's name, one OK button:
  // a warning (a failure, or something the user must know).
  virtual void ShowMessage(const std::string& text) = 0;
  // The same for the result of a recording that went well (an information).
  virtual void ShowResult(const std::string& text) { ShowMessage(text); }
  // A question with Yes and No buttons, owned by the window; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // 1048 iconizes the window, 1049 and 1050 hide it, anything else leaves it.
  virtual void ApplyWindowMode(int wndHide) = 0;
  // Restores the window and brings it to the foreground.
  virtual void RestoreWindow() = 0;
  // The recording has ended (or its start failed) and its report comes next: the window takes
  // its idle look now, so the buttons say what they do while the report is read.
  virtual void RecordingEnded() {}
  // The movie file name in the settings changed (extension or number added).
  virtual void FileNameChanged() = 0;
};

}  // namespace mg
