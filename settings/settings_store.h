// Moves AppSettings to and from the per-user store: the "State" key for recording and window
// options, the "Keys" key for hot keys and panning. Every value passes through ReadValue and
// WriteValue; with no key (option-file mode) they go to an option list instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "settings/app_settings.h"

namespace mg {

inline constexpr const char* kStateKeyPath = "SOFTWARE\\Tessaworks\\Movigram\\State";
inline constexpr const char* kKeysKeyPath = "SOFTWARE\\Tessaworks\\Movigram\\Keys";

// The in-memory list of the options text file: the values read and written in option-file mode.
class IOptionList {
 public:
  virtual ~IOptionList() = default;
  virtual int Read(const std::string& name, uint32_t* type, void* buffer, uint32_t* size) = 0;
  virtual int Write(const std::string& name, uint32_t type, const void* data, uint32_t size) = 0;
};

class SettingsStore {
 public:
  explicit SettingsStore(IRegistry& registry) : registry_(registry) {}

  // Option-file mode: every value goes to `list` instead of the registry; nullptr ends it.
  void SetOptionList(IOptionList* list) { optionList_ = list; }

  // Loading leaves every field that is not stored (or does not fit) as it was.
  void LoadState(AppSettings& s);
  void LoadKeys(AppSettings& s);
  // Saving returns false when the store could not be written; nothing else is reported.
  bool SaveState(const AppSettings& s);
  bool SaveKeys(const AppSettings& s);

  int ReadValue(IRegistryKey* key, const std::string& name, uint32_t* type, void* buffer,
                uint32_t* size);
  int WriteValue(IRegistryKey* key, const std::string& name, uint32_t type, const void* data,
                 uint32_t size);

  // FPS as stored: frames per second x 1000, rounded half up; out-of-range rates are clamped.
  static int32_t StoredFps(double fps);

 private:
  // Opens the key (none in option-file mode); false when there is nothing to read or write.
  bool Begin(const char* path, bool forWriting, std::unique_ptr<IRegistryKey>* key);
  bool ReadNumber(IRegistryKey* key, const char* name, int32_t& field);
  void ReadText(IRegistryKey* key, const char* name, std::string& field, uint32_t capacity);
  void WriteNumber(IRegistryKey* key, const char* name, int32_t value);
  void WriteText(IRegistryKey* key, const char* name, const std::string& value);
  // Every setting of one group of the settings table, in the table's order.
  void LoadGroup(SettingGroup group, AppSettings& s);
  bool SaveGroup(SettingGroup group, const AppSettings& s);
  // One setting of the table, by its field's type; `capacity` applies to texts.
  void ReadSetting(IRegistryKey* key, const char* name, int32_t& field, uint32_t capacity);
  void ReadSetting(IRegistryKey* key, const char* name, std::atomic<int32_t>& field,
                   uint32_t capacity);
  void ReadSetting(IRegistryKey* key, const char* name, double& fps, uint32_t capacity);
  void ReadSetting(IRegistryKey* key, const char* name, std::string& text, uint32_t capacity);
  void WriteSetting(IRegistryKey* key, const char* name, int32_t value);
  void WriteSetting(IRegistryKey* key, const char* name, double fps);
  void WriteSetting(IRegistryKey* key, const char* name, const std::string& text);

  IRegistry& registry_;
  IOptionList* optionList_ = nullptr;
};

}  // namespace mg
