#include "settings/app_settings.h"

namespace mg {

AppSettings& AppSettings::operator=(const AppSettings& o) {
  if (this == &o) return *this;
  StartX = o.StartX.load();
  StartY = o.StartY.load();
  Width = o.Width;
  Height = o.Height;
  WinX = o.WinX;
  WinY = o.WinY;
  WndHide = o.WndHide;
  IncFilename = o.IncFilename;
  RecSound = o.RecSound;
  FPS = o.FPS;
  Compress = o.Compress;
  KeyFrames = o.KeyFrames;
  AVIFileName = o.AVIFileName;
  StartKey = o.StartKey;
  StartMod = o.StartMod;
  StartDesc = o.StartDesc;
  PauseKey = o.PauseKey;
  PauseMod = o.PauseMod;
  PauseDesc = o.PauseDesc;
  LockPanKey = o.LockPanKey;
  LockPanMod = o.LockPanMod;
  LockPanDesc = o.LockPanDesc;
  PanModifiers = o.PanModifiers;
  PanLocked = o.PanLocked.load();
  CompressorHandler = o.CompressorHandler;
  return *this;
}

void AppSettings::ResetToDefaults(const std::string& shiftText) {
  *this = AppSettings();
  LockPanDesc = shiftText + "F3";
}

}  // namespace mg
