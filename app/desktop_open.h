// Opening a file or page with the desktop's default application (player, browser). Tests hook
// it to see what would be opened.
#pragma once

#include <QUrl>
#include <functional>

namespace mg {

// True when the desktop accepted the request.
bool OpenWithDesktop(const QUrl& url);

using DesktopOpenHook = std::function<bool(const QUrl& url)>;
void SetDesktopOpenHook(DesktopOpenHook hook);

}  // namespace mg
