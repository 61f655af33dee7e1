// Recording control and frame grabber: begins a recording (file, streams, ring, timer), runs the
// recording loop on the user-interface thread, grabs a frame on every tick of the timer thread,
// writes the frames at their positions and ends the recording with its report.
#pragma once

#include <memory>
#include <string>

#include "capture/capture_context.h"
#include "capture/capture_owner.h"
#include "capture/cursor_blend.h"
#include "platform/avi_file.h"
#include "platform/beep.h"
#include "platform/capture_display.h"
#include "platform/periodic_timer.h"
#include "platform/posted_notice.h"
#include "platform/screen.h"
#include "settings/app_settings.h"

namespace mg {

struct CapturePlatform {
  IAviLibrary* avi = nullptr;
  IScreen* screen = nullptr;
  ICaptureDisplay* display = nullptr;
  IPeriodicTimer* timer = nullptr;
  IBeeper* beeper = nullptr;
};

class CaptureEngine {
 public:
  CaptureEngine(AppSettings& settings, ICaptureOwner& owner, const CapturePlatform& platform);
  ~CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  void SetAudio(ICaptureAudio* audio) { audio_ = audio; }
  void SetPanner(IPanner* panner) { panner_ = panner; }

  // Mode 1 starts recording, mode 2 paused. Runs the recording loop and returns 1 after a
  // recording that started has ended, 0 when the start failed.
  int BeginCapture(int mode);
  // Stops the recording; in Idle it goes through the owner's Start/Stop command instead.
  void EndCapture();

  // The timer thread's routine: one grab.
  void CaptureTick();
  // Writes at most one grabbed slot; runs for every frame-ready notice.
  void WritePendingFrame();
  // Re-reads the system palette after it changed.
  void RefreshPalette();
  // Asks for the stop from any thread: no more ticks, the counter set to `marker`, a stop
  // request posted to the user-interface thread.
  void RequestAbort(int32_t marker);

  CaptureContext& Context() { return ctx_; }
  const std::string& OutputFileName() const { return createdFile_; }

 private:
  bool BuildFrameFormat();
  std::string RefusedSettings() const;
  bool OpenMovie(std::string* detail);
  bool PrepareAudioStream();
  bool MakeRing();
  void RunRecordingLoop();
  void ReleaseMovie();
  void Report();
  void UpdateTickPalette();
  void DiscardNotices();

  AppSettings& settings_;
  ICaptureOwner& owner_;
  CapturePlatform platform_;
  ICaptureAudio* audio_ = nullptr;
  IPanner* panner_ = nullptr;
  CaptureContext ctx_;
  NearestColour nearest_;
  PostedNotice frameReady_;
  PostedNotice stopRequest_;
  std::string createdFile_;  // the file this recording created, the only one a stop may delete
  bool audioStarted_ = false;
  bool ringMade_ = false;
  bool running_ = false;
  int32_t closeError_ = 0;
};

}  // namespace mg
