#include "platform/x11/x11_damage.h"

#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>

#include "platform/x11/x11_error_trap.h"

namespace mg {

X11DamageTracker::X11DamageTracker(Display* display, bool allowed) : display_(display) {
  int errorBase = 0, fixesEvents = 0, fixesErrors = 0;
  int major = 0, minor = 0, fixesMajor = 0, fixesMinor = 0;
  // Regions came with XFixes 2; damage objects that report into them with DAMAGE 1.1.
  available_ = allowed && XDamageQueryExtension(display_, &eventBase_, &errorBase) &&
               XDamageQueryVersion(display_, &major, &minor) &&
               (major > 1 || (major == 1 && minor >= 1)) &&
               XFixesQueryExtension(display_, &fixesEvents, &fixesErrors) &&
               XFixesQueryVersion(display_, &fixesMajor, &fixesMinor) && fixesMajor >= 2;
}

X11DamageTracker::~X11DamageTracker() {
  Stop();
}

bool X11DamageTracker::Start() {
  X11ErrorTrap trap(display_);
  // Non-empty reports: at most one notice between two Takes, which DropNotices discards.
  damage_ = XDamageCreate(display_, DefaultRootWindow(display_), XDamageReportNonEmpty);
  region_ = XFixesCreateRegion(display_, nullptr, 0);
  // A new damage object starts with the whole screen damaged; the first Take says everything
  // anyway, and its grab comes after this.
  emptiedAt_ = NextRequest(display_);
  XDamageSubtract(display_, damage_, None, None);
  pending_ = false;
  if (trap.Sync() == 0) return true;
  Stop();
  return false;
}

void X11DamageTracker::Stop() {
  if (damage_) XDamageDestroy(display_, damage_);
  if (region_) XFixesDestroyRegion(display_, region_);
  damage_ = region_ = 0;
  pending_ = false;
}

void X11DamageTracker::Notice(const XEvent& event) {
  // A notice sent after the last emptying means new damage; older ones were for what it took.
  if (damage_ && event.type == eventBase_ + XDamageNotify && event.xany.serial >= emptiedAt_)
    pending_ = true;
}

void X11DamageTracker::Take(ChangedRegion* out) {
  if (!available_) {
    out->AddAll();
    return;
  }
  if (!damage_) {
    // What the screen held before the tracking began is unknown.
    if (!Start()) available_ = false;
    out->AddAll();
    return;
  }
  if (!pending_) return;  // nothing drawn since the last Take
  emptiedAt_ = NextRequest(display_);
  pending_ = false;
  XDamageSubtract(display_, damage_, None, region_);
  int count = 0;
  XRectangle* rects = XFixesFetchRegion(display_, region_, &count);
  if (!rects) {
    out->AddAll();
    return;
  }
  for (int i = 0; i < count; ++i) {
    const XRectangle& r = rects[i];
    out->Add(WinRect{r.x, r.y, r.x + r.width, r.y + r.height});
  }
  XFree(rects);
}

}  // namespace mg
