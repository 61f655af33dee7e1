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
  uint32_t type = kRegDword;  // wanted: a store without types reads the value as a number
  int32_t value = 0;
  uint32_t size = sizeof value;
  if (ReadValue(key, name, &type, &value, &size) != kRegOk) return false;
  if (type != kRegDword || size != sizeof value) return false;
  field = value;
  return true;
}

void SettingsStore::ReadText(IRegistryKey* key, const char* name, std::string& field,
                             uint32_t capacity) {
  // Wanted: a text. A store without types then gives the text as written, so a name such as
  // "007" or "+5" is never turned into a number and back.
  uint32_t type = kRegSz;
  std::vector<char> buffer(capacity + 1, '\0');
  uint32_t size = capacity;
  int rc = ReadValue(key, name, &type, buffer.data(), &size);
  if (rc == kRegMoreData && key && capacity == kFileNameCapacity && size > capacity) {
    // A stored file name too long to use is kept as it is, to be refused in words when it is
    // used, rather than silently replaced by the default. (An imported options file refuses it
    // and keeps the setting as it was.)
    buffer.assign(size + 1, '\0');
    type = kRegSz;
    rc = ReadValue(key, name, &type, buffer.data(), &size);
  }
  if (rc != kRegOk) return;
  if (type == kRegDword && size == 4) {  // a store that holds a number here: take its digits
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

void SettingsStore::ReadSetting(IRegistryKey* key, const char* name, int32_t& field, uint32_t) {
  ReadNumber(key, name, field);
}

void SettingsStore::ReadSetting(IRegistryKey* key, const char* name, std::atomic<int32_t>& field,
                                uint32_t) {
  int32_t value = field;
  if (ReadNumber(key, name, value)) field = value;
}

void SettingsStore::ReadSetting(IRegistryKey* key, const char* name, double& fps, uint32_t) {
  int32_t stored = 0;
  if (ReadNumber(key, name, stored)) fps = stored * 0.001;
}

void SettingsStore::ReadSetting(IRegistryKey* key, const char* name, std::string& text,
                                uint32_t capacity) {
  ReadText(key, name, text, capacity);
}

void SettingsStore::WriteSetting(IRegistryKey* key, const char* name, int32_t value) {
  WriteNumber(key, name, value);
}

void SettingsStore::WriteSetting(IRegistryKey* key, const char* name, double fps) {
  WriteNumber(key, name, StoredFps(fps));
}

void SettingsStore::WriteSetting(IRegistryKey* key, const char* name, const std::string& text) {
  WriteText(key, name, text);
}

namespace {

const char* PathOf(SettingGroup group) {
  return group == SettingGroup::State ? kStateKeyPath : kKeysKeyPath;
}

// The most a text of each kind may hold when read, terminating zero included.
constexpr uint32_t kCapacityNumber = 0;
constexpr uint32_t kCapacitySharedNumber = 0;
constexpr uint32_t kCapacityFps = 0;
constexpr uint32_t kCapacityPath = kFileNameCapacity;
constexpr uint32_t kCapacityKeyText = kKeyDescCapacity;

}  // namespace

// Every setting of a group, in the table's order.
#define MG_READ_SETTING(group_, kind, field, name, value) \
  if (group == SettingGroup::group_) ReadSetting(key.get(), name, s.field, kCapacity##kind);
#define MG_WRITE_SETTING(group_, kind, field, name, value) \
  if (group == SettingGroup::group_) WriteSetting(key.get(), name, s.field);

void SettingsStore::LoadState(AppSettings& s) {
  LoadGroup(SettingGroup::State, s);
}

void SettingsStore::LoadKeys(AppSettings& s) {
  LoadGroup(SettingGroup::Keys, s);
}

bool SettingsStore::SaveState(const AppSettings& s) {
  return SaveGroup(SettingGroup::State, s);
}

bool SettingsStore::SaveKeys(const AppSettings& s) {
  return SaveGroup(SettingGroup::Keys, s);
}

void SettingsStore::LoadGroup(SettingGroup group, AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(PathOf(group), false, &key)) return;
  MG_SETTINGS_TABLE(MG_READ_SETTING)
  if (key) key->Close();
}

bool SettingsStore::SaveGroup(SettingGroup group, const AppSettings& s) {
  std::unique_ptr<IRegistryKey> key;
  if (!Begin(PathOf(group), true, &key)) return false;
  MG_SETTINGS_TABLE(MG_WRITE_SETTING)
  return !key || key->Close() == kRegOk;
}

#undef MG_READ_SETTING
#undef MG_WRITE_SETTING

}  // namespace mg
