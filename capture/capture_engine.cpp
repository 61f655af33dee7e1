// Beginning and ending a recording, and the recording loop.
#include "capture/capture_engine.h"

#include <QEventLoop>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "capture/capture_messages.h"
#include "capture/file_name.h"
#include "capture/frame_format.h"
#include "capture/leftover_movies.h"
#include "capture/movie_file.h"
#include "platform/null/null_backends.h"
#include "platform/priority.h"
#include "settings/values_in_use.h"

namespace mg {
namespace {

std::string Format(const char* pattern, int a) {
  char text[512];
  std::snprintf(text, sizeof text, pattern, a);
  return text;
}

std::string Format(const char* pattern, int a, int b) {
  char text[512];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

std::string Format(const char* pattern, const std::string& a) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, a);
  return text;
}

std::string AbsoluteName(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(name), ec);
  return ec ? name : absolute.lexically_normal().string();
}

std::string ErrorOpening(const std::string& detail) {
  std::string text = msg::kErrorOpeningAvi;
  text.replace(text.find("%1"), 2, detail);
  return text;
}

// Frames every 100 seconds, as the stream header has it: the frame rate x 100, truncated.
uint32_t StreamRate(double fps) {
  return static_cast<uint32_t>(std::clamp(fps * 100.0, 1.0, 4e9));
}

uint32_t CompressorFor(uint32_t chosen, int bitsPerPixel) {
  if (chosen != 0) return chosen;
  if (bitsPerPixel > 8) return MakeFourcc("MSVC");
  if (bitsPerPixel == 8) return MakeFourcc("MRLE");
  return MakeFourcc("DIB ");
}

}  // namespace

CaptureEngine::CaptureEngine(AppSettings& settings, ICaptureOwner& owner,
                             const PlatformServices& platform)
    : settings_(settings),
      owner_(owner),
      platform_(WithNullBackends(platform)),
      frameReady_([this](uint64_t count) {
        for (uint64_t i = 0; i < count && running_; ++i) WritePendingFrame();
      }),
      // Several stop requests may have piled up (a tick after an abort repeats it): one stop
      // serves them all, and none may start a new recording.
      stopRequest_([this](uint64_t) {
        if (running_ && owner_.State() != Idle) owner_.OnHotKey(kHotkeyStartStop);
      }) {}

CaptureEngine::~CaptureEngine() {
  if (platform_.timer) platform_.timer->Kill();
}

std::string CaptureEngine::RefusedSettings() const {
  if (!(settings_.FPS >= 0.01 && settings_.FPS <= 1000.0)) return msg::kBadFps;
  if (settings_.Width <= 0 || settings_.Height <= 0) return msg::kBadArea;
  if (FrameBytes(settings_.Width, settings_.Height, 32) < 0) return msg::kAreaTooLarge;
  return {};
}

std::string CaptureEngine::OffScreenArea() const {
  const int64_t left = settings_.StartX, top = settings_.StartY;
  const int64_t right = left + settings_.Width, bottom = top + settings_.Height;
  const int64_t width = ctx_.desktopWidth, height = ctx_.desktopHeight;
  if (width <= 0 || height <= 0) return {};  // a display that does not say its size
  if (right > 0 && bottom > 0 && left < width && top < height) return {};
  std::string text = msg::kAreaOffScreen;
  const int64_t values[] = {left, top, settings_.Width, settings_.Height, width, height};
  for (int i = 0; i < 6; ++i) {
    const std::string mark = "%" + std::to_string(i + 1);
    text.replace(text.find(mark), mark.size(), std::to_string(values[i]));
  }
  return text;
}

bool CaptureEngine::BuildFrameFormat() {
  ctx_.display = platform_.screen->Format();
  const int bits = ctx_.display.bitsPerPixel;
  ctx_.colourCount = ColourCountFor(bits);
  ctx_.paletteTable.assign(static_cast<size_t>(ctx_.colourCount), PaletteEntry{});
  if (ctx_.colourCount) {
    platform_.screen->ReadPalette(ctx_.paletteTable.data(), ctx_.colourCount);
    // The table must give each screen pixel value its real colour: the ends are marked static
    // but not forced to black and white, since on X those cells may hold any colour. The flags
    // stay out of the movie: a colour table's reserved bytes are 0, in the stream header and in
    // every later change alike, so a change carries only the colours that changed.
    MarkStaticColours(ctx_.paletteTable, ctx_.display.numColors, ctx_.display.paletteNoStatic,
                      /*forceBlackWhite=*/false);
  }
  ctx_.frameFormat = MakeFrameFormat(settings_.Width, settings_.Height, bits, ctx_.paletteTable,
                                     /*keepFlags=*/false);
  UpdateTickPalette();
  return bits > 0;
}

bool CaptureEngine::OpenMovie(std::string* detail) {
  const int bits = ctx_.display.bitsPerPixel;
  const uint32_t handler = CompressorFor(settings_.CompressorHandler, bits);

  // Written under a temporary name; the movie takes its own name when the recording succeeded.
  const std::string temporary = TemporaryMovieName(moviePath_);
  errno = 0;
  if (platform_.avi->OpenFile(temporary, &ctx_.aviFile) != kAviErrOk || !ctx_.aviFile) {
    const int error = errno;
    *detail = msg::kDetailOpen;
    if (error != 0) {
      std::string reason = msg::kOpenReason;
      reason.replace(reason.find("%1"), 2, AbsoluteName(moviePath_));
      reason.replace(reason.find("%2"), 2,
                     error == EWOULDBLOCK ? msg::kBusyReason : std::strerror(error));
      *detail += reason;
    }
    return false;
  }
  createdFile_ = temporary;
  movieName_ = moviePath_;

  AviStreamInfo info;
  info.fccType = kStreamTypeVideo;
  info.fccHandler = handler;
  info.dwScale = 100;
  info.dwRate = StreamRate(settings_.FPS);
  info.dwSuggestedBufferSize =
      static_cast<uint32_t>(FrameBytes(settings_.Width, settings_.Height, bits));
  info.rcFrame = {0, 0, settings_.Width, settings_.Height};
  std::strncpy(info.szName, "Movigram Video", sizeof info.szName - 1);
  if (ctx_.aviFile->CreateStream(info, &ctx_.videoStream) != kAviErrOk || !ctx_.videoStream) {
    *detail = msg::kDetailCreateVideo;
    return false;
  }

  AviCompressOptions options;
  options.fccType = kStreamTypeVideo;
  options.fccHandler = handler;
  options.dwKeyFrameEvery = static_cast<uint32_t>(KeyFramesInUse(settings_.KeyFrames));
  options.dwQuality = static_cast<uint32_t>(QualityInUse(settings_.Compress) * 100);
  options.dwFlags = kAviCompressKeyFrames | kAviCompressValid;
  options.lpFormat = ctx_.frameFormat.data();
  options.cbFormat = static_cast<uint32_t>(ctx_.frameFormat.size());
  options.topDownInput = true;  // grabs arrive with their rows top-down
  if (ctx_.colourCount == 0) {
    options.inputRedMask = ctx_.display.redMask;
    options.inputGreenMask = ctx_.display.greenMask;
    options.inputBlueMask = ctx_.display.blueMask;
  }
  if (platform_.avi->MakeCompressedStream(ctx_.videoStream, options, &ctx_.compressedStream) !=
          kAviErrOk ||
      !ctx_.compressedStream) {
    *detail = msg::kDetailCompressed;
    return false;
  }

  const int32_t rc = ctx_.compressedStream->SetFormat(
      0, ctx_.frameFormat.data(), static_cast<int32_t>(ctx_.frameFormat.size()));
  if (rc != kAviErrOk) {
    *detail = Format(msg::kDetailSetFormat, rc & 0xff);
    return false;
  }

  if (soundRecorded_ && !PrepareAudioStream()) {
    *detail = msg::kDetailWave;
    return false;
  }
  return true;
}

// Without a sound input the movie gets no audio stream, and the user hears why once, before the
// movie's file is made.
void CaptureEngine::OpenSoundInput() {
  soundRecorded_ = false;
  if (!settings_.RecSound) return;
  audioStarted_ = true;  // whatever opened, the stop closes
  const int32_t input = audio_->OpenInput();
  if (input == 0) {
    soundRecorded_ = true;
    return;
  }
  switch (input) {
    case kMmSysErrNoDriver:
      owner_.ShowMessage(msg::kNoSoundServer);
      break;
    case kMmSysErrBadDeviceId:
      owner_.ShowMessage(msg::kNoSoundSource);
      break;
    case kMmSysErrNotEnabled:
      owner_.ShowMessage(msg::kSoundServerNotAnswering);
      break;
    default:
      owner_.ShowMessage(Format(msg::kNoSoundInput, input));
  }
}

bool CaptureEngine::PrepareAudioStream() {
  const WaveFormatEx wave = audio_->Format();
  ctx_.audioFormat.wFormatTag = wave.wFormatTag;
  ctx_.audioFormat.nChannels = wave.nChannels;
  ctx_.audioFormat.nSamplesPerSec = wave.nSamplesPerSec;
  ctx_.audioFormat.nAvgBytesPerSec = wave.nAvgBytesPerSec;
  ctx_.audioFormat.nBlockAlign = wave.nBlockAlign;
  ctx_.audioFormat.wBitsPerSample = 8;
  ctx_.audioFormat.cbSize = 0;
  ctx_.audioSamplePosition = 0;

  AviStreamInfo info;
  info.fccType = kStreamTypeAudio;
  info.dwScale = 1;
  info.dwRate = ctx_.audioFormat.nSamplesPerSec;
  info.dwInitialFrames = 2;
  info.dwSuggestedBufferSize = 4096;
  ctx_.lastAviError = ctx_.aviFile->CreateStream(info, &ctx_.audioStream);
  if (ctx_.lastAviError != kAviErrOk || !ctx_.audioStream) return false;
  ctx_.lastAviError = ctx_.audioStream->SetFormat(0, &ctx_.audioFormat,
                                                  static_cast<int32_t>(sizeof ctx_.audioFormat));
  return ctx_.lastAviError == kAviErrOk;
}

bool CaptureEngine::MakeRing() {
  ctx_.frameWidth = settings_.Width;
  ctx_.frameHeight = settings_.Height;
  ctx_.frameBytes =
      static_cast<int>(FrameBytes(settings_.Width, settings_.Height, ctx_.display.bitsPerPixel));
  ctx_.writtenPaletteVersion = 0;
  ctx_.paletteVersion = 0;
  ctx_.grabPosition = ctx_.writePosition = -1;
  ctx_.tickPosition = 0;
  ctx_.droppedPositions = 0;
  damage_.Reset(settings_.Width, settings_.Height);
  unwritten_ = ChangedRegion::Everything();
  screenChanges_.Reserve();
  grabPart_.Reserve();
  markerCrossed_ = false;
  ringMade_ = true;
  for (int i = 0; i < kRingSize; ++i) {
    FrameSlot& slot = ctx_.frameRing[static_cast<size_t>(i)];
    slot.pixels = platform_.display->AllocateFrame(i, settings_.Width, settings_.Height);
    slot.full = 0;
    slot.paletteVersion = 0;
    slot.changed.Reserve();
    if (!slot.pixels) return false;
  }
  return true;
}

int CaptureEngine::BeginCapture(StartMode mode) {
  // A start asked for while one is under way (from a message box of that start) is no start.
  if (running_) return 0;
  createdFile_.clear();
  movieName_.clear();
  framesAtAbort_ = 0;
  closeError_ = 0;
  ctx_.frameCounter = 0;
  ctx_.skippedCounter = 0;
  ctx_.lastAviError = 0;
  soundLost_ = false;
  soundLostAt_ = 0;

  // Settings that cannot make a movie are refused before anything is opened.
  if (const std::string refused = RefusedSettings(); !refused.empty()) return FailStart(refused);

  BuildFrameFormat();  // reads the display once: its depth and the desktop's size
  ctx_.desktopWidth = ctx_.display.desktopWidth;
  ctx_.desktopHeight = ctx_.display.desktopHeight;
  // An area with no pixel on the screen would record a black movie.
  if (const std::string refused = OffScreenArea(); !refused.empty()) return FailStart(refused);

  // A name without a folder is a movie in the user's videos folder; the setting keeps the name.
  const std::string before = settings_.AVIFileName;
  const std::string folder = MovieFolder();
  const FileNameResult named =
      SettleFileName(settings_.AVIFileName, settings_.IncFilename != 0, folder);
  if (named != FileNameResult::Ok) return FailStart(msg::kNameTooLong);
  if (settings_.AVIFileName != before) owner_.FileNameChanged();
  moviePath_ = MoviePath(settings_.AVIFileName, folder);
  if (IsReadOnlyFile(moviePath_)) {
    std::string question = msg::kReplaceReadOnly;
    question.replace(question.find("%1"), 2, AbsoluteName(moviePath_));
    if (!owner_.AskYesNo(question)) {
      EndCapture();
      return 0;
    }
  }
  // A recording cut off earlier under the same name is moved out of the way, never emptied.
  if (const LeftoverMovie leftover = RescueLeftoverOf(moviePath_); !leftover.file.empty()) {
    if (leftover.movie.empty()) {
      std::string reason = msg::kLeftoverInTheWay;
      reason.replace(reason.find("%1"), 2, leftover.file);
      reason.replace(reason.find("%2"), 2, leftover.reason);
      std::string detail = msg::kOpenReason;
      detail.replace(detail.find("%1"), 2, AbsoluteName(moviePath_));
      detail.replace(detail.find("%2"), 2, reason);
      return FailStart(ErrorOpening(msg::kDetailOpen + detail));
    }
    owner_.ShowMessage(LeftoverMoviesText({leftover}));
  }

  running_ = true;
  OpenSoundInput();
  std::string detail;
  if (!OpenMovie(&detail)) return FailStart(ErrorOpening(detail));
  if (!MakeRing()) return FailStart(msg::kNoFrameMemory);

  owner_.ApplyWindowMode(settings_.WndHide);
  if (settings_.RecSound) audio_->EnsureReceiver();
  ctx_.lastCursorPos = platform_.screen->CursorPos();
  owner_.SetState(mode == StartMode::Paused ? Paused : Recording);

  // The k-th tick comes k frame durations of the stream after the first, so the movie lasts as
  // long as the time recorded at any rate.
  ctx_.tickPeriod = TickPeriod::PerSecond(StreamRate(settings_.FPS), 100);

  RaiseProcessPriority();
  platform_.beeper->Beep(1000, 200);

  if (soundRecorded_) audio_->Record(owner_.State() == Recording);
  if (ctx_.colourCount) platform_.screen->WatchPalette([this] { RefreshPalette(); });
  platform_.timer->Start(ctx_.tickPeriod, [this] { CaptureTick(); });

  RunRecordingLoop();
  return 1;
}

int CaptureEngine::FailStart(const std::string& text) {
  EndCapture();
  owner_.ShowMessage(text);
  return 0;
}

void CaptureEngine::RunRecordingLoop() {
  QEventLoop loop;
  while (owner_.State() != Idle) loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void CaptureEngine::RequestAbort(int32_t marker) {
  platform_.timer->Kill();
  const int32_t frames = ctx_.frameCounter.exchange(marker);
  if (frames > 0) framesAtAbort_ = frames;
  stopRequest_.Post();
}

void CaptureEngine::AppendAudio(const void* data, int32_t samples, int32_t bytes) {
  const int32_t rc = ctx_.audioStream ? ctx_.audioStream->Write(ctx_.audioSamplePosition, samples,
                                                                data, bytes, kAviIfKeyFrame)
                                      : kAviErrBadHandle;
  ctx_.audioSamplePosition += samples;
  // The first failure names the cause; once the recording is being stopped, later failures
  // (blocks still coming back, the drain) are consequences and keep that cause.
  if (rc != kAviErrOk && ctx_.frameCounter >= 0) {
    ctx_.lastAviError = rc;
    RequestAbort(kAudioErrorMarker);
  }
}

void CaptureEngine::EndCapture() {
  if (owner_.State() == Idle) {
    owner_.SetState(Recording);
    owner_.StartStopCommand();
    return;
  }

  platform_.timer->Kill();  // no tick runs from here on
  platform_.display->RemoveMarker();
  RestoreNormalPriority();
  platform_.screen->WatchPalette({});
  ctx_.paletteTable.clear();

  if (audioStarted_) audio_->Stop();
  audioStarted_ = false;
  if (soundLost_) FillLostSound(ctx_.frameCounter);

  ReleaseMovie();
  ctx_.frameFormat.clear();

  platform_.beeper->Beep(1000, 200);
  owner_.SetState(Idle);
  running_ = false;

  if (ringMade_) {
    platform_.display->FreeFrames();
    for (FrameSlot& slot : ctx_.frameRing) {
      slot.pixels = nullptr;
      slot.full = 0;
    }
    ringMade_ = false;
  }
  DiscardNotices();

  owner_.RestoreWindow();
  owner_.RecordingEnded();
  Report();
}

void CaptureEngine::FinishAtExit() {
  if (!running_) return;
  running_ = false;
  ReleaseMovie();
  const int32_t frames = ctx_.frameCounter;
  // Every abort (overload, a refused write) is a failure, as is a movie that did not close.
  const bool failed = frames < 0 || closeError_ != kAviErrOk;
  SettleMovie(frames > 0 || (frames < 0 && framesAtAbort_ > 0), failed);
  owner_.SetState(Idle);
}

void CaptureEngine::ReleaseMovie() {
  ctx_.videoStream = nullptr;
  ctx_.compressedStream.reset();
  ctx_.audioStream = nullptr;
  if (ctx_.aviFile) {
    closeError_ = ctx_.aviFile->Close();
    ctx_.aviFile.reset();
  }
}

void CaptureEngine::Report() {
  const int32_t frames = ctx_.frameCounter;
  // Every abort (overload, a refused write) is a failure, as is a movie that did not close.
  const bool failed = frames < 0 || (frames > 0 && closeError_ != kAviErrOk);
  // The movie takes its name (or goes, when nothing was captured) before the words are chosen.
  const bool captured = frames > 0 || (frames < 0 && framesAtAbort_ > 0);
  const std::string settled = SettleMovie(captured, failed);
  std::string text;
  if (frames == kVideoErrorMarker || (frames > 0 && closeError_ != kAviErrOk)) {
    const int32_t error = frames == kVideoErrorMarker ? ctx_.lastAviError : closeError_;
    text = Format(msg::kVideoError, (error & 0xffff) - 16384);
  } else if (frames < -50) {
    // A refused write is the disk's doing (full, or the file too large for it), not the rate's.
    text = Format(ctx_.lastAviError == kAviErrFileWrite ? msg::kAudioWriteError : msg::kAudioError,
                  (ctx_.lastAviError & 0xffff) - 16384);
  } else if (frames < 0) {
    text = msg::kOverload;
  } else if (frames > 0) {
    text = Format(msg::kTotals, frames, ctx_.skippedCounter);
    text += '\n';
    text += Format(msg::kTotalsDuration, Duration(frames));
    text += '\n';
    text += Format(msg::kTotalsFile, createdFile_);
    if (soundLost_) text += "\n" + LostSoundText();
    if (settled.empty() && !soundLost_) {
      owner_.ShowResult(text);
      return;
    }
  }
  text += settled;
  if (!text.empty()) owner_.ShowMessage(text);
}

std::string CaptureEngine::SettleMovie(bool captured, bool failed) {
  if (createdFile_.empty()) return {};
  const std::string temporary = createdFile_;
  if (!captured) {
    RemoveTemporaryMovie(temporary);  // nothing was captured: an older movie stays as it was
    createdFile_.clear();
    return {};
  }
  if (failed && FileExists(movieName_)) {
    // A recording cut short by a failure does not replace the movie that was there before: it
    // takes the next free number of the name instead, or keeps its temporary name.
    std::string numbered;
    if (MoveToNumberedName(temporary, movieName_, &numbered, nullptr) == MoveResult::Moved)
      createdFile_ = numbered;
    std::string kept = msg::kPartialKept;
    kept.replace(kept.find("%1"), 2, AbsoluteName(movieName_));
    kept.replace(kept.find("%2"), 2, AbsoluteName(createdFile_));
    return kept;
  }
  std::string reason;
  if (!GiveMovieItsName(temporary, movieName_, &reason)) {
    std::string text = msg::kNotRenamed;
    text.replace(text.find("%1"), 2, AbsoluteName(movieName_));
    text.replace(text.find("%2"), 2, reason);
    text.replace(text.find("%3"), 2, AbsoluteName(temporary));
    return "\n" + text;
  }
  createdFile_ = movieName_;
  return {};
}

// The movie's length at the stream's rate: "0:04.0", "12:30.5", "1:02:03.0".
std::string CaptureEngine::Duration(int32_t frames) const {
  const double rate = std::floor(settings_.FPS * 100.0) / 100.0;  // as the stream header has it
  return MovieTime(rate > 0 ? frames / rate : 0.0);
}

std::string CaptureEngine::MovieTime(double seconds) {
  const long tenths = std::lround(seconds * 10.0);
  const long h = tenths / 36000, m = tenths / 600 % 60, s = tenths / 10 % 60, t = tenths % 10;
  char text[64];
  if (h > 0)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld.%ld", h, m, s, t);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", m, s, t);
  return text;
}

void CaptureEngine::DiscardNotices() {
  // Notices posted before the timer died belong to the recording that just ended; with the
  // recording no longer running their handlers do nothing.
  frameReady_.Dispatch();
  stopRequest_.Dispatch();
}

}  // namespace mg
