// Recording control and frame grabber: begins a recording (file, streams, ring, timer), runs the
// recording loop on the user-interface thread, grabs a frame on every tick of the timer thread,
// writes the frames at their positions and ends the recording with its report.
//
// Start and stop, and how they call each other:
// - The owner (the main dialog) starts with BeginCapture(StartMode). BeginCapture settles the
//   file name, opens the movie and its streams, makes the ring, applies the window mode, sets
//   the state, raises the priority, beeps, starts the sound and the tick, and then runs the
//   recording loop until the state is Idle again. It returns only after the recording ended.
// - Every stop goes through EndCapture: a refused start, the owner's Stop command, and an abort
//   from any thread (RequestAbort posts a stop request, which reaches the owner's hot-key handler
//   as kHotkeyStartStop and from there its Start/Stop command). EndCapture kills the tick,
//   removes the marker, restores the priority, drains the sound, closes the movie, beeps, sets
//   Idle (which ends the loop), frees the ring, restores the window and shows the report.
// - EndCapture called while Idle (a start refused before anything ran) does not stop anything:
//   it sets Recording and calls the owner's StartStopCommand, which sees a recording and calls
//   EndCapture again, so the idle look of the window is restored in one place, the owner's.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "capture/capture_context.h"
#include "capture/capture_owner.h"
#include "capture/cursor_blend.h"
#include "capture/frame_damage.h"
#include "capture/hotkey_ids.h"
#include "capture/panner.h"
#include "capture/recording_audio.h"
#include "platform/platform_services.h"
#include "platform/posted_notice.h"
#include "platform/wave_in.h"
#include "settings/app_settings.h"

namespace mg {

// How a recording begins: grabbing at once, or paused until the Pause command resumes it.
enum class StartMode { Recording = 1, Paused = 2 };

class CaptureEngine {
 public:
  // `platform` must be able to record (CanRecord); missing optional services become their null
  // backends.
  CaptureEngine(AppSettings& settings, ICaptureOwner& owner, const PlatformServices& platform);
  ~CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  // The sound recorder and the panner of the next recordings; nullptr: none.
  void SetAudio(ICaptureAudio* audio) { audio_ = audio ? audio : &noAudio_; }
  void SetPanner(IPanner* panner) { panner_ = panner ? panner : &fixedArea_; }

  // Runs the recording loop and returns 1 after a recording that started has ended, 0 when the
  // start failed.
  int BeginCapture(StartMode mode);
  // Stops the recording; in Idle it goes through the owner's Start/Stop command instead.
  void EndCapture();
  // The program is ending at once (its X server is gone): the movie is finished and named
  // without waiting for anything else. A tick may be stuck in the lost connection, so the timer
  // is left alone; nothing is shown. Sets Idle.
  void FinishAtExit();

  // The timer thread's routine: one grab.
  void CaptureTick();
  // Writes at most one grabbed slot; runs for every frame-ready notice.
  void WritePendingFrame();
  // Appends recorded sound to the audio stream at the running sample position. The first failed
  // write stops the recording with the audio error; later ones keep that cause.
  void AppendAudio(const void* data, int32_t samples, int32_t bytes);
  // The sound input stopped recording on its own: from the samples written so far on, the
  // audio stream is silence as long as the picture, and the report says where and why.
  void SoundLost(WaveInLoss why);
  // Re-reads the system palette after it changed.
  void RefreshPalette();
  // Asks for the stop from any thread: no more ticks, the counter set to `marker`, a stop
  // request posted to the user-interface thread.
  void RequestAbort(int32_t marker);

  CaptureContext& Context() { return ctx_; }
  // The file the recording writes; after a successful stop, the movie under its own name.
  const std::string& OutputFileName() const { return createdFile_; }

 private:
  bool BuildFrameFormat();
  std::string RefusedSettings() const;
  std::string OffScreenArea() const;
  bool OpenMovie(std::string* detail);
  void OpenSoundInput();
  bool PrepareAudioStream();
  bool MakeRing();
  void RunRecordingLoop();
  void ReleaseMovie();
  void Report();
  // Ends a start that failed and then tells why, so the window is idle again while it says so.
  int FailStart(const std::string& text);
  std::string Duration(int32_t frames) const;
  static std::string MovieTime(double seconds);
  // Silence after a loss, up to the end of `frames` frames; what the report adds for it.
  void FillLostSound(int64_t frames);
  std::string LostSoundText() const;
  // Gives the finished movie its name or removes an empty one; returns what the report adds.
  std::string SettleMovie(bool captured, bool failed);
  void UpdateTickPalette();
  void DiscardNotices();
  // Tick thread: `count` positions skipped; with `judge`, true when that makes the recording
  // overloaded (more than half of the counted frames skipped), which aborts it.
  bool CountSkipped(int count, bool judge);
  bool PastStartUp() const;

  AppSettings& settings_;
  ICaptureOwner& owner_;
  PlatformServices platform_;
  NoRecordingAudio noAudio_;
  FixedArea fixedArea_;
  ICaptureAudio* audio_ = &noAudio_;
  IPanner* panner_ = &fixedArea_;
  CaptureContext ctx_;
  NearestColour nearest_;
  FrameDamage damage_;           // tick thread
  ChangedRegion screenChanges_;  // tick thread: what the display says changed
  ChangedRegion grabPart_;       // tick thread: what the slot being filled needs
  bool markerCrossed_ = false;   // tick thread: the marker shows the paused cross
  ChangedRegion unwritten_;      // user-interface thread: changes since the last frame written
  PostedNotice frameReady_;
  PostedNotice stopRequest_;
  std::string createdFile_;  // the file this recording created, the only one a stop may delete
  std::string moviePath_;    // where the movie named by AVIFileName lies
  std::string movieName_;    // the movie path the recording takes when it succeeded
  std::atomic<int32_t> framesAtAbort_{0};
  bool audioStarted_ = false;
  bool soundRecorded_ = false;  // the input opened: the movie has an audio stream
  bool soundLost_ = false;      // the input stopped on its own during this recording
  WaveInLoss soundLostWhy_ = WaveInLoss::ServerGone;
  int64_t soundLostAt_ = 0;  // samples written before the loss
  bool ringMade_ = false;
  bool running_ = false;
  int32_t closeError_ = 0;
};

}  // namespace mg
