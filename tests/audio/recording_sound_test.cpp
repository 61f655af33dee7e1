// Sound in a recording, with a wave-input device driven by the test and the real AVI writer; the
// movie is read back through libavformat: blocks land at the running sample position with the
// bytes recorded, pause and resume leave neither gap nor repeat, a recording started paused gets
// no sound, a failed audio write stops the recording with its message, and a missing device
// is told at the start and leaves a movie with video only.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "tests/audio/audio_rig.h"
#include "tests/audio/fake_wave_in.h"
#include "tests/support/avi_reader.h"

namespace {

using mgtest::AudioRig;

std::vector<uint32_t> AudioChunkSizes(const std::string& file) {
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(file);
  std::vector<uint32_t> sizes;
  for (const auto& stream : headers.streams)
    if (stream.fccType == mgtest::Fourcc("auds"))
      for (const auto& chunk : stream.chunks) sizes.push_back(chunk.size);
  return sizes;
}

class RecordingSoundTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  std::shared_ptr<mgtest::FakeWaveInState> device_ = std::make_shared<mgtest::FakeWaveInState>();
  AudioRig rig_{dir_.path().toStdString(), [this] { return mgtest::MakeFakeWaveIn(device_); }};

  void Sound(size_t bytes) {
    device_->Record(bytes);
    QCoreApplication::processEvents();
  }
  void ExpectDeviceLeftClean() {
    EXPECT_FALSE(device_->open);
    EXPECT_TRUE(device_->queued.empty());
    EXPECT_EQ(rig_.wave.Blocks().GetCount(), 0);
  }
};

TEST_F(RecordingSoundTest, BlocksFollowEachOtherAndTheLastPartlyFilledOneIsWrittenShort) {
  ASSERT_EQ(rig_.Record(mg::StartMode::Recording,
                        [&] {
                          rig_.Frame();
                          Sound(2048 * 2 + 100);
                          rig_.Frame();
                        }),
            1);
  const std::string file = rig_.engine.OutputFileName();
  // The partly filled buffer came back at the stop with its 100 samples, and only they were
  // written: no filler up to a round size.
  EXPECT_EQ(AudioChunkSizes(file), (std::vector<uint32_t>{2048, 2048, 100}));
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(file, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_TRUE(movie.hasAudio);
  EXPECT_EQ(movie.sampleRate, 11025);
  EXPECT_EQ(movie.channels, 1);
  EXPECT_EQ(movie.bytesPerSample, 1);
  ASSERT_EQ(movie.audioSamples(), 4196);
  for (size_t i = 0; i < movie.audio.size(); ++i)
    ASSERT_EQ(movie.audio[i], static_cast<uint8_t>(i)) << i;
  EXPECT_EQ(movie.frames.size(), 2u);
  EXPECT_EQ(rig_.engine.Context().audioSamplePosition, 4196);
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages.back()), "Total frames: 2, skipped: 0");
  ExpectDeviceLeftClean();
}

TEST_F(RecordingSoundTest, PauseAndResumeLeaveNeitherGapNorRepeat) {
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    Sound(1000);
    rig_.Pause();
    rig_.Frame();  // grabbed for the marker, not written
    Sound(700);    // the device is stopped: nothing recorded
    rig_.Resume();
    Sound(3000);
    rig_.Frame();
  });
  const std::string file = rig_.engine.OutputFileName();
  EXPECT_EQ(AudioChunkSizes(file), (std::vector<uint32_t>{1000, 2048, 952}));
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(file, false);
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_EQ(movie.audioSamples(), 4000);
  for (size_t i = 0; i < movie.audio.size(); ++i)
    ASSERT_EQ(movie.audio[i], static_cast<uint8_t>(i)) << i;
  EXPECT_EQ(device_->Count("stop"), 1);
  EXPECT_EQ(device_->Count("start"), 2);
  ExpectDeviceLeftClean();
}

TEST_F(RecordingSoundTest, StartedPausedAndStoppedWritesNoSound) {
  rig_.Record(mg::StartMode::Paused, [&] {
    rig_.Frame();
    Sound(4096);
  });
  EXPECT_EQ(device_->Count("open"), 1) << "the device is opened";
  EXPECT_EQ(device_->Count("start"), 0) << "but never started";
  EXPECT_EQ(device_->Count("add"), 8);
  EXPECT_EQ(rig_.faults.audioWrites, 0);
  EXPECT_TRUE(rig_.owner.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(rig_.settings.AVIFileName)) << "nothing was captured";
  ExpectDeviceLeftClean();
}

TEST_F(RecordingSoundTest, AFailedAudioWriteStopsTheRecordingOnceWithTheAudioMessage) {
  rig_.faults.failAudioWriteAt = 1;
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    Sound(2048 * 3 + 10);  // the second block fails, the third and the drain fail after it
    AudioRig::PumpUntil([&] { return rig_.owner.State() == mg::Idle; }, 10000);
  });
  EXPECT_EQ(rig_.owner.State(), mg::Idle);
  EXPECT_EQ(rig_.engine.Context().frameCounter, mg::kAudioErrorMarker);
  ASSERT_FALSE(rig_.owner.messages.empty());
  EXPECT_EQ(rig_.owner.messages.back(),
            "Error 110 saving audio data; the recording was stopped. The disk is full or the file "
            "has grown too large for it.");
  EXPECT_EQ(rig_.owner.messages.size(), 1u);
  EXPECT_EQ(rig_.owner.stops, 1);
  EXPECT_EQ(rig_.owner.startRequests, 0);
  EXPECT_FALSE(rig_.timer.running);
  // The file keeps what was written before the failure.
  const mgtest::DecodedAvi movie = mgtest::DecodeAvi(rig_.engine.OutputFileName(), false);
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(movie.audioSamples(), 2048);
  EXPECT_EQ(movie.frames.size(), 1u);
  ExpectDeviceLeftClean();
}

TEST_F(RecordingSoundTest, WithoutADeviceTheUserIsToldOnceAtTheStartAndTheMovieHasVideoOnly) {
  device_->openResult = mg::kMmSysErrNoMem;
  size_t messagesAtFirstFrame = 0;
  rig_.Record(mg::StartMode::Recording, [&] {
    messagesAtFirstFrame = rig_.owner.messages.size();
    rig_.Frame();
    rig_.Pause();
    rig_.Resume();
    rig_.Frame();
  });
  EXPECT_EQ(messagesAtFirstFrame, 1u) << "said before the recording runs";
  ASSERT_EQ(rig_.owner.messages.size(), 2u);
  EXPECT_EQ(rig_.owner.messages[0],
            "Sound is not recorded: the sound input could not be opened (error 7). The movie is "
            "recorded without sound.");
  EXPECT_EQ(mgtest::FirstLine(rig_.owner.messages[1]), "Total frames: 2, skipped: 0");
  // No audio stream that holds nothing: players would show a sound track that is not there.
  const mgtest::AviHeaders headers = mgtest::ReadAviHeaders(rig_.engine.OutputFileName());
  ASSERT_TRUE(headers.ok) << headers.error;
  ASSERT_EQ(headers.streams.size(), 1u);
  EXPECT_EQ(headers.streams[0].fccType, mgtest::Fourcc("vids"));
  EXPECT_EQ(headers.streams[0].dataChunks, 2);
  EXPECT_EQ(device_->calls, (std::vector<std::string>{"open"}));
}

TEST_F(RecordingSoundTest, SwitchingSoundDuringARecordingNeitherStrandsNorTouchesADevice) {
  // Switched off while recording: the device this recording started still stops and closes,
  // with its last samples written.
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    Sound(300);
    rig_.settings.RecSound = 0;
    rig_.Pause();
    rig_.Resume();
    Sound(200);
  });
  EXPECT_EQ(AudioChunkSizes(rig_.engine.OutputFileName()), (std::vector<uint32_t>{300, 200}));
  ExpectDeviceLeftClean();

  // Switched on during a recording without sound: nothing is opened, paused or resumed.
  const int devices = device_->devicesMade;
  device_->calls.clear();
  rig_.Record(mg::StartMode::Recording, [&] {
    rig_.Frame();
    rig_.settings.RecSound = 1;
    rig_.Pause();
    rig_.Resume();
  });
  EXPECT_EQ(device_->devicesMade, devices);
  EXPECT_TRUE(device_->calls.empty());
}

}  // namespace
