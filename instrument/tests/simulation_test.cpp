#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/core/TestDoubles.h"
#include "instrument/CQXBendingBeam.h"
#include "platform/Clock.h"
#include "platform/tests/TempDir.h"

namespace {

// The instrument object's simulated instrument, with no worker and no port.
class SimulationTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("RYX_CONFIG_DIR"); }
    BeamState State() {
        BeamState s;
        beam.GetState(s);
        return s;
    }
    // A simulated load of value counts, up to its first (tare) frame.
    void LoadAndTare(WORD value) {
        ASSERT_TRUE(beam.StartLoad(value));
        ASSERT_TRUE(beam.SimulateResponse(9));  // "L": also clears the pending command
        ASSERT_TRUE(beam.SimulateResponse(1));
        EXPECT_EQ(State().rawDeflection, 19037);
        EXPECT_EQ(State().rawForce, 35750);
    }

    ryxtest::TempDir config;
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    platform::ManualClock clock{100000};
    CQXBendingBeam beam{clock};
};

TEST_F(SimulationTest, TheRampRestsWithoutALoad) {
    const fw::WindowId window = posts.CreateWindow();
    beam.AddNotifyWindow(window);
    EXPECT_EQ(beam.SimulateDeflection(), 22616);
    EXPECT_TRUE(beam.SimulateResponse(1));
    // Processed as a frame from the line: published and announced.
    EXPECT_EQ(posts.PostsTo(window).size(), 1u);
    EXPECT_EQ(posts.Count(WM_INSTRUMENT_UPDATE), 1u);
    // No load, zero switch at Z: the tare words.
    EXPECT_EQ(State().rawDeflection, 19037);
    EXPECT_EQ(State().rawForce, 35750);
    EXPECT_EQ(State().count, 1);
    EXPECT_TRUE(State().remote);
    EXPECT_TRUE(State().zero);
    EXPECT_FALSE(State().test);
}

TEST_F(SimulationTest, TheRampFallsAndRisesBy3PerCount) {
    struct Case {
        WORD n;
        WORD ramp;
    };
    const Case cases[] = {{0, 22528},   {1, 22525},   {479, 21091}, {480, 21085},
                          {481, 21088}, {959, 22522}, {960, 22528}};
    for (const Case& c : cases) {
        ASSERT_TRUE(beam.SimulateResponse(3));  // reset
        LoadAndTare(c.n);
        EXPECT_EQ(beam.SimulateDeflection(), c.ramp) << "n = " << c.n;
    }
}

TEST_F(SimulationTest, LoadedFramesDecodeToTheForceAndTheRamp) {
    LoadAndTare(960);
    // Each frame counts down first: 959, 958, ...
    const WORD ramps[] = {22522, 22519};
    for (WORD ramp : ramps) {
        ASSERT_TRUE(beam.SimulateResponse(1));
        const BeamState s = State();
        EXPECT_EQ(s.rawForce, 42064);
        EXPECT_EQ(s.rawDeflection, ramp);
        EXPECT_TRUE(s.test);
        EXPECT_FALSE(s.zero);
    }
    ASSERT_TRUE(beam.SimulateResponse(3));
    LoadAndTare(480);
    ASSERT_TRUE(beam.SimulateResponse(1));  // 479
    EXPECT_EQ(State().rawDeflection, 21091);
    EXPECT_EQ(State().rawForce, 42064);
}

TEST_F(SimulationTest, TheLargestLoadDoesNotWrapTheCounter) {
    LoadAndTare(0xFFFF);  // counts from 65536
    EXPECT_FALSE(State().zero);
    // n = 65535: 136 ramps down and up, then 255 counts down.
    EXPECT_EQ(beam.SimulateDeflection(), 22528 - 255 * 3);
}

TEST_F(SimulationTest, AnEndedCountSetsTheZeroSwitch) {
    LoadAndTare(0);  // counter 1, then 0 at the tare frame
    EXPECT_FALSE(State().zero);
    ASSERT_TRUE(beam.SimulateResponse(1));
    EXPECT_TRUE(State().zero);
    EXPECT_EQ(State().rawDeflection, 19037);
    EXPECT_EQ(State().rawForce, 35750);
}

TEST_F(SimulationTest, CommandsChangeTheFrameTextsAsTheInstrumentWould) {
    EXPECT_EQ(beam.GetFirmwareVersion(), "");
    ASSERT_TRUE(beam.SimulateResponse(2));
    EXPECT_EQ(beam.GetFirmwareVersion(), "2.0");
    const struct {
        int command;
        int mode;
    } controls[] = {{5, 3}, {6, 2}, {7, 1}, {8, 0}};
    for (const auto& c : controls) {
        ASSERT_TRUE(beam.SimulateResponse(c.command));
        ASSERT_TRUE(beam.SimulateResponse(1));
        EXPECT_EQ(State().mode, c.mode) << c.command;
    }
    ASSERT_TRUE(beam.SimulateResponse(11));
    ASSERT_TRUE(beam.SimulateResponse(1));
    EXPECT_EQ(State().rawTemperature, 0x4B50);

    LoadAndTare(100);
    ASSERT_TRUE(beam.SimulateResponse(4));  // "D": the load ends
    EXPECT_FALSE(State().test);
    EXPECT_EQ(beam.SimulateDeflection(), 22616);
    ASSERT_TRUE(beam.SimulateResponse(10));  // "Z"
    ASSERT_TRUE(beam.SimulateResponse(1));
    EXPECT_TRUE(State().zero);

    ASSERT_TRUE(beam.SimulateResponse(3));  // "R": the protocol reset
    EXPECT_EQ(beam.GetFirmwareVersion(), "?");
    EXPECT_EQ(State().count, 0);

    for (int unknown : {0, 12, -1}) EXPECT_FALSE(beam.SimulateResponse(unknown)) << unknown;
    // A known command leaves no command pending.
    ASSERT_TRUE(beam.SendZero());
    EXPECT_FALSE(beam.SendZero());
    ASSERT_TRUE(beam.SimulateResponse(10));
    EXPECT_TRUE(beam.SendZero());
}

}  // namespace
