// Escape never closes our dialogs (the main dialog, the about box, the hot-key chooser): the
// key is swallowed before a dialog sees it. Message boxes and file dialogs keep their own
// Escape, as do windows that are not dialogs (the area selection overlay cancels with it).
#pragma once

#include <QObject>

namespace mg {

class EscapeFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace mg
