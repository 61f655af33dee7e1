// The frame grabber: the tick on the timer thread fills the ring, the writer on the
// user-interface thread empties it into the compressed stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "capture/capture_engine.h"
#include "capture/frame_format.h"

namespace mg {
namespace {

// The marker's ring 2 pixels outside the area, reckoned wide enough that a corner stored near
// the ends of the int range cannot overflow; clamped to what a rectangle can hold.
WinRect MarkerAround(int x, int y, int width, int height) {
  const auto clamp = [](int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  const int64_t left = x, top = y;
  return {clamp(left - 2), clamp(top - 2), clamp(left + width + 2), clamp(top + height + 2)};
}

// Where the cursor image starts in the frame; far outside it (nothing drawn) when the corner
// is so far off that the plain difference would overflow.
int FrameOffset(int pointer, int hotSpot, int corner) {
  const int64_t offset = int64_t{pointer} - hotSpot - corner;
  return static_cast<int>(std::clamp<int64_t>(offset, -(int64_t{1} << 30), int64_t{1} << 30));
}

}  // namespace

void CaptureEngine::CaptureTick() {
  // Deadlines that passed without a tick (a loaded machine, a stopped process) are frames
  // skipped: their positions stay empty, so the movie lasts as long as the time recorded.
  const int missed = platform_.timer->MissedTicks();
  if (missed > 0 && owner_.State() != Paused && ctx_.frameCounter >= 0 &&
      CountSkipped(missed, PastStartUp()))
    return;

  const PointerState pointer = platform_.display->QueryPointer();
  panner_->PanCaptureArea(ctx_, pointer.x, pointer.y, pointer.modifiers);

  const int x = settings_.StartX, y = settings_.StartY;
  const WinRect marker = MarkerAround(x, y, ctx_.frameWidth, ctx_.frameHeight);
  const bool pausedMarker = owner_.State() == Paused;
  platform_.display->ShowMarker(marker, pausedMarker);
  // The tick that takes the paused cross away keeps its grab out of the movie, as a paused one:
  // what the cross covered is painted again only a moment later (by a compositor, or by the
  // windows under it), and the next tick sees it.
  const bool crossLeaving = markerCrossed_ && !pausedMarker;
  markerCrossed_ = pausedMarker;

  // The cursor is looked up only while the pointer is on the marker's rectangle (inclusive).
  const CursorImage* cursor = nullptr;
  if (pointer.valid && marker.left <= pointer.x && pointer.x <= marker.right &&
      marker.top <= pointer.y && pointer.y <= marker.bottom)
    cursor = platform_.display->Cursor();

  ctx_.grabPosition = (ctx_.grabPosition + 1) % kRingSize;
  FrameSlot& slot = ctx_.frameRing[static_cast<size_t>(ctx_.grabPosition)];
  if (slot.full.load(std::memory_order_acquire)) {
    // The writer has not caught up: the frame is skipped, its time slot stays empty.
    ctx_.grabPosition = (ctx_.grabPosition + kRingSize - 1) % kRingSize;
    if (owner_.State() != Paused) CountSkipped(1, PastStartUp());
  } else {
    const int version = ctx_.paletteVersion.load(std::memory_order_acquire);
    const bool coloursChanged = slot.paletteVersion < version;
    if (coloursChanged) slot.paletteVersion = version;
    // Only what changed since this slot was last filled is fetched again; the rest of it shows
    // the screen as it is.
    screenChanges_.Clear();
    platform_.display->TakeChanges(&screenChanges_);
    const int copyFrom =
        damage_.BeforeGrab(ctx_.grabPosition, x, y, screenChanges_, coloursChanged, &grabPart_);
    if (copyFrom >= 0)
      std::memcpy(slot.pixels, ctx_.frameRing[static_cast<size_t>(copyFrom)].pixels,
                  static_cast<size_t>(ctx_.frameBytes));
    const bool grabbed = platform_.display->GrabPart(ctx_.grabPosition, x, y, grabPart_);
    WinRect cursorArea{};
    if (cursor) {
      FrameView view;
      view.pixels = slot.pixels;
      view.width = ctx_.frameWidth;
      view.height = ctx_.frameHeight;
      view.bitsPerPixel = ctx_.display.bitsPerPixel;
      view.stride = static_cast<int>(FrameBytes(view.width, 1, view.bitsPerPixel));
      view.redMask = ctx_.display.redMask;
      view.greenMask = ctx_.display.greenMask;
      view.blueMask = ctx_.display.blueMask;
      const int left = FrameOffset(pointer.x, cursor->xhot, x);
      const int top = FrameOffset(pointer.y, cursor->yhot, y);
      if (ctx_.colourCount) {
        std::lock_guard<std::mutex> lock(ctx_.tickPaletteLock);
        view.palette = ctx_.tickPalette.data();
        view.nearest = &nearest_;
        DrawCursor(view, *cursor, left, top);
      } else {
        DrawCursor(view, *cursor, left, top);
      }
      cursorArea =
          WinRect{std::max(left, 0), std::max(top, 0), std::min(left + cursor->width, view.width),
                  std::min(top + cursor->height, view.height)};
    }
    // A frame grabbed while paused only keeps the marker going; it is never written.
    const bool paused = owner_.State() == Paused || crossLeaving;
    damage_.AfterGrab(ctx_.grabPosition, grabbed, cursorArea, !paused, &slot.changed);
    if (!paused) slot.position = ctx_.tickPosition++;
    slot.full.store(paused ? 0 : 1, std::memory_order_release);
    frameReady_.Post();
  }

  platform_.display->HideMarker();
}

void CaptureEngine::WritePendingFrame() {
  if (ctx_.frameCounter < 0) return;  // an abort is under way
  ctx_.writePosition = (ctx_.writePosition + 1) % kRingSize;
  FrameSlot& slot = ctx_.frameRing[static_cast<size_t>(ctx_.writePosition)];
  if (!slot.full.load(std::memory_order_acquire)) return;

  if (owner_.State() == Recording) {
    const int32_t position = slot.position - ctx_.droppedPositions;
    int32_t rc = kAviErrOk;
    if (slot.paletteVersion > ctx_.writtenPaletteVersion) {
      rc = ctx_.compressedStream->SetFormat(position, ctx_.frameFormat.data(),
                                            static_cast<int32_t>(ctx_.frameFormat.size()));
      ctx_.writtenPaletteVersion = slot.paletteVersion;
    }
    // The compressor may skip what did not change since the frame it was given before.
    unwritten_.Add(slot.changed);
    if (rc == kAviErrOk) {
      ctx_.compressedStream->HintChanged(unwritten_);
      rc = ctx_.compressedStream->Write(position, 1, slot.pixels, ctx_.frameBytes, 0);
    }
    if (rc != kAviErrOk) {
      // A frame that cannot be stored (a full disk) ends the recording; what was written stays.
      ctx_.lastAviError = rc;
      slot.full.store(0, std::memory_order_release);
      RequestAbort(kVideoErrorMarker);
      return;
    }
    ctx_.frameCounter.fetch_add(1);
    unwritten_.Clear();
    if (soundLost_) FillLostSound(int64_t{position} + 1);
  } else {
    ++ctx_.droppedPositions;  // grabbed just before a pause: dropped and not counted
    unwritten_.Add(slot.changed);
  }
  slot.full.store(0, std::memory_order_release);
}

// Skips count towards the overload rule once the recording is past its first ring's worth of
// frames twice over: the first grabs set up what later grabs reuse, and an encoder's first
// frames of a large picture may take several frame periods, so a full ring or a late tick there
// says nothing of the frame rate the machine sustains. The skips made then still count in the
// totals, and so in the judgement that follows.
bool CaptureEngine::PastStartUp() const {
  return ctx_.frameCounter >= 2 * kRingSize;
}

bool CaptureEngine::CountSkipped(int count, bool judge) {
  ctx_.tickPosition += count;
  ctx_.skippedCounter += count;
  const int32_t counted = ctx_.frameCounter.fetch_add(count) + count;
  if (!judge || 2 * ctx_.skippedCounter <= counted) return false;
  RequestAbort(kOverloadMarker);
  return true;
}

void CaptureEngine::RefreshPalette() {
  if (ctx_.colourCount == 0 || ctx_.frameFormat.empty()) return;
  platform_.screen->ReadPalette(ctx_.paletteTable.data(), ctx_.colourCount);
  RgbQuad* table = ctx_.colourTable();
  for (int j = 0; j < ctx_.colourCount; ++j) {
    const PaletteEntry& e = ctx_.paletteTable[static_cast<size_t>(j)];
    table[j] = RgbQuad{e.blue, e.green, e.red, 0};
  }
  UpdateTickPalette();
  ctx_.paletteVersion.fetch_add(1, std::memory_order_release);
}

void CaptureEngine::UpdateTickPalette() {
  if (ctx_.colourCount == 0) return;
  std::vector<RgbQuad> table(ctx_.colourTable(), ctx_.colourTable() + ctx_.colourCount);
  NearestColour nearest;
  nearest.Build(table.data(), ctx_.colourCount);
  std::lock_guard<std::mutex> lock(ctx_.tickPaletteLock);
  ctx_.tickPalette.swap(table);
  nearest_ = std::move(nearest);
}

}  // namespace mg
