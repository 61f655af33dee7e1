// Every option Movigram keeps between runs, named by its stored value name. The stored fields
// come from the settings table (settings/settings_table.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "settings/settings_table.h"

namespace mg {

// What the main window does while recording: the ids of the screen-area page's radio buttons.
inline constexpr int kWndOpen = 1047;
inline constexpr int kWndIconize = 1048;
inline constexpr int kWndHide = 1049;
inline constexpr int kWndHideAlt = 1050;

// Capacities of the stored texts, terminating zero included.
inline constexpr uint32_t kFileNameCapacity = 260;
inline constexpr uint32_t kKeyDescCapacity = 60;

// The field type of each kind of setting in the table.
namespace setting_kind {
using Number = int32_t;
using SharedNumber = std::atomic<int32_t>;  // also read (and for the corner moved) by the tick
using Fps = double;
using Path = std::string;
using KeyText = std::string;
}  // namespace setting_kind

struct AppSettings {
#define MG_SETTING_FIELD(group, kind, field, name, value) setting_kind::kind field{value};
  MG_SETTINGS_TABLE(MG_SETTING_FIELD)
#undef MG_SETTING_FIELD

  // The compressor chosen on the AVI-file page (a FOURCC, 0 = automatic); never stored.
  uint32_t CompressorHandler = 0;

  AppSettings() = default;
  AppSettings(const AppSettings& other) {
    *this = other;
  }
  AppSettings& operator=(const AppSettings& other);

  // Every field back to its default. `shiftText` is the "Shift+" prefix of the pan-lock key's
  // description, composed from the string table.
  void ResetToDefaults(const std::string& shiftText = "Shift+");
};

}  // namespace mg
