#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "instrument/CQXMultiCommController.h"
#include "instrument/tests/support/FakePort.h"
#include "instrument/tests/support/ManualWaitClock.h"
#include "platform/tests/support/PtyPair.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ManualWaitClock;

// Background calls must end by themselves well within this; it only keeps a
// broken controller from hanging the test.
constexpr auto kBound = 10s;

// What the clients did, in order, from whichever thread.
class Journal {
public:
    void Add(std::string entry) {
        {
            std::lock_guard lock(m_mutex);
            m_entries.push_back(std::move(entry));
        }
        m_changed.notify_all();
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_entries;
};

// A transaction that holds still until the test lets it go.
class Gate {
public:
    void Pass() {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
    }
    bool WaitEntered() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kBound, [&] { return m_entered; });
    }
    void Open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_open = false;
};

class Client : public CQXMultiCommClient {
public:
    Client(Journal& journal, std::string name) : m_journal(journal), m_name(std::move(name)) {}
    ~Client() override { Withdraw(); }

    Gate* gate = nullptr;  // the transaction waits here
    unsigned result = 0;   // what the transaction returns
    bool throws = false;

protected:
    void OnError(unsigned code) override { m_journal.Add("error " + m_name + " " + std::to_string(code)); }
    void Prepare(intptr_t argument) override {
        m_journal.Add("prepare " + m_name + " " + std::to_string(argument));
    }
    unsigned Transaction(const PortWrite& write, const PortRead&) override {
        m_journal.Add("run " + m_name);
        write(m_name.data(), static_cast<DWORD>(m_name.size()));
        if (gate) gate->Pass();
        if (throws) throw std::runtime_error("client failed");
        return result;
    }

private:
    Journal& m_journal;
    std::string m_name;
};

class PurgingPort : public testsupport::FakePort {
public:
    using FakePort::FakePort;
    unsigned Open(const std::string&) override { return open ? 0u : 2u; }
    unsigned Purge(DWORD flags) override {
        purges.push_back(flags);
        return purgeError;
    }
    std::vector<DWORD> purges;
    unsigned purgeError = 0;
};

class TestController : public CQXMultiCommController {
public:
    explicit TestController(ManualWaitClock& clock) : CQXMultiCommController(clock), m_clock(clock) {}
    ~TestController() override { StopThread(); }

    // Blocks until a caller is about to wait for the client in service.
    bool WaitForIdleWaiters(int n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kBound, [&] { return m_idleWaiters >= n; });
    }

    PurgingPort* port = nullptr;  // owned by the controller once open
    unsigned purgeError = 0;

protected:
    unsigned CreatePort(std::unique_ptr<CQXCommPort>& out) override {
        auto p = std::make_unique<PurgingPort>(m_clock);
        p->purgeError = purgeError;
        port = p.get();
        out = std::move(p);
        return 0;
    }
    void OnWaitForIdle() override {
        {
            std::lock_guard lock(m_mutex);
            ++m_idleWaiters;
        }
        m_changed.notify_all();
    }

private:
    ManualWaitClock& m_clock;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_idleWaiters = 0;
};

class ControllerTest : public ::testing::Test {
protected:
    void Open() {
        ASSERT_EQ(controller->Open("fake"), 0u);
        ASSERT_TRUE(clock.WaitBlocked(1));
    }
    // Every client queued so far has been served and the thread sleeps.
    void Settle() { ASSERT_TRUE(clock.WaitBlocked(1)); }
    std::vector<std::string> Runs() {
        std::vector<std::string> runs;
        for (const auto& e : journal.Entries())
            if (e.rfind("run ", 0) == 0 || e.rfind("error ", 0) == 0) runs.push_back(e);
        return runs;
    }
    std::unique_ptr<Client> NewClient(const std::string& name) {
        auto c = std::make_unique<Client>(journal, name);
        EXPECT_TRUE(c->SetController(controller.get()));
        return c;
    }

    ManualWaitClock clock;
    Journal journal;
    std::unique_ptr<TestController> controller = std::make_unique<TestController>(clock);
};

TEST_F(ControllerTest, ServesClientsInOrderOnePurgedTransactionAtATime) {
    Open();
    auto a = NewClient("a");
    auto b = NewClient("b");
    auto c = NewClient("c");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(1, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    EXPECT_FALSE(controller->IsIdle());
    ASSERT_TRUE(b->Queue(2, FALSE));
    ASSERT_TRUE(c->Queue(3, FALSE));
    EXPECT_TRUE(a->IsQueued());  // in service
    EXPECT_EQ(controller->QueueLength(), 2u);
    gate.Open();
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run b", "run c"}));
    EXPECT_EQ(controller->port->Texts(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(controller->port->purges, (std::vector<DWORD>{15, 15, 15}));
    for (auto* client : {a.get(), b.get(), c.get()}) EXPECT_FALSE(client->IsQueued());
    EXPECT_TRUE(controller->IsIdle());
    // The preparation step ran before each was queued, with its argument.
    const auto entries = journal.Entries();
    EXPECT_EQ(entries.front(), "prepare a 1");
    EXPECT_NE(std::find(entries.begin(), entries.end(), "prepare c 3"), entries.end());
}

TEST_F(ControllerTest, AnUrgentClientWaitsForTheServiceWithoutHoldingTheQueueAndGoesFirst) {
    Open();
    auto a = NewClient("a");
    auto b = NewClient("b");
    auto u = NewClient("u");
    auto d = NewClient("d");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(b->Queue(0, FALSE));
    auto urgent = std::async(std::launch::async, [&] { return u->Queue(0, TRUE); });
    ASSERT_TRUE(controller->WaitForIdleWaiters(1));
    // The queue is not locked while the urgent client waits.
    ASSERT_TRUE(d->Queue(0, FALSE));
    EXPECT_EQ(controller->QueueLength(), 2u);
    gate.Open();
    ASSERT_EQ(urgent.wait_for(kBound), std::future_status::ready);
    EXPECT_TRUE(urgent.get());
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run u", "run b", "run d"}));
}

TEST_F(ControllerTest, AnUrgentClientOnAnIdleControllerDoesNotWait) {
    Open();
    auto a = NewClient("a");
    ASSERT_TRUE(a->Queue(0, FALSE));
    Settle();
    // A service round that finds the queue empty leaves the controller idle.
    controller->Wake();
    Settle();
    EXPECT_TRUE(controller->IsIdle());
    auto u = NewClient("u");
    auto urgent = std::async(std::launch::async, [&] { return u->Queue(0, TRUE); });
    ASSERT_EQ(urgent.wait_for(kBound), std::future_status::ready);
    EXPECT_TRUE(urgent.get());
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run u"}));
}

TEST_F(ControllerTest, AClientFirstInTheQueueStaysQueuedOnCancelAndIsServed) {
    // No port yet: nothing is served, and the first client stays at the head.
    auto a = NewClient("a");
    auto b = NewClient("b");
    auto c = NewClient("c");
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(b->Queue(0, FALSE));
    ASSERT_TRUE(c->Queue(0, FALSE));
    // The service takes the head: it is not removed, and says so.
    EXPECT_FALSE(a->Cancel());
    EXPECT_TRUE(a->IsQueued());
    EXPECT_FALSE(controller->RemoveClient(a.get()));
    // Further back a client is removed.
    EXPECT_TRUE(c->Cancel());
    EXPECT_FALSE(c->IsQueued());
    EXPECT_EQ(controller->QueueLength(), 2u);
    Open();
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run b"}));
    EXPECT_FALSE(a->IsQueued());
    EXPECT_TRUE(a->Cancel());  // served: nothing left to cancel
}

TEST_F(ControllerTest, AQueuedClientBehindTheServiceIsRemoved) {
    Open();
    auto a = NewClient("a");
    auto b = NewClient("b");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(b->Queue(0, FALSE));
    EXPECT_TRUE(b->Cancel());
    EXPECT_FALSE(b->IsQueued());
    EXPECT_TRUE(b->Cancel());  // not queued: nothing to do
    gate.Open();
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a"}));
}

TEST_F(ControllerTest, CancellingTheClientInServiceWaitsForItAndLeavesItNotQueued) {
    Open();
    auto a = NewClient("a");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    auto cancel = std::async(std::launch::async, [&] { return a->Cancel(); });
    ASSERT_TRUE(controller->WaitForIdleWaiters(1));
    EXPECT_EQ(controller->QueueLength(), 0u);  // the queue is free meanwhile
    gate.Open();
    ASSERT_EQ(cancel.wait_for(kBound), std::future_status::ready);
    EXPECT_FALSE(cancel.get());  // served, not removed
    EXPECT_FALSE(a->IsQueued());
    // And it can be queued again, and is served again.
    a->gate = nullptr;
    ASSERT_TRUE(a->Queue(0, FALSE));
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run a"}));
    EXPECT_FALSE(a->IsQueued());
}

TEST_F(ControllerTest, AClientQueuedTwiceKeepsBothEntriesWhenCancelledAtTheHead) {
    // Twice in the queue, not served: the search stops at the head, which stays,
    // and so does the entry behind it.
    auto a = NewClient("a");
    ASSERT_TRUE(controller->AddClient(a.get(), FALSE));
    ASSERT_TRUE(controller->AddClient(a.get(), FALSE));
    EXPECT_EQ(controller->QueueLength(), 2u);
    EXPECT_FALSE(a->Cancel());
    EXPECT_EQ(controller->QueueLength(), 2u);
    EXPECT_TRUE(a->IsQueued());
    Open();
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run a"}));
    EXPECT_FALSE(a->IsQueued());

    // In service and queued again behind it: the call waits out the service
    // and the entry behind it is served afterwards.
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(controller->AddClient(a.get(), FALSE));
    auto cancel = std::async(std::launch::async, [&] { return a->Cancel(); });
    ASSERT_TRUE(controller->WaitForIdleWaiters(1));
    EXPECT_EQ(controller->QueueLength(), 1u);
    a->gate = nullptr;  // read by the next service only
    gate.Open();
    ASSERT_EQ(cancel.wait_for(kBound), std::future_status::ready);
    EXPECT_FALSE(cancel.get());
    Settle();
    EXPECT_FALSE(a->IsQueued());
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run a", "run a", "run a"}));
}

TEST_F(ControllerTest, AClientQueuedTwiceStaysQueuedAfterItsFirstService) {
    Open();
    auto a = NewClient("a");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(controller->AddClient(a.get(), FALSE));
    Gate second;
    a->gate = &second;  // read by the second service only
    gate.Open();
    ASSERT_TRUE(second.WaitEntered());
    EXPECT_TRUE(a->IsQueued());
    second.Open();
    Settle();
    EXPECT_FALSE(a->IsQueued());
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run a", "run a"}));
}

TEST_F(ControllerTest, ErrorsGoToTheClientAndNoFailureEndsTheService) {
    controller->purgeError = 1117;
    Open();
    auto a = NewClient("a");
    ASSERT_TRUE(a->Queue(0, FALSE));
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"error a 1117"}));  // no transaction on a failed purge
    controller->port->purgeError = 0;
    auto b = NewClient("b");
    b->result = 1003;
    auto c = NewClient("c");
    c->throws = true;
    auto d = NewClient("d");
    ASSERT_TRUE(b->Queue(0, FALSE));
    ASSERT_TRUE(c->Queue(0, FALSE));
    ASSERT_TRUE(d->Queue(0, FALSE));
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"error a 1117", "run b", "error b 1003", "run c", "run d"}));
    EXPECT_FALSE(c->IsQueued());
}

TEST_F(ControllerTest, TheControllerOfAQueuedClientCannotChange) {
    Client lone(journal, "lone");
    EXPECT_FALSE(lone.Queue(0, FALSE));  // no controller
    EXPECT_TRUE(lone.Cancel());
    // Behind another client, so that a cancel takes it out (the head stays).
    auto first = NewClient("first");
    ASSERT_TRUE(first->Queue(0, FALSE));
    auto a = NewClient("a");
    ASSERT_TRUE(a->Queue(0, FALSE));
    EXPECT_FALSE(a->ClearController());
    EXPECT_FALSE(a->SetController(nullptr));
    EXPECT_TRUE(a->Queue(0, FALSE));  // already queued: prepared once
    EXPECT_EQ(controller->QueueLength(), 2u);
    ASSERT_TRUE(a->Cancel());
    EXPECT_TRUE(a->ClearController());
    EXPECT_FALSE(a->Queue(0, FALSE));
    int prepares = 0;
    for (const auto& e : journal.Entries()) prepares += e.rfind("prepare a", 0) == 0;
    EXPECT_EQ(prepares, 1);
}

TEST_F(ControllerTest, AClientDestroyedWhileQueuedLeavesTheQueue) {
    // Even from the head, where a cancel leaves it queued: the service must
    // never run a client that has gone.
    auto a = NewClient("a");
    auto b = NewClient("b");
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(b->Queue(0, FALSE));
    a.reset();
    EXPECT_EQ(controller->QueueLength(), 1u);
    Open();
    Settle();
    EXPECT_EQ(Runs(), (std::vector<std::string>{"run b"}));
}

// A client whose own part says when its destruction began and what was
// called on it afterwards; its destructor may hold still at a gate, so that
// the service has every chance to call it meanwhile.
class Departing : public CQXMultiCommClient {
public:
    Departing(Journal& journal, std::string name) : m_journal(journal), m_name(std::move(name)) {}
    ~Departing() override {
        Withdraw();
        m_going = true;
        m_journal.Add("destroy " + m_name);
        if (destructorGate) destructorGate->Pass();
    }

    Gate* gate = nullptr;            // the transaction waits here
    Gate* destructorGate = nullptr;  // the destructor waits here

protected:
    void OnError(unsigned code) override { Called("error " + std::to_string(code)); }
    void Prepare(intptr_t) override {}
    unsigned Transaction(const PortWrite&, const PortRead&) override {
        Called("run");
        if (gate) gate->Pass();
        Called("ran");
        return 0;
    }

private:
    void Called(const std::string& what) {
        m_journal.Add(what + " " + m_name + (m_going ? " after its destruction began" : ""));
    }
    Journal& m_journal;
    std::string m_name;
    std::atomic<bool> m_going{false};
};

TEST_F(ControllerTest, AClientBeingDestroyedIsNeverServed) {
    // At the head of the queue, where a cancel leaves it to be served: the
    // port opens while its destructor is under way.
    auto a = std::make_unique<Departing>(journal, "a");
    auto b = NewClient("b");
    ASSERT_TRUE(a->SetController(controller.get()));
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(b->Queue(0, FALSE));
    Gate destructorGate;
    a->destructorGate = &destructorGate;
    auto destroy = std::async(std::launch::async, [&] { a.reset(); });
    ASSERT_TRUE(destructorGate.WaitEntered());
    Open();
    Settle();
    destructorGate.Open();
    ASSERT_EQ(destroy.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"prepare b 0", "destroy a", "run b"}));
    EXPECT_EQ(controller->port->Texts(), (std::vector<std::string>{"b"}));
}

TEST_F(ControllerTest, AClientDestroyedInServiceIsWaitedOutBeforeItsOwnPartGoes) {
    Open();
    auto held = std::make_unique<Departing>(journal, "held");
    Gate gate;
    held->gate = &gate;
    ASSERT_TRUE(held->SetController(controller.get()));
    ASSERT_TRUE(held->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    auto destroy = std::async(std::launch::async, [&] { held.reset(); });
    // The destruction waits for the service.
    ASSERT_TRUE(controller->WaitForIdleWaiters(1));
    gate.Open();
    ASSERT_EQ(destroy.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"run held", "ran held", "destroy held"}));
    EXPECT_TRUE(controller->IsIdle());
}

TEST_F(ControllerTest, DestroyedWithTheThreadServingAClient) {
    Open();
    auto a = NewClient("a");
    auto b = NewClient("b");
    Gate gate;
    a->gate = &gate;
    ASSERT_TRUE(a->Queue(0, FALSE));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(b->Queue(0, FALSE));
    auto destroy = std::async(std::launch::async, [&] { controller.reset(); });
    gate.Open();
    ASSERT_EQ(destroy.wait_for(kBound), std::future_status::ready);
    EXPECT_FALSE(a->IsQueued());
    EXPECT_FALSE(b->IsQueued());
}

TEST_F(ControllerTest, DestroyedWithTheThreadIdleOrNeverStarted) {
    Open();
    auto a = NewClient("a");
    ASSERT_TRUE(a->Queue(0, FALSE));
    Settle();
    auto destroy = std::async(std::launch::async, [&] { controller.reset(); });
    ASSERT_EQ(destroy.wait_for(kBound), std::future_status::ready);

    ManualWaitClock other;
    auto never = std::make_unique<TestController>(other);
    Client c(journal, "c");
    ASSERT_TRUE(c.SetController(never.get()));
    ASSERT_TRUE(c.Queue(0, FALSE));
    auto destroyNever = std::async(std::launch::async, [&] { never.reset(); });
    ASSERT_EQ(destroyNever.wait_for(kBound), std::future_status::ready);
    EXPECT_FALSE(c.IsQueued());
    ASSERT_TRUE(c.ClearController());
}

TEST(MultiThread, PollsWhenWokenAndAtItsTimeOutOnTheClock) {
    class Counting : public CQXMultiThread {
    public:
        using CQXMultiThread::CQXMultiThread;
        ~Counting() override { StopThread(); }
        std::atomic<int> polls{0};

    protected:
        void OnPoll() override { ++polls; }
    };
    ManualWaitClock clock;
    Counting thread(clock);
    ASSERT_TRUE(thread.CreateThread(500));
    EXPECT_FALSE(thread.CreateThread(500));  // one thread only
    ASSERT_TRUE(clock.WaitBlocked(1));
    clock.Advance(499);
    ASSERT_TRUE(clock.WaitBlocked(1));
    EXPECT_EQ(thread.polls.load(), 0);
    clock.Advance(1);
    ASSERT_TRUE(clock.WaitBlocked(1));
    EXPECT_EQ(thread.polls.load(), 1);
    thread.Wake();
    ASSERT_TRUE(clock.WaitBlocked(1));
    EXPECT_EQ(thread.polls.load(), 2);
}

TEST(MultiThread, ADestructorNeverWaitsForAThreadThatNeverStarted) {
    ManualWaitClock clock;
    auto destroy = std::async(std::launch::async, [&] { CQXMultiThread never(clock); });
    EXPECT_EQ(destroy.wait_for(kBound), std::future_status::ready);
}

TEST(MultiCommController, TheBaseHasNoPortAndABadNameLeavesNone) {
    CQXMultiCommController base;
    EXPECT_EQ(base.Open("/dev/null"), 120u);
    EXPECT_FALSE(base.HasOpenPort());
    CQXRS485Controller rs485;
    EXPECT_EQ(rs485.Open("/nonexistent/ryx-port"), 2u);
    EXPECT_FALSE(rs485.HasOpenPort());
}

// A transaction on an RS-485 port: a command out, the reply in up to its CR.
class Exchange : public CQXMultiCommClient {
public:
    std::promise<std::string> reply;

protected:
    void OnError(unsigned) override {}
    void Prepare(intptr_t) override {}
    unsigned Transaction(const PortWrite& write, const PortRead& read) override {
        if (unsigned r = write("G\r", 2)) return r;
        std::string text;
        // Each empty read ends at the port's read time-out; the far end
        // answers at once, so this ends long before the bound.
        for (int tries = 0; tries < 20 && (text.empty() || text.back() != '\r'); ++tries) {
            char buffer[32];
            DWORD got = 0;
            const unsigned r = read(buffer, got, sizeof buffer);
            if (r != 0 && r != 234) return r;
            text.append(buffer, got);
        }
        reply.set_value(text);
        return 0;
    }
};

TEST(MultiCommController, AnRs485ControllerRunsATransactionOnItsLine) {
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    CQXRS485Controller controller;
    ASSERT_EQ(controller.Open(pty.SlaveName()), 0u);
    EXPECT_TRUE(controller.HasOpenPort());
    EXPECT_EQ(controller.Open(pty.SlaveName()), 0u);  // already open
    Exchange exchange;
    ASSERT_TRUE(exchange.SetController(&controller));
    auto replied = exchange.reply.get_future();
    ASSERT_TRUE(exchange.Queue(0, FALSE));
    EXPECT_EQ(pty.Receive(2), "G\r");
    ASSERT_TRUE(
        pty.Send("\x02"
                 "4A5D 8BA6 4B50 RLN\r"));
    ASSERT_EQ(replied.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(replied.get(),
              "\x02"
              "4A5D 8BA6 4B50 RLN\r");
    exchange.Cancel();  // waits out the end of its service
    EXPECT_FALSE(exchange.IsQueued());
}

}  // namespace
