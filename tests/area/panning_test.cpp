// The capture rectangle following the pointer: which keys pan, and the clamps at the edges.
#include <gtest/gtest.h>

#include "area/panning.h"
#include "platform/windows_records.h"

namespace {

class PanningTest : public ::testing::Test {
 protected:
  PanningTest() {
    ctx_.desktopWidth = 640;
    ctx_.desktopHeight = 480;
    settings_.Width = 320;
    settings_.Height = 240;
    settings_.StartX = 100;
    settings_.StartY = 100;
    ctx_.lastCursorPos = {300, 200};
  }
  void Move(int x, int y, int mods) { panner_.PanCaptureArea(ctx_, x, y, mods); }

  mg::AppSettings settings_;
  mg::CaptureContext ctx_;
  mg::CapturePanner panner_{settings_};
};

TEST_F(PanningTest, HoldingExactlyThePanModifiersPans) {
  settings_.PanModifiers = mg::kModShift;
  Move(310, 205, mg::kModShift);
  EXPECT_EQ(settings_.StartX, 110);
  EXPECT_EQ(settings_.StartY, 105);
  Move(330, 205, mg::kModShift | mg::kModControl);  // an extra key: no panning
  EXPECT_EQ(settings_.StartX, 110);
  Move(340, 205, 0);
  EXPECT_EQ(settings_.StartX, 110);
  // Movements made while panning was off are never applied later.
  Move(345, 205, mg::kModShift);
  EXPECT_EQ(settings_.StartX, 115);
}

TEST_F(PanningTest, TheLockPansAndHoldingTheModifiersSuspendsIt) {
  settings_.PanModifiers = mg::kModShift;
  settings_.PanLocked = 1;
  Move(320, 200, 0);
  EXPECT_EQ(settings_.StartX, 120);
  Move(340, 200, mg::kModShift);
  EXPECT_EQ(settings_.StartX, 120);
}

TEST_F(PanningTest, NoModifiersAndNoLockNeverMoves) {
  settings_.PanModifiers = 0;
  Move(400, 300, mg::kModShift | mg::kModControl | mg::kModAlt);
  Move(10, 10, 0);
  EXPECT_EQ(settings_.StartX, 100);
  EXPECT_EQ(settings_.StartY, 100);
}

TEST_F(PanningTest, ClampsKeepTheLastColumnAndRowOutside) {
  settings_.PanLocked = 1;
  settings_.PanModifiers = 0;
  Move(2000, 2000, 0);
  EXPECT_EQ(settings_.StartX, 319);  // 640 - 320 - 1
  EXPECT_EQ(settings_.StartY, 239);
  Move(-3000, -3000, 0);
  EXPECT_EQ(settings_.StartX, 0);
  EXPECT_EQ(settings_.StartY, 0);
}

TEST_F(PanningTest, ClampsApplyOnActiveTicksEvenWithoutMovementButNotOnIdleOnes) {
  settings_.StartX = 500;
  Move(300, 200, 0);  // not active: the out-of-range corner stays
  EXPECT_EQ(settings_.StartX, 500);
  settings_.PanLocked = 1;
  settings_.PanModifiers = 0;
  Move(300, 200, 0);
  EXPECT_EQ(settings_.StartX, 319);
}

TEST_F(PanningTest, AnAreaAsWideAsTheDesktopStaysStill) {
  settings_.Width = 640;
  settings_.StartX = 0;
  settings_.PanLocked = 1;
  settings_.PanModifiers = 0;
  for (int tick = 0; tick < 4; ++tick) {
    Move(300 + tick, 200, 0);
    EXPECT_EQ(settings_.StartX, 0) << "tick " << tick;
  }
}

}  // namespace
