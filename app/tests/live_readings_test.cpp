#include <gtest/gtest.h>

#include <string>

#include "app/LiveReadings.h"

namespace {

using W = LiveReadings::Write;
using F = LiveReadings::Field;

LiveReadings::Update Valid(float force, float deflection, float temperature, bool resolution = true) {
    LiveReadings::Update u;
    u.target = -12.0;
    u.readingsValid = true;
    u.force = force;
    u.deflection = deflection;
    u.temperature = temperature;
    u.forceResolution = resolution;
    return u;
}

LiveReadings::Update Lost(unsigned status = 55) {
    LiveReadings::Update u;
    u.target = -12.0;
    u.status = status;
    return u;
}

TEST(LiveReadings, FirstValidUpdateWritesEverythingAndAnIdenticalOneNothing) {
    LiveReadings bar;
    const auto first = bar.Apply(Valid(52.46f, 0.1234f, -12.01f));
    EXPECT_EQ(first.writes, (std::vector<W>{{F::kTarget, "  -12.00"},
                                            {F::kTemperature, "  -12.01"},
                                            {F::kForce, "  52.5"},
                                            {F::kDeflection, "  0.123"}}));
    EXPECT_FALSE(first.reportError);
    EXPECT_TRUE(bar.Apply(Valid(52.46f, 0.1234f, -12.01f)).writes.empty());
    // Only what changed.
    EXPECT_EQ(bar.Apply(Valid(52.46f, 0.2f, -12.01f)).writes, (std::vector<W>{{F::kDeflection, "  0.200"}}));
}

TEST(LiveReadings, ForceDecimalsFollowTheResolution) {
    struct Case {
        bool resolution;
        float force;
        const char* text;
    };
    for (const Case& c : {Case{false, 52.46f, "  52"}, Case{true, 52.46f, "  52.5"},
                          Case{false, -0.4f, "  -0"}, Case{true, 1234.56f, "  1234.6"}}) {
        LiveReadings bar;
        const auto r = bar.Apply(Valid(c.force, 0, 0, c.resolution));
        ASSERT_EQ(r.writes.size(), 4u);
        EXPECT_EQ(r.writes[2], (W{F::kForce, c.text})) << c.force;
    }
}

TEST(LiveReadings, CalibrationDefaultStillShowsReadingsAndReportsNothing) {
    LiveReadings bar;
    bar.Apply(Valid(10, 0.1f, -12));
    LiveReadings::Update u = Valid(11, 0.1f, -12);
    u.readingsValid = false;  // GetReadings refuses at 1015 but copies
    u.status = 1015;
    const auto r = bar.Apply(u);
    EXPECT_FALSE(r.reportError);
    EXPECT_EQ(r.writes, (std::vector<W>{{F::kForce, "  11.0"}}));
}

TEST(LiveReadings, DuringATestFailuresLeaveTheValuesAndSayNothing) {
    LiveReadings bar;
    bar.Apply(Valid(10, 0.1f, -12));
    LiveReadings::Update u = Lost();
    u.testRunning = true;
    u.force = 10;
    u.deflection = 0.1f;
    u.temperature = -12;
    const auto r = bar.Apply(u);
    EXPECT_FALSE(r.reportError);
    EXPECT_TRUE(r.writes.empty());
}

// A line that dies during a test: the failed readings hold zeros (the
// protocol's reset), which must not pass for readings. The last values stay
// while the test runs; once it has ended with the line still dead the bar
// shows "?" as it does when the line dies while idle, and tells the loss
// unless a box has told it already (the test's own loss box); a loss the
// test did not tell (it was ending already) is told once.
TEST(LiveReadings, LineDeadDuringATestKeepsTheLastValuesThenShowsQuestionMarks) {
    for (unsigned status : {55u, 1117u}) {
        for (bool told : {true, false}) {
            SCOPED_TRACE(std::to_string(status) + (told ? " told by the test" : " untold"));
            LiveReadings bar;
            LiveReadings::Update running = Valid(981.5f, 0.3456f, -11.98f);
            running.testRunning = true;
            bar.Apply(running);
            running = Lost(status);
            running.testRunning = true;  // zeros in the failed copy
            for (int i = 0; i < 3; ++i) {
                const auto r = bar.Apply(running);
                EXPECT_TRUE(r.writes.empty());
                EXPECT_FALSE(r.reportError);
            }
            LiveReadings::Update ended = Lost(status);
            ended.lossTold = told;
            const auto r = bar.Apply(ended);
            EXPECT_EQ(
                r.writes,
                (std::vector<W>{{F::kTemperature, "   ?"}, {F::kForce, "   ?"}, {F::kDeflection, "   ?"}}));
            EXPECT_EQ(r.reportError, !told);
            EXPECT_TRUE(bar.Apply(Lost(status)).writes.empty());
            EXPECT_FALSE(bar.Apply(Lost(status)).reportError);

            // The line back and lost again while idle: reported as ever.
            bar.Apply(Valid(35, 0.1f, -12));
            EXPECT_TRUE(bar.Apply(Lost(status)).reportError);
        }
    }
}

TEST(LiveReadings, LossShowsQuestionMarksOnceAndRecoveryRedrawsInFull) {
    LiveReadings bar;
    // A failure before the first valid reading says nothing.
    EXPECT_FALSE(bar.Apply(Lost(1117)).reportError);
    bar.Apply(Valid(10, 0.1f, -12));

    const auto lost = bar.Apply(Lost());
    EXPECT_TRUE(lost.reportError);
    EXPECT_EQ(lost.writes,
              (std::vector<W>{{F::kTemperature, "   ?"}, {F::kForce, "   ?"}, {F::kDeflection, "   ?"}}));
    const auto again = bar.Apply(Lost());
    EXPECT_FALSE(again.reportError);
    EXPECT_TRUE(again.writes.empty());

    // The same numbers as before the loss are written again.
    EXPECT_EQ(
        bar.Apply(Valid(10, 0.1f, -12)).writes,
        (std::vector<W>{{F::kTemperature, "  -12.00"}, {F::kForce, "  10.0"}, {F::kDeflection, "  0.100"}}));
}

TEST(LiveReadings, TargetWrittenWhenItChangesAndKeptWhenUnreadable) {
    LiveReadings bar;
    LiveReadings::Update u = Lost(1117);
    u.target = -18.0;
    EXPECT_EQ(bar.Apply(u).writes, (std::vector<W>{{F::kTarget, "  -18.00"}}));
    u.target.reset();
    EXPECT_TRUE(bar.Apply(u).writes.empty());
    u.target = -18.0;
    EXPECT_TRUE(bar.Apply(u).writes.empty());
}

}  // namespace
