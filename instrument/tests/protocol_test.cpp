#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "instrument/CQXBeamProtocol.h"
#include "instrument/tests/support/FakePort.h"
#include "platform/Clock.h"

namespace {

using testsupport::FakePort;

class RecordingHooks : public CQXBeamProtocol::Hooks {
public:
    void SetStatus(unsigned code) override {
        if (code != status) statuses.push_back(code);
        status = code;
    }
    void DataFrameProcessed() override {
        status = 0;
        frames.push_back(protocol->GetState());
    }
    void ProtocolReset() override { ++resets; }

    CQXBeamProtocol* protocol = nullptr;
    unsigned status = 0;
    std::vector<unsigned> statuses;
    std::vector<BeamState> frames;
    int resets = 0;
};

std::string Frame(unsigned d, unsigned f, unsigned t, const char* letters = "LZN") {
    char text[32];
    std::snprintf(text, sizeof text, "\x02%04X %04X %04X %s\r", d, f, t, letters);
    return text;
}

const std::string kAck = "\x01OK\r";

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        hooks.protocol = &protocol;
        protocol.ResetProtocol();
        resetTime = clock.Now();
    }
    // One worker pass, then the worker's 10 ms sleep.
    void Pass() {
        protocol.ReceiveBytes();
        protocol.CheckTimeouts();
        protocol.Poll();
        clock.Advance(10);
    }
    void RunFor(uint32_t ms) {
        const uint32_t end = clock.Now() + ms;
        while (static_cast<int32_t>(end - clock.Now()) > 0) Pass();
    }
    // Runs passes until the port has seen n writes (or the limit passes).
    bool RunUntilWrites(size_t n, uint32_t limitMs = 10000) {
        const uint32_t end = clock.Now() + limitMs;
        while (port.writes.size() < n && static_cast<int32_t>(end - clock.Now()) > 0) Pass();
        return port.writes.size() >= n;
    }
    // Reset, version request answered: the link as it runs.
    void BringUp() {
        ASSERT_TRUE(RunUntilWrites(1));
        ASSERT_EQ(port.writes[0].text, "V\r");
        port.Feed("V2.000\r");
        Pass();
        ASSERT_EQ(protocol.GetFirmwareVersion(), "2.000");
        ASSERT_FALSE(protocol.IsCommandPending());
    }

    platform::ManualClock clock{50000};
    FakePort port{clock};
    RecordingHooks hooks;
    CQXBeamProtocol protocol{port, clock, hooks};
    uint32_t resetTime = 0;
};

TEST_F(ProtocolTest, TheFirstCommandAfterAResetAsksForTheVersion) {
    EXPECT_EQ(protocol.GetFirmwareVersion(), "?");
    ASSERT_TRUE(RunUntilWrites(1));
    EXPECT_EQ(port.writes[0].text, "V\r");
    EXPECT_EQ(protocol.GetReceiveState(), CQXBeamProtocol::kWaitVersion);
}

TEST_F(ProtocolTest, PollsWaitASecondAfterTheResetAnd700MsAfterEachFrame) {
    BringUp();
    uint32_t lastFrame = clock.Now();
    for (int cycle = 0; cycle < 5; ++cycle) {
        const size_t before = port.writes.size();
        ASSERT_TRUE(RunUntilWrites(before + 1));
        const auto& g = port.writes.back();
        EXPECT_EQ(g.text, "G\r");
        EXPECT_GT(g.time - resetTime, 1000u);
        if (cycle > 0) {
            EXPECT_GT(g.time - lastFrame, 700u);
        }
        // The instrument answers 30 ms later.
        RunFor(30);
        port.Feed(Frame(0x4A5D, 0x8BA6, 0x07D0));
        Pass();
        lastFrame = clock.Now() - 10;
        ASSERT_EQ(hooks.frames.size(), static_cast<size_t>(cycle + 1));
        EXPECT_FALSE(protocol.IsCommandPending());
    }
    EXPECT_TRUE(hooks.statuses.empty());
}

TEST_F(ProtocolTest, OnlyOneCommandIsEverOutstanding) {
    BringUp();
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdZ));
    EXPECT_FALSE(protocol.SendCommand(CQXBeamProtocol::kCmdD));
    EXPECT_FALSE(protocol.SendCommand(CQXBeamProtocol::kCmdG));
    EXPECT_EQ(protocol.GetCommandText(), "Z\r");
    // Polls fall due meanwhile, but nothing else goes out until the reply.
    RunFor(900);
    ASSERT_EQ(port.Texts(), (std::vector<std::string>{"V\r", "Z\r"}));
    port.Feed(kAck);
    protocol.ReceiveBytes();
    EXPECT_FALSE(protocol.IsCommandPending());
    ASSERT_TRUE(RunUntilWrites(3));
    EXPECT_EQ(port.writes[2].text, "G\r");
}

TEST_F(ProtocolTest, ASilentInstrumentIsLostAfterTheTimeoutAndNothingIsResent) {
    ASSERT_TRUE(RunUntilWrites(1));
    const uint32_t sent = port.writes[0].time;
    // Up to exactly the time-out the command is still awaited.
    while (clock.Now() - sent <= 1000) {
        protocol.CheckTimeouts();
        ASSERT_TRUE(hooks.statuses.empty()) << clock.Now() - sent;
        clock.Advance(1);
    }
    protocol.CheckTimeouts();
    EXPECT_EQ(hooks.statuses, std::vector<unsigned>{55});
    EXPECT_EQ(hooks.resets, 2);  // the fixture's and the time-out's
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(protocol.GetFirmwareVersion(), "?");
    // After the reset the version is asked afresh, each request once: no
    // write follows another within its time-out.
    RunFor(5000);
    ASSERT_GE(port.writes.size(), 4u);
    for (size_t i = 0; i < port.writes.size(); ++i) {
        EXPECT_EQ(port.writes[i].text, "V\r");
        if (i > 0) {
            EXPECT_GT(port.writes[i].time - port.writes[i - 1].time, 1000u);
        }
    }
    EXPECT_GE(hooks.resets - 1, static_cast<int>(port.writes.size()) - 1);
}

TEST_F(ProtocolTest, EachCommandHasItsTextAndReplyTimeout) {
    struct Case {
        int command;
        const char* text;
        uint32_t timeout;
        int stateAfter;
    };
    const Case cases[] = {
        {CQXBeamProtocol::kCmdG, "G\r", 1000, CQXBeamProtocol::kWaitData},
        {CQXBeamProtocol::kCmdV, "V\r", 1000, CQXBeamProtocol::kWaitVersion},
        {CQXBeamProtocol::kCmdR, "R\r", 5000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdD, "D\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdH, "H\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdC, "C\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdB, "B\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdN, "N\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdL, "01E0L\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdZ, "Z\r", 1000, CQXBeamProtocol::kWaitAck},
        {CQXBeamProtocol::kCmdT, "F912T\r", 2000, CQXBeamProtocol::kWaitAck},
    };
    protocol.SetLoadValue(480);
    protocol.SetRawSetPoint(0xF912);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        protocol.ResetProtocol();
        hooks.status = 0;
        hooks.statuses.clear();
        port.writes.clear();
        ASSERT_TRUE(protocol.SendCommand(c.command));
        // Queuing writes nothing; the next time-out check a moment later does.
        EXPECT_TRUE(port.writes.empty());
        clock.Advance(1);
        protocol.CheckTimeouts();
        ASSERT_EQ(port.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(protocol.GetReceiveState(), c.stateAfter);
        clock.Advance(c.timeout);
        protocol.CheckTimeouts();
        EXPECT_TRUE(hooks.statuses.empty());
        clock.Advance(1);
        protocol.CheckTimeouts();
        EXPECT_EQ(hooks.statuses, std::vector<unsigned>{55});
        EXPECT_EQ(port.writes.size(), 1u);
    }
}

TEST_F(ProtocolTest, UnknownCommandNumbersAreRefused) {
    EXPECT_FALSE(protocol.SendCommand(0));
    EXPECT_FALSE(protocol.SendCommand(12));
    EXPECT_FALSE(protocol.SendCommand(-1));
    EXPECT_FALSE(protocol.IsCommandPending());
}

TEST_F(ProtocolTest, AFrameWithLowerCaseHexIsDroppedAndTheNextOneTaken) {
    BringUp();
    port.Feed(
        "\x02"
        "4a5d 8BA6 07D0 LZN\r");
    port.Feed(Frame(0x1234, 0xABCD, 0x0042, "RLB"));
    Pass();
    ASSERT_EQ(hooks.frames.size(), 1u);
    const BeamState& s = hooks.frames[0];
    EXPECT_EQ(s.rawDeflection, 0x1234);
    EXPECT_EQ(s.rawForce, 0xABCD);
    EXPECT_EQ(s.rawTemperature, 0x0042);
    EXPECT_EQ(s.mode, 1);
    EXPECT_TRUE(s.remote);
    EXPECT_FALSE(s.zero);
    EXPECT_EQ(s.count, 1);
}

TEST_F(ProtocolTest, ADamagedFrameCostsOnlyItself) {
    const std::string good = Frame(0x0100, 0x0200, 0x0300, "LZH");
    const std::string cases[] = {
        "\x02"
        "01",  // cut short, the next STX follows at once
        "\x02"
        "0100 0200",  // cut inside the spaces
        "\x02"
        "0100 0200 0300 LZ",  // cut before the last letter
        "\x02"
        "0100 0200 0300 LZH",  // cut before the CR
        "\x02"
        "0100 0200 0300 XZH\r",  // a bad letter
        "\x02"
        "0100 02G0 0300 LZH\r",  // a bad digit
        "\x02"
        "0100  0200 0300 LZH\r",  // a doubled space
        "\x02\x02\x02",           // a run of STX
        "\x02"
        "0100 0200 0300 LZH\n",  // LF for CR
    };
    BringUp();
    size_t expected = 0;
    for (const std::string& damaged : cases) {
        SCOPED_TRACE(damaged);
        port.Feed(damaged);
        port.Feed(good);
        protocol.ReceiveBytes();
        ++expected;
        ASSERT_EQ(hooks.frames.size(), expected);
        EXPECT_EQ(hooks.frames.back().rawForce, 0x0200);
        EXPECT_EQ(hooks.frames.back().mode, 3);
    }
}

TEST_F(ProtocolTest, ABrokenAcknowledgementRestartsAtTheNextSoh) {
    BringUp();
    for (const char* damaged : {"\x01O", "\x01", "\x01OK"}) {
        SCOPED_TRACE(damaged);
        ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdZ));
        clock.Advance(1);
        protocol.CheckTimeouts();
        ASSERT_EQ(protocol.GetReceiveState(), CQXBeamProtocol::kWaitAck);
        port.Feed(damaged);
        port.Feed(kAck);
        protocol.ReceiveBytes();
        EXPECT_FALSE(protocol.IsCommandPending());
        EXPECT_EQ(protocol.GetReceiveState(), CQXBeamProtocol::kWaitData);
    }
}

TEST_F(ProtocolTest, DataFramesAreSkippedWhileAReplyIsAwaited) {
    BringUp();
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdN));
    clock.Advance(1);
    protocol.CheckTimeouts();
    port.Feed(Frame(1, 2, 3));
    protocol.ReceiveBytes();
    EXPECT_TRUE(hooks.frames.empty());
    EXPECT_TRUE(protocol.IsCommandPending());
}

TEST_F(ProtocolTest, AnUnaskedFrameSetsTheTestFlagAndStopsPolling) {
    BringUp();
    port.Feed(Frame(0x5000, 0x8000, 0x0800));
    Pass();
    ASSERT_EQ(hooks.frames.size(), 1u);
    EXPECT_TRUE(protocol.GetState().test);
    const size_t writes = port.writes.size();
    // The instrument keeps sending by itself every 500 ms: no polls.
    for (int i = 0; i < 8; ++i) {
        RunFor(500);
        port.Feed(Frame(0x5000, 0x8000, 0x0800));
    }
    Pass();
    EXPECT_EQ(port.writes.size(), writes);
    EXPECT_EQ(hooks.frames.size(), 9u);
    EXPECT_TRUE(hooks.statuses.empty());
    // A gap of more than a second under load is loss of the instrument.
    RunFor(1000);
    EXPECT_TRUE(hooks.statuses.empty());
    RunFor(20);
    EXPECT_EQ(hooks.statuses, std::vector<unsigned>{55});
    EXPECT_FALSE(protocol.GetState().test);
}

TEST_F(ProtocolTest, LoadAndEndAcknowledgementsSetAndClearTheTestFlag) {
    BringUp();
    protocol.SetLoadValue(480);
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdL));
    RunFor(20);
    ASSERT_EQ(port.writes.back().text, "01E0L\r");
    port.Feed(kAck);
    Pass();
    EXPECT_TRUE(protocol.GetState().test);
    EXPECT_TRUE(protocol.IsTarePending());
    EXPECT_EQ(protocol.GetLastFrameTime(), clock.Now() - 10);
    protocol.ClearTarePending();
    // A second load acknowledged under load does not ask for a new tare.
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdL));
    RunFor(20);
    port.Feed(kAck);
    Pass();
    EXPECT_TRUE(protocol.GetState().test);
    EXPECT_FALSE(protocol.IsTarePending());
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdD));
    RunFor(20);
    port.Feed(kAck);
    Pass();
    EXPECT_FALSE(protocol.GetState().test);
}

TEST_F(ProtocolTest, AVersionWithASixthCharacterIsLostAfterTheTimeout) {
    ASSERT_TRUE(RunUntilWrites(1));
    port.Feed("V2.0001\r");
    Pass();
    EXPECT_EQ(protocol.GetReceiveState(), CQXBeamProtocol::kWaitAck);
    EXPECT_EQ(protocol.GetFirmwareVersion(), "?");
    RunFor(1000);
    EXPECT_EQ(hooks.statuses, std::vector<unsigned>{55});
}

TEST_F(ProtocolTest, AClosedPortAlternates1117And55OnConsecutivePasses) {
    port.open = false;
    RunFor(200);
    ASSERT_GE(hooks.statuses.size(), 6u);
    for (size_t i = 0; i < hooks.statuses.size(); ++i)
        EXPECT_EQ(hooks.statuses[i], i % 2 == 0 ? 1117u : 55u) << i;
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(port.reads, 0);
}

TEST_F(ProtocolTest, AFailedWriteIs1117AndTheCommandThenTimesOut) {
    BringUp();
    port.writeError = 1003;
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdZ));
    clock.Advance(1);
    Pass();
    EXPECT_EQ(hooks.statuses, std::vector<unsigned>{1117});
    EXPECT_TRUE(protocol.IsCommandPending());
    Pass();
    EXPECT_EQ(hooks.statuses, (std::vector<unsigned>{1117, 55}));
    EXPECT_NE(protocol.GetPendingCommand(), CQXBeamProtocol::kCmdZ);  // never resent
}

TEST_F(ProtocolTest, ALineThatNeverPausesCannotHoldThePass) {
    ASSERT_TRUE(RunUntilWrites(1));
    port.endless = true;  // and the port cannot tell how much is waiting
    const long before = port.reads;
    protocol.ReceiveBytes();
    EXPECT_EQ(port.reads - before, static_cast<long>(CQXBeamProtocol::kMaxBytesPerPass));
    // Time-outs still run: the version request is declared lost.
    RunFor(1100);
    EXPECT_EQ(hooks.statuses, std::vector<unsigned>{55});
}

TEST_F(ProtocolTest, APassReadsOnlyTheBytesWaitingWhenItStarts) {
    BringUp();
    port.Feed(Frame(1, 2, 3));
    port.Feed(Frame(4, 5, 6));
    const long before = port.reads;
    protocol.ReceiveBytes();
    EXPECT_EQ(port.reads - before, 40);
    EXPECT_EQ(hooks.frames.size(), 2u);
    // Nothing waiting: no read at all, so the pass never waits on the line.
    protocol.ReceiveBytes();
    EXPECT_EQ(port.reads - before, 40);
}

TEST_F(ProtocolTest, StatusLettersGiveModeRemoteAndZero) {
    struct Case {
        const char* letters;
        int mode;
        BOOL remote, zero;
    };
    const Case cases[] = {
        {"LZN", 0, FALSE, TRUE}, {"RLB", 1, TRUE, FALSE}, {"LLC", 2, FALSE, FALSE}, {"RZH", 3, TRUE, TRUE}};
    BringUp();
    for (const Case& c : cases) {
        port.Feed(Frame(0, 0, 0, c.letters));
        protocol.ReceiveBytes();
        ASSERT_FALSE(hooks.frames.empty());
        EXPECT_EQ(hooks.frames.back().mode, c.mode) << c.letters;
        EXPECT_EQ(hooks.frames.back().remote, c.remote) << c.letters;
        EXPECT_EQ(hooks.frames.back().zero, c.zero) << c.letters;
    }
    EXPECT_EQ(hooks.frames.back().count, 4);
}

TEST_F(ProtocolTest, AResetPutsEverythingBack) {
    BringUp();
    port.Feed(Frame(0x1111, 0x2222, 0x3333, "RLB"));
    protocol.ReceiveBytes();
    ASSERT_EQ(protocol.GetState().count, 1);
    ASSERT_TRUE(protocol.SendCommand(CQXBeamProtocol::kCmdZ));
    clock.Advance(123);
    protocol.ResetProtocol();
    const BeamState& s = protocol.GetState();
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.rawForce, 0);
    EXPECT_EQ(s.rawDeflection, 0);
    EXPECT_EQ(s.rawTemperature, 0);
    EXPECT_EQ(s.mode, 0);
    EXPECT_FALSE(s.remote);
    EXPECT_TRUE(s.zero);
    EXPECT_FALSE(s.test);
    EXPECT_FALSE(protocol.IsCommandPending());
    EXPECT_FALSE(protocol.IsTarePending());
    EXPECT_EQ(protocol.GetFirmwareVersion(), "?");
    EXPECT_EQ(protocol.GetReceiveState(), CQXBeamProtocol::kWaitData);
    EXPECT_EQ(protocol.GetLastFrameTime(), clock.Now());
    EXPECT_EQ(protocol.GetLinkStartTime(), clock.Now());
}

TEST_F(ProtocolTest, TheNextDeadlineIsWhenACheckOrAPollHasWork) {
    // Version unknown and nothing queued: the poll has work now.
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 0u);
    protocol.Poll();  // queues "V", dated one time-out back
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 1u);
    clock.Advance(1);
    protocol.CheckTimeouts();
    ASSERT_EQ(port.writes.size(), 1u);
    // The reply's time-out is 1001 ms away; waits are capped at a second.
    EXPECT_EQ(protocol.MillisecondsUntilDue(), CQXBeamProtocol::kMaxIdleWait);
    clock.Advance(400);
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 601u);
    port.Feed("V2.000\r");
    protocol.ReceiveBytes();
    // The first "G": more than 1000 ms after the reset.
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 1001u - 401u);
    clock.Advance(600);
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 0u);
    protocol.Poll();
    clock.Advance(1);
    protocol.CheckTimeouts();
    port.Feed(Frame(1, 2, 3));
    clock.Advance(20);
    protocol.ReceiveBytes();
    // The next "G": more than 700 ms after that frame.
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 701u);
    // Under load: the gap limit of the instrument's own frames.
    port.Feed(Frame(1, 2, 3));
    protocol.ReceiveBytes();
    ASSERT_TRUE(protocol.GetState().test);
    clock.Advance(300);
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 701u);
    protocol.ResetProtocol();
    EXPECT_EQ(protocol.MillisecondsUntilDue(), 0u);
}

TEST_F(ProtocolTest, WaitingOnlyUntilEachDeadlineSendsWhatFixedPassesSend) {
    // The same silent-then-answering instrument, once with a pass every
    // 10 ms and once with passes only when due: the same commands go out.
    auto run = [](bool onDeadlines) {
        platform::ManualClock clock(1000);
        FakePort port(clock);
        RecordingHooks hooks;
        CQXBeamProtocol protocol(port, clock, hooks);
        hooks.protocol = &protocol;
        protocol.ResetProtocol();
        std::vector<std::string> texts;
        const uint32_t end = clock.Now() + 8000;
        while (static_cast<int32_t>(end - clock.Now()) > 0) {
            const size_t before = port.writes.size();
            protocol.ReceiveBytes();
            protocol.CheckTimeouts();
            protocol.Poll();
            // The instrument answers every poll at once, and the version
            // only after its first request was lost.
            for (size_t i = before; i < port.writes.size(); ++i) {
                const std::string& text = port.writes[i].text;
                texts.push_back(text);
                if (text == "G\r") port.Feed(Frame(5, 6, 7));
                if (text == "V\r" && hooks.resets > 1) port.Feed("V2.000\r");
            }
            // A waiting byte wakes the worker after the pass interval.
            const bool input = !port.input.empty();
            clock.Advance(onDeadlines && !input ? std::max(protocol.MillisecondsUntilDue(), 10u) : 10u);
        }
        return std::make_pair(texts, hooks.frames.size());
    };
    const auto fixed = run(false);
    const auto due = run(true);
    EXPECT_EQ(due.first, fixed.first);
    EXPECT_EQ(due.second, fixed.second);
    EXPECT_GE(fixed.second, 5u);
}

TEST_F(ProtocolTest, TimesAreComparedAcrossTheTickCounterWrap) {
    clock.Set(0xFFFFFF00u);
    protocol.ResetProtocol();
    BringUp();
    ASSERT_TRUE(RunUntilWrites(2));
    EXPECT_EQ(port.writes[1].text, "G\r");
    EXPECT_LT(port.writes[1].time, 0x1000u);  // past the wrap, a second after the reset
}

}  // namespace
