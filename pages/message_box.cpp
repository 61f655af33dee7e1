#include "pages/message_box.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <vector>

namespace mg {
namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

// The boxes on the screen, the latest last.
std::vector<QMessageBox*>& OpenBoxes() {
  static std::vector<QMessageBox*> boxes;
  return boxes;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::None:  // every box shows what kind of news it brings
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

bool CloseMessageBox() {
  // A box already answered may still be on the list until its caller has gone on.
  for (auto it = OpenBoxes().rbegin(); it != OpenBoxes().rend(); ++it) {
    QMessageBox* box = *it;
    if (!box->isVisible()) continue;
    box->done(box->standardButtons().testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok);
    return true;
  }
  return false;
}

void SetMessageBoxHook(MessageBoxHook hook) {
  Hook() = std::move(hook);
}

MsgAnswer ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                         const QString& caption) {
  if (Hook()) return Hook()(text, buttons, icon);

  const QMessageBox::StandardButtons choice =
      buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  // A box over a window that is not on the screen yet (a hot key refused while the main dialog
  // is being made) would sit at that window's future corner: it stands alone, centred on the
  // screen, instead.
  QWidget* shownOwner = owner && owner->window()->isVisible() ? owner : nullptr;
  QMessageBox box(QtIcon(icon), caption, text, choice, shownOwner);
  if (!shownOwner) {
    box.setWindowModality(Qt::ApplicationModal);
    box.adjustSize();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      QRect frame = box.frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      box.move(frame.topLeft());
    }
  }
  // A message box has no mnemonics of its own to lose: Escape answers No (or OK) as usual.
  if (buttons == MsgButtons::YesNo) box.setDefaultButton(QMessageBox::Yes);
  OpenBoxes().push_back(&box);
  const int answer = box.exec();
  OpenBoxes().erase(std::find(OpenBoxes().begin(), OpenBoxes().end(), &box));
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

}  // namespace mg
