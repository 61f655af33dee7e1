// Where the main window appears from its stored position, and the position kept at its end.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QWindow>
#include <climits>

#include "app/window_placement.h"
#include "tests/app/dialog_rig.h"

namespace {

using mgtest::DialogRig;
using mgtest::kDesktopHeight;
using mgtest::kDesktopWidth;
using mgtest::WaitUntil;

const QRect kDesktop(0, 0, 1280, 1024);
const QRect kWindow(0, 0, 400, 250);

TEST(PlaceWindow, FollowsTheStoredCornerAndPullsTheWindowOntoTheDesktop) {
  EXPECT_EQ(mg::PlaceWindow(kWindow, 100, 200, kDesktop), QRect(100, 200, 400, 250));
  EXPECT_EQ(mg::PlaceWindow(kWindow, -400, -300, kDesktop).topLeft(), QPoint(1, 1));
  EXPECT_EQ(mg::PlaceWindow(kWindow, 0, 0, kDesktop).topLeft(), QPoint(1, 1));
  // Beyond the right and bottom edges: the window's last column and row on the desktop's.
  const QRect far = mg::PlaceWindow(kWindow, 2000, 900, kDesktop);
  EXPECT_EQ(far.right(), 1279);
  EXPECT_EQ(far.bottom(), 1023);
  EXPECT_EQ(far.size(), kWindow.size());
  // Numbers from a hand-edited file do not overflow.
  const QRect huge = mg::PlaceWindow(kWindow, INT_MAX, INT_MAX, kDesktop);
  EXPECT_EQ(huge.bottomRight(), QPoint(1279, 1023));
  EXPECT_EQ(mg::PlaceWindow(kWindow, INT_MIN + 1, 5, kDesktop).topLeft(), QPoint(1, 5));
  // A window larger than the desktop keeps its top-left on the desktop's edge rule.
  EXPECT_EQ(mg::PlaceWindow(QRect(0, 0, 2000, 100), 10, 10, kDesktop).right(), 1279);
}

TEST(PlaceWindow, OnlyPositionsAboveMinus500AreUsed) {
  EXPECT_TRUE(mg::HasStoredPosition(-499, -499));
  EXPECT_FALSE(mg::HasStoredPosition(-500, 10));
  EXPECT_FALSE(mg::HasStoredPosition(10, -500));
  EXPECT_FALSE(mg::HasStoredPosition(-1000, -1000));
}

class WindowPosition : public ::testing::Test {
 protected:
  // True once the window manager's frame is around the window.
  bool Framed() {
    return WaitUntil([&] { return !rig_.dlg->windowHandle()->frameMargins().isNull(); });
  }
  QRect Frame() const { return rig_.dlg->windowHandle()->frameGeometry(); }
  DialogRig rig_;
};

TEST_F(WindowPosition, AStoredCornerOffTheTopLeftPutsTheWindowAtOneOne) {
  rig_.settings.WinX = -400;
  rig_.settings.WinY = -300;
  rig_.Show();
  ASSERT_TRUE(Framed());
  EXPECT_TRUE(WaitUntil([&] { return Frame().topLeft() == QPoint(1, 1); }))
      << Frame().x() << "," << Frame().y();
}

TEST_F(WindowPosition, AStoredCornerBeyondTheRightEdgePutsTheRightEdgeOnTheDesktopsEdge) {
  rig_.settings.WinX = 2000;
  rig_.settings.WinY = 100;
  rig_.Show();
  ASSERT_TRUE(Framed());
  EXPECT_TRUE(WaitUntil([&] {
    return Frame().right() == kDesktopWidth - 1 && Frame().top() == 100;
  })) << Frame().right()
      << "," << Frame().top();
  mgtest::Screenshot(QStringLiteral("dialog-right-edge"));
}

TEST_F(WindowPosition, FarOffEveryScreenComesBackInTheBottomRightCorner) {
  rig_.settings.WinX = 99999;
  rig_.settings.WinY = 88888;
  rig_.Show();
  ASSERT_TRUE(Framed());
  EXPECT_TRUE(WaitUntil(
      [&] { return Frame().bottomRight() == QPoint(kDesktopWidth - 1, kDesktopHeight - 1); }));
}

TEST_F(WindowPosition, WithoutAStoredCornerThePlatformPlacesItAndTheEndKeepsWhereItIs) {
  ASSERT_EQ(rig_.settings.WinX, -1000);
  mg::CRecorderDlg& dlg = rig_.Make();
  QPoint shown;
  mgtest::RunWhen([&] { return dlg.isVisible() && !dlg.windowHandle()->frameMargins().isNull(); },
                  [&] {
                    shown = Frame().topLeft();
                    dlg.ExitButton()->click();
                  });
  dlg.RunModal();
  EXPECT_EQ(rig_.settings.WinX, shown.x());
  EXPECT_EQ(rig_.settings.WinY, shown.y());
  EXPECT_GT(rig_.settings.WinX, -500);
}

}  // namespace
