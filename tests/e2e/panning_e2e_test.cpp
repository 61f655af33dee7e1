// Panning on a real X server: the tick reads the pointer and the held keys, and the capture
// rectangle (and what is recorded) follows the pointer, clamped at the desktop's edges.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include "area/panning.h"
#include "tests/e2e/e2e_recorder.h"
#include "tests/e2e/screen_scene.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::ScreenScene;

class PanningE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scene_.ok());
    rec_ = std::make_unique<mgtest::E2ERecorder>(scene_.display());
    ASSERT_TRUE(rec_->ok());
    panner_ = std::make_unique<mg::CapturePanner>(rec_->settings);
    rec_->engine().SetPanner(panner_.get());
    auto& s = rec_->settings;
    s.StartX = 40;
    s.StartY = 24;
    s.Width = 160;
    s.Height = 96;
    s.FPS = 20;
    s.CompressorHandler = mg::MakeFourcc("DIB ");
    s.AVIFileName = dir_.filePath("pan.avi").toStdString();
    scene_.MovePointer(100, 100);
  }
  // Runs `steps` inside a recording, each followed by time for a few ticks to see it.
  void RecordWith(const std::vector<std::function<void()>>& steps) {
    ASSERT_EQ(rec_->Record([&] {
      for (const auto& step : steps) {
        step();
        mgtest::E2ERecorder::Wait(300);
      }
    }),
              1);
  }

  QTemporaryDir dir_;
  ScreenScene scene_{320, 240, 24};
  std::unique_ptr<mgtest::E2ERecorder> rec_;
  std::unique_ptr<mg::CapturePanner> panner_;
};

TEST_F(PanningE2E, HoldingThePanKeysMovesTheAreaAndLettingGoStopsIt) {
  rec_->settings.PanModifiers = mg::kModShift;
  RecordWith({[&] { scene_.MovePointer(110, 105); },  // no key held: ignored
              [&] { scene_.Key(XK_Shift_L, true); },
              [&] { scene_.MovePointer(140, 125); },  // +30, +20 with Shift
              [&] { scene_.Key(XK_Shift_L, false); }, [&] { scene_.MovePointer(200, 200); }});
  EXPECT_EQ(rec_->settings.StartX, 70);
  EXPECT_EQ(rec_->settings.StartY, 44);

  // The last frames show the screen at the area's new place.
  const auto movie = mgtest::DecodeAvi(rec_->settings.AVIFileName);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_FALSE(movie.frames.empty());
  const auto& last = movie.frames.back();
  int wrong = 0;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 160; ++x) wrong += last.Pixel(x, y) != scene_.ColourAt(70 + x, 44 + y);
  EXPECT_EQ(wrong, 0);
}

TEST_F(PanningE2E, TheLockPansUntilTheKeysAreHeldAndTheEdgesStopIt) {
  rec_->settings.PanModifiers = mg::kModShift;
  rec_->settings.PanLocked = 1;
  RecordWith({[&] { scene_.MovePointer(319, 100); },  // far right: stops at 320 - 160 - 1
              [&] { scene_.MovePointer(319, 239); },  // far down: 240 - 96 - 1
              [&] {
                EXPECT_EQ(rec_->settings.StartX, 159);
                EXPECT_EQ(rec_->settings.StartY, 143);
                scene_.MovePointer(0, 0);  // far left and up: stops at 0
              },
              [&] {
                EXPECT_EQ(rec_->settings.StartX, 0);
                EXPECT_EQ(rec_->settings.StartY, 0);
                scene_.Key(XK_Shift_L, true);  // holding the keys suspends the lock
              },
              [&] { scene_.MovePointer(60, 60); }, [&] { scene_.Key(XK_Shift_L, false); }});
  EXPECT_EQ(rec_->settings.StartX, 0);
  EXPECT_EQ(rec_->settings.StartY, 0);
}

}  // namespace
