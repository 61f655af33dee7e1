// Sound from a real PulseAudio server (a private one, with a null sink in the recording's own
// format, so what is played into it comes back from its monitor sample for sample): a tone
// played during a recording is in the movie read back through libavformat; pause and resume
// keep every played sample exactly once; a recording started paused gets nothing; no server
// means video only; the device hands buffers back in order on reset and refuses to close with
// buffers queued; the start/stop tone is heard on the server; the sound of a recording is as long
// as its picture whatever the server's source does at the start and after a resume (a null
// sink's monitor sleeps up to two seconds), made up with silence that only leads the sound.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "capture/capture_messages.h"
#include "platform/beep.h"
#include "platform/pulse/pulse_backends.h"
#include "platform/wave_in.h"
#include "platform/x11/x11_backends.h"
#include "tests/audio/audio_rig.h"
#include "tests/audio/private_pulse.h"
#include "tests/audio/sound_analysis.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::AudioRig;

constexpr int kPatience = 30000;  // ms; only a bound on waiting, never a measured time
constexpr size_t kLeadIn = 11025 / 4;

// Plays on a thread of its own while the test pumps the recording's loop. The sound is led in
// by silence: when a stream starts, the server rewinds the sink to mix it in at once, and its
// monitor misses the first fragment of what is mixed in.
class Player {
 public:
  explicit Player(std::vector<uint8_t> samples)
      : thread_([this, s = std::move(samples)] {
          std::vector<uint8_t> led(kLeadIn, 128);
          led.insert(led.end(), s.begin(), s.end());
          ok_ = mgtest::PlayU8(led);
          done_ = true;
        }) {}
  ~Player() { thread_.join(); }
  bool WaitDone() {
    return AudioRig::PumpUntil([this] { return done_.load(); }, kPatience) && ok_;
  }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> ok_{false};
  std::thread thread_;
};

// Distinct-looking values that never equal the silence value 128, counting on from `start`.
std::vector<uint8_t> Ramp(size_t start, size_t count) {
  std::vector<uint8_t> out(count);
  for (size_t i = 0; i < count; ++i) {
    const auto v = static_cast<uint8_t>((start + i) % 255);
    out[i] = v >= 128 ? static_cast<uint8_t>(v + 1) : v;
  }
  return out;
}

class PulseSoundTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pulse_ = new mgtest::PrivatePulse("format=u8 rate=11025 channels=1");
  }
  static void TearDownTestSuite() {
    delete pulse_;
    pulse_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(pulse_->ok()) << "pulseaudio did not start"; }

  static mgtest::PrivatePulse* pulse_;
  QTemporaryDir dir_;
  AudioRig rig_{dir_.path().toStdString(), [] { return mg::MakePulseWaveIn(); }};

  bool WaitForSamples(int samples) {
    return AudioRig::PumpUntil([&] { return rig_.engine.Context().audioSamplePosition >= samples; },
                               kPatience);
  }
};

mgtest::PrivatePulse* PulseSoundTest::pulse_ = nullptr;

// Ticks the recording's frames at 10 a second of running time, as the real timer does; paused
// time gets no frames.
class FrameClock {
 public:
  explicit FrameClock(AudioRig& rig) : rig_(rig) { clock_.start(); }
  void RunFor(int ms) {
    const qint64 end = clock_.elapsed() + ms;
    while (clock_.elapsed() < end) {
      while (frames_ * 100 <= clock_.elapsed() - paused_) {
        rig_.Frame();
        ++frames_;
      }
      AudioRig::PumpFor(10);
    }
  }
  void PauseFor(int ms) {
    rig_.Pause();
    const qint64 from = clock_.elapsed();
    AudioRig::PumpFor(ms);
    paused_ += clock_.elapsed() - from;
    rig_.Resume();
  }

 private:
  AudioRig& rig_;
  QElapsedTimer clock_;
  qint64 paused_ = 0;
  int frames_ = 0;
};

double Seconds(const mgtest::DecodedAvi& movie) {
  return static_cast<double>(movie.audioSamples()) / 11025.0;
}
double VideoSeconds(const mgtest::DecodedAvi& movie) {
  return static_cast<double>(movie.frames.size()) / 10.0;
}

TEST_F(PulseSoundTest, AToneOf440HzPlayedDuringTheRecordingIsInTheMovie) {
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    Player player(mgtest::SineU8(440, 11025, 11025 * 3 / 2));
    ASSERT_TRUE(player.WaitDone());
    AudioRig::PumpFor(300);  // the tone's end travels through the server
    rig_.Frame();
  });
  const std::string file = rig_.engine.OutputFileName();
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(file, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_TRUE(movie.hasAudio);
  EXPECT_EQ(movie.sampleRate, 11025);
  const mgtest::ToneSpan tone = mgtest::FindTone(movie.audio, 11025);
  EXPECT_NEAR(tone.hz, 440.0, 5.0);
  EXPECT_NEAR(static_cast<double>(tone.count), 11025 * 3 / 2, 1000);
  // Every block but the last is a whole buffer; together they are the samples read back.
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(file);
  ASSERT_EQ(headers.streams.size(), 2u);
  const auto& chunks = headers.streams[1].chunks;
  ASSERT_FALSE(chunks.empty());
  uint64_t total = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (i + 1 < chunks.size()) {
      EXPECT_EQ(chunks[i].size, 2048u) << i;
    }
    total += chunks[i].size;
  }
  EXPECT_EQ(total, static_cast<uint64_t>(movie.audioSamples()));
  EXPECT_EQ(total, static_cast<uint64_t>(rig_.engine.Context().audioSamplePosition));
}

TEST_F(PulseSoundTest, PauseAndResumeKeepEveryPlayedSampleExactlyOnce) {
  const std::vector<uint8_t> before = Ramp(0, 5000);
  const std::vector<uint8_t> after = Ramp(5000, 5000);
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    {
      Player player(before);
      ASSERT_TRUE(player.WaitDone());
    }
    AudioRig::PumpFor(120);  // the ramp's end is in the buffer being filled when the pause comes
    rig_.Pause();
    AudioRig::PumpFor(300);
    rig_.Resume();
    {
      Player player(after);
      ASSERT_TRUE(player.WaitDone());
    }
    AudioRig::PumpFor(300);
    rig_.Frame();
  });
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  std::vector<uint8_t> played;  // the recording without the sink's silence
  for (uint8_t v : movie.audio)
    if (v != 128) played.push_back(v);
  std::vector<uint8_t> expected = before;
  expected.insert(expected.end(), after.begin(), after.end());
  ASSERT_EQ(played.size(), expected.size());
  EXPECT_TRUE(played == expected);
}

TEST_F(PulseSoundTest, StartedPausedAndStoppedRecordsNothingWhileSoundPlays) {
  rig_.Record(mg::StartMode::Paused, [&] {
    rig_.Frame();
    Player player(mgtest::SineU8(440, 11025, 11025 / 2));
    ASSERT_TRUE(player.WaitDone());
    AudioRig::PumpFor(200);
  });
  EXPECT_EQ(rig_.faults.audioWrites, 0);
  EXPECT_EQ(rig_.engine.Context().audioSamplePosition, 0);
  EXPECT_EQ(rig_.wave.Blocks().GetCount(), 0);
  EXPECT_FALSE(rig_.audio.Receiver()->IsOpen());
}

TEST_F(PulseSoundTest, WithoutAServerTheUserIsToldAtTheStartAndTheRecordingHasVideoOnly) {
  mgtest::ScopedPulseServer dead("unix:" + dir_.filePath("no-server").toStdString());
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    rig_.Frame();
  });
  ASSERT_EQ(rig_.owner.messages.size(), 2u);
  EXPECT_EQ(rig_.owner.messages[0], mg::msg::kNoSoundServer);
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages[1]), "Total frames: 2, skipped: 0");
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(rig_.engine.OutputFileName());
  ASSERT_EQ(headers.streams.size(), 1u);
  EXPECT_EQ(headers.streams[0].dataChunks, 2);
  EXPECT_FALSE(rig_.audio.Receiver()->IsOpen());
}

// Buffers handed back by the device's thread, in order.
struct Returned {
  std::mutex lock;
  std::vector<std::pair<mg::WaveHeader*, uint32_t>> buffers;
  size_t Count() {
    std::lock_guard guard(lock);
    return buffers.size();
  }
};

TEST_F(PulseSoundTest, ResetHandsBackThePartlyFilledBufferThenTheEmptyOnesAndCloseWaitsForThem) {
  std::unique_ptr<mg::IWaveInDevice> device = mg::MakePulseWaveIn();
  Returned returned;
  ASSERT_EQ(device->Open(mg::WaveFormatEx{},
                         [&](mg::WaveHeader* h) {
                           std::lock_guard guard(returned.lock);
                           returned.buffers.emplace_back(h, h->dwBytesRecorded);
                         },
                         {}),
            mg::kMmSysErrNoError);
  // A short first buffer, then long ones: the second is being filled when the reset comes.
  std::vector<std::vector<uint8_t>> areas{std::vector<uint8_t>(2048), std::vector<uint8_t>(44100),
                                          std::vector<uint8_t>(44100), std::vector<uint8_t>(44100)};
  std::vector<mg::WaveHeader> headers(4);
  for (size_t i = 0; i < headers.size(); ++i) {
    headers[i].lpData = areas[i].data();
    headers[i].dwBufferLength = static_cast<uint32_t>(areas[i].size());
    ASSERT_EQ(device->AddBuffer(&headers[i]), mg::kMmSysErrNoError);
  }
  EXPECT_EQ(device->Close(), mg::kWaveErrStillPlaying);
  ASSERT_EQ(device->Start(), mg::kMmSysErrNoError);
  {
    Player player(mgtest::SineU8(440, 11025, 4000));
    ASSERT_TRUE(AudioRig::PumpUntil([&] { return returned.Count() >= 1; }, kPatience));
  }
  ASSERT_EQ(device->Reset(), mg::kMmSysErrNoError);
  std::lock_guard guard(returned.lock);
  ASSERT_EQ(returned.buffers.size(), 4u) << "every buffer is back when Reset returns";
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(returned.buffers[i].first, &headers[i]) << "in the order they were queued";
    EXPECT_EQ(returned.buffers[i].second, headers[i].dwBytesRecorded);
    EXPECT_TRUE(headers[i].dwFlags & mg::kWaveHdrDone);
  }
  EXPECT_EQ(headers[0].dwBytesRecorded, 2048u);
  EXPECT_GT(headers[1].dwBytesRecorded, 0u);
  EXPECT_LT(headers[1].dwBytesRecorded, 44100u);
  EXPECT_EQ(headers[2].dwBytesRecorded, 0u);
  EXPECT_EQ(headers[3].dwBytesRecorded, 0u);
  EXPECT_EQ(device->Close(), mg::kMmSysErrNoError);
}

TEST_F(PulseSoundTest, TheStartStopToneIsA1000HzSoundOnTheServer) {
  std::unique_ptr<mg::IWaveInDevice> device = mg::MakePulseWaveIn();
  std::mutex lock;
  std::vector<uint8_t> heard;
  std::atomic<size_t> buffersBack{0};
  ASSERT_EQ(device->Open(mg::WaveFormatEx{},
                         [&](mg::WaveHeader* h) {
                           std::lock_guard guard(lock);
                           heard.insert(heard.end(), h->lpData, h->lpData + h->dwBytesRecorded);
                           ++buffersBack;
                         },
                         {}),
            mg::kMmSysErrNoError);
  std::vector<std::vector<uint8_t>> areas(12, std::vector<uint8_t>(2048));
  std::vector<mg::WaveHeader> headers(areas.size());
  for (size_t i = 0; i < headers.size(); ++i) {
    headers[i].lpData = areas[i].data();
    headers[i].dwBufferLength = 2048;
    device->AddBuffer(&headers[i]);
  }
  ASSERT_EQ(device->Start(), mg::kMmSysErrNoError);
  {
    std::unique_ptr<mg::IBeeper> beeper = mg::MakePulseBeeper([] { return mg::MakeX11Beeper(); });
    beeper->Beep(1000, 200);
  }  // the beeper finishes its tone before it goes
  AudioRig::PumpFor(300);
  device->Reset();
  device->Close();
  std::lock_guard guard(lock);
  const mgtest::ToneSpan tone = mgtest::FindTone(heard, 11025);
  EXPECT_NEAR(tone.hz, 1000.0, 20.0);
  // 200 ms long; the monitor may miss the first fragment (about 46 ms) of a new stream.
  EXPECT_GE(static_cast<double>(tone.count), 11025 * 0.14);
  EXPECT_LE(static_cast<double>(tone.count), 11025 * 0.22);
}

}  // namespace

namespace {

TEST_F(PulseSoundTest, TheSoundOfASilentRecordingIsAsLongAsItsPictureAndAllSilence) {
  // Two recordings: the source may happen to deliver at once in one of them.
  for (int round = 0; round < 2; ++round) {
    rig_.Record(mg::StartMode::Recording, [&] {
      FrameClock frames(rig_);
      frames.RunFor(5000);
    });
    const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
    ASSERT_TRUE(movie.ok) << movie.error;
    ASSERT_GE(movie.frames.size(), 45u);
    EXPECT_LT(std::abs(Seconds(movie) - VideoSeconds(movie)), 0.5)
        << "round " << round << ": audio " << Seconds(movie) << " s, video " << VideoSeconds(movie)
        << " s";
    size_t loud = 0;
    for (uint8_t v : movie.audio) loud += v != 128;
    EXPECT_EQ(loud, 0u) << "what makes up for the source's silence is silence too";
  }
}

TEST_F(PulseSoundTest, AToneFromTheStartIsPrecededOnlyBySilenceAndKeptWhole) {
  rig_.Record(mg::StartMode::Recording, [&] {
    FrameClock frames(rig_);
    frames.RunFor(600);  // the source may still be asleep when the tone comes
    Player player(mgtest::SineU8(440, 11025, 11025 * 2));
    frames.RunFor(2400);
    ASSERT_TRUE(player.WaitDone());
    frames.RunFor(500);
  });
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  const mgtest::ToneSpan tone = mgtest::FindTone(movie.audio, 11025);
  EXPECT_NEAR(tone.hz, 440.0, 5.0);
  EXPECT_NEAR(static_cast<double>(tone.count), 11025 * 2, 1000) << "nothing of it replaced";
  for (size_t i = 0; i < tone.first; ++i) ASSERT_EQ(movie.audio[i], 128) << i;
  EXPECT_LT(std::abs(Seconds(movie) - VideoSeconds(movie)), 0.5)
      << "audio " << Seconds(movie) << " s, video " << VideoSeconds(movie) << " s";
}

TEST_F(PulseSoundTest, PausedTimeIsNotMadeUpAndResumedSoundKeepsPaceWithThePicture) {
  rig_.Record(mg::StartMode::Recording, [&] {
    FrameClock frames(rig_);
    frames.RunFor(2500);
    frames.PauseFor(2500);
    frames.RunFor(2500);
  });
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_GE(movie.frames.size(), 45u);
  EXPECT_LT(std::abs(Seconds(movie) - VideoSeconds(movie)), 0.5)
      << "audio " << Seconds(movie) << " s, video " << VideoSeconds(movie) << " s";
}

// A source that delivers ahead of time: PulseAudio's sine source renders its next two seconds at
// once, at the start and every two seconds after. The sound handed on follows the time recorded:
// as long as the picture at the stop (not rounded up to the source's blocks), with the tone from
// the start.
class AheadSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pulse_ = new mgtest::PrivatePulse(
        "format=u8 rate=11025 channels=1",
        "module-sine-source source_name=movigram_sine rate=11025 frequency=440");
    setenv("PULSE_SOURCE", "movigram_sine", 1);
  }
  static void TearDownTestSuite() {
    unsetenv("PULSE_SOURCE");
    delete pulse_;
    pulse_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(pulse_->ok()) << "pulseaudio did not start"; }

  static mgtest::PrivatePulse* pulse_;
  QTemporaryDir dir_;
  AudioRig rig_{dir_.path().toStdString(), [] { return mg::MakePulseWaveIn(); }};
};

mgtest::PrivatePulse* AheadSourceTest::pulse_ = nullptr;

TEST_F(AheadSourceTest, TheSoundIsAsLongAsThePictureWithTheToneFromTheStart) {
  for (int ms : {2000, 5000, 1300}) {
    rig_.Record(mg::StartMode::Recording, [&] {
      FrameClock frames(rig_);
      frames.RunFor(ms);
    });
    const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
    ASSERT_TRUE(movie.ok) << movie.error;
    ASSERT_TRUE(movie.hasAudio);
    // Within a frame and the tolerance that the sound may run ahead while recording.
    EXPECT_NEAR(Seconds(movie), VideoSeconds(movie), 0.2)
        << ms << " ms: audio " << Seconds(movie) << " s, video " << VideoSeconds(movie) << " s";
    const mgtest::ToneSpan tone = mgtest::FindTone(movie.audio, 11025);
    EXPECT_NEAR(tone.hz, 440.0, 5.0) << ms;
    EXPECT_LT(tone.first, 11025u / 10) << ms << " ms: the tone reaches the movie from its start";
  }
}

}  // namespace
