// Recordings from end to end on private X servers at depth 24, 16 and 8: the real grabber,
// cursor, marker, timer, compressors and AVI writer, read back through libavformat; a recording
// whose process is stopped for a while.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "tests/e2e/compositor.h"
#include "tests/e2e/e2e_recorder.h"
#include "tests/e2e/screen_scene.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::ScreenScene;

int Channel(uint32_t rgb, int shift) {
  return static_cast<int>((rgb >> shift) & 0xff);
}

int Distance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(Channel(a, shift) - Channel(b, shift)));
  return worst;
}

// A 160 x 96 area at (40, 24) of a 320 x 240 scene, recorded at `fps` into `file`.
void SmallArea(mg::AppSettings* s, double fps, const char* compressor, const QString& file) {
  s->StartX = 40;
  s->StartY = 24;
  s->Width = 160;
  s->Height = 96;
  s->FPS = fps;
  s->CompressorHandler = mg::MakeFourcc(compressor);
  s->AVIFileName = file.toStdString();
}

struct DepthCase {
  int depth;
  const char* compressor;  // "" = chosen by depth
  int tolerance;           // per channel, after the codec and the colour depth
};

class RecordingE2E : public ::testing::TestWithParam<DepthCase> {
 protected:
  static constexpr int kX = 40, kY = 24, kW = 160, kH = 96;

  void SetUp() override {
    scene_ = std::make_unique<ScreenScene>(320, 240, GetParam().depth);
    ASSERT_TRUE(scene_->ok()) << "no Xvfb at depth " << GetParam().depth;
    rec_ = std::make_unique<mgtest::E2ERecorder>(scene_->display());
    ASSERT_TRUE(rec_->ok());
    auto& s = rec_->settings;
    s.StartX = kX;
    s.StartY = kY;
    s.Width = kW;
    s.Height = kH;
    s.FPS = 20;
    s.AVIFileName = dir_.filePath("movie.avi").toStdString();
    if (*GetParam().compressor) s.CompressorHandler = mg::MakeFourcc(GetParam().compressor);
  }

  // Every pixel of `frame` against the picture, except inside `cursor` (frame coordinates, the
  // cursor's square there); returns the count of pixels off by more than the tolerance.
  int Mismatches(const mgtest::DecodedFrame& frame, int cx0, int cy0, int cx1, int cy1) const {
    int bad = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool inCursor = x >= cx0 && x < cx1 && y >= cy0 && y < cy1;
        const uint32_t want = inCursor ? scene_->CursorColour() : scene_->ColourAt(kX + x, kY + y);
        if (Distance(frame.Pixel(x, y), want) > GetParam().tolerance) ++bad;
      }
    return bad;
  }

  QTemporaryDir dir_;
  std::unique_ptr<ScreenScene> scene_;
  std::unique_ptr<mgtest::E2ERecorder> rec_;
};

TEST_P(RecordingE2E, FramesShowTheScreenWithTheCursorAndNoMarker) {
  // Pointer inside the area: the cursor square is in every frame, centred on the pointer.
  scene_->MovePointer(kX + 50, kY + 40);
  ASSERT_EQ(rec_->RecordFor(1200), 1);
  ASSERT_FALSE(rec_->owner.messages.empty());
  EXPECT_EQ(rec_->owner.messages.back().rfind("Total frames: ", 0), 0u)
      << rec_->owner.messages.back();

  const auto movie = mgtest::DecodeAvi(rec_->settings.AVIFileName);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_GE(movie.frames.size(), 2u);
  EXPECT_EQ(movie.width, kW);
  EXPECT_EQ(movie.height, kH);
  EXPECT_EQ(static_cast<int64_t>(movie.frames.size()),
            rec_->engine().Context().frameCounter - rec_->engine().Context().skippedCounter);
  const int c0x = 50 - ScreenScene::kCursorHot, c0y = 40 - ScreenScene::kCursorHot;
  const int allowed = std::string(GetParam().compressor) == "DIB " ? 0 : kW * kH / 50;
  for (const auto& frame : movie.frames)
    EXPECT_LE(
        Mismatches(frame, c0x, c0y, c0x + ScreenScene::kCursorSize, c0y + ScreenScene::kCursorSize),
        allowed)
        << "frame at " << frame.position << " px(0,0)=" << std::hex << frame.Pixel(0, 0) << " want "
        << scene_->ColourAt(kX, kY) << " px(100,90)=" << frame.Pixel(100, 90) << " want "
        << scene_->ColourAt(kX + 100, kY + 90);

  const auto headers = mgtest::ReadAviHeaders(rec_->settings.AVIFileName);
  ASSERT_TRUE(headers.ok) << headers.error;
  EXPECT_EQ(headers.streams.at(0).dwScale, 100u);
  EXPECT_EQ(headers.streams.at(0).dwRate, 2000u);
  EXPECT_EQ(headers.streams.at(0).name, "Movigram Video");
}

TEST_P(RecordingE2E, CursorIsClippedAtTheMarkerEdgeAndIgnoredBeyondIt) {
  // Two pixels right of the area's last column + 1: still on the marker, drawn clipped.
  scene_->MovePointer(kX + kW + 2, kY + 30);
  ASSERT_EQ(rec_->RecordFor(600), 1);
  auto movie = mgtest::DecodeAvi(rec_->settings.AVIFileName);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_FALSE(movie.frames.empty());
  const int left = kW + 2 - ScreenScene::kCursorHot, top = 30 - ScreenScene::kCursorHot;
  for (const auto& frame : movie.frames)
    EXPECT_LE(Mismatches(frame, left, top, left + ScreenScene::kCursorSize,
                         top + ScreenScene::kCursorSize),
              std::string(GetParam().compressor) == "DIB " ? 0 : kW * kH / 50);
  EXPECT_LE(Distance(movie.frames.back().Pixel(kW - 1, 30), scene_->CursorColour()),
            GetParam().tolerance);

  // One pixel farther: not looked up, although the image would still reach into the area.
  scene_->MovePointer(kX + kW + 3, kY + 30);
  ASSERT_EQ(rec_->RecordFor(600), 1);
  movie = mgtest::DecodeAvi(rec_->settings.AVIFileName);
  ASSERT_TRUE(movie.ok) << movie.error;
  for (const auto& frame : movie.frames)
    EXPECT_LE(Mismatches(frame, 0, 0, 0, 0),
              std::string(GetParam().compressor) == "DIB " ? 0 : kW * kH / 50);
}

TEST_P(RecordingE2E, SkippedFramesLeaveEmptyPositions) {
  scene_->MovePointer(0, 0);
  // The writer is held up for a second: the ring fills and later ticks are skipped.
  ASSERT_EQ(
      rec_->RecordFor(3000, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1000)); }),
      1);
  const auto& ctx = rec_->engine().Context();
  ASSERT_GT(ctx.skippedCounter, 0) << "a blocked writer at 20 frames per second must skip";
  const auto headers = mgtest::ReadAviHeaders(rec_->settings.AVIFileName);
  ASSERT_TRUE(headers.ok) << headers.error;
  EXPECT_EQ(headers.streams.at(0).emptyChunks, ctx.skippedCounter);
  EXPECT_EQ(headers.streams.at(0).dataChunks, ctx.frameCounter);
  const auto movie = mgtest::DecodeAvi(rec_->settings.AVIFileName, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(static_cast<int>(movie.emptyPositions.size()), ctx.skippedCounter);
  EXPECT_EQ(static_cast<int>(movie.frames.size()), ctx.frameCounter - ctx.skippedCounter);
}

// The whole recording process is stopped (SIGSTOP) for a while and continued (SIGCONT), as a
// machine that stalls would do: the ticks of that time are skipped positions, so the movie still
// lasts as long as the recording ran and the report counts them.
TEST(RecordingStoppedE2E, AStoppedProcessLeavesItsTimeAsSkippedPositions) {
  ScreenScene scene(320, 240, 24);
  ASSERT_TRUE(scene.ok());
  QTemporaryDir dir;
  mgtest::E2ERecorder rec(scene.display());
  ASSERT_TRUE(rec.ok());
  SmallArea(&rec.settings, 10, "DIB ", dir.filePath("stopped.avi"));

  QElapsedTimer wall;
  qint64 recordedMs = 0;
  ASSERT_EQ(rec.Record([&] {
    wall.start();
    // 2.5 s in, the process stands still for 1.2 s; then the recording runs on to 5 s.
    const std::string pid = std::to_string(QCoreApplication::applicationPid());
    const std::string helper =
        "(sleep 2.5; kill -STOP " + pid + "; sleep 1.2; kill -CONT " + pid + ") &";
    ASSERT_EQ(std::system(helper.c_str()), 0);
    while (wall.elapsed() < 5000) mgtest::E2ERecorder::Wait(50);
    recordedMs = wall.elapsed();
  }),
            1);
  const auto& ctx = rec.engine().Context();
  ASSERT_FALSE(rec.owner.messages.empty());
  EXPECT_EQ(mgtest::FirstLine(rec.owner.messages.back()),
            "Total frames: " + std::to_string(ctx.frameCounter) +
                ", skipped: " + std::to_string(ctx.skippedCounter));
  // At least 1.2 s of ticks were missed; they are in the report and in the movie as empty
  // positions, and the movie's positions are the recorded time at 10 a second.
  EXPECT_GE(ctx.skippedCounter, 10);
  const auto headers = mgtest::ReadAviHeaders(rec.settings.AVIFileName);
  ASSERT_TRUE(headers.ok) << headers.error;
  const auto& video = headers.streams.at(0);
  EXPECT_EQ(video.dataChunks, ctx.frameCounter);
  EXPECT_EQ(video.emptyChunks, ctx.skippedCounter);
  EXPECT_NEAR(video.dataChunks, recordedMs / 100.0, 3.0) << "recorded " << recordedMs << " ms";
  const auto movie = mgtest::DecodeAvi(rec.settings.AVIFileName, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(static_cast<int>(movie.frames.size()), ctx.frameCounter - ctx.skippedCounter);
}

// The movie lasts as long as the recording ran, at rates whose frame period is no whole number
// of milliseconds: its positions at the header's rate match the time between start and stop
// within 0.2 % and a frame for where the stop fell.
TEST(RecordingClockE2E, TheMovieLastsAsLongAsTheRecordingRan) {
  ScreenScene scene(320, 240, 24);
  ASSERT_TRUE(scene.ok());
  QTemporaryDir dir;
  for (const double fps : {30.0, 60.0}) {
    mgtest::E2ERecorder rec(scene.display());
    ASSERT_TRUE(rec.ok());
    SmallArea(&rec.settings, fps, "MSVC", dir.filePath("clock.avi"));
    QElapsedTimer wall;
    qint64 recordedMs = 0;
    ASSERT_EQ(rec.Record([&] {
      wall.start();
      while (wall.elapsed() < 8000) mgtest::E2ERecorder::Wait(20);
      recordedMs = wall.elapsed();
    }),
              1);
    const auto headers = mgtest::ReadAviHeaders(rec.settings.AVIFileName);
    ASSERT_TRUE(headers.ok) << headers.error;
    const auto& video = headers.streams.at(0);
    const double movieMs = 1000.0 * video.dataChunks * video.dwScale / video.dwRate;
    EXPECT_NEAR(movieMs, static_cast<double>(recordedMs), recordedMs * 0.002 + 1000.0 / fps)
        << fps << " fps: recorded " << recordedMs << " ms";
  }
}

// While paused the marker crosses the area; the first frame written after Resume shows the
// screen without the cross, with and without a compositor (which repaints what the cross
// covered a moment after it went).
TEST(ResumeE2E, TheFirstFrameAfterResumeIsFreeOfThePausedCross) {
  for (const bool composited : {false, true}) {
    ScreenScene scene(320, 240, 24);
    ASSERT_TRUE(scene.ok());
    std::optional<mgtest::Compositor> picom;
    if (composited) {
      picom.emplace(scene.display());
      ASSERT_TRUE(picom->ok()) << picom->error();
    }
    scene.MovePointer(316, 236);
    QTemporaryDir dir;
    mgtest::E2ERecorder rec(scene.display());
    ASSERT_TRUE(rec.ok());
    SmallArea(&rec.settings, 30, "DIB ", dir.filePath("resumed.avi"));
    int32_t beforePause = 0;
    ASSERT_EQ(rec.Record([&] {
      mgtest::E2ERecorder::Wait(300);
      rec.owner.SetState(mg::Paused);
      mgtest::E2ERecorder::Wait(600);
      beforePause = rec.engine().Context().frameCounter;
      rec.owner.SetState(mg::Recording);
      mgtest::E2ERecorder::Wait(600);
    }),
              1);
    const auto movie = mgtest::DecodeAvi(rec.settings.AVIFileName);
    ASSERT_TRUE(movie.ok) << movie.error;
    ASSERT_GT(static_cast<int>(movie.frames.size()), beforePause + 5);
    const mgtest::DecodedFrame& resumed = movie.frames[static_cast<size_t>(beforePause)];
    const mgtest::DecodedFrame& last = movie.frames.back();
    int differing = 0;
    for (int y = 0; y < resumed.height; ++y)
      for (int x = 0; x < resumed.width; ++x) differing += resumed.Pixel(x, y) != last.Pixel(x, y);
    EXPECT_EQ(differing, 0) << (composited ? "with" : "without") << " a compositor";
  }
}

// Ut Video at odd sizes, at the depths whose frames it takes: every frame decodes whole.
TEST(UtVideoE2E, OddSizedMoviesDecodeFrameByFrame) {
  for (int depth : {24, 16}) {
    ScreenScene scene(320, 240, depth);
    ASSERT_TRUE(scene.ok());
    for (const auto& size : {std::pair{161, 97}, std::pair{33, 17}, std::pair{3, 3}}) {
      SCOPED_TRACE(std::to_string(depth) + " bits " + std::to_string(size.first) + "x" +
                   std::to_string(size.second));
      QTemporaryDir dir;
      mgtest::E2ERecorder rec(scene.display());
      ASSERT_TRUE(rec.ok());
      rec.settings.StartX = 11;
      rec.settings.StartY = 9;
      rec.settings.Width = size.first;
      rec.settings.Height = size.second;
      rec.settings.FPS = 20;
      rec.settings.CompressorHandler = mg::MakeFourcc("ULRG");
      rec.settings.AVIFileName = dir.filePath("odd.avi").toStdString();
      ASSERT_EQ(rec.RecordFor(400), 1);
      ASSERT_FALSE(rec.owner.messages.empty());
      EXPECT_EQ(rec.owner.messages.back().rfind("Total frames: ", 0), 0u)
          << rec.owner.messages.back();
      const auto movie = mgtest::DecodeAvi(rec.settings.AVIFileName);
      ASSERT_TRUE(movie.ok) << movie.error;
      EXPECT_EQ(movie.decodeErrors, 0);
      ASSERT_GE(movie.frames.size(), 2u);
      const auto& frame = movie.frames.back();
      for (int y = 0; y < size.second; ++y)
        for (int x = 0; x < size.first; ++x)
          ASSERT_LE(Distance(frame.Pixel(x, y), scene.ColourAt(11 + x, 9 + y)), depth == 16 ? 8 : 0)
              << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, RecordingE2E,
                         ::testing::Values(DepthCase{24, "DIB ", 0}, DepthCase{24, "", 48},
                                           DepthCase{16, "DIB ", 8}, DepthCase{16, "", 48},
                                           DepthCase{8, "", 0}, DepthCase{8, "DIB ", 0}),
                         [](const ::testing::TestParamInfo<DepthCase>& param) {
                           std::string name = "Depth" + std::to_string(param.param.depth);
                           name += *param.param.compressor ? "_DIB" : "_Default";
                           return name;
                         });

}  // namespace
