// The state of the running recording, shared by the user-interface thread and the tick thread.
//
// Threads: the tick writes grabPosition, skippedCounter and the slot pixels, and sets a slot's
// full flag (release) after the pixels are complete; the user-interface thread reads a slot only
// when its full flag is set (acquire) and clears it after the frame was written. frameCounter is
// changed by both with atomic read-modify-write.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/avi_file.h"
#include "platform/changed_region.h"
#include "platform/periodic_timer.h"
#include "platform/screen.h"
#include "platform/windows_records.h"

namespace mg {

enum RecordingState : int32_t { Idle = 0, Recording = 1, Paused = 2 };

inline constexpr int kRingSize = 5;

// frameCounter markers of an aborted recording.
inline constexpr int32_t kOverloadMarker = -10;
inline constexpr int32_t kAudioErrorMarker = -100;
inline constexpr int32_t kVideoErrorMarker = -1000;

struct FrameSlot {
  std::atomic<int> full{0};   // 1 = grabbed and waiting to be written
  uint8_t* pixels = nullptr;  // rows top-down, frameBytes bytes, owned by the capture display
  int paletteVersion = 0;     // the colour table generation the frame was made with
  int32_t position = 0;       // the stream position of the tick that grabbed it
  // Where the frame differs from the frame grabbed for the writer before it.
  ChangedRegion changed;
};

struct CaptureContext {
  std::unique_ptr<IAviFile> aviFile;
  IAviStream* videoStream = nullptr;  // owned by aviFile
  std::unique_ptr<IAviStream> compressedStream;
  IAviStream* audioStream = nullptr;  // owned by aviFile
  int32_t lastAviError = 0;

  DisplayFormat display;
  std::vector<uint8_t> frameFormat;  // BITMAPINFOHEADER followed by colourCount RGBQUADs
  int colourCount = 0;
  std::vector<PaletteEntry> paletteTable;

  std::array<FrameSlot, kRingSize> frameRing;
  int grabPosition = -1;
  int writePosition = -1;
  std::atomic<int> paletteVersion{0};
  int writtenPaletteVersion = 0;
  // The colour table the tick maps cursor colours through on palette displays, guarded because
  // the user-interface thread replaces it after a palette change.
  std::mutex tickPaletteLock;
  std::vector<RgbQuad> tickPalette;

  std::atomic<int32_t> frameCounter{0};
  int skippedCounter = 0;
  // Stream positions follow the clock: the tick hands one out for every tick while recording
  // (grabbed, skipped because the ring was full, or missed because its deadline passed), so a
  // frame lands where its time is even when the writer lags. Positions handed to frames that a
  // pause then dropped are given back by the writer, as the pause removes its time.
  int32_t tickPosition = 0;      // tick thread: positions handed out so far
  int32_t droppedPositions = 0;  // user-interface thread: positions given back
  int frameBytes = 0;
  int frameWidth = 0;  // the frame size fixed at the start, whatever the settings do later
  int frameHeight = 0;

  TickPeriod tickPeriod;  // the stream's frame duration
  int desktopWidth = 0;
  int desktopHeight = 0;
  ScreenPoint lastCursorPos;

  int audioSamplePosition = 0;
  WaveFormatEx audioFormat;

  const BitmapInfoHeader& header() const {
    return *reinterpret_cast<const BitmapInfoHeader*>(frameFormat.data());
  }
  RgbQuad* colourTable() { return reinterpret_cast<RgbQuad*>(frameFormat.data() + 40); }
};

}  // namespace mg
