#include "setup/installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "pages/message_box.h"
#include "setup/install_to_dialog.h"
#include "setup/setup_paths.h"
#include "setup/setup_texts.h"

namespace mg {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Copies one file over whatever is there, making its folder when needed.
bool CopyOver(const QString& from, const QString& to) {
  if (!QFileInfo(from).isFile()) return false;
  QDir().mkpath(QFileInfo(to).absolutePath());
  QFile::remove(to);
  return QFile::copy(from, to);
}

bool SameDirectory(const std::string& a, const std::string& b) {
  const QString ca = QFileInfo(Q(a)).canonicalFilePath();
  return !ca.isEmpty() && ca == QFileInfo(Q(b)).canonicalFilePath();
}

bool WriteScript(const std::string& path, const std::string& text) {
  QDir().mkpath(QFileInfo(Q(path)).absolutePath());
  QSaveFile file(Q(path));
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text.data(), static_cast<qint64>(text.size()));
  if (!file.commit()) return false;
  return QFile::setPermissions(Q(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::ExeOther);
}

void SetText(IRegistryKey& key, const char* name, const std::string& value) {
  // Stored without the terminating zero, as the record has always been written.
  key.SetValue(name, kRegSz, value.c_str(), static_cast<uint32_t>(value.size()));
}

}  // namespace

QString ProposedDestination(const SetupServices& services) {
  return Q(services.homeDir) + "/Movigram";
}

int Install(const std::string& sourceDir, const SetupServices& services) {
  QString destination;
  if (!ChooseDestination(ProposedDestination(services), Q(services.homeDir), &destination))
    return 0;
  return InstallTo(sourceDir, destination.toStdString(), services);
}

int InstallTo(const std::string& sourceDir, const std::string& destination,
              const SetupServices& services) {
  if (!SameDirectory(sourceDir, destination)) {
    bool complete = true;
    for (const InstalledFile& file : kInstalledFiles) {
      const bool copied =
          CopyOver(Q(sourceDir) + '/' + file.name, Q(destination) + '/' + file.name);
      if (file.required && !copied) complete = false;
    }
    if (!complete)
      ShowMessageBox(nullptr, kCopyFailedText, MsgButtons::Ok, MsgIcon::Error,
                     QStringLiteral("Install Movigram"));
  }

  WriteScript(services.scriptPath, UninstallScript(destination, services.scriptPath));

  std::unique_ptr<IRegistryKey> record;
  if (services.uninstallRecord &&
      services.uninstallRecord->CreateKey(kUninstallKeyPath, &record) == kRegOk && record) {
    SetText(*record, "DisplayName", "Movigram");
    SetText(*record, "UninstallString", JoinQuoted(services.scriptPath, ""));
    record->Close();
  }

  if (!services.groups || !services.groups->Initialize()) return 0;
  for (const std::string& command : InstallGroupCommands(destination, services.scriptPath))
    services.groups->Execute(command);  // a command that fails is passed over
  return 1;
}

}  // namespace mg
