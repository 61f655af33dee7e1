#include "capture/frame_damage.h"

namespace mg {

void FrameDamage::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  placed_ = false;
  for (Slot& slot : slots_) {
    slot.stale = ChangedRegion::Everything();
    slot.stale.Reserve();
    slot.cursor = WinRect{};
  }
  sinceHandedOn_ = ChangedRegion::Everything();
  sinceHandedOn_.Reserve();
  screen_.Reserve();
  handedCursor_ = WinRect{};
}

void FrameDamage::BeforeGrab(int slot, int x, int y, const ChangedRegion& screen,
                             bool coloursChanged, ChangedRegion* grab) {
  screen_.Clear();
  screen_.Add(screen);
  if (!placed_ || x != x_ || y != y_) {
    // The area moved (panning): every slot shows another part of the screen now.
    screen_.AddAll();
    placed_ = true;
    x_ = x;
    y_ = y;
  } else if (!screen_.all()) {
    screen_.Offset(-x, -y);
    screen_.ClipTo(width_, height_);
  }
  for (Slot& s : slots_) s.stale.Add(screen_);
  sinceHandedOn_.Add(screen_);

  Slot& s = slots_[static_cast<size_t>(slot)];
  if (coloursChanged) s.stale.AddAll();
  s.stale.Add(s.cursor);
  grab->Clear();
  grab->Add(s.stale);
}

void FrameDamage::AfterGrab(int slot, bool grabbed, const WinRect& cursor, bool handedOn,
                            ChangedRegion* changed) {
  Slot& s = slots_[static_cast<size_t>(slot)];
  if (grabbed) {
    s.stale.Clear();
  } else {
    s.stale.AddAll();  // what the slot holds now is unknown
    sinceHandedOn_.AddAll();
  }
  s.cursor = cursor;
  if (!handedOn) return;
  // This frame against the one before it: the screen's changes between their grabs and both
  // cursors.
  sinceHandedOn_.Add(handedCursor_);
  sinceHandedOn_.Add(cursor);
  changed->Clear();
  changed->Add(sinceHandedOn_);
  sinceHandedOn_.Clear();
  handedCursor_ = cursor;
}

}  // namespace mg
