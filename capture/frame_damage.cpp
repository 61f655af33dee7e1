#include "capture/frame_damage.h"

namespace mg {

void FrameDamage::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  placed_ = false;
  last_ = -1;
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

int FrameDamage::BeforeGrab(int slot, int x, int y, const ChangedRegion& screen,
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
  grab->Clear();
  if (coloursChanged) s.stale.AddAll();
  if (s.stale.all() && !screen_.all() && last_ >= 0 && last_ != slot) {
    // The last frame grabbed shows the screen but for what changed since and its cursor.
    const Slot& from = slots_[static_cast<size_t>(last_)];
    grab->Add(screen_);
    grab->Add(from.cursor);
    return last_;
  }
  s.stale.Add(s.cursor);
  grab->Add(s.stale);
  return -1;
}

void FrameDamage::AfterGrab(int slot, bool grabbed, const WinRect& cursor, bool handedOn,
                            ChangedRegion* changed) {
  Slot& s = slots_[static_cast<size_t>(slot)];
  if (grabbed) {
    s.stale.Clear();
    last_ = slot;
  } else {
    s.stale.AddAll();  // what the slot holds now is unknown
    sinceHandedOn_.AddAll();
    last_ = -1;
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
  // After a frame that does not show the screen the next one may differ anywhere.
  if (!grabbed) sinceHandedOn_.AddAll();
  handedCursor_ = cursor;
}

}  // namespace mg
