// Every option Movigram keeps between runs, named by its stored value name.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace mg {

// What the main window does while recording: the ids of the screen-area page's radio buttons.
inline constexpr int kWndOpen = 1047;
inline constexpr int kWndIconize = 1048;
inline constexpr int kWndHide = 1049;
inline constexpr int kWndHideAlt = 1050;

// Capacities of the stored texts, terminating zero included.
inline constexpr uint32_t kFileNameCapacity = 260;
inline constexpr uint32_t kKeyDescCapacity = 60;

struct AppSettings {
  // State. The capture rectangle is read by the capture thread and moved by panning while a
  // recording runs, so its corner is atomic.
  std::atomic<int32_t> StartX{0};
  std::atomic<int32_t> StartY{0};
  int32_t Width = 320;
  int32_t Height = 240;
  int32_t WinX = -1000;
  int32_t WinY = -1000;
  int32_t WndHide = kWndIconize;
  int32_t IncFilename = 1;
  int32_t RecSound = 1;
  double FPS = 10.0;  // stored as frames per second x 1000
  int32_t Compress = 75;
  int32_t KeyFrames = 20;
  std::string AVIFileName = "clip.avi";

  // Keys: virtual-key code, RegisterHotKey modifier flags and the description of each hot key.
  int32_t StartKey = 113;  // "Start Key": F2
  int32_t StartMod = 0;
  std::string StartDesc = "F2";
  int32_t PauseKey = 114;  // "Pause Key": F3
  int32_t PauseMod = 0;
  std::string PauseDesc = "F3";
  int32_t LockPanKey = 114;  // "LockPan Key": Shift+F3
  int32_t LockPanMod = 4;
  std::string LockPanDesc = "Shift+F3";
  int32_t PanModifiers = 4;           // "Pan Modifiers": Shift
  std::atomic<int32_t> PanLocked{0};  // "Pan Locked": read by the capture thread

  // The compressor chosen on the AVI-file page (a FOURCC, 0 = automatic); never stored.
  uint32_t CompressorHandler = 0;

  AppSettings() = default;
  AppSettings(const AppSettings& other) { *this = other; }
  AppSettings& operator=(const AppSettings& other);

  // Every field back to its default. `shiftText` is the "Shift+" prefix of the pan-lock key's
  // description, composed from the string table.
  void ResetToDefaults(const std::string& shiftText = "Shift+");
};

}  // namespace mg
