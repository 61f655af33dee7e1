// Every stored setting, declared once: its group, its kind, its field in AppSettings, its stored
// value name and its default. The record's fields, the defaults, the copy, Load and Save are all
// made from this table, in this order (the order values are written in, also to the options
// file). Stored names and values are those of the Windows registry, so settings files and option
// files stay portable.
//
// Kinds:
//   Number        a 32-bit number, stored as a DWORD
//   SharedNumber  the same, read by the capture thread too (an atomic field)
//   Fps           frames per second as a double, stored as a DWORD of fps x 1000
//   Path          a text of at most 259 characters (260 with the terminating zero)
//   KeyText       a text of at most 59 characters (60 with the terminating zero)
#pragma once

namespace mg {

// The two keys of the store: "State" for recording and window options, "Keys" for hot keys and
// panning.
enum class SettingGroup { State, Keys };

}  // namespace mg

// X(group, kind, field, "stored name", default)
#define MG_SETTINGS_TABLE(X)                                                            \
  /* The capture rectangle; its corner is moved by panning while a recording runs. */   \
  X(State, SharedNumber, StartX, "StartX", 0)                                           \
  X(State, SharedNumber, StartY, "StartY", 0)                                           \
  X(State, Number, Width, "Width", 320)                                                 \
  X(State, Number, Height, "Height", 240)                                               \
  /* The main window's corner; -1000 means centred on the screen. */                    \
  X(State, Number, WinX, "WinX", -1000)                                                 \
  X(State, Number, WinY, "WinY", -1000)                                                 \
  X(State, Number, WndHide, "WndHide", kWndIconize)                                     \
  X(State, Number, IncFilename, "IncFilename", 1)                                       \
  X(State, Number, RecSound, "RecSound", 1)                                             \
  X(State, Fps, FPS, "FPS", 10.0)                                                       \
  X(State, Number, Compress, "Compress", 75)                                            \
  X(State, Number, KeyFrames, "KeyFrames", 20)                                          \
  X(State, Path, AVIFileName, "AVIFileName", "clip.avi")                                \
  /* Hot keys: virtual-key code, RegisterHotKey modifier flags and description. */      \
  X(Keys, Number, StartKey, "Start Key", 113) /* F2 */                                  \
  X(Keys, Number, StartMod, "Start Mod", 0)                                             \
  X(Keys, KeyText, StartDesc, "Start Desc", "F2")                                       \
  X(Keys, Number, PauseKey, "Pause Key", 114) /* F3 */                                  \
  X(Keys, Number, PauseMod, "Pause Mod", 0)                                             \
  X(Keys, KeyText, PauseDesc, "Pause Desc", "F3")                                       \
  X(Keys, Number, LockPanKey, "LockPan Key", 114) /* Shift+F3 */                        \
  X(Keys, Number, LockPanMod, "LockPan Mod", 4)                                         \
  X(Keys, KeyText, LockPanDesc, "LockPan Desc", "Shift+F3")                             \
  /* The keys that make the area follow the pointer (Shift), and the permanent lock. */ \
  X(Keys, Number, PanModifiers, "Pan Modifiers", 4)                                     \
  X(Keys, SharedNumber, PanLocked, "Pan Locked", 0)
