#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"

using namespace platform;

TEST(ManualClock, SleepWaitsForAnotherThreadToAdvance) {
    ManualClock clock(100);
    std::thread sleeper([&] { clock.Sleep(50); });
    clock.WaitForSleepers(1);
    clock.Advance(20);
    clock.Advance(30);
    sleeper.join();  // returns only once 50 ms have passed on the clock
    EXPECT_EQ(clock.Now(), 150u);
}

TEST(ManualClock, AutoAdvanceMakesSleepMoveTime) {
    ManualClock clock(0, true);
    for (int i = 0; i < 100; ++i) clock.Sleep(10);
    EXPECT_EQ(clock.Now(), 1000u);
}

TEST(ManualClock, ReleaseEndsSleepsThatWouldNeverEnd) {
    ManualClock clock;
    std::thread sleeper([&] { clock.Sleep(1000000); });
    clock.WaitForSleepers(1);
    clock.ReleaseSleepers();
    sleeper.join();
    EXPECT_EQ(clock.Now(), 0u);
}

TEST(ManualClock, TickCountWrapsLikeGetTickCount) {
    ManualClock clock(0xFFFFFFF0u);
    const uint32_t then = clock.Now();
    clock.Advance(0x20);
    EXPECT_EQ(clock.Now() - then, 0x20u);
}

TEST(DefaultClock, CanBeReplacedAndRestored) {
    ManualClock clock(777);
    SetDefaultClock(&clock);
    EXPECT_EQ(GetTickCount(), 777u);
    SetDefaultClock(nullptr);
    EXPECT_NE(&DefaultClock(), static_cast<Clock*>(&clock));
}

// Taken before the replacement, the follower still reads and sleeps on the
// clock a test puts in afterwards, and the next one after that.
TEST(DefaultClock, FollowerGoesWithTheReplacement) {
    Clock& follower = FollowDefaultClock();
    ManualClock clock(5000, true);
    SetDefaultClock(&clock);
    EXPECT_EQ(follower.Now(), 5000u);
    follower.Sleep(250);  // auto-advance: the manual clock moves, no real wait
    EXPECT_EQ(clock.Now(), 5250u);
    SetDefaultClock(nullptr);
    ManualClock other(1);
    SetDefaultClock(&other);
    EXPECT_EQ(follower.Now(), 1u);
    other.Advance(9);
    EXPECT_EQ(follower.Now(), 10u);
    SetDefaultClock(nullptr);
}
