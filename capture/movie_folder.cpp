// The folder that movies named without one go to.
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "capture/file_name.h"

namespace mg {

std::string MovieFolder() {
  const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  if (!videos.isEmpty() && QFileInfo(videos).isDir()) return QDir::cleanPath(videos).toStdString();
  return QDir::homePath().toStdString();
}

}  // namespace mg
