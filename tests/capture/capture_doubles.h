// Test doubles for the recording engine's platform: an AVI library that records what is written
// (and can fail), a screen and capture display with known pixels, a timer driven by hand.
#pragma once

#include <QCoreApplication>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "capture/capture_engine.h"

namespace mgtest {

struct StreamEvent {
  enum Kind { Format, Frame } kind;
  int32_t pos;
  std::vector<uint8_t> bytes;
};

struct FakeMovie {
  std::vector<mg::AviStreamInfo> streams;
  std::vector<StreamEvent> video;  // what reached the compressing stream
  std::vector<StreamEvent> audio;
  std::vector<mg::ChangedRegion> hints;  // what the writer said of each frame before writing it
  mg::AviCompressOptions options;
  bool closed = false;
};

class FakeAviLibrary : public mg::IAviLibrary {
 public:
  int32_t OpenFile(const std::string& name, std::unique_ptr<mg::IAviFile>* out) override;
  int32_t MakeCompressedStream(mg::IAviStream* source, const mg::AviCompressOptions& options,
                               std::unique_ptr<mg::IAviStream>* out) override;

  FakeMovie movie;
  std::vector<std::string> opened;
  int32_t openResult = 0;
  int32_t compressResult = 0;
  int32_t setFormatResult = 0;
  int32_t createVideoResult = 0;  // what creating the video stream answers
  int32_t createAudioResult = 0;
  int32_t audioFormatResult = 0;  // what setting the audio stream's format answers
  int failWriteAt = -1;           // the n-th frame write (0-based) fails with kAviErrFileWrite
  int32_t closeResult = 0;  // what closing the movie reports (the last data reaching the disk)
  int writes = 0;
};

class FakeScreen : public mg::IScreen {
 public:
  mg::DisplayFormat Format() override { return format; }
  int ReadPalette(mg::PaletteEntry* entries, int count) override;
  mg::ScreenPoint CursorPos() override { return cursorPos; }
  void WatchPalette(std::function<void()> changed) override { watcher = std::move(changed); }

  mg::DisplayFormat format{32, 24, 1280, 1024, 0, false, 0xff0000, 0xff00, 0xff};
  std::vector<mg::PaletteEntry> palette;
  mg::ScreenPoint cursorPos;
  std::function<void()> watcher;
};

class FakeCaptureDisplay : public mg::ICaptureDisplay {
 public:
  uint8_t* AllocateFrame(int slot, int width, int height) override;
  void FreeFrames() override;
  bool Grab(int slot, int x, int y) override;
  // Records each part asked for; a whole part is a Grab.
  bool GrabPart(int slot, int x, int y, const mg::ChangedRegion& part) override;
  // Hands out `changes` one per call, screen coordinates; everything once they run out.
  void TakeChanges(mg::ChangedRegion* out) override;
  mg::PointerState QueryPointer() override { return pointer; }
  const mg::CursorImage* Cursor() override {
    ++cursorLookups;
    return cursor.argb ? &cursor : nullptr;
  }
  void ShowMarker(const mg::WinRect& outer, bool paused) override {
    lastMarker = outer;
    lastMarkerPaused = paused;
    ++markerShows;
  }
  void HideMarker() override { ++markerHides; }

  int bitsPerPixel = 32;
  std::map<int, std::vector<uint8_t>> frames;
  uint8_t nextValue = 1;  // every grab fills its slot with the next value
  std::vector<std::pair<int, int>> grabOrigins;
  std::vector<mg::ChangedRegion> changes;
  std::vector<mg::ChangedRegion> parts;  // what each grab was asked to fetch
  int failGrabAt = -1;                   // the n-th grab (0-based) fails
  mg::PointerState pointer{5000, 5000, 0, true};
  mg::CursorImage cursor;
  int cursorLookups = 0;
  mg::WinRect lastMarker;
  bool lastMarkerPaused = false;
  int markerShows = 0;
  int markerHides = 0;
  bool freed = false;
};

class ManualTimer : public mg::IPeriodicTimer {
 public:
  bool Start(mg::TickPeriod tickPeriod, std::function<void()> tick) override {
    period = tickPeriod;
    tick_ = std::move(tick);
    running = true;
    return true;
  }
  void Kill() override { running = false; }
  int MissedTicks() const override { return missed_; }
  // One tick; `missedBefore` deadlines passed without a tick just before it (a held-up tick).
  void Tick(int missedBefore = 0) {
    missed_ = missedBefore;
    if (running && tick_) tick_();
    missed_ = 0;
  }
  mg::TickPeriod period;
  bool running = false;

 private:
  std::function<void()> tick_;
  int missed_ = 0;
};

class CountingBeeper : public mg::IBeeper {
 public:
  void Beep(int hz, int ms) override {
    if (hz == 1000 && ms == 200) ++beeps;
  }
  int beeps = 0;
};

// The first line of a message: the totals, without the movie's length and file under them.
inline std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The window that owns the engine, as the main dialog would behave.
class FakeOwner : public mg::ICaptureOwner {
 public:
  mg::RecordingState State() const override { return state.load(); }
  void SetState(mg::RecordingState s) override { state = s; }
  void StartStopCommand() override;
  void OnHotKey(int id) override {
    if (id == mg::kHotkeyStartStop) StartStopCommand();
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    if (whileShown) whileShown(text);
  }
  void ShowResult(const std::string& text) override {
    messages.push_back(text);
    ++results;
  }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return answerYes;
  }
  void ApplyWindowMode(int wndHide) override { windowModes.push_back(wndHide); }
  void RestoreWindow() override { ++restores; }
  void FileNameChanged() override { ++nameChanges; }

  mg::CaptureEngine* engine = nullptr;
  std::atomic<mg::RecordingState> state{mg::Idle};
  std::vector<std::string> messages;
  // Runs while a (warning) message is up, as the user's clicks and keys would.
  std::function<void(const std::string&)> whileShown;
  std::vector<std::string> questions;
  bool answerYes = false;
  std::vector<int> windowModes;
  int results = 0;  // messages shown as a result, not a warning
  int restores = 0;
  int nameChanges = 0;
  int startRequests = 0;  // Start/Stop pressed in Idle: a new recording would begin
  int stops = 0;
};

// Everything a recording needs, wired together, with the settings pointing into `dir`.
// The engine over the doubles above, its movie `dir`/clip.avi; `library` replaces the AVI
// library double when given.
struct EngineRig {
  explicit EngineRig(const std::string& dir, mg::IAviLibrary* library = nullptr);
  // Runs a recording in `mode`; `script` runs inside the recording loop, and the recording is
  // stopped afterwards if the script left it running.
  int Record(mg::StartMode mode, const std::function<void()>& script);
  // Lets the recording loop handle the notices posted so far.
  static void Pump() { QCoreApplication::processEvents(); }

  mg::AppSettings settings;
  FakeAviLibrary avi;
  FakeScreen screen;
  FakeCaptureDisplay display;
  ManualTimer timer;
  CountingBeeper beeper;
  FakeOwner owner;
  mg::CaptureEngine engine;
};

}  // namespace mgtest
