// The per-user settings store: a two-level key/value store with 32-bit numbers and texts, shaped
// like the registry calls the settings code makes. Result codes are the registry's: 0 success.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mg {

inline constexpr uint32_t kRegSz = 1;     // REG_SZ: text with its terminating zero
inline constexpr uint32_t kRegDword = 4;  // REG_DWORD: four bytes, little-endian

inline constexpr int kRegOk = 0;
inline constexpr int kRegNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr int kRegAccessDenied = 5;   // ERROR_ACCESS_DENIED
inline constexpr int kRegBadData = 13;       // ERROR_INVALID_DATA
inline constexpr int kRegMoreData = 234;     // ERROR_MORE_DATA: the value does not fit
inline constexpr int kRegNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS: the enumeration is over

class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // Fills `buffer` with the value when it exists and fits `*size` bytes; `*size` becomes the
  // value's size either way (texts count their terminating zero). `*type` comes in as the type
  // the caller wants (kRegSz, kRegDword, or 0 for whatever is stored) and goes out as the type
  // of what was filled in. A store that keeps no types (an INI file) reads the value as the
  // type wanted: a wanted text comes back byte for byte even when it looks like a number. A
  // store that keeps types reports the stored one.
  virtual int QueryValue(const std::string& name, uint32_t* type, void* buffer, uint32_t* size) = 0;
  virtual int SetValue(const std::string& name, uint32_t type, const void* data, uint32_t size) = 0;
  // Makes the writes durable; reports a store that could not be written.
  virtual int Close() = 0;
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens an existing key for reading; kRegNotFound when nothing is stored under `path`.
  virtual int OpenKey(const std::string& path, std::unique_ptr<IRegistryKey>* out) = 0;
  // Opens the key for writing, creating it when missing.
  virtual int CreateKey(const std::string& path, std::unique_ptr<IRegistryKey>* out) = 0;
  // Removes the key with all its values. A key that still has subkeys is not removed.
  virtual int DeleteKey(const std::string& path) = 0;
  // The name of subkey number `index` of `path`; kRegNoMoreItems past the last one.
  virtual int EnumKey(const std::string& path, uint32_t index, std::string* name) = 0;
};

}  // namespace mg
