// The recording engine with doubles for the file, the screen and the timer: the ring, skipping,
// the overload abort, pausing, palette changes, the report and refused settings.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "capture/capture_messages.h"
#include "tests/capture/capture_doubles.h"

namespace {

using mgtest::EngineRig;
using mgtest::StreamEvent;

std::vector<int32_t> FramePositions(const mgtest::FakeMovie& movie) {
  std::vector<int32_t> positions;
  for (const auto& e : movie.video)
    if (e.kind == StreamEvent::Frame) positions.push_back(e.pos);
  return positions;
}

std::vector<int32_t> FormatPositions(const mgtest::FakeMovie& movie) {
  std::vector<int32_t> positions;
  for (const auto& e : movie.video)
    if (e.kind == StreamEvent::Format) positions.push_back(e.pos);
  return positions;
}

class EngineTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  EngineRig rig_{dir_.path().toStdString()};
  std::string File(const char* name) const { return dir_.filePath(name).toStdString(); }
};

TEST_F(EngineTest, RecordsFramesAtConsecutivePositionsAndReportsTotals) {
  const int result = rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 4; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(FormatPositions(rig_.avi.movie), (std::vector<int32_t>{0}));
  // Each written frame is the grab made for it, in grab order.
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(rig_.avi.movie.video[static_cast<size_t>(i) + 1].bytes[0], i + 1);
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  // The totals, then the movie's length at its rate (10 frames per second) and where it is.
  EXPECT_EQ(rig_.owner.messages[0],
            "Total frames: 4, skipped: 0\nDuration: 0:00.4\nFile: " + File("clip0001.avi"));
  EXPECT_EQ(rig_.owner.results, 1);
  EXPECT_TRUE(rig_.avi.movie.closed);
  EXPECT_TRUE(rig_.display.freed);
  EXPECT_FALSE(rig_.timer.running);
  EXPECT_EQ(rig_.beeper.beeps, 2);
  EXPECT_EQ(rig_.owner.restores, 1);
  EXPECT_EQ(rig_.settings.AVIFileName, File("clip0001.avi"));
  EXPECT_TRUE(std::filesystem::exists(File("clip0001.avi")));
}

TEST_F(EngineTest, StreamHeaderAndCompressionOptionsFollowTheSettings) {
  rig_.settings.FPS = 29.97;
  rig_.settings.Width = 100;
  rig_.settings.Height = 50;
  rig_.settings.KeyFrames = 15;
  rig_.settings.Compress = 60;
  rig_.Record(mg::StartMode::Recording, [] {});
  const mg::AviStreamInfo& video = rig_.avi.movie.streams.at(0);
  EXPECT_EQ(video.fccType, mg::MakeFourcc("vids"));
  EXPECT_EQ(video.fccHandler, mg::MakeFourcc("MSVC"));
  EXPECT_EQ(video.dwScale, 100u);
  EXPECT_EQ(video.dwRate, 2997u);
  EXPECT_EQ(video.dwSuggestedBufferSize, 100u * 50u * 4u);
  EXPECT_EQ(video.rcFrame.right, 100);
  EXPECT_EQ(video.rcFrame.bottom, 50);
  EXPECT_STREQ(video.szName, "Movigram Video");
  EXPECT_EQ(video.dwQuality, 0u);
  // The tick keeps the header's rate exactly: 2997 frames every 100 s, not one every 33 ms.
  EXPECT_EQ(rig_.timer.period.nanoseconds, 100'000'000'000);
  EXPECT_EQ(rig_.timer.period.parts, 2997);
  EXPECT_EQ(rig_.avi.movie.options.dwKeyFrameEvery, 15u);
  EXPECT_EQ(rig_.avi.movie.options.dwQuality, 6000u);
  EXPECT_EQ(rig_.avi.movie.options.dwFlags, 0x0Cu);
  EXPECT_EQ(rig_.avi.movie.options.cbFormat, 40u);
}

// The tick's period is the stream's frame duration, dwScale / dwRate seconds, at every rate.
TEST_F(EngineTest, TheTickKeepsTheStreamsRateAtSlowRoundAndOddRates) {
  const auto periodNs = [&] {
    return static_cast<double>(rig_.timer.period.nanoseconds) / rig_.timer.period.parts;
  };
  rig_.settings.FPS = 0.5;
  rig_.Record(mg::StartMode::Recording, [] {});
  EXPECT_EQ(periodNs(), 2e9);
  EXPECT_EQ(rig_.avi.movie.streams.at(0).dwRate, 50u);
  for (const double fps : {7.5, 10.0, 23.976, 30.0, 60.0}) {
    rig_.settings.FPS = fps;
    rig_.Record(mg::StartMode::Recording, [] {});
    const mg::AviStreamInfo& video = rig_.avi.movie.streams.at(0);
    EXPECT_DOUBLE_EQ(periodNs(), 1e9 * video.dwScale / video.dwRate) << fps;
    EXPECT_NEAR(periodNs(), 1e9 / fps, 1e9 / fps * 0.001) << fps;
  }
}

TEST_F(EngineTest, CompressorIsChosenByDepthUnlessOneWasPicked) {
  rig_.screen.format.bitsPerPixel = 8;
  rig_.screen.palette.assign(256, mg::PaletteEntry{});
  rig_.display.bitsPerPixel = 8;
  rig_.Record(mg::StartMode::Recording, [] {});
  EXPECT_EQ(rig_.avi.movie.streams.at(0).fccHandler, mg::MakeFourcc("MRLE"));
  EXPECT_EQ(rig_.avi.movie.options.cbFormat, 40u + 4u * 256u);

  rig_.screen.format.bitsPerPixel = 4;
  rig_.display.bitsPerPixel = 4;
  rig_.Record(mg::StartMode::Recording, [] {});
  EXPECT_EQ(rig_.avi.movie.streams.at(0).fccHandler, mg::MakeFourcc("DIB "));

  rig_.settings.CompressorHandler = mg::MakeFourcc("ZMBV");
  rig_.Record(mg::StartMode::Recording, [] {});
  EXPECT_EQ(rig_.avi.movie.streams.at(0).fccHandler, mg::MakeFourcc("ZMBV"));
}

TEST_F(EngineTest, LaggingWriterSkipsTheSixthTickAndItsPositionStaysEmpty) {
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 3; ++i) {  // three frames written in time
      rig_.timer.Tick();
      EngineRig::Pump();
    }
    for (int i = 0; i < 6; ++i) rig_.timer.Tick();  // the writer falls behind
    EXPECT_EQ(rig_.engine.Context().skippedCounter, 1);
    EngineRig::Pump();
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.engine.Context().skippedCounter, 1);
  EXPECT_EQ(rig_.engine.Context().frameCounter, 10);
  // The five grabs that waited keep the positions of their ticks; the skipped tick's stays empty.
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 9}));
  for (size_t i = 0; i < 9; ++i)
    EXPECT_EQ(rig_.avi.movie.video[i + 1].bytes[0], i + 1) << "frame " << i << " is its own grab";
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 10, skipped: 1");
}

// A tick held up past later deadlines (a loaded machine, a stopped process) stands for them: their
// positions stay empty and are counted as skipped, so the movie is as long as the time recorded,
// the report says so, and the overload rule sees them; paused time still counts nothing.
TEST_F(EngineTest, DeadlinesMissedByAHeldUpTickAreSkippedPositions) {
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 4; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
    rig_.timer.Tick(3);  // three deadlines passed while the tick was held up
    EngineRig::Pump();
    EXPECT_EQ(rig_.engine.Context().skippedCounter, 3);
    rig_.timer.Tick();
    EngineRig::Pump();
    rig_.owner.SetState(mg::Paused);
    rig_.timer.Tick(5);  // held up while paused: no time of the movie
    EngineRig::Pump();
    rig_.owner.SetState(mg::Recording);
    rig_.timer.Tick();  // takes the paused cross away: not written
    EngineRig::Pump();
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0, 1, 2, 3, 7, 8, 9}));
  EXPECT_EQ(rig_.engine.Context().frameCounter, 10);
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 10, skipped: 3");

  // A hiccup among the first frames of a recording (its first grabs may take long) does not end
  // it; later, missed deadlines that make more than half of the counted frames skipped do.
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
    rig_.timer.Tick(3);  // 3 skipped of 4, while the ring is first filled
    EXPECT_TRUE(rig_.timer.running);
    EngineRig::Pump();
    for (int i = 0; i < 5; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
    rig_.timer.Tick(5);  // 8 skipped of 15: more than half
    EXPECT_FALSE(rig_.timer.running);
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.owner.messages.back(), mg::msg::kOverload);
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0, 4, 5, 6, 7, 8, 9}));
}

TEST_F(EngineTest, OverloadAbortsExactlyWhenMoreThanHalfWereSkipped) {
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 10; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
    for (int i = 0; i < 5; ++i) rig_.timer.Tick();  // ring full
    // Counted 10 written + skips: 11/1 ... 20/10 keep going; 21/11 is more than half.
    for (int skip = 1; skip <= 10; ++skip) {
      rig_.timer.Tick();
      ASSERT_TRUE(rig_.timer.running) << "skip " << skip;
    }
    rig_.timer.Tick();
    EXPECT_FALSE(rig_.timer.running);
    EXPECT_EQ(rig_.engine.Context().frameCounter, mg::kOverloadMarker);
    EngineRig::Pump();  // the stop request arrives
  });
  EXPECT_EQ(rig_.owner.state, mg::Idle);
  EXPECT_EQ(rig_.engine.Context().skippedCounter, 11);
  EXPECT_EQ(rig_.owner.messages.back().substr(0, std::string(mg::msg::kOverload).size()),
            mg::msg::kOverload);
  EXPECT_EQ(FramePositions(rig_.avi.movie).size(), 10u) << "nothing is written after the abort";
}

// An encoder's first frames of a large picture may take several frame periods: the ring fills
// before anything was written. That says nothing of the rate the machine sustains, so the
// recording goes on, and its skipped frames stay in the totals; a writer that never catches up
// still ends it once the start-up is over.
TEST_F(EngineTest, AFullRingWhileTheFirstFramesAreWrittenIsNoOverload) {
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 9; ++i) rig_.timer.Tick();  // 5 waiting, 4 skipped of 4 counted
    EXPECT_TRUE(rig_.timer.running);
    EngineRig::Pump();  // the writer catches up
    for (int i = 0; i < 6; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
  });
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 15, skipped: 4");
  EXPECT_EQ(FramePositions(rig_.avi.movie),
            (std::vector<int32_t>{0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 14}));

  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 20; ++i) rig_.timer.Tick();  // the writer never runs
    EXPECT_FALSE(rig_.timer.running);
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.owner.messages.back().substr(0, std::string(mg::msg::kOverload).size()),
            mg::msg::kOverload);
}

TEST_F(EngineTest, RepeatedStopRequestsStopOnceAndStartNothing) {
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
    rig_.engine.RequestAbort(mg::kOverloadMarker);
    rig_.engine.RequestAbort(mg::kOverloadMarker);
    EngineRig::Pump();
  });
  EngineRig::Pump();
  rig_.engine.RequestAbort(mg::kOverloadMarker);  // a late request after the stop
  EngineRig::Pump();
  EXPECT_EQ(rig_.owner.stops, 1);
  EXPECT_EQ(rig_.owner.startRequests, 0);
  EXPECT_EQ(rig_.owner.state, mg::Idle);
}

TEST_F(EngineTest, FramesGrabbedWhilePausedAreNeitherWrittenNorCounted) {
  rig_.Record(mg::StartMode::Paused, [&] {
    for (int i = 0; i < 3; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
      EXPECT_TRUE(rig_.display.lastMarkerPaused);
    }
    EXPECT_EQ(rig_.engine.Context().frameCounter, 0);
    rig_.owner.SetState(mg::Recording);  // resume
    rig_.timer.Tick();
    rig_.owner.SetState(mg::Paused);  // paused before the writer saw it: dropped
    EngineRig::Pump();
    rig_.owner.SetState(mg::Recording);
    rig_.timer.Tick();
    EngineRig::Pump();
    EXPECT_FALSE(rig_.display.lastMarkerPaused);
  });
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0}));
  EXPECT_EQ(rig_.avi.movie.video.back().bytes[0], 5) << "the fifth grab is the one written";
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 1, skipped: 0");
}

TEST_F(EngineTest, StartedPausedAndStoppedDeletesTheFileAndSaysNothing) {
  rig_.Record(mg::StartMode::Paused, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_TRUE(rig_.owner.messages.empty());
  ASSERT_EQ(rig_.avi.opened.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(rig_.avi.opened[0]));
  EXPECT_EQ(rig_.beeper.beeps, 2);
}

TEST_F(EngineTest, PaletteChangeGivesOneFormatChangeBeforeTheFirstFrameWithTheNewTable) {
  rig_.screen.format = mg::DisplayFormat{8, 8, 640, 480, 20, false, 0, 0, 0};
  rig_.screen.palette.assign(256, mg::PaletteEntry{10, 20, 30, 0});
  rig_.display.bitsPerPixel = 8;
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
    rig_.timer.Tick();  // grabbed with the old table, written after the change
    rig_.timer.Tick();
    rig_.screen.palette.assign(256, mg::PaletteEntry{200, 100, 50, 0});
    ASSERT_TRUE(rig_.screen.watcher) << "the engine watches the palette while recording";
    rig_.screen.watcher();
    rig_.timer.Tick();  // the first frame with the new table
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(FormatPositions(rig_.avi.movie), (std::vector<int32_t>{0, 3}));
  const auto& change = rig_.avi.movie.video[4];  // after format 0 and three frames
  ASSERT_EQ(change.kind, StreamEvent::Format);
  ASSERT_EQ(change.bytes.size(), 40u + 1024u);
  // A re-read table takes the colours as they are, without flags or forced black and white.
  EXPECT_EQ(change.bytes[40], 50);
  EXPECT_EQ(change.bytes[41], 100);
  EXPECT_EQ(change.bytes[42], 200);
  EXPECT_EQ(change.bytes[43], 0);
  EXPECT_EQ(change.bytes[40 + 4 * 255 + 2], 200);
  // The table at the start keeps the real colours at its ends (they are ordinary cells on X).
  // Its reserved bytes are 0 like the later tables', though the palette's cells carry flags:
  // a change must not rewrite entries whose colour stayed.
  const auto& first = rig_.avi.movie.video[0].bytes;
  EXPECT_EQ(first[40 + 2], 10);
  EXPECT_EQ(first[40 + 4 * 255 + 2], 10);
  for (int j = 0; j < 256; ++j) EXPECT_EQ(first[40 + 4 * j + 3], 0) << "entry " << j;
}

TEST_F(EngineTest, FailingFrameWriteStopsTheRecordingWithAMessage) {
  rig_.avi.failWriteAt = 2;
  rig_.Record(mg::StartMode::Recording, [&] {
    for (int i = 0; i < 5; ++i) {
      rig_.timer.Tick();
      EngineRig::Pump();
    }
  });
  EXPECT_EQ(rig_.owner.state, mg::Idle);
  EXPECT_FALSE(rig_.timer.running);
  EXPECT_EQ(FramePositions(rig_.avi.movie), (std::vector<int32_t>{0, 1}));
  ASSERT_FALSE(rig_.owner.messages.empty());
  EXPECT_NE(rig_.owner.messages.back().find("Error 110 saving video data"), std::string::npos)
      << rig_.owner.messages.back();
  EXPECT_TRUE(std::filesystem::exists(rig_.settings.AVIFileName)) << "frames written so far stay";
}

TEST_F(EngineTest, FailedOpenShowsTheDetailAndBeepsOnce) {
  rig_.avi.openResult = mg::kAviErrFileOpen;
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0);
  ASSERT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_EQ(rig_.owner.messages[0], "Error opening AVI file. (Open AVI)");
  EXPECT_EQ(rig_.beeper.beeps, 1);
  EXPECT_EQ(rig_.owner.state, mg::Idle);
  EXPECT_EQ(rig_.owner.stops, 1) << "the failed start ends through the Start/Stop command";
  EXPECT_TRUE(rig_.owner.windowModes.empty());
}

TEST_F(EngineTest, FailedSetFormatNamesTheLowByteOfTheErrorAndDeletesThePartialFile) {
  rig_.avi.setFormatResult = mg::kAviErrBadFormat;
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0);
  EXPECT_EQ(rig_.owner.messages.at(0),
            "Error opening AVI file. (Set Video Stream Format, err 102)");
  EXPECT_FALSE(std::filesystem::exists(rig_.avi.opened.at(0)));
  EXPECT_EQ(rig_.beeper.beeps, 1);
}

TEST_F(EngineTest, FailedCompressedStreamNamesItsStep) {
  rig_.avi.compressResult = mg::kAviErrNoCompressor;
  rig_.Record(mg::StartMode::Recording, [] {});
  EXPECT_EQ(rig_.owner.messages.at(0), "Error opening AVI file. (Make Compressed Stream)");
}

// A sound input that opens, for the audio stream's set-up.
class OpenedSound final : public mg::ICaptureAudio {
 public:
  mg::WaveFormatEx Format() const override {
    mg::WaveFormatEx f;
    f.wFormatTag = 1;
    f.nChannels = 1;
    f.nSamplesPerSec = 11025;
    f.nAvgBytesPerSec = 11025;
    f.nBlockAlign = 1;
    f.wBitsPerSample = 8;
    return f;
  }
  void EnsureReceiver() override {}
  int32_t OpenInput() override { return 0; }
  void Record(bool) override {}
  void Stop() override { ++stops; }
  int stops = 0;
};

// Each step of opening the movie that can fail names itself, the partial file goes, an older
// movie of the name stays, the sound input opened for it is closed again and the window is idle.
TEST_F(EngineTest, AStreamThatCannotBeMadeNamesItsStepAndLeavesNothing) {
  std::ofstream(File("older.avi")) << "older movie";
  OpenedSound sound;
  rig_.engine.SetAudio(&sound);
  rig_.settings.RecSound = 1;
  rig_.settings.IncFilename = 0;
  rig_.settings.AVIFileName = File("older.avi");
  const std::pair<int32_t mgtest::FakeAviLibrary::*, const char*> cases[] = {
      {&mgtest::FakeAviLibrary::createVideoResult, "(Create Video Stream)"},
      {&mgtest::FakeAviLibrary::createAudioResult, "(Prepare Wave Stream)"},
      {&mgtest::FakeAviLibrary::audioFormatResult, "(Prepare Wave Stream)"}};
  for (const auto& [result, step] : cases) {
    rig_.avi = {};
    rig_.avi.*result = mg::kAviErrBadFormat;
    rig_.owner.messages.clear();
    rig_.beeper.beeps = 0;
    const int stopsBefore = sound.stops;
    EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0) << step;
    EXPECT_EQ(rig_.owner.messages,
              std::vector<std::string>{std::string("Error opening AVI file. ") + step});
    ASSERT_EQ(rig_.avi.opened.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(rig_.avi.opened[0])) << step;
    EXPECT_TRUE(rig_.avi.movie.closed) << step;
    EXPECT_EQ(sound.stops, stopsBefore + 1) << step;
    EXPECT_EQ(rig_.beeper.beeps, 1) << step;
    EXPECT_EQ(rig_.owner.state, mg::Idle) << step;
    std::ifstream older(File("older.avi"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(older), {}), "older movie") << step;
  }
}

TEST_F(EngineTest, UnusableRatesAndAreasAreRefusedBeforeAnythingIsOpened) {
  // The previous movie under the stored name must survive a refused start.
  std::ofstream(File("clip0001.avi")) << "movie";
  rig_.settings.AVIFileName = File("clip0001.avi");
  struct Case {
    double fps;
    int width, height;
    const char* message;
  } cases[] = {{0, 320, 240, mg::msg::kBadFps},
               {-5, 320, 240, mg::msg::kBadFps},
               {std::nan(""), 320, 240, mg::msg::kBadFps},
               {10, 0, 240, mg::msg::kBadArea},
               {10, 320, -1, mg::msg::kBadArea},
               {10, 100000, 100000, mg::msg::kAreaTooLarge}};
  for (const Case& c : cases) {
    rig_.owner.messages.clear();
    rig_.beeper.beeps = 0;
    rig_.settings.FPS = c.fps;
    rig_.settings.Width = c.width;
    rig_.settings.Height = c.height;
    EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0);
    EXPECT_EQ(rig_.owner.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(rig_.beeper.beeps, 1);
    EXPECT_EQ(rig_.owner.state, mg::Idle);
  }
  EXPECT_TRUE(rig_.avi.opened.empty());
  EXPECT_TRUE(std::filesystem::exists(File("clip0001.avi")));
}

// An area with no pixel on the screen would record a black movie with a report of success: it
// is refused with the screen's size. An area that still shows part of the screen is recorded.
TEST_F(EngineTest, AnAreaWhollyOffTheScreenIsRefusedWithTheScreensSize) {
  rig_.settings.Width = 320;
  rig_.settings.Height = 240;
  const std::pair<int, int> off[] = {{-99999, 0}, {1280, 0}, {0, 1024}, {-320, 10}, {5, -240}};
  for (const auto& [x, y] : off) {
    rig_.owner.messages.clear();
    rig_.settings.StartX = x;
    rig_.settings.StartY = y;
    EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0) << x << "," << y;
    ASSERT_EQ(rig_.owner.messages.size(), 1u);
    EXPECT_NE(rig_.owner.messages[0].find("1280 x 1024"), std::string::npos)
        << rig_.owner.messages[0];
    EXPECT_NE(rig_.owner.messages[0].find(std::to_string(x)), std::string::npos);
  }
  EXPECT_TRUE(rig_.avi.opened.empty());

  const std::pair<int, int> partly[] = {{-319, 0}, {1279, 1023}};
  for (const auto& [x, y] : partly) {
    rig_.owner.messages.clear();
    rig_.settings.StartX = x;
    rig_.settings.StartY = y;
    EXPECT_EQ(rig_.Record(mg::StartMode::Recording,
                          [&] {
                            rig_.timer.Tick();
                            EngineRig::Pump();
                          }),
              1);
    EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 1, skipped: 0");
  }
}

// A name without a folder (the default "clip.avi") is a movie in the user's videos folder, or in
// the home folder when there is none, wherever the program was started from. The setting keeps
// the bare name; the totals tell where the movie is.
TEST_F(EngineTest, ANameWithoutAFolderIsAMovieInTheVideosFolderOrTheHomeFolder) {
  const std::string home = File("home");
  const std::string videos = home + "/Filme";
  std::filesystem::create_directories(home + "/.config");
  std::filesystem::create_directories(videos);
  std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n";
  const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", home.c_str());
  qputenv("XDG_CONFIG_HOME", (home + "/.config").c_str());

  rig_.settings.AVIFileName = "clip.avi";
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.settings.AVIFileName, "clip0001.avi");
  EXPECT_TRUE(std::filesystem::exists(videos + "/clip0001.avi"));
  ASSERT_FALSE(rig_.owner.messages.empty());
  EXPECT_NE(rig_.owner.messages.back().find("\nFile: " + videos + "/clip0001.avi"),
            std::string::npos)
      << rig_.owner.messages.back();
  // The numbering looks in the same folder.
  rig_.settings.AVIFileName = "clip.avi";
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.settings.AVIFileName, "clip0002.avi");
  EXPECT_TRUE(std::filesystem::exists(videos + "/clip0002.avi"));

  // No videos folder: the home folder.
  std::filesystem::remove_all(videos);
  rig_.settings.AVIFileName = "take.avi";
  rig_.settings.IncFilename = 0;
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.settings.AVIFileName, "take.avi");
  EXPECT_TRUE(std::filesystem::exists(home + "/take.avi"));
  EXPECT_FALSE(std::filesystem::exists("take.avi")) << "not in the folder the test runs in";

  qputenv("HOME", savedHome);
  qputenv("XDG_CONFIG_HOME", savedConfig);
}

// The notice that sound cannot be recorded is up while the recording starts; a start asked for
// meanwhile (the start/stop hot key) starts nothing of its own, and the first start goes on.
TEST_F(EngineTest, SoundNoticeAtTheStartNeitherStopsItNorLetsASecondStartIn) {
  rig_.settings.RecSound = 1;  // no sound recorder here: no input to open
  int nested = -1;
  rig_.owner.whileShown = [&](const std::string&) {
    nested = rig_.engine.BeginCapture(mg::StartMode::Recording);
  };
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(nested, 0);
  ASSERT_EQ(rig_.owner.messages.size(), 2u);
  EXPECT_EQ(rig_.owner.messages[0], mg::msg::kNoSoundServer);
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages[1]), "Total frames: 1, skipped: 0");
  EXPECT_EQ(rig_.avi.movie.streams.size(), 1u) << "no audio stream";
}

TEST_F(EngineTest, OverlongFileNameIsRefusedNotCut) {
  rig_.settings.AVIFileName = File("") + std::string(300, 'x');
  const std::string before = rig_.settings.AVIFileName;
  EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0);
  EXPECT_EQ(rig_.owner.messages.at(0), mg::msg::kNameTooLong);
  EXPECT_EQ(rig_.settings.AVIFileName, before);
  EXPECT_TRUE(rig_.avi.opened.empty());
}

TEST_F(EngineTest, WindowModeAndCursorLookupFollowTheMarkerRectangle) {
  rig_.settings.StartX = 100;
  rig_.settings.StartY = 100;
  rig_.settings.Width = 50;
  rig_.settings.Height = 40;
  rig_.settings.WndHide = 1050;
  rig_.Record(mg::StartMode::Recording, [&] {
    struct P {
      int x, y;
      bool looked;
    } points[] = {{98, 98, true},    {97, 120, false},  {152, 142, true},
                  {153, 120, false}, {120, 143, false}, {120, 97, false}};
    for (const P& p : points) {
      const int before = rig_.display.cursorLookups;
      rig_.display.pointer = {p.x, p.y, 0, true};
      rig_.timer.Tick();
      EngineRig::Pump();
      EXPECT_EQ(rig_.display.cursorLookups - before, p.looked ? 1 : 0) << p.x << "," << p.y;
    }
  });
  EXPECT_EQ(rig_.owner.windowModes, std::vector<int>{1050});
  EXPECT_EQ(rig_.display.lastMarker.left, 98);
  EXPECT_EQ(rig_.display.lastMarker.top, 98);
  EXPECT_EQ(rig_.display.lastMarker.right, 152);
  EXPECT_EQ(rig_.display.lastMarker.bottom, 142);
  EXPECT_EQ(rig_.display.markerShows, rig_.display.markerHides);
}

// Corners stored near the ends of the int range lie off any screen: refused with the screen's
// size, the area's far corner reckoned without overflow.
TEST_F(EngineTest, ACornerNearTheEndsOfTheIntRangeIsRefusedAsOffTheScreen) {
  rig_.settings.Width = 16;
  rig_.settings.Height = 16;
  const std::pair<int, int> corners[] = {
      {INT32_MAX - 4, INT32_MAX - 20}, {INT32_MIN, INT32_MIN + 1}, {INT32_MAX, 0}};
  for (const auto& [x, y] : corners) {
    rig_.owner.messages.clear();
    rig_.settings.StartX = x;
    rig_.settings.StartY = y;
    EXPECT_EQ(rig_.Record(mg::StartMode::Recording, [] {}), 0);
    ASSERT_EQ(rig_.owner.messages.size(), 1u);
    EXPECT_NE(rig_.owner.messages[0].find(std::to_string(x)), std::string::npos);
    EXPECT_NE(rig_.owner.messages[0].find("1280 x 1024"), std::string::npos);
  }
}

TEST_F(EngineTest, TheFrameSizeStaysAsStartedWhenTheSettingsChangeDuringARecording) {
  rig_.settings.Width = 16;
  rig_.settings.Height = 16;
  uint32_t white[4] = {0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff};
  rig_.display.cursor = mg::CursorImage{2, 2, 0, 0, white, 1};
  rig_.display.pointer = {40, 40, 0, true};
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.settings.Width = 64;  // e.g. Defaults pressed while recording
    rig_.settings.Height = 64;
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  EXPECT_EQ(rig_.display.lastMarker.right, 18) << "the marker frames the movie's area";
  EXPECT_EQ(rig_.display.cursorLookups, 0) << "the pointer is outside the recorded area";
  ASSERT_EQ(rig_.avi.movie.video.size(), 2u);
  EXPECT_EQ(rig_.avi.movie.video[1].bytes.size(), 16u * 16u * 4u);
}

TEST_F(EngineTest, TheCursorIsDrawnIntoTheFrameAtItsHotSpot) {
  rig_.settings.Width = 16;
  rig_.settings.Height = 16;
  uint32_t white[4] = {0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff};
  rig_.display.cursor = mg::CursorImage{2, 2, 1, 1, white, 1};
  rig_.display.pointer = {5, 6, 0, true};
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.timer.Tick();
    EngineRig::Pump();
  });
  const auto& frame = rig_.avi.movie.video.at(1).bytes;  // rows top-down, 4 bytes a pixel
  auto pixel = [&](int x, int y) { return frame[static_cast<size_t>((y * 16 + x) * 4)]; };
  EXPECT_EQ(pixel(4, 5), 255);
  EXPECT_EQ(pixel(5, 6), 255);
  EXPECT_EQ(pixel(6, 6), 1) << "the grab's own value outside the cursor";
  EXPECT_EQ(pixel(3, 5), 1);
}

}  // namespace
