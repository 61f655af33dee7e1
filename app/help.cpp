#include "app/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "app/desktop_open.h"
#include "app/message_box.h"

namespace mg {

QString HelpPagePath() {
  // Beside the program where it was installed by hand or built; under share/ for a package.
  const QDir dir(QCoreApplication::applicationDirPath());
  const QString beside = dir.filePath(QStringLiteral("help/index.html"));
  const QString shared = dir.filePath(QStringLiteral("../share/movigram/help/index.html"));
  return !QFileInfo(beside).isFile() && QFileInfo(shared).isFile() ? QDir::cleanPath(shared)
                                                                   : beside;
}

void OpenHelp(QWidget* owner, const QString& section) {
  const QString page = HelpPagePath();
  if (!QFileInfo(page).isFile()) {
    ShowMessageBox(owner, QStringLiteral("The help page %1 is missing.").arg(page), MsgButtons::Ok,
                   MsgIcon::Exclamation);
    return;
  }
  QUrl url = QUrl::fromLocalFile(page);
  if (!section.isEmpty()) url.setFragment(section);
  QPointer<QWidget> box(owner);
  OpenWithDesktop(url, owner, [box, page] {
    ShowMessageBox(
        box, QStringLiteral("No web browser could be started to show the help page %1.").arg(page),
        MsgButtons::Ok, MsgIcon::Exclamation);
  });
}

}  // namespace mg
