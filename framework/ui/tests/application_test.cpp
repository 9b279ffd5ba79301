// The application's loop: idle work only in the outermost loop, posted
// messages and commands reaching live windows only, window timers on the
// station's clock, and exceptions from handlers reported, not fatal.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/core/TestDoubles.h"
#include "framework/ui/Application.h"
#include "framework/ui/tests/support/TestApp.h"
#include "platform/Clock.h"

namespace fw {
namespace {

using test::App;

constexpr UINT kWmUpdate = kWmApp + 1;

class Recorder : public Window {
public:
    std::vector<UINT> commands;
    std::vector<UINT> messages;
    std::vector<uintptr_t> timers;
    std::thread::id thread;
    std::function<void(UINT)> onCommand;
    std::function<void(uintptr_t)> onTimer;

    bool OnCmdMsg(UINT id) override {
        commands.push_back(id);
        thread = std::this_thread::get_id();
        if (onCommand) onCommand(id);
        return true;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM) override {
        messages.push_back(message);
        thread = std::this_thread::get_id();
        return true;
    }
    void OnTimer(uintptr_t id) override {
        timers.push_back(id);
        if (onTimer) onTimer(id);
    }
};

// Handles whatever is waiting, idle work included, without sleeping.
void Pump(int passes = 4) {
    for (int i = 0; i < passes; ++i) App().PumpOnce(false);
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pump(8);  // start from a quiet loop
        App().idle = nullptr;
    }
    void TearDown() override { App().idle = nullptr; }
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
};

TEST_F(ApplicationTest, IdleRunsWhileItAsksAndRestartsAtZeroAfterAnEvent) {
    std::vector<long> counts;
    App().idle = [&](long count) {
        counts.push_back(count);
        return count < 2;  // wants three calls
    };
    Recorder w;
    PostMessage(w.Id(), kWmUpdate);
    Pump(10);
    EXPECT_EQ(counts, (std::vector<long>{0, 1, 2}));
    Pump(5);  // nothing happened: no more idle work
    EXPECT_EQ(counts.size(), 3u);

    PostMessage(w.Id(), kWmUpdate);
    Pump(10);
    EXPECT_EQ(counts, (std::vector<long>{0, 1, 2, 0, 1, 2}));
}

TEST_F(ApplicationTest, NoIdleWorkInsideAModalLoop) {
    bool inModal = false;
    int idleInModal = 0;
    int idleAfter = 0;
    App().idle = [&](long) {
        (inModal ? idleInModal : idleAfter)++;
        return false;
    };
    Recorder w;
    int deliveredInModal = 0;
    w.onCommand = [&](UINT id) {
        if (id != 1) {
            deliveredInModal += inModal;
            return;
        }
        QDialog dialog;
        // Events keep flowing in the modal loop: posts arrive, timers fire.
        QTimer::singleShot(0, &dialog, [&] {
            PostCommand(w.Id(), 2);
            QTimer::singleShot(0, &dialog, [&] {
                PostCommand(w.Id(), 3);
                QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
            });
        });
        inModal = true;
        dialog.exec();
        inModal = false;
    };
    PostCommand(w.Id(), 1);
    ASSERT_TRUE(App().RunUntil([&] { return w.commands.size() == 3 && idleAfter > 0; }));
    EXPECT_EQ(deliveredInModal, 2);
    EXPECT_EQ(idleInModal, 0);
}

TEST_F(ApplicationTest, PostsArriveAfterThePosterReturnsOnTheWindowThread) {
    Recorder w;
    EXPECT_TRUE(WindowPosts().IsWindow(w.Id()));
    EXPECT_TRUE(PostCommand(w.Id(), 32774));
    EXPECT_TRUE(w.commands.empty());  // posted, not sent
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) PostMessage(w.Id(), kWmUpdate, static_cast<WPARAM>(i));
    });
    worker.join();
    ASSERT_TRUE(App().RunUntil([&] { return w.messages.size() == 100; }));
    EXPECT_EQ(w.commands, (std::vector<UINT>{32774}));
    EXPECT_EQ(w.thread, std::this_thread::get_id());
}

TEST_F(ApplicationTest, PostsToAWindowThatHasGoneAreDropped) {
    auto gone = std::make_unique<Recorder>();
    const WindowId goneId = gone->Id();
    Recorder stays;
    PostCommand(goneId, 7);  // queued while it lived
    gone.reset();
    EXPECT_FALSE(WindowPosts().IsWindow(goneId));
    EXPECT_FALSE(PostCommand(goneId, 8));  // refused once it is gone
    // The id is never given again, so the new window does not get the post.
    Recorder newcomer;
    EXPECT_NE(newcomer.Id(), goneId);
    PostCommand(stays.Id(), 9);
    ASSERT_TRUE(App().RunUntil([&] { return !stays.commands.empty(); }));
    EXPECT_TRUE(newcomer.commands.empty());
}

TEST_F(ApplicationTest, AnExceptionFromAHandlerIsReportedAndTheLoopGoesOn) {
    Recorder w;
    w.onCommand = [](UINT id) {
        if (id == 1) throw std::runtime_error("disk on fire");
    };
    PostCommand(w.Id(), 1);
    PostCommand(w.Id(), 2);
    // Also from a plain Qt handler, outside the window posts.
    QTimer::singleShot(0, [] { throw std::logic_error("bad state"); });
    ASSERT_TRUE(App().RunUntil([&] { return w.commands.size() == 2 && boxes.Count() == 2; }));
    const auto shown = boxes.Boxes();
    for (const auto& box : shown) EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONSTOP);
    EXPECT_NE(shown[0].text.find("disk on fire"), std::string::npos);
    EXPECT_NE(shown[1].text.find("bad state"), std::string::npos);
}

class TimerTest : public ApplicationTest {
protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        platform::SetDefaultClock(&clock);
    }
    void TearDown() override {
        platform::SetDefaultClock(nullptr);
        ApplicationTest::TearDown();
    }
    void Advance(uint32_t ms) {
        clock.Advance(ms);
        CheckWindowTimers();
        Pump();
    }
    platform::ManualClock clock{1000};
};

TEST_F(TimerTest, ATimerFiresEachPeriodUntilKilled) {
    Recorder w;
    EXPECT_EQ(w.SetTimer(1, 3000), 1u);
    Advance(2999);
    EXPECT_TRUE(w.timers.empty());
    Advance(1);
    EXPECT_EQ(w.timers, (std::vector<uintptr_t>{1}));
    Advance(3000);
    EXPECT_EQ(w.timers.size(), 2u);
    EXPECT_TRUE(w.KillTimer(1));
    EXPECT_FALSE(w.KillTimer(1));
    Advance(9000);
    EXPECT_EQ(w.timers.size(), 2u);
    EXPECT_EQ(w.SetTimer(0, 100), 0u);  // id 0 is no timer
}

TEST_F(TimerTest, SettingAnIdAgainRestartsItAndIdsAreIndependent) {
    Recorder w;
    w.SetTimer(1, 3000);
    w.SetTimer(9, 21000);
    Advance(2000);
    w.SetTimer(1, 3000);  // restarts from now
    Advance(2000);
    EXPECT_TRUE(w.timers.empty());
    Advance(1000);
    EXPECT_EQ(w.timers, (std::vector<uintptr_t>{1}));
    w.KillTimer(1);
    Advance(16000);
    EXPECT_EQ(w.timers, (std::vector<uintptr_t>{1, 9}));
}

TEST_F(TimerTest, TimersDieWithTheirWindowAndMayBeKilledFromTheirHandler) {
    auto w = std::make_unique<Recorder>();
    Recorder other;
    other.SetTimer(2, 500);
    other.onTimer = [&](uintptr_t id) { other.KillTimer(id); };
    w->SetTimer(1, 500);
    w.reset();
    Advance(500);
    Advance(500);
    EXPECT_EQ(other.timers, (std::vector<uintptr_t>{2}));
}

}  // namespace
}  // namespace fw
