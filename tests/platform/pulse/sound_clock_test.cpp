// The clock that keeps recorded sound in step with running time, fed with chosen times: a source
// that delivers late gets silence for the time it missed, less its latency; a lag within latency
// and tolerance is left alone; paused time is never made up; lags within the tolerance at pauses
// do not add up; sound that is ready counts before anything is added; sound delivered ahead of
// time may be handed on only as far as the time recorded reaches.
#include <gtest/gtest.h>

#include "platform/pulse/sound_clock.h"

namespace {

constexpr uint64_t kSecond = 1000000;
constexpr uint64_t kMs = 1000;

TEST(SoundClockTest, ASourceThatStartsLateGetsTheMissedTimeLessItsLatency) {
  mg::SoundClock clock;
  clock.Reset(11025);
  clock.Start(5 * kSecond);
  // Nothing for 1.7 s, then the first fragment: 1.7 s less 40 ms latency less what arrives.
  const uint64_t pad = clock.Behind(5 * kSecond + 1700 * kMs, 441, 40 * kMs);
  EXPECT_EQ(pad, 18742u - 441u - 441u);
  EXPECT_LE(pad, clock.Elapsed(5 * kSecond + 1700 * kMs)) << "never more than the lag";
  clock.Count(pad + 441);
  // From then on the source keeps pace: nothing more.
  clock.Count(441);
  EXPECT_EQ(clock.Behind(5 * kSecond + 1740 * kMs, 441, 40 * kMs), 0u);
}

TEST(SoundClockTest, ALagWithinLatencyAndToleranceIsLeftAlone) {
  mg::SoundClock clock;
  clock.Reset(11025);
  clock.Start(0);
  clock.Count(11025);
  // One second counted; 1.13 s elapsed with 40 ms latency: 90 ms behind, within 100 ms.
  EXPECT_EQ(clock.Behind(1130 * kMs, 0, 40 * kMs), 0u);
  // Bytes ready to be read count: 200 ms behind but 150 ms of it has arrived.
  EXPECT_EQ(clock.Behind(1240 * kMs, 1654, 40 * kMs), 0u);
  EXPECT_GT(clock.Behind(1240 * kMs, 0, 40 * kMs), 0u);
  // A long reported latency widens what is left alone.
  EXPECT_EQ(clock.Behind(1300 * kMs, 0, 250 * kMs), 0u);
}

TEST(SoundClockTest, PausedTimeIsNotMadeUpAndLagsAtPausesDoNotAddUp) {
  mg::SoundClock clock;
  clock.Reset(1000);
  for (int i = 0; i < 10; ++i) {
    const uint64_t start = static_cast<uint64_t>(i) * 10 * kSecond;
    clock.Start(start);
    clock.Count(950);  // each run of one second delivers 50 ms short
    EXPECT_EQ(clock.Behind(start + kSecond, 0, 0), 0u) << i;
    clock.Stop();  // then nine seconds paused
  }
  EXPECT_EQ(clock.Counted(), 9500u);
  clock.Start(100 * kSecond);
  EXPECT_EQ(clock.Behind(100 * kSecond + 50 * kMs, 0, 0), 0u) << "no lag carried over";
  EXPECT_EQ(clock.Elapsed(100 * kSecond + 50 * kMs), 9550u);
  // Stopped, the clock stands still.
  clock.Stop();
  EXPECT_EQ(clock.Elapsed(500 * kSecond), 9500u);
  EXPECT_EQ(clock.Behind(500 * kSecond, 0, 0), 0u);
}

TEST(SoundClockTest, ASourceThatNeverDeliveredIsMadeUpAtTheStopAndResetStartsAfresh) {
  mg::SoundClock clock;
  clock.Reset(8000);
  clock.Start(kSecond);
  EXPECT_EQ(clock.Behind(3 * kSecond, 0, 0), 16000u);
  EXPECT_EQ(clock.Behind(3 * kSecond, 0, 100 * kMs), 15200u);
  clock.Count(16000);
  clock.Stop();
  clock.Reset(8000);
  EXPECT_EQ(clock.Counted(), 0u);
  EXPECT_FALSE(clock.Running());
  EXPECT_EQ(clock.Elapsed(9 * kSecond), 0u);
}

TEST(SoundClockTest, SoundAheadOfTimeIsHandedOnOnlyAsFarAsTheTimeRecorded) {
  mg::SoundClock clock;
  clock.Reset(1000);
  clock.Start(10 * kSecond);
  // Two seconds delivered at once at the start: only the tolerance may go at once.
  EXPECT_EQ(clock.Room(10 * kSecond, 100 * kMs), 100u);
  clock.Count(100);
  EXPECT_EQ(clock.Room(10 * kSecond + 50 * kMs, 100 * kMs), 50u);
  clock.Count(50);
  // Later the time recorded lets more go; at the stop nothing beyond its moment.
  EXPECT_EQ(clock.Room(11 * kSecond + 500 * kMs, 0), 1350u);
  clock.Count(1350);
  EXPECT_EQ(clock.Room(11 * kSecond + 500 * kMs, 100 * kMs), 100u);
  clock.Stop();
  EXPECT_EQ(clock.Room(20 * kSecond, 100 * kMs), 0u) << "nothing while stopped";
  clock.Start(30 * kSecond);
  EXPECT_EQ(clock.Room(30 * kSecond + 200 * kMs, 0), 200u) << "the pause is no time recorded";
}

}  // namespace
