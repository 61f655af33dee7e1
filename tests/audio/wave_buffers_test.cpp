// The recorder, its receiver and the life of the capture buffers, with a device driven by the
// test: eight buffers queued, a replacement queued before a returned buffer is looked at, empty
// returns freed, partly filled ones made short blocks, a drain that hands everything back, and
// nothing left with the device at close. Also the format the recorder accepts.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "audio/wave.h"
#include "audio/wave_in_wnd.h"
#include "tests/audio/fake_wave_in.h"

namespace {

using mgtest::FakeWaveInState;

struct SeenBlock {
  int32_t size;
  int32_t samples;
  size_t queuedAtDevice;  // buffers the device held when the sink got the block
  std::vector<uint8_t> bytes;
};

class CollectingSink : public mg::CWaveSink {
 public:
  explicit CollectingSink(FakeWaveInState& device) : device_(device) {}
  void BlockRecorded(mg::CWave& wave, mg::CWaveBlock* block) override {
    EXPECT_EQ(wave.Blocks().Tail(), block);
    std::unique_ptr<mg::CWaveBlock> taken = wave.Blocks().RemoveTail();
    const size_t bytes = static_cast<size_t>(taken->Samples()) * wave.Format().nBlockAlign;
    blocks.push_back({taken->Size(), taken->Samples(), device_.queued.size(),
                      std::vector<uint8_t>(taken->Data(), taken->Data() + bytes)});
  }
  std::vector<uint8_t> AllBytes() const {
    std::vector<uint8_t> all;
    for (const auto& b : blocks) all.insert(all.end(), b.bytes.begin(), b.bytes.end());
    return all;
  }
  std::vector<SeenBlock> blocks;

 private:
  FakeWaveInState& device_;
};

class WaveBuffersTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeWaveInState> device_ = std::make_shared<FakeWaveInState>();
  mg::CWaveInWnd window_{[this] { return mgtest::MakeFakeWaveIn(device_); }};
  mg::CWave wave_;
  CollectingSink sink_{*device_};

  static void Deliver() { QCoreApplication::sendPostedEvents(); }
};

TEST_F(WaveBuffersTest, StartQueuesEightBuffersAndFullOnesBecomeBlocksAfterTheirReplacement) {
  EXPECT_EQ(window_.objectName(), "Wave Wnd");
  EXPECT_EQ(window_.RequeueLength(), 4096);
  EXPECT_FALSE(window_.WindowExists());
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  EXPECT_TRUE(window_.WindowExists());
  EXPECT_EQ(window_.RequeueLength(), 2048);
  ASSERT_EQ(device_->queued.size(), 8u);
  for (const mg::WaveHeader* h : device_->queued) {
    EXPECT_EQ(h->dwBufferLength, 2048u);
    EXPECT_EQ(h->dwUser, &wave_);
  }
  EXPECT_TRUE(device_->running);
  EXPECT_EQ(device_->format.nSamplesPerSec, 11025u);
  EXPECT_EQ(device_->format.wBitsPerSample, 8);

  const uint8_t* firstArea = device_->queued.front()->lpData;
  for (int i = 0; i < 3; ++i) {
    device_->Record(2048);
    EXPECT_EQ(sink_.blocks.size(), static_cast<size_t>(i))
        << "blocks are made on the receiving thread's loop";
    Deliver();
  }
  ASSERT_EQ(sink_.blocks.size(), 3u);
  for (const SeenBlock& b : sink_.blocks) {
    EXPECT_EQ(b.samples, 2048);
    EXPECT_EQ(b.size, 2048);
    EXPECT_EQ(b.queuedAtDevice, 8u) << "the replacement was queued before the sink saw the block";
  }
  EXPECT_EQ(device_->queued.size(), 8u);
  EXPECT_EQ(wave_.Blocks().GetCount(), 0);
  EXPECT_NE(firstArea, nullptr);

  wave_.Stop();
  EXPECT_EQ(wave_.Sink(), nullptr);
  EXPECT_TRUE(device_->queued.empty());
  EXPECT_TRUE(window_.Close());
  EXPECT_FALSE(device_->open);
  EXPECT_FALSE(window_.WindowExists());
  EXPECT_FALSE(window_.IsOpen());
}

TEST_F(WaveBuffersTest, PauseGivesAShortBlockAndResumeContinuesWithoutGapOrRepeat) {
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  device_->Record(3000);
  window_.Pause();
  Deliver();
  ASSERT_EQ(sink_.blocks.size(), 2u);
  EXPECT_EQ(sink_.blocks[1].samples, 952);
  EXPECT_EQ(sink_.blocks[1].size, 2048);
  EXPECT_EQ(device_->queued.size(), 8u) << "the short buffer was replaced, the rest stayed queued";
  EXPECT_EQ(device_->Record(500), 0u) << "a paused device records nothing";

  window_.Resume();
  device_->Record(5000);
  wave_.Stop();  // the partly filled last buffer comes back at the drain
  ASSERT_EQ(sink_.blocks.size(), 5u);
  EXPECT_EQ(sink_.blocks.back().samples, 5000 - 2 * 2048);
  const std::vector<uint8_t> all = sink_.AllBytes();
  ASSERT_EQ(all.size(), 8000u);
  for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], static_cast<uint8_t>(i)) << i;
  EXPECT_TRUE(device_->queued.empty());
}

TEST_F(WaveBuffersTest, DrainHandsEverythingBackWithoutReplacementsAndFreesTheEmptyOnes) {
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  device_->Record(100);
  const int addsBefore = device_->Count("add");
  window_.Drain();
  EXPECT_EQ(window_.RequeueLength(), 0);
  EXPECT_EQ(device_->Count("add"), addsBefore) << "nothing is queued again after a drain";
  EXPECT_TRUE(device_->queued.empty());
  ASSERT_EQ(sink_.blocks.size(), 1u) << "seven empty buffers made no blocks";
  EXPECT_EQ(sink_.blocks[0].samples, 100);
  EXPECT_EQ(wave_.Blocks().GetCount(), 0);
  window_.Close();
  EXPECT_EQ(device_->calls.back(), "close");
  EXPECT_FALSE(device_->open);
}

TEST_F(WaveBuffersTest, StartedPausedQueuesButWaitsForResumeAndStopsWithNothing) {
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, false));
  EXPECT_EQ(device_->queued.size(), 8u);
  EXPECT_EQ(device_->Count("start"), 0);
  EXPECT_EQ(device_->Record(4096), 0u);
  wave_.Stop();
  window_.Close();
  EXPECT_TRUE(sink_.blocks.empty());
  EXPECT_TRUE(device_->queued.empty());
  EXPECT_FALSE(device_->open);
}

TEST_F(WaveBuffersTest, SixteenBitSamplesCountWholeSamplesOnly) {
  ASSERT_TRUE(wave_.SetFormat(11025, 16));
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  device_->Record(2047);
  wave_.Stop();
  ASSERT_EQ(sink_.blocks.size(), 1u);
  EXPECT_EQ(sink_.blocks[0].samples, 1023);
}

TEST_F(WaveBuffersTest, AFailedQueueAtStartFailsAndTheQueuedOnesComeBackAtTheDrain) {
  device_->failAddAt = 3;
  EXPECT_FALSE(wave_.Record(&window_, 2048, &sink_, true));
  EXPECT_EQ(device_->queued.size(), 3u);
  EXPECT_EQ(device_->Count("start"), 0);
  wave_.Stop();
  window_.Close();
  EXPECT_TRUE(device_->queued.empty());
  EXPECT_FALSE(device_->open);
  EXPECT_TRUE(sink_.blocks.empty());
}

TEST_F(WaveBuffersTest, AFailedReplacementLeavesRecordingGoingWithOneBufferFewer) {
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  device_->failAddAt = 8;  // the first replacement
  device_->Record(2048 * 2);
  Deliver();
  EXPECT_EQ(sink_.blocks.size(), 2u);
  EXPECT_EQ(device_->queued.size(), 7u);
  wave_.Stop();
  window_.Close();
  EXPECT_FALSE(device_->open);
}

TEST_F(WaveBuffersTest, NoDeviceMeansNoRecordingAndStopOnlyRemovesTheWindow) {
  device_->openResult = mg::kMmSysErrBadDeviceId;
  EXPECT_FALSE(wave_.Record(&window_, 2048, &sink_, true));
  EXPECT_FALSE(window_.IsOpen());
  wave_.Stop();
  EXPECT_TRUE(window_.Close());
  EXPECT_FALSE(window_.WindowExists());
  EXPECT_EQ(device_->calls, (std::vector<std::string>{"open"}));
}

TEST_F(WaveBuffersTest, ASecondRecordingReusesTheOpenDevice) {
  ASSERT_TRUE(wave_.Record(&window_, 2048, &sink_, true));
  ASSERT_TRUE(wave_.Record(&window_, 1024, &sink_, true));
  EXPECT_EQ(device_->devicesMade, 1);
  EXPECT_EQ(device_->Count("open"), 1);
  EXPECT_EQ(device_->queued.size(), 16u);
  EXPECT_EQ(device_->queued.back()->dwBufferLength, 1024u);
  wave_.Stop();
  window_.Close();
  EXPECT_TRUE(device_->queued.empty());
}

TEST_F(WaveBuffersTest, DestroyingTheReceiverMidRecordingClosesTheDeviceAndFreesItsBuffers) {
  auto window =
      std::make_unique<mg::CWaveInWnd>([this] { return mgtest::MakeFakeWaveIn(device_); });
  ASSERT_TRUE(wave_.Record(window.get(), 2048, &sink_, true));
  device_->Record(3000);  // one full buffer on its way, one partly filled at the device
  window.reset();
  wave_.SetWaveIn(nullptr);
  EXPECT_FALSE(device_->open);
  EXPECT_TRUE(device_->queued.empty());
  EXPECT_TRUE(sink_.blocks.empty()) << "nothing is written while the receiver goes";
}

TEST(WaveFormat, OnlyTheThreeRatesAndTwoSampleSizesAreAccepted) {
  mg::CWave wave;
  EXPECT_EQ(wave.Format().nSamplesPerSec, 11025u);
  EXPECT_EQ(wave.Format().nAvgBytesPerSec, 11025u);
  EXPECT_EQ(wave.Format().nBlockAlign, 1);
  EXPECT_EQ(wave.Format().wBitsPerSample, 8);

  ASSERT_TRUE(wave.SetFormat(44100, 16));
  EXPECT_EQ(wave.Format().nBlockAlign, 2);
  EXPECT_EQ(wave.Format().nAvgBytesPerSec, 88200u);
  EXPECT_EQ(wave.Format().wFormatTag, 1);
  EXPECT_EQ(wave.Format().nChannels, 1);

  wave.Blocks().AddTail(std::make_unique<mg::CWaveBlock>(new uint8_t[4], 4, 4));
  for (auto [rate, bits] : {std::pair{22050, 12},
                            {48000, 8},
                            {8000, 16},
                            {11025, 0},
                            {0, 8},
                            {-11025, 8},
                            {11025, 24},
                            {22050, 7}}) {
    EXPECT_FALSE(wave.SetFormat(rate, bits)) << rate << "/" << bits;
    EXPECT_EQ(wave.Format().nSamplesPerSec, 44100u);
    EXPECT_EQ(wave.Format().wBitsPerSample, 16);
    EXPECT_EQ(wave.Blocks().GetCount(), 1) << "a refused format keeps the blocks";
  }
  ASSERT_TRUE(wave.SetFormat(22050, 8));
  EXPECT_EQ(wave.Blocks().GetCount(), 0);
  EXPECT_EQ(wave.Format().nAvgBytesPerSec, 22050u);
  ASSERT_TRUE(wave.SetFormat(11025, 8));
  EXPECT_EQ(wave.Format().nBlockAlign, 1);
}

TEST(WaveBlockList, TailComesOffLastInFirstOut) {
  mg::CWaveBlockList list;
  EXPECT_EQ(list.RemoveTail(), nullptr);
  list.AddTail(std::make_unique<mg::CWaveBlock>(new uint8_t[8], 8, 3));
  list.AddTail(std::make_unique<mg::CWaveBlock>());
  EXPECT_EQ(list.GetCount(), 2);
  std::unique_ptr<mg::CWaveBlock> last = list.RemoveTail();
  EXPECT_EQ(last->Data(), nullptr);
  EXPECT_EQ(last->Samples(), 0);
  EXPECT_EQ(list.Tail()->Samples(), 3);
  EXPECT_EQ(list.Tail()->Size(), 8);
  list.RemoveAllBlocks();
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
