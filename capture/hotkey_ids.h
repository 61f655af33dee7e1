// The identifiers of the three global hot keys; a stop request from anywhere arrives as
// kHotkeyStartStop.
#pragma once

namespace mg {

inline constexpr int kHotkeyStartStop = 1;
inline constexpr int kHotkeyPause = 2;
inline constexpr int kHotkeyPanLock = 3;

}  // namespace mg
