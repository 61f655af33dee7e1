#include "setup/uninstaller.h"

#include "setup/setup_texts.h"

namespace mg {

void RemoveRegistryKeys(IRegistry& settings, IRegistry* uninstallRecord, const std::string& maker,
                        const std::string& product) {
  const std::string makerKey = "SOFTWARE\\" + maker;
  const std::string productKey = makerKey + "\\" + product;
  settings.DeleteKey(productKey + "\\Keys");
  settings.DeleteKey(productKey + "\\State");
  settings.DeleteKey(productKey);
  std::string name;
  if (settings.EnumKey(makerKey, 0, &name) == kRegNoMoreItems) settings.DeleteKey(makerKey);
  if (uninstallRecord) uninstallRecord->DeleteKey(kUninstallKeyPath);
}

int Uninstall(const SetupServices& services) {
  if (!services.groups || !services.groups->Initialize()) return 0;
  for (const std::string& command : UninstallGroupCommands()) services.groups->Execute(command);
  RemoveRegistryKeys(*services.settings, services.uninstallRecord, kMakerName, kProductName);
  return 1;
}

}  // namespace mg
