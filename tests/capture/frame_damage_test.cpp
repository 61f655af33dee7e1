// What each tick fetches when the display tells what changed, and what the writer tells the
// compressor: the screen's changes reach every slot, a slot's old cursor is fetched again, a
// moved area or a failed grab means everything, and a frame dropped by a pause passes its
// changes on to the next frame written.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sstream>

#include "tests/capture/capture_doubles.h"

namespace {

using mgtest::EngineRig;

std::string Text(const mg::ChangedRegion& region) {
  if (region.all()) return "all";
  std::ostringstream out;
  for (const mg::WinRect& r : region.rects())
    out << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " ";
  return out.str();
}

mg::ChangedRegion Region(std::initializer_list<mg::WinRect> rects) {
  mg::ChangedRegion region;
  for (const mg::WinRect& r : rects) region.Add(r);
  return region;
}

class FrameDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.settings.StartX = 100;
    rig_.settings.StartY = 50;
    rig_.settings.Width = 40;
    rig_.settings.Height = 32;
    rig_.display.changes.assign(40, mg::ChangedRegion{});
    rig_.display.changes[0] = mg::ChangedRegion::Everything();
  }
  void Tick() {
    rig_.timer.Tick();
    EngineRig::Pump();
  }
  std::string Part(size_t tick) const { return Text(rig_.display.parts.at(tick)); }
  std::string Hint(size_t frame) const { return Text(rig_.avi.movie.hints.at(frame)); }

  QTemporaryDir dir_;
  EngineRig rig_{dir_.path().toStdString()};
};

TEST_F(FrameDamageTest, TicksFetchTheScreensChangesAndOldCursorsAndEverythingWhenTheAreaMoves) {
  // Screen coordinates: one change inside the area, one hanging over its top-left corner.
  rig_.display.changes[5] = Region({{110, 60, 120, 70}, {90, 40, 105, 55}});
  uint32_t white[16];
  std::fill(std::begin(white), std::end(white), 0xffffffffu);
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int tick = 0; tick < 7; ++tick) Tick();
    rig_.display.cursor = mg::CursorImage{4, 4, 1, 1, white, 1};
    rig_.display.pointer = {120, 65, 0, true};
    Tick();  // 7: the cursor drawn at (19, 14) of the frame
    rig_.display.pointer = {5000, 5000, 0, true};
    for (int tick = 8; tick < 13; ++tick) Tick();
    rig_.settings.StartX = 101;
    Tick();  // 13: the area moved
    Tick();
  });
  const std::string change = "10,10-20,20 0,0-5,5 ";
  EXPECT_EQ(Part(0), "all");
  for (size_t tick = 1; tick < 5; ++tick)
    EXPECT_EQ(Part(tick), "") << "tick " << tick << " starts from the frame before";
  EXPECT_EQ(Part(5), change);
  EXPECT_EQ(Part(6), change) << "every slot missed the change";
  EXPECT_EQ(Part(11), "") << "slot 1 took the change at tick 6";
  EXPECT_EQ(Part(12), "19,14-23,18 ") << "the cursor drawn into slot 2 at tick 7";
  EXPECT_EQ(Part(13), "all");
  EXPECT_EQ(Part(14), "");

  ASSERT_EQ(rig_.avi.movie.hints.size(), 15u);
  EXPECT_EQ(Hint(0), "all");
  EXPECT_EQ(Hint(4), "");
  EXPECT_EQ(Hint(5), change);
  EXPECT_EQ(Hint(6), "");
  EXPECT_EQ(Hint(7), "19,14-23,18 ");
  EXPECT_EQ(Hint(8), "19,14-23,18 ") << "the cursor left: its place changed back";
  EXPECT_EQ(Hint(9), "");
  EXPECT_EQ(Hint(13), "all");
  EXPECT_EQ(Hint(14), "");
}

TEST_F(FrameDamageTest, AFailedGrabMeansEverythingAndADroppedFramePassesItsChangesOn) {
  rig_.display.failGrabAt = 2;
  rig_.display.changes[8] = Region({{104, 54, 108, 58}});
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int tick = 0; tick < 8; ++tick) Tick();
    rig_.timer.Tick();  // 8: grabbed with the change, then dropped by a pause
    rig_.owner.SetState(mg::Paused);
    EngineRig::Pump();
    rig_.owner.SetState(mg::Recording);
    Tick();
  });
  EXPECT_EQ(Part(3), "all") << "nothing sound to start from after the failed grab";
  EXPECT_EQ(Part(7), "") << "the failed slot starts again from the good frame before it";
  EXPECT_EQ(rig_.avi.movie.video.at(8).bytes, rig_.avi.movie.video.at(7).bytes);
  ASSERT_EQ(rig_.avi.movie.hints.size(), 9u);
  EXPECT_EQ(Hint(2), "all");
  EXPECT_EQ(Hint(3), "all");
  EXPECT_EQ(Hint(4), "");
  EXPECT_EQ(Hint(8), "4,4-8,8 ") << "the frame after the dropped one";
}

}  // namespace
