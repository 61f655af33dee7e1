// Sound lost while a real PulseAudio server records for us (a private one per test, since the
// tests kill or stop it): the server killed or its source removed mid-recording, the server
// stopped (SIGSTOP) mid-recording or before the start, no source to record from. In every case
// the video goes on, the stop returns while the server is still stopped, the movie reads back
// through libavformat with its sound as long as its picture, and the user is told what the sound
// holds.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "capture/capture_messages.h"
#include "platform/pulse/pulse_backends.h"
#include "tests/audio/audio_rig.h"
#include "tests/audio/private_pulse.h"
#include "tests/audio/sound_analysis.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::AudioRig;

// Continues a stopped server when the guarded part has not ended after a long while, so that a
// stop that waits for the server fails the test instead of hanging it.
class Watchdog {
 public:
  explicit Watchdog(mgtest::PrivatePulse& pulse)
      : thread_([this, &pulse] {
          std::unique_lock lock(mutex_);
          if (!wake_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
            fired_ = true;
            pulse.Thaw();
          }
        }) {}
  ~Watchdog() { Done(); }
  // The guarded part ended; true when it ended without the watchdog's help.
  bool Done() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    return !fired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

// Plays a tone on a thread of its own until it ends or the server goes.
class Tone {
 public:
  explicit Tone(size_t samples)
      : thread_([samples] { mgtest::PlayU8(mgtest::SineU8(440, 11025, samples)); }) {}
  ~Tone() { thread_.join(); }

 private:
  std::thread thread_;
};

// Frames at 10 a second while the loop runs, for `ms` milliseconds.
void FramesFor(AudioRig& rig, int ms) {
  for (int elapsed = 0; elapsed < ms; elapsed += 100) {
    rig.Frame();
    AudioRig::PumpFor(100);
  }
}

// The movie time the report gives after "Sound stopped at ", in seconds; -1 when it gives none.
double StoppedAt(const std::string& report) {
  const std::string mark = "Sound stopped at ";
  const size_t at = report.find(mark);
  if (at == std::string::npos) return -1;
  int minutes = 0;
  double seconds = 0;
  if (std::sscanf(report.c_str() + at + mark.size(), "%d:%lf", &minutes, &seconds) != 2) return -1;
  return minutes * 60 + seconds;
}

class PulseLossTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pulse_.ok()) << "pulseaudio did not start"; }
  void TearDown() override { unsetenv("PULSE_SOURCE"); }

  // The report is the last message; the movie reads back with its sound as long as its picture.
  mgtest::DecodedAvi ExpectWholeMovie() {
    mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
    EXPECT_TRUE(movie.ok) << movie.error;
    EXPECT_TRUE(movie.hasAudio);
    const double audio = static_cast<double>(movie.audioSamples()) / 11025.0;
    const double video = static_cast<double>(movie.frames.size()) / 10.0;
    EXPECT_NEAR(audio, video, 0.2) << "the sound is made up with silence to the end";
    EXPECT_FALSE(rig_.audio.Receiver()->IsOpen());
    return movie;
  }

  mgtest::PrivatePulse pulse_{"format=u8 rate=11025 channels=1"};
  QTemporaryDir dir_;
  AudioRig rig_{dir_.path().toStdString(), [] { return mg::MakePulseWaveIn(); }};
};

TEST_F(PulseLossTest, AServerKilledMidRecordingIsReportedWhereTheSoundStoppedAndTheVideoGoesOn) {
  rig_.Record(mg::StartMode::Recording, [&] {
    Tone tone(11025 * 30);
    FramesFor(rig_, 3000);  // the tone reaches the movie
    pulse_.Kill();
    FramesFor(rig_, 2000);
  });
  ASSERT_FALSE(rig_.owner.messages.empty());
  const std::string report = rig_.owner.messages.back();
  EXPECT_EQ(mgtest::FirstLine(report).rfind("Total frames: ", 0), 0u) << report;
  EXPECT_NE(report.find(mg::msg::kLostServerGone), std::string::npos) << report;
  EXPECT_EQ(rig_.owner.results, 0) << "told as a warning";
  const mgtest::DecodedAvi movie = ExpectWholeMovie();
  EXPECT_GE(movie.frames.size(), 45u) << "the recording went on";
  // The report tells where the sound ends (in tenths of a second); silence follows.
  const mgtest::ToneSpan heard = mgtest::FindTone(movie.audio, 11025);
  ASSERT_GT(heard.count, 0u);
  const double toneEnd = static_cast<double>(heard.first + heard.count) / 11025.0;
  const double stoppedAt = StoppedAt(report);
  EXPECT_NEAR(stoppedAt, toneEnd, 0.3) << report;
  for (auto i = static_cast<size_t>((stoppedAt + 0.1) * 11025); i < movie.audio.size(); ++i)
    ASSERT_EQ(movie.audio[i], 128) << "silence after the loss, at " << i;
}

TEST_F(PulseLossTest, ASourceRemovedMidRecordingIsReported) {
  rig_.Record(mg::StartMode::Recording, [&] {
    FramesFor(rig_, 1500);
    ASSERT_EQ(std::system("pactl unload-module module-null-sink"), 0);
    FramesFor(rig_, 1500);
  });
  ASSERT_FALSE(rig_.owner.messages.empty());
  const std::string report = rig_.owner.messages.back();
  EXPECT_NE(report.find(mg::msg::kLostSourceGone), std::string::npos) << report;
  EXPECT_GE(StoppedAt(report), 0.0) << report;
  ExpectWholeMovie();
}

TEST_F(PulseLossTest, AStopWithTheServerStoppedReturnsKeepsTheSoundAndSaysSo) {
  bool pausedAndResumed = false;
  Watchdog watchdog(pulse_);
  rig_.Record(mg::StartMode::Recording, [&] {
    FramesFor(rig_, 1500);
    pulse_.Freeze();
    FramesFor(rig_, 1000);
    rig_.Pause();  // neither waits for the server
    rig_.Resume();
    pausedAndResumed = true;
    FramesFor(rig_, 500);
  });
  EXPECT_TRUE(watchdog.Done()) << "the stop returned only after the server went on again";
  EXPECT_TRUE(pulse_.frozen());
  EXPECT_TRUE(pausedAndResumed);
  ASSERT_FALSE(rig_.owner.messages.empty());
  const std::string report = rig_.owner.messages.back();
  EXPECT_NE(report.find(mg::msg::kLostNotAnswering), std::string::npos) << report;
  EXPECT_GE(StoppedAt(report), 0.0) << report;
  ExpectWholeMovie();
}

TEST_F(PulseLossTest, AStartWithTheServerStoppedIsToldAndRecordsVideoOnly) {
  pulse_.Freeze();
  Watchdog watchdog(pulse_);
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    rig_.Frame();
  });
  EXPECT_TRUE(watchdog.Done()) << "the start waited for the server";
  ASSERT_EQ(rig_.owner.messages.size(), 2u);
  EXPECT_EQ(rig_.owner.messages[0], mg::msg::kSoundServerNotAnswering);
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages[1]), "Total frames: 2, skipped: 0");
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(rig_.engine.OutputFileName());
  EXPECT_EQ(headers.streams.size(), 1u);
}

TEST_F(PulseLossTest, WithoutTheSourceToRecordFromTheUserIsToldAtTheStart) {
  setenv("PULSE_SOURCE", "movigram_no_such_source", 1);
  rig_.Record(mg::StartMode::Recording, [&] { rig_.Frame(); });
  ASSERT_EQ(rig_.owner.messages.size(), 2u);
  EXPECT_EQ(rig_.owner.messages[0], mg::msg::kNoSoundSource);
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(rig_.engine.OutputFileName());
  EXPECT_EQ(headers.streams.size(), 1u);
}

}  // namespace
