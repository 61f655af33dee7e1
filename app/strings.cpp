#include "app/strings.h"

namespace mg {

QString ResString(int id) {
  for (const res::StringEntry& entry : res::kStringTable)
    if (entry.id == id) return QString::fromUtf8(entry.text);
  return {};
}

std::string ResStdString(int id) {
  return ResString(id).toStdString();
}

}  // namespace mg
