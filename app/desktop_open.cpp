#include "app/desktop_open.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace mg {
namespace {

DesktopOpenHook& Hook() {
  static DesktopOpenHook hook;
  return hook;
}

}  // namespace

void SetDesktopOpenHook(DesktopOpenHook hook) {
  Hook() = std::move(hook);
}

void OpenWithDesktop(const QUrl& url, QObject* context, std::function<void()> failed) {
  if (Hook()) {
    if (!Hook()(url) && failed) failed();
    return;
  }
  // Qt hands the request to xdg-open and reports success as soon as xdg-open runs, whatever
  // follows; xdg-open then says on the terminal that it found no program. So xdg-open is run
  // here and its exit status read. It may run as long as the program it starts (it waits for it
  // on desktops without an opener of their own), so it belongs to the application, not to the
  // window that asked.
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    if (!QDesktopServices::openUrl(url) && failed) failed();
    return;
  }
  auto* process = new QProcess(QCoreApplication::instance());
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QPointer<QObject> alive(context);
  auto report = [alive, failed, process](bool ok) {
    process->deleteLater();
    if (!ok && failed && alive) failed();
  };
  QObject::connect(process, &QProcess::errorOccurred, process, [report](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) report(false);
  });
  QObject::connect(process, &QProcess::finished, process,
                   [report](int code, QProcess::ExitStatus status) {
                     report(status == QProcess::NormalExit && code == 0);
                   });
  // A plain file goes by its path; a page with a section keeps its whole address.
  const bool plainFile = url.isLocalFile() && !url.hasFragment() && !url.hasQuery();
  process->start(opener, {plainFile ? url.toLocalFile() : QString::fromUtf8(url.toEncoded())});
}

}  // namespace mg
