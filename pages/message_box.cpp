#include "pages/message_box.h"

#include <QMessageBox>

namespace mg {
namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  Hook() = std::move(hook);
}

MsgAnswer ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon) {
  if (Hook()) return Hook()(text, buttons, icon);

  const QMessageBox::StandardButtons choice =
      buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  QMessageBox box(QtIcon(icon), QStringLiteral("Movigram"), text, choice, owner);
  // A message box has no mnemonics of its own to lose: Escape answers No (or OK) as usual.
  if (buttons == MsgButtons::YesNo) box.setDefaultButton(QMessageBox::Yes);
  const int answer = box.exec();
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

}  // namespace mg
