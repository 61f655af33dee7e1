// Opening a file or page with the desktop's default application (player, browser). Tests hook
// it to see what would be opened.
#pragma once

#include <QUrl>
#include <functional>

class QObject;

namespace mg {

// Asks the desktop to open `url`. When no program could be started for it, `failed` runs on this
// thread: at once, or once the desktop's opener (xdg-open) has given up, which it tells only by
// its exit status. `context` bounds the wait: once it is gone, `failed` is not called.
void OpenWithDesktop(const QUrl& url, QObject* context, std::function<void()> failed);

// The hook answers whether the desktop accepted the request.
using DesktopOpenHook = std::function<bool(const QUrl& url)>;
void SetDesktopOpenHook(DesktopOpenHook hook);

}  // namespace mg
