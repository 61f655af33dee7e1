#include "settings/settings_store.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace mg {

int32_t SettingsStore::StoredFps(double fps) {
  const double scaled = fps * 1000.0 + 0.5;
  if (!(scaled > INT32_MIN)) return std::isnan(scaled) ? 0 : INT32_MIN;
  if (scaled >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(scaled);  // truncated toward zero
}

int SettingsStore::ReadValue(IRegistryKey* key, const std::string& name, uint32_t* type,
                             void* buffer, uint32_t* size) {
  if (key) return key->QueryValue(name, type, buffer, size);
  if (optionList_) return optionList_->Read(name, type, buffer, size);
  return kRegNotFound;
}

int SettingsStore::WriteValue(IRegistryKey* key, const std::string& name, uint32_t type,
                              const void* data, uint32_t size) {
  if (key) return key->SetValue(name, type, data, size);
  if (optionList_) return optionList_->Write(name, type, data, size);
  return kRegNotFound;
}

bool SettingsStore::Begin(const char* path, bool forWriting, std::unique_ptr<IRegistryKey>* key) {
  if (optionList_) return true;  // option-file mode: no key, values go to the list
  const int rc = forWriting ? registry_.CreateKey(path, key) : registry_.OpenKey(path, key);
  return rc == kRegOk && *key;
}

bool SettingsStore::ReadNumber(IRegistryKey* key, const char* name, int32_t& field) {
  uint32_t type = 0;
  int32_t value = 0;
  uint32_t size = sizeof value;
  if (ReadValue(key, name, &type, &value, &size) != kRegOk) return false;
  if (type != kRegDword || size != sizeof value) return false;
  field = value;
  return true;
}

void SettingsStore::ReadText(IRegistryKey* key, const char* name, std::string& field,
                             uint32_t capacity) {
  uint32_t type = 0;
  std::vector<char> buffer(capacity + 1, '\0');
  uint32_t size = capacity;
  if (ReadValue(key, name, &type, buffer.data(), &size) != kRegOk) return;
  if (type == kRegDword && size == 4) {  // a number where a text belongs: take its digits
    int32_t number = 0;
    std::memcpy(&number, buffer.data(), 4);
    field = std::to_string(number);
    return;
  }
  field.assign(buffer.data(), strnlen(buffer.data(), size));
}

void SettingsStore::WriteNumber(IRegistryKey* key, const char* name, int32_t value) {
  WriteValue(key, name, kRegDword, &value, sizeof value);
}

void SettingsStore::WriteText(IRegistryKey* key, const char* name, const std::string& value) {
  WriteValue(key, name, kRegSz, value.c_str(), static_cast<uint32_t>(value.size() + 1));
}

void SettingsStore::LoadState(AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(kStateKeyPath, false, &key)) return;
  int32_t x = s.StartX, y = s.StartY;
  ReadNumber(key.get(), "StartX", x);
  ReadNumber(key.get(), "StartY", y);
  s.StartX = x;
  s.StartY = y;
  ReadNumber(key.get(), "Width", s.Width);
  ReadNumber(key.get(), "Height", s.Height);
  ReadNumber(key.get(), "WinX", s.WinX);
  ReadNumber(key.get(), "WinY", s.WinY);
  ReadNumber(key.get(), "WndHide", s.WndHide);
  ReadNumber(key.get(), "IncFilename", s.IncFilename);
  ReadNumber(key.get(), "RecSound", s.RecSound);
  int32_t fps = 0;
  if (ReadNumber(key.get(), "FPS", fps)) s.FPS = fps * 0.001;
  ReadNumber(key.get(), "Compress", s.Compress);
  ReadNumber(key.get(), "KeyFrames", s.KeyFrames);
  ReadText(key.get(), "AVIFileName", s.AVIFileName, kFileNameCapacity);
  if (key) key->Close();
}

void SettingsStore::LoadKeys(AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(kKeysKeyPath, false, &key)) return;
  ReadNumber(key.get(), "Start Key", s.StartKey);
  ReadNumber(key.get(), "Start Mod", s.StartMod);
  ReadText(key.get(), "Start Desc", s.StartDesc, kKeyDescCapacity);
  ReadNumber(key.get(), "Pause Key", s.PauseKey);
  ReadNumber(key.get(), "Pause Mod", s.PauseMod);
  ReadText(key.get(), "Pause Desc", s.PauseDesc, kKeyDescCapacity);
  ReadNumber(key.get(), "LockPan Key", s.LockPanKey);
  ReadNumber(key.get(), "LockPan Mod", s.LockPanMod);
  ReadText(key.get(), "LockPan Desc", s.LockPanDesc, kKeyDescCapacity);
  ReadNumber(key.get(), "Pan Modifiers", s.PanModifiers);
  int32_t locked = s.PanLocked;
  if (ReadNumber(key.get(), "Pan Locked", locked)) s.PanLocked = locked;
  if (key) key->Close();
}

bool SettingsStore::SaveState(const AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(kStateKeyPath, true, &key)) return false;
  WriteNumber(key.get(), "StartX", s.StartX);
  WriteNumber(key.get(), "StartY", s.StartY);
  WriteNumber(key.get(), "Width", s.Width);
  WriteNumber(key.get(), "Height", s.Height);
  WriteNumber(key.get(), "WinX", s.WinX);
  WriteNumber(key.get(), "WinY", s.WinY);
  WriteNumber(key.get(), "WndHide", s.WndHide);
  WriteNumber(key.get(), "IncFilename", s.IncFilename);
  WriteNumber(key.get(), "RecSound", s.RecSound);
  WriteNumber(key.get(), "FPS", StoredFps(s.FPS));
  WriteNumber(key.get(), "Compress", s.Compress);
  WriteNumber(key.get(), "KeyFrames", s.KeyFrames);
  WriteText(key.get(), "AVIFileName", s.AVIFileName);
  return !key || key->Close() == kRegOk;
}

bool SettingsStore::SaveKeys(const AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(kKeysKeyPath, true, &key)) return false;
  WriteNumber(key.get(), "Start Key", s.StartKey);
  WriteNumber(key.get(), "Start Mod", s.StartMod);
  WriteText(key.get(), "Start Desc", s.StartDesc);
  WriteNumber(key.get(), "Pause Key", s.PauseKey);
  WriteNumber(key.get(), "Pause Mod", s.PauseMod);
  WriteText(key.get(), "Pause Desc", s.PauseDesc);
  WriteNumber(key.get(), "LockPan Key", s.LockPanKey);
  WriteNumber(key.get(), "LockPan Mod", s.LockPanMod);
  WriteText(key.get(), "LockPan Desc", s.LockPanDesc);
  WriteNumber(key.get(), "Pan Modifiers", s.PanModifiers);
  WriteNumber(key.get(), "Pan Locked", s.PanLocked);
  return !key || key->Close() == kRegOk;
}

}  // namespace mg
