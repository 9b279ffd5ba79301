#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "framework/core/TestDoubles.h"
#include "framework/core/WindowTimer.h"
#include "instrument/CQXTimer.h"
#include "instrument/tests/support/ManualWaitClock.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ManualWaitClock;

constexpr auto kBound = 10s;
constexpr UINT kTimerId = 7;

// Window timers as a script gives them; every call recorded.
class ScriptedTimers : public fw::WindowTimerService {
public:
    bool SetTimer(fw::WindowId window, uintptr_t id, UINT elapse) override {
        std::lock_guard lock(m_mutex);
        calls.push_back("set " + std::to_string(window) + " " + std::to_string(id) + " " +
                        std::to_string(elapse));
        return give;
    }
    bool KillTimer(fw::WindowId window, uintptr_t id) override {
        std::lock_guard lock(m_mutex);
        calls.push_back("kill " + std::to_string(window) + " " + std::to_string(id));
        return true;
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(m_mutex);
        return calls;
    }
    bool give = true;

private:
    std::mutex m_mutex;
    std::vector<std::string> calls;
};

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { window = posts.CreateWindow(); }
    // The timer thread has done everything due at the current time.
    void Settle() { ASSERT_TRUE(clock.WaitBlocked(1)); }
    size_t Ticks() {
        size_t n = 0;
        for (const auto& p : posts.PostsTo(window)) {
            EXPECT_EQ(p.message, fw::kWmTimer);
            EXPECT_EQ(p.wParam, kTimerId);
            EXPECT_EQ(p.lParam, 0);
            ++n;
        }
        return n;
    }
    std::string Id(const char* verb, const char* rest = "") {
        return std::string(verb) + " " + std::to_string(window) + " " + std::to_string(kTimerId) + rest;
    }

    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    ScriptedTimers timers;
    fw::ServiceScope<fw::WindowTimerService> timerScope{timers};
    ManualWaitClock clock;
    fw::WindowId window = fw::kNoWindow;
};

TEST_F(TimerTest, TheThreadTicksOncePerIntervalOnTheClock) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(100, 0);
    ASSERT_TRUE(timer.IsRunning());
    ASSERT_TRUE(timer.IsThreadMode());
    Settle();
    clock.Advance(99);
    Settle();
    EXPECT_EQ(Ticks(), 0u);
    clock.Advance(1);
    Settle();
    EXPECT_EQ(Ticks(), 1u);
    for (int i = 0; i < 3; ++i) {
        clock.Advance(100);
        Settle();
    }
    EXPECT_EQ(Ticks(), 4u);
    // A late thread ticks once, not once for every interval it missed.
    clock.Advance(350);
    Settle();
    EXPECT_EQ(Ticks(), 5u);
    EXPECT_TRUE(timers.Calls().empty());  // no window timer asked for
}

TEST_F(TimerTest, APausedThreadKeepsItsIntervalAndTicksAtOnceWhenItRanOut) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(100, 0);
    Settle();
    clock.Advance(60);
    Settle();
    timer.Pause();
    Settle();
    clock.Advance(1000);
    Settle();
    EXPECT_EQ(Ticks(), 0u);  // no tick while paused
    timer.Pause();           // twice is once
    // The interval ran out during the pause: one tick on resume, then the
    // next interval counts from that tick.
    timer.Resume();
    Settle();
    EXPECT_EQ(Ticks(), 1u);
    clock.Advance(99);
    Settle();
    EXPECT_EQ(Ticks(), 1u);
    clock.Advance(1);
    Settle();
    EXPECT_EQ(Ticks(), 2u);
    timer.Resume();  // not paused: nothing changes
    Settle();
    clock.Advance(100);
    Settle();
    EXPECT_EQ(Ticks(), 3u);
}

TEST_F(TimerTest, AShortPauseLeavesTheTickWhereItWas) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(100, 0);
    Settle();
    clock.Advance(30);
    Settle();
    timer.Pause();
    Settle();
    clock.Advance(40);
    Settle();
    timer.Resume();
    Settle();
    clock.Advance(29);  // 99 since the start
    Settle();
    EXPECT_EQ(Ticks(), 0u);
    clock.Advance(1);
    Settle();
    EXPECT_EQ(Ticks(), 1u);
}

TEST_F(TimerTest, StopEndsTheThreadWithoutWaitingOutItsInterval) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(600000, 2);
    Settle();
    auto stop = std::async(std::launch::async, [&] { timer.Stop(); });
    ASSERT_EQ(stop.wait_for(kBound), std::future_status::ready);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_FALSE(timer.IsThreadMode());
    EXPECT_EQ(timer.GetInterval(), 0u);
    clock.Advance(600000);
    EXPECT_EQ(Ticks(), 0u);

    // Paused, and then destroyed while running.
    timer.Start(50, 0);
    Settle();
    timer.Pause();
    Settle();
    auto stopPaused = std::async(std::launch::async, [&] { timer.Stop(); });
    ASSERT_EQ(stopPaused.wait_for(kBound), std::future_status::ready);
    auto destroy = std::async(std::launch::async, [&] {
        CQXTimer running(window, kTimerId, clock);
        running.Start(600000, 0);
    });
    ASSERT_EQ(destroy.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(Ticks(), 0u);
}

TEST_F(TimerTest, StartRestartsAndAZeroIntervalLeavesItStopped) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(100, 0);
    Settle();
    clock.Advance(80);
    Settle();
    timer.Start(100, 0);  // a new interval from now
    Settle();
    clock.Advance(80);
    Settle();
    EXPECT_EQ(Ticks(), 0u);
    clock.Advance(20);
    Settle();
    EXPECT_EQ(Ticks(), 1u);
    timer.Start(0, 0);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_FALSE(timer.IsThreadMode());
    timer.Pause();  // stopped: nothing to do
    timer.Resume();
    EXPECT_FALSE(timer.IsRunning());
}

TEST_F(TimerTest, ANegativePriorityUsesTheWindowTimer) {
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(250, -1);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_FALSE(timer.IsThreadMode());
    timer.Pause();
    timer.Resume();
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timers.Calls(),
              (std::vector<std::string>{Id("set", " 250"), Id("kill"), Id("set", " 250"), Id("kill")}));
}

TEST_F(TimerTest, WithoutAWindowTimerTheThreadTakesOver) {
    timers.give = false;
    CQXTimer timer(window, kTimerId, clock);
    timer.Start(100, -1);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(timer.IsThreadMode());
    Settle();
    clock.Advance(100);
    Settle();
    EXPECT_EQ(Ticks(), 1u);

    // A window timer that cannot be set again on Resume.
    CQXTimer other(window, kTimerId, clock);
    timers.give = true;
    timer.Stop();
    other.Start(100, -1);
    ASSERT_FALSE(other.IsThreadMode());
    other.Pause();
    timers.give = false;
    other.Resume();
    EXPECT_TRUE(other.IsRunning());
    EXPECT_TRUE(other.IsThreadMode());
    Settle();
    clock.Advance(100);
    Settle();
    EXPECT_EQ(Ticks(), 2u);
}

TEST(RealWaitClock, AWakeEndsAWaitAtOnceAndIsKeptUntilTheNextWait) {
    auto wait = DefaultWaitClock().NewWait();
    auto waiting = std::async(std::launch::async, [&] { return wait->Wait(ThreadWait::kInfinite); });
    wait->Wake();
    ASSERT_EQ(waiting.wait_for(kBound), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
    wait->Wake();
    EXPECT_TRUE(wait->Wait(600000));
    EXPECT_FALSE(wait->Wait(1));  // used up: this one runs out
}

TEST(RealWaitClock, ATimerOnTheRealClockTicksAndStopsAtOnce) {
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> scope(posts);
    const fw::WindowId window = posts.CreateWindow();
    CQXTimer timer(window, kTimerId);
    timer.Start(1, 0);
    EXPECT_TRUE(posts.WaitForPosts(2, kBound));
    timer.Start(600000, 0);
    auto stop = std::async(std::launch::async, [&] { timer.Stop(); });
    EXPECT_EQ(stop.wait_for(kBound), std::future_status::ready);
}

TEST(TimerService, WithoutAServiceNoWindowHasATimer) {
    EXPECT_FALSE(fw::WindowTimers().SetTimer(fw::NewWindowId(), 1, 100));
    EXPECT_FALSE(fw::WindowTimers().KillTimer(fw::NewWindowId(), 1));
    // So a timer falls back to its thread; without a window its ticks reach nobody.
    ManualWaitClock clock;
    CQXTimer timer(clock);
    timer.Start(10, -1);
    EXPECT_TRUE(timer.IsThreadMode());
    ASSERT_TRUE(clock.WaitBlocked(1));
    clock.Advance(10);
    ASSERT_TRUE(clock.WaitBlocked(1));
}

}  // namespace
