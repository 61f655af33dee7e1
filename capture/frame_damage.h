// The tick's account of what each ring slot still needs. A slot holds the frame it was last
// filled with; since then the screen changed in some places and the cursor drawn into it has
// to go. Only those places are grabbed again when the tick next fills the slot; the rest of the
// slot already shows the screen as it is. Alongside, the account keeps where each frame handed
// to the writer differs from the frame handed before it, which the compressors use to skip
// what did not change.
//
// Threads: the tick thread only, from the ring's making to its end.
#pragma once

#include <array>

#include "capture/capture_context.h"
#include "platform/changed_region.h"

namespace mg {

class FrameDamage {
 public:
  // A new ring of width x height frames: every slot needs everything.
  void Reset(int width, int height);

  // Before filling `slot` with the area at (x, y): `screen` is what changed on the screen since
  // the last call (screen coordinates, or everything); `coloursChanged` when the slot was made
  // with an older colour table. Fills `grab` with the part of the slot to fetch again. Returns
  // the slot to copy into this one first, or -1: a slot that would need everything (the first
  // round of the ring, after the area moved) starts from the frame grabbed just before, which
  // costs a memory copy instead of a whole grab.
  int BeforeGrab(int slot, int x, int y, const ChangedRegion& screen, bool coloursChanged,
                 ChangedRegion* grab);
  // After the grab into `slot`: whether it worked, where the cursor was drawn into it (frame
  // coordinates, empty for none) and whether the frame goes to the writer. For a frame that
  // goes, fills `changed` with where it differs from the frame that went before it.
  void AfterGrab(int slot, bool grabbed, const WinRect& cursor, bool handedOn,
                 ChangedRegion* changed);

 private:
  struct Slot {
    ChangedRegion stale;  // what no longer shows the screen
    WinRect cursor{};     // where the cursor was drawn into it
  };

  int width_ = 0;
  int height_ = 0;
  bool placed_ = false;  // the area's place on the screen is known
  int x_ = 0;
  int y_ = 0;
  std::array<Slot, kRingSize> slots_;
  int last_ = -1;                // the slot grabbed last, when that grab worked
  ChangedRegion sinceHandedOn_;  // changes since the last frame that went to the writer
  WinRect handedCursor_{};       // where that frame has its cursor
  ChangedRegion screen_;         // scratch: the screen's change in frame coordinates
};

}  // namespace mg
