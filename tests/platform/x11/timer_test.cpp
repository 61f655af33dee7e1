// The periodic timer's promises, as orderings rather than timings: ticks come, no tick runs after
// Kill returns, Kill waits for a running tick, Kill from inside a tick ends the ticking, and a
// long tick is not followed by a burst of catch-up ticks but by one that counts the missed ones.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/periodic_timer.h"
#include "platform/posix/posix_backends.h"
#include "tests/platform/x11/x11_test_util.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(PeriodicTimer, TicksUntilKilledAndNoneAfter) {
  auto timer = mg::MakePeriodicTimer();
  std::atomic<int> ticks{0};
  std::atomic<bool> afterKill{false};
  std::atomic<bool> tickAfterKill{false};
  ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(5), [&] {
    if (afterKill) tickAfterKill = true;
    ++ticks;
  }));
  EXPECT_FALSE(timer->Start(mg::TickPeriod::Milliseconds(5), [] {})) << "already running";
  ASSERT_TRUE(mgtest::WaitFor([&] { return ticks >= 3; }));
  timer->Kill();
  afterKill = true;
  const int atKill = ticks;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(ticks, atKill);
  EXPECT_FALSE(tickAfterKill);
  timer->Kill();  // twice is harmless

  // It can be started again after a kill.
  ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(5), [&] { ++ticks; }));
  ASSERT_TRUE(mgtest::WaitFor([&] { return ticks > atKill; }));
}

TEST(PeriodicTimer, KillWaitsForTheRunningTick) {
  auto timer = mg::MakePeriodicTimer();
  std::atomic<bool> inTick{false};
  std::atomic<int> finished{0};
  ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(5), [&] {
    inTick = true;
    std::this_thread::sleep_for(150ms);
    ++finished;
    inTick = false;
  }));
  ASSERT_TRUE(mgtest::WaitFor([&] { return inTick.load(); }));
  timer->Kill();
  EXPECT_FALSE(inTick);
  EXPECT_GE(finished, 1);
}

TEST(PeriodicTimer, KillFromInsideTheTickStopsIt) {
  auto timer = mg::MakePeriodicTimer();
  std::atomic<int> ticks{0};
  ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(2), [&] {
    ++ticks;
    timer->Kill();  // the overload abort does this
  }));
  ASSERT_TRUE(mgtest::WaitFor([&] { return ticks >= 1; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(ticks, 1);
  timer->Kill();
}

TEST(PeriodicTimer, DestructorKills) {
  std::atomic<int> ticks{0};
  {
    auto timer = mg::MakePeriodicTimer();
    ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(3), [&] { ++ticks; }));
    ASSERT_TRUE(mgtest::WaitFor([&] { return ticks >= 1; }));
  }
  const int atEnd = ticks;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(ticks, atEnd);
}

TEST(PeriodicTimer, BadArgumentsAreRefused) {
  auto timer = mg::MakePeriodicTimer();
  EXPECT_FALSE(timer->Start(mg::TickPeriod::Milliseconds(0), [] {}));
  EXPECT_FALSE(timer->Start(mg::TickPeriod::Milliseconds(-5), [] {}));
  EXPECT_FALSE(timer->Start(mg::TickPeriod::Milliseconds(10), {}));
}

// After a tick that overran several periods, the deadlines it overran get no ticks of their own
// (a timer catching up would run them back to back): the next tick starts once the long one has
// ended and tells how many deadlines it stands for, so a recording can leave their frames empty.
TEST(PeriodicTimer, MissedDeadlinesAreCountedNotTicked) {
  auto timer = mg::MakePeriodicTimer();
  constexpr auto kPeriod = 20ms;
  std::mutex mutex;
  std::vector<Clock::time_point> starts;
  std::vector<int> missed;
  Clock::time_point longTickEnd;
  ASSERT_TRUE(timer->Start(mg::TickPeriod::Milliseconds(20), [&] {
    std::lock_guard lock(mutex);
    starts.push_back(Clock::now());
    missed.push_back(timer->MissedTicks());
    if (starts.size() == 1) {
      std::this_thread::sleep_for(5 * kPeriod + 7ms);
      longTickEnd = Clock::now();
    }
  }));
  ASSERT_TRUE(mgtest::WaitFor([&] {
    std::lock_guard lock(mutex);
    return starts.size() >= 3;
  }));
  timer->Kill();
  std::lock_guard lock(mutex);
  EXPECT_GE(starts[1], longTickEnd);
  // The long tick began at its deadline or later and ended at least 107 ms on: the four
  // deadlines 40 to 100 ms after it had passed, and the tick for the latest one came.
  EXPECT_GE(missed[1], 4);
}

}  // namespace

// A rate that is no whole number of milliseconds keeps its deadlines: at 30 ticks a second the
// k-th tick starts no earlier than k thirtieths of a second after the first (a period rounded to
// 33 ms would run ahead by 10 ms a second).
TEST(PeriodicTimer, AFractionalPeriodKeepsItsDeadlines) {
  auto timer = mg::MakePeriodicTimer();
  const mg::TickPeriod period = mg::TickPeriod::PerSecond(3000, 100);  // 30 a second
  std::mutex mutex;
  std::vector<std::pair<int64_t, Clock::time_point>> ticks;  // deadline number, start
  int64_t number = -1;
  ASSERT_TRUE(timer->Start(period, [&] {
    std::lock_guard lock(mutex);
    number += 1 + timer->MissedTicks();
    ticks.emplace_back(number, Clock::now());
  }));
  ASSERT_TRUE(mgtest::WaitFor([&] {
    std::lock_guard lock(mutex);
    return number >= 45;
  }));
  timer->Kill();
  std::lock_guard lock(mutex);
  const Clock::time_point first = ticks.front().second;
  for (const auto& [k, start] : ticks)
    EXPECT_GE(start - first, std::chrono::nanoseconds(k * 1000000000 / 30)) << "tick " << k;
}
