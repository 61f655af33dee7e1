// The real message box: over a window that is not on the screen yet it stands centred on the
// screen, and every box carries an icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "pages/message_box.h"

namespace {

struct Seen {
  bool found = false;
  QRect frame;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
};

// Shows a real box and reads it once it is up; then answers it.
Seen ShowAndLook(QWidget* owner, mg::MsgIcon icon) {
  Seen seen;
  QTimer poll;
  poll.setInterval(20);
  int left = 250;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (--left <= 0 && box == nullptr) return;
    if (!box || !box->isVisible()) return;
    seen.found = true;
    seen.frame = box->frameGeometry();
    seen.icon = box->icon();
    seen.caption = box->windowTitle();
    box->accept();
    poll.stop();
  });
  poll.start();
  mg::ShowMessageBox(owner, QStringLiteral("F2\nCould not register the above hot key."),
                     mg::MsgButtons::Ok, icon);
  return seen;
}

TEST(MessageBox, OverAWindowNotShownYetItIsCentredOnTheScreenWithAnIcon) {
  QWidget notShown;  // as the main dialog is while it registers its hot keys
  notShown.resize(400, 300);
  const Seen seen = ShowAndLook(&notShown, mg::MsgIcon::Exclamation);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.caption, "Movigram");
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((seen.frame.center() - centre).manhattanLength(), 4)
      << seen.frame.x() << "," << seen.frame.y() << " " << seen.frame.width() << "x"
      << seen.frame.height();

  // A box asked for without an icon still shows one.
  const Seen plain = ShowAndLook(nullptr, mg::MsgIcon::None);
  ASSERT_TRUE(plain.found);
  EXPECT_EQ(plain.icon, QMessageBox::Information);
}

}  // namespace
