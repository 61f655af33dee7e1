#include "app/desktop_open.h"

#include <QDesktopServices>

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

bool OpenWithDesktop(const QUrl& url) {
  if (Hook()) return Hook()(url);
  return QDesktopServices::openUrl(url);
}

}  // namespace mg
