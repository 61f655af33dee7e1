#include "settings/app_settings.h"

namespace mg {
namespace {

template <typename T>
void CopyField(T& to, const T& from) {
  to = from;
}

void CopyField(std::atomic<int32_t>& to, const std::atomic<int32_t>& from) {
  to = from.load();
}

}  // namespace

AppSettings& AppSettings::operator=(const AppSettings& o) {
  if (this == &o) return *this;
#define MG_SETTING_COPY(group, kind, field, name, value) CopyField(field, o.field);
  MG_SETTINGS_TABLE(MG_SETTING_COPY)
#undef MG_SETTING_COPY
  CompressorHandler = o.CompressorHandler;
  return *this;
}

void AppSettings::ResetToDefaults(const std::string& shiftText) {
  *this = AppSettings();
  LockPanDesc = shiftText + "F3";
}

}  // namespace mg
