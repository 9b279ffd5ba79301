#pragma once
// A simulator on a ManualClock with the station's end of its line open.
#include <gtest/gtest.h>

#include <memory>

#include "platform/Clock.h"
#include "simulator/Simulator.h"
#include "simulator/tests/support/PtyPeer.h"

namespace ryxsim::testing {

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override { Start(SimulatedInstrument::Options{}); }

    void Start(const SimulatedInstrument::Options& options) {
        peer.reset();
        sim.reset();
        sent = 0;
        Simulator::Options o;
        o.instrument = options;
        o.clock = &clock;
        sim = std::make_unique<Simulator>(o);
        ASSERT_EQ(sim->Start(), 0u);
        peer = std::make_unique<PtyPeer>(sim->DevicePath());
        ASSERT_TRUE(peer->IsOpen());
    }

    // Moves virtual time on and lets the simulator catch up with it.
    void Advance(uint32_t ms) {
        clock.Advance(ms);
        sim->Sync();
    }
    // Bytes to the simulator; returns once it has read them.
    void Send(const std::string& bytes) {
        peer->Send(bytes);
        sent += bytes.size();
        ASSERT_TRUE(sim->WaitForInput(sent)) << "the simulator did not read what was sent";
    }
    // One command and the first frame that comes back.
    std::string Ask(const std::string& command) {
        Send(command);
        return peer->ReadFrame();
    }
    Frame AskData() {
        Frame f;
        const std::string bytes = Ask("G\r");
        EXPECT_TRUE(ParseDataFrame(bytes, f)) << "not a data frame: " << ::testing::PrintToString(bytes);
        return f;
    }

    platform::ManualClock clock{5000};
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<PtyPeer> peer;
    uint64_t sent = 0;
};

inline const std::string kAck = "\x01OK\r";

}  // namespace ryxsim::testing
