// The settings store over QSettings' native format (an INI file on Linux). Numbers are written as
// plain integers, texts as texts. An INI file keeps no types, so a value is read as the type the
// caller wants: a text exactly as written ("007" stays "007"), a number when it reads as a 32-bit
// integer. A caller that wants either gets REG_DWORD for a value that reads as an integer and
// REG_SZ for anything else.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <cstring>

#include "platform/qt/qt_registry.h"

namespace mg {
namespace {

// "SOFTWARE\Tessaworks\Movigram\State" -> "State": the file already stands for the application.
QString GroupOf(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return QString::fromStdString(cut == std::string::npos ? path : path.substr(cut + 1));
}

// What a key path stands for: the maker key "SOFTWARE\Tessaworks" is the folder of the file,
// the product key "SOFTWARE\Tessaworks\Movigram" the file, anything deeper a group in it.
enum class Level { Maker, Product, Group };
Level LevelOf(const std::string& path) {
  const QStringList parts =
      QString::fromStdString(path).split(QRegularExpression("[\\\\/]"), Qt::SkipEmptyParts);
  if (parts.size() <= 2) return Level::Maker;
  if (parts.size() == 3) return Level::Product;
  return Level::Group;
}

bool ParseDword(const QString& text, int32_t* out) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok);
  if (!ok || text.trimmed().isEmpty() || v < INT32_MIN || v > UINT32_MAX) return false;
  *out = static_cast<int32_t>(static_cast<uint32_t>(v & 0xffffffffLL));
  return true;
}

class QSettingsKey final : public IRegistryKey {
 public:
  QSettingsKey(std::shared_ptr<QSettings> settings, QString group)
      : settings_(std::move(settings)), group_(std::move(group)) {}
  ~QSettingsKey() override { Close(); }

  int QueryValue(const std::string& name, uint32_t* type, void* buffer, uint32_t* size) override {
    const QString key = group_ + '/' + QString::fromStdString(name);
    if (!settings_->contains(key)) return kRegNotFound;
    const QVariant value = settings_->value(key);
    if (value.typeId() == QMetaType::QStringList) return kRegBadData;  // "a, b" in the file
    const QString text = value.toString();
    int32_t number = 0;
    QByteArray bytes;
    if (*type != kRegSz && ParseDword(text, &number)) {
      *type = kRegDword;
      bytes = QByteArray(reinterpret_cast<const char*>(&number), 4);
    } else {
      *type = kRegSz;
      bytes = text.toUtf8();
      bytes.append('\0');
    }
    const uint32_t offered = *size;
    *size = static_cast<uint32_t>(bytes.size());
    if (static_cast<uint32_t>(bytes.size()) > offered) return kRegMoreData;
    if (buffer) std::memcpy(buffer, bytes.constData(), static_cast<size_t>(bytes.size()));
    return kRegOk;
  }

  int SetValue(const std::string& name, uint32_t type, const void* data, uint32_t size) override {
    const QString key = group_ + '/' + QString::fromStdString(name);
    if (type == kRegDword && size == 4) {
      int32_t v = 0;
      std::memcpy(&v, data, 4);
      settings_->setValue(key, v);
    } else if (type == kRegSz) {
      const char* text = static_cast<const char*>(data);
      settings_->setValue(key,
                          QString::fromUtf8(text, static_cast<qsizetype>(strnlen(text, size))));
    } else {
      return kRegBadData;
    }
    dirty_ = true;
    return kRegOk;
  }

  int Close() override {
    if (!dirty_) return kRegOk;
    dirty_ = false;
    settings_->sync();
    return settings_->status() == QSettings::NoError ? kRegOk : kRegAccessDenied;
  }

 private:
  std::shared_ptr<QSettings> settings_;
  QString group_;
  bool dirty_ = false;
};

class QSettingsRegistry final : public IRegistry {
 public:
  explicit QSettingsRegistry(std::string iniPath) : iniPath_(std::move(iniPath)) {}

  int OpenKey(const std::string& path, std::unique_ptr<IRegistryKey>* out) override {
    if (LevelOf(path) != Level::Group) return kRegNotFound;  // no values live there
    auto settings = Open();
    if (settings->status() != QSettings::NoError) return kRegAccessDenied;
    const QString group = GroupOf(path);
    if (!settings->childGroups().contains(group)) return kRegNotFound;
    *out = std::make_unique<QSettingsKey>(std::move(settings), group);
    return kRegOk;
  }

  int CreateKey(const std::string& path, std::unique_ptr<IRegistryKey>* out) override {
    auto settings = Open();
    if (!settings->isWritable()) return kRegAccessDenied;
    *out = std::make_unique<QSettingsKey>(std::move(settings), GroupOf(path));
    return kRegOk;
  }

  int DeleteKey(const std::string& path) override {
    switch (LevelOf(path)) {
      case Level::Maker: {
        const QString folder = QFileInfo(FileName()).absolutePath();
        if (!QFileInfo(folder).isDir()) return kRegNotFound;
        return QDir().rmdir(folder) ? kRegOk : kRegAccessDenied;  // only when it is empty
      }
      case Level::Product: {
        if (!QFileInfo::exists(FileName())) return kRegNotFound;
        if (!Open()->allKeys().isEmpty()) return kRegAccessDenied;  // it still has groups
        return QFile::remove(FileName()) ? kRegOk : kRegAccessDenied;
      }
      case Level::Group:
        break;
    }
    bool empty = false;
    {
      auto settings = Open();
      const QString group = GroupOf(path);
      if (!settings->childGroups().contains(group)) return kRegNotFound;
      settings->remove(group);
      settings->sync();
      if (settings->status() != QSettings::NoError) return kRegAccessDenied;
      empty = settings->allKeys().isEmpty();
    }
    // A store with nothing left in it leaves no file behind.
    if (empty) QFile::remove(FileName());
    return kRegOk;
  }

  int EnumKey(const std::string& path, uint32_t index, std::string* name) override {
    QStringList names;
    switch (LevelOf(path)) {
      case Level::Maker: {
        const QDir folder(QFileInfo(FileName()).absolutePath());
        if (!folder.exists()) return kRegNotFound;
        for (QString entry :
             folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name)) {
          if (entry.endsWith(QLatin1String(".conf"))) entry.chop(5);
          names << entry;
        }
        break;
      }
      case Level::Product:
        if (!QFileInfo::exists(FileName())) return kRegNotFound;
        names = Open()->childGroups();
        break;
      case Level::Group:
        break;  // groups hold values only
    }
    if (index >= static_cast<uint32_t>(names.size())) return kRegNoMoreItems;
    *name = names.at(static_cast<qsizetype>(index)).toStdString();
    return kRegOk;
  }

 private:
  std::shared_ptr<QSettings> Open() const {
    if (iniPath_.empty())
      return std::make_shared<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                         QStringLiteral("Tessaworks"), QStringLiteral("Movigram"));
    return std::make_shared<QSettings>(QString::fromStdString(iniPath_), QSettings::IniFormat);
  }

  QString FileName() const { return Open()->fileName(); }

  std::string iniPath_;
};

}  // namespace

std::unique_ptr<IRegistry> MakeUserRegistry() {
  return std::make_unique<QSettingsRegistry>("");
}

std::unique_ptr<IRegistry> MakeFileRegistry(const std::string& iniPath) {
  return std::make_unique<QSettingsRegistry>(iniPath);
}

std::unique_ptr<IRegistry> MakeUninstallRegistry() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return std::make_unique<QSettingsRegistry>((data + "/Movigram-uninstall.conf").toStdString());
}

}  // namespace mg
