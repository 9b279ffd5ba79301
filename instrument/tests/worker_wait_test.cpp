#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "instrument/WorkerWait.h"
#include "platform/tests/support/PtyPair.h"

namespace {

using namespace std::chrono_literals;

// Waits run in the background; each must end by itself well within the
// bound, which only keeps a broken wait from hanging the test.
constexpr auto kBound = 10s;
constexpr uint32_t kLong = 600000;

TEST(EventWait, AWakeEndsAWaitAtOnceAndIsNotLostBeforeIt) {
    EventWait wait;
    auto waiting = std::async(std::launch::async, [&] { wait.Wait(kLong, -1); });
    wait.Wake();
    EXPECT_EQ(waiting.wait_for(kBound), std::future_status::ready);
    // A wake given while nobody waits ends the next wait.
    wait.Wake();
    auto next = std::async(std::launch::async, [&] { wait.Wait(kLong, -1); });
    EXPECT_EQ(next.wait_for(kBound), std::future_status::ready);
}

TEST(EventWait, InputOnTheLineEndsTheWait) {
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    EventWait wait;
    auto waiting = std::async(std::launch::async, [&] { wait.Wait(kLong, pty.Slave()); });
    ASSERT_TRUE(pty.Send("x"));
    EXPECT_EQ(waiting.wait_for(kBound), std::future_status::ready);
}

TEST(EventWait, AShortWaitEndsByItself) {
    EventWait wait;
    auto waiting = std::async(std::launch::async, [&] { wait.Wait(1, -1); });
    EXPECT_EQ(waiting.wait_for(kBound), std::future_status::ready);
}

TEST(EventWait, AHungUpLineLeavesTheWaitToItsWake) {
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    pty.CloseMaster();
    EventWait wait;
    auto waiting = std::async(std::launch::async, [&] { wait.Wait(kLong, pty.Slave()); });
    wait.Wake();
    EXPECT_EQ(waiting.wait_for(kBound), std::future_status::ready);
}

}  // namespace
