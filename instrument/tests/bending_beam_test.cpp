#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include "framework/core/TestDoubles.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/ReadingConversion.h"
#include "instrument/TempOffsetTable.h"
#include "instrument/tests/support/SteppedClock.h"
#include "platform/Errors.h"
#include "platform/tests/TempDir.h"
#include "platform/tests/support/PtyPair.h"
#include "settings/CQXRegistry.h"

namespace {

using testsupport::PtyPair;
using testsupport::SteppedClock;

std::string Frame(unsigned d, unsigned f, unsigned t, const char* letters = "LZN") {
    char text[32];
    std::snprintf(text, sizeof text, "\x02%04X %04X %04X %s\r", d, f, t, letters);
    return text;
}

const std::string kAck = "\x01OK\r";

class BeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
        window = posts.CreateWindow();
        beam.AddNotifyWindow(window);
    }
    void TearDown() override {
        clock.Free();
        beam.Close();
        ::unsetenv("RYX_CONFIG_DIR");
    }
    // Every calibration value stored, at the defaults' values, force in tenths.
    void Calibrate() {
        using D = ConversionDefaults;
        ASSERT_EQ(theRegistry.SetForceZero(D::kForceZero), 0u);
        ASSERT_EQ(theRegistry.SetForceConstant(D::kForceConstant), 0u);
        ASSERT_EQ(theRegistry.SetForceResolution(1), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionWhite(D::kDeflectionWhite), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionZero(D::kDeflectionZero), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockRed(D::kGageBlockRed), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockWhite(12.5), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionBluConstant(D::kBluConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionWhtConstant(D::kWhtConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionTopConstant(D::kTopConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionCompliance(D::kCompliance), 0u);
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(clock.Step());
    }
    // The far end expects exactly these bytes next.
    void Expect(const std::string& text) { EXPECT_EQ(pty.Receive(text.size()), text); }
    // The far end answers; the worker takes it on its next pass.
    void Reply(const std::string& text) {
        ASSERT_TRUE(pty.Send(text));
        ASSERT_TRUE(pty.WaitSlaveReadable());
        Steps(1);
    }
    // Worker running, line open, version asked and answered.
    void BringUp(const char* version = "2.000") {
        ASSERT_TRUE(beam.Open());
        ASSERT_TRUE(clock.WaitAsleep());
        ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
        Steps(2);  // the poll queues "V", the next pass writes it
        Expect("V\r");
        Reply(std::string("V") + version + "\r");
        ASSERT_EQ(beam.GetFirmwareVersion(), version);
    }
    // Steps until the poll has written "G" (a little over a second).
    void UntilPolled() {
        Steps(110);
        Expect("G\r");
    }
    size_t UpdatesTo(fw::WindowId w) const {
        size_t n = 0;
        for (const auto& p : posts.PostsTo(w)) {
            EXPECT_EQ(p.message, WM_INSTRUMENT_UPDATE);
            EXPECT_EQ(p.wParam, 0u);
            EXPECT_EQ(p.lParam, 0);
            ++n;
        }
        return n;
    }

    ryxtest::TempDir config;
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    SteppedClock clock;
    PtyPair pty;
    CQXBendingBeam beam{clock};
    fw::WindowId window = fw::kNoWindow;
};

TEST_F(BeamTest, WithThePortClosedTheStatusAlternates1117And55) {
    EXPECT_EQ(beam.GetStatus(), 1117u);
    ASSERT_TRUE(beam.Open());
    ASSERT_TRUE(clock.WaitAsleep());
    EXPECT_TRUE(beam.IsWorkerRunning());
    std::vector<unsigned> seen;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(clock.Step());
        seen.push_back(beam.GetStatus());
    }
    size_t changes = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], i % 2 == 0 ? 1117u : 55u) << i;
        if (i > 0 && seen[i] != seen[i - 1]) ++changes;
    }
    // The first 1117 is no change; every change since is one post.
    EXPECT_EQ(UpdatesTo(window), changes);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(BeamTest, SetPortOpensTheLineAsksTheVersionPollsAndConverts) {
    Calibrate();
    BringUp();
    EXPECT_EQ(beam.GetStatus(), 0u);
    EXPECT_EQ(UpdatesTo(window), 1u);  // the change to 0
    UntilPolled();
    Reply(Frame(20037, 36757, 0xF830, "RLB"));
    EXPECT_EQ(UpdatesTo(window), 2u);
    BeamReadings r;
    ASSERT_TRUE(beam.GetReadings(r));
    EXPECT_EQ(r.count, 1);
    EXPECT_FLOAT_EQ(r.deflection.m_data, 0.15295f);
    EXPECT_FLOAT_EQ(r.force.m_data, 152.1f);
    EXPECT_FLOAT_EQ(r.temperature.m_data, -20.0f);
    EXPECT_EQ(r.mode, 1);
    EXPECT_TRUE(r.remote);
    EXPECT_FALSE(r.zero);
    EXPECT_FALSE(r.test);
    BeamState s;
    ASSERT_TRUE(beam.GetState(s));
    EXPECT_EQ(s.rawDeflection, 20037);
    EXPECT_EQ(s.rawForce, 36757);
    EXPECT_EQ(s.rawTemperature, 0xF830);
    // Polls go on after each frame.
    UntilPolled();
    beam.ReportError("nothing to say");
    EXPECT_EQ(boxes.Count(), 0u);  // status 0 shows nothing
}

TEST_F(BeamTest, UpdatesGoToTheLastAddedWindowFirstAndToEachOnce) {
    const fw::WindowId second = posts.CreateWindow();
    const fw::WindowId gone = posts.CreateWindow();
    beam.AddNotifyWindow(gone);
    beam.AddNotifyWindow(second);
    beam.AddNotifyWindow(window);  // already listed: stays where it is
    posts.DestroyWindow(gone);
    ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
    auto all = posts.Posts();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].window, second);
    EXPECT_EQ(all[1].window, window);
    EXPECT_EQ(posts.Dropped(), 1u);  // the window that went is skipped
    beam.RemoveNotifyWindow(second);
    EXPECT_EQ(beam.SetPort("NONE"), 1117u);
    all = posts.Posts();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[2].window, window);
}

TEST_F(BeamTest, MissingCalibrationGives1015WithReadingsStillFlowing) {
    BringUp();
    UntilPolled();
    Reply(Frame(20037, 36750, 0xF830));
    EXPECT_EQ(beam.GetStatus(), 1015u);
    EXPECT_EQ(UpdatesTo(window), 2u);  // 0 at SetPort, then the frame (1015 itself posts nothing)
    BeamReadings r;
    EXPECT_FALSE(beam.GetReadings(r));
    EXPECT_EQ(r.count, 1);  // copied all the same
    EXPECT_FLOAT_EQ(r.force.m_data, 151.0f);
    EXPECT_FLOAT_EQ(r.deflection.m_data, 0.15296f);
    BeamState s;
    EXPECT_TRUE(beam.GetState(s));
    double uncorrected = 0;
    EXPECT_TRUE(beam.GetUncorrectedTemperature(uncorrected));
    EXPECT_EQ(uncorrected, -20.0);
    beam.ReportError("Check the calibration.");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "There is an error in the RYX calibration data.\n\nCheck the calibration.");
    EXPECT_EQ(boxes.Boxes()[0].type, MB_OK | MB_SETFOREGROUND);
    // Once calibrated, the next frame is good again.
    Calibrate();
    UntilPolled();
    Reply(Frame(20037, 36750, 0xF830));
    EXPECT_EQ(beam.GetStatus(), 0u);
    EXPECT_TRUE(beam.GetReadings(r));
}

TEST_F(BeamTest, TheTareIsTakenAtTheFirstFrameAfterTheLoadAcknowledgement) {
    Calibrate();
    BringUp();
    ASSERT_TRUE(beam.StartLoad(480));
    EXPECT_FALSE(beam.StartLoad(5));  // pending: refused, value kept
    EXPECT_EQ(beam.GetLoadValue(), 480);
    Steps(1);
    Expect("01E0L\r");
    Reply(kAck);
    BeamState s;
    ASSERT_TRUE(beam.GetState(s));
    EXPECT_TRUE(s.test);
    // The instrument now sends by itself, every 500 ms.
    Steps(49);
    Reply(Frame(20037, 36750, 0xF830));
    BeamReadings r;
    ASSERT_TRUE(beam.GetReadings(r));
    EXPECT_EQ(r.deflection.m_data, 0.0f);
    EXPECT_TRUE(r.test);
    Steps(49);
    Reply(Frame(21037, 37750, 0xF830));
    ASSERT_TRUE(beam.GetReadings(r));
    EXPECT_FLOAT_EQ(r.deflection.m_data, 0.15296f);
    EXPECT_FLOAT_EQ(r.force.m_data, 302.0f);
    ASSERT_TRUE(beam.EndLoad());
    Steps(1);
    Expect("D\r");
    Reply(kAck);
    ASSERT_TRUE(beam.GetState(s));
    EXPECT_FALSE(s.test);
    UntilPolled();  // polling resumes
    Reply(Frame(21037, 37750, 0xF830));
    ASSERT_TRUE(beam.GetReadings(r));
    EXPECT_FLOAT_EQ(r.deflection.m_data, 0.30592f);  // absolute again
}

TEST_F(BeamTest, CommandsGoOutOneAtATime) {
    Calibrate();
    BringUp();
    struct Case {
        BOOL (*send)(CQXBendingBeam&);
        const char* text;
    };
    const Case cases[] = {
        {[](CQXBendingBeam& b) { return b.SetTemperatureControl(TRUE, TRUE); }, "B\r"},
        {[](CQXBendingBeam& b) { return b.SetTemperatureControl(TRUE, FALSE); }, "H\r"},
        {[](CQXBendingBeam& b) { return b.SetTemperatureControl(FALSE, TRUE); }, "C\r"},
        {[](CQXBendingBeam& b) { return b.SetTemperatureControl(FALSE, FALSE); }, "N\r"},
        {[](CQXBendingBeam& b) { return b.SendZero(); }, "Z\r"},
        {[](CQXBendingBeam& b) { return b.SendCommandR(); }, "R\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(c.send(beam));
        EXPECT_FALSE(beam.SendZero());
        Steps(1);
        Expect(c.text);
        EXPECT_FALSE(c.send(beam));  // still awaiting the acknowledgement
        Reply(kAck);
    }
    EXPECT_EQ(beam.GetStatus(), 0u);
}

TEST_F(BeamTest, ASetPointWaitsForTheVersionThenGoesOutRounded) {
    // The -18 degC set-point with its -0.26 degC calibration.
    std::vector<unsigned char> offsets(CQXRegistry::kOffsetsSize);
    for (int i = 0; i < TempOffsetTable::kEntries; ++i) {
        const int16_t v = i == -18 + 40 ? -26 : TempOffsetTable::kNotCalibrated;
        offsets[2 * i] = static_cast<unsigned char>(static_cast<uint16_t>(v));
        offsets[2 * i + 1] = static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8);
    }
    ASSERT_EQ(theRegistry.SetTemperatureOffsets(offsets.data(), CQXRegistry::kOffsetsSize), 0u);
    ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
    Calibrate();

    EXPECT_FALSE(beam.SetTemperature(-18.0));  // not even open
    ASSERT_TRUE(beam.Open());
    ASSERT_TRUE(clock.WaitAsleep());
    ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
    EXPECT_FALSE(beam.SetTemperature(-18.0));  // version "?": refused, nothing queued
    Steps(2);
    Expect("V\r");
    EXPECT_FALSE(beam.SetTemperature(-18.0));  // the version request is pending
    Reply("V2.000\r");
    ASSERT_TRUE(beam.SetTemperature(-18.0));
    EXPECT_FALSE(beam.SetTemperature(-18.0));
    Steps(1);
    Expect("F912T\r");
    Reply(kAck);
    // A set-point outside the offset table is one without calibration.
    ASSERT_EQ(theRegistry.SetTestBath(-45.0), 0u);
    ASSERT_TRUE(beam.SetTemperature(-45.0));
    Steps(1);
    Expect("EE6CT\r");
    Reply(kAck);
}

TEST_F(BeamTest, OldFirmwareGetsAThermistorSetPoint) {
    Calibrate();
    ASSERT_EQ(theRegistry.SetTemperatureA0(1.315383), 0u);
    ASSERT_EQ(theRegistry.SetTemperatureA1(0.229949), 0u);
    ASSERT_EQ(theRegistry.SetTemperatureA3(2.17922e-4), 0u);
    BringUp("1.500");
    ASSERT_TRUE(beam.SetTemperature(-18.0));
    Steps(1);
    Expect("873BT\r");  // the bridge's count for -18 degC
    Reply(kAck);
    EXPECT_EQ(beam.GetStatus(), 0u);
}

TEST_F(BeamTest, SetPortReturnsTheRealStatus) {
    EXPECT_EQ(beam.SetPort(""), 1117u);  // nothing open, nothing to open
    EXPECT_EQ(UpdatesTo(window), 0u);
    EXPECT_EQ(beam.SetPort("/nonexistent/ttyQ"), 1117u);
    EXPECT_EQ(UpdatesTo(window), 0u);  // 1117 already
    BringUp();
    const size_t updates = UpdatesTo(window);
    // The same name again: nothing happens, no reset (the version stays).
    EXPECT_EQ(beam.SetPort(pty.SlaveName()), 0u);
    EXPECT_EQ(beam.GetFirmwareVersion(), "2.000");
    EXPECT_EQ(UpdatesTo(window), updates);
    EXPECT_EQ(beam.SetPort("NONE"), 1117u);
    EXPECT_EQ(UpdatesTo(window), updates + 1);
    // The line is free again for someone else.
    CQXRS485Port other;
    EXPECT_EQ(other.Open(pty.SlaveName()), 0u);
}

TEST_F(BeamTest, CloseEndsTheWorkerBeforeThePortAndPostsNothingAfter) {
    Calibrate();
    BringUp();
    clock.Free();
    beam.Close();
    EXPECT_FALSE(beam.IsWorkerRunning());
    EXPECT_EQ(beam.GetStatus(), 1117u);
    const size_t updates = posts.Posts().size();
    // The line is closed: the far end's frame reaches nobody.
    ASSERT_TRUE(pty.Send(Frame(1, 2, 3)));
    CQXRS485Port other;
    EXPECT_EQ(other.Open(pty.SlaveName()), 0u);
    beam.Close();  // twice is harmless
    EXPECT_EQ(posts.Posts().size(), updates);
    EXPECT_EQ(beam.GetStatus(), 1117u);
}

TEST_F(BeamTest, AWorkerThatCannotStartIs1225WithItsMessage) {
    beam.SetThreadStarter([](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::generic_category());
    });
    EXPECT_FALSE(beam.Open());
    EXPECT_EQ(beam.GetStatus(), 1225u);
    EXPECT_FALSE(beam.IsWorkerRunning());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Unable to make connection with RYX.\n\n"});
    EXPECT_EQ(UpdatesTo(window), 0u);
}

TEST_F(BeamTest, ASilentInstrumentIs55UntilTheNextFrame) {
    Calibrate();
    BringUp();
    UntilPolled();
    Steps(102);  // no answer: lost after the time-out, a reset, a new request
    EXPECT_EQ(beam.GetStatus(), 55u);
    EXPECT_EQ(beam.GetFirmwareVersion(), "?");
    beam.ReportError("");
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"The RYX is not responding to commands from the computer.\n\n"});
    Expect("V\r");  // asked afresh, once
    Reply("V2.000\r");
    UntilPolled();
    Reply(Frame(20037, 36750, 0xF830));
    EXPECT_EQ(beam.GetStatus(), 0u);
}

}  // namespace

namespace {

// The worker as the station runs it: the real clock, sleeping until a byte,
// a queued command or a deadline. Only the order of events is checked.
TEST(BeamOnTheRealClock, QueuedCommandsAndArrivingFramesWakeTheWorker) {
    ryxtest::TempDir config;
    ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
    fw::RecordingPostService posts;
    fw::ServiceScope postScope(posts);
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    CQXBendingBeam beam;
    const fw::WindowId window = posts.CreateWindow();
    beam.AddNotifyWindow(window);
    ASSERT_TRUE(beam.Open());
    ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
    EXPECT_EQ(pty.Receive(2), "V\r");
    ASSERT_TRUE(pty.Send("V2.000\r"));
    // The load goes out as soon as the version request is answered.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!beam.StartLoad(480)) {
        ASSERT_LT(std::chrono::steady_clock::now(), until);
        std::this_thread::yield();
    }
    EXPECT_EQ(pty.Receive(6), "01E0L\r");
    ASSERT_TRUE(pty.Send(kAck + Frame(20037, 36750, 0xF830)));
    ASSERT_TRUE(posts.WaitForPosts(2, std::chrono::seconds(10)));  // 0 at SetPort, then the frame
    BeamReadings r;
    beam.GetReadings(r);
    EXPECT_EQ(r.count, 1);
    EXPECT_TRUE(r.test);
    EXPECT_EQ(r.deflection.m_data, 0.0f);
    ASSERT_TRUE(beam.EndLoad());
    EXPECT_EQ(pty.Receive(2), "D\r");
    beam.Close();
    EXPECT_FALSE(beam.IsWorkerRunning());
    EXPECT_EQ(beam.GetStatus(), 1117u);
    ::unsetenv("RYX_CONFIG_DIR");
}

// The station's instrument is built before any test can choose a clock: it
// follows the process-wide clock of the moment, and a test hands it a wait of
// its own before the worker starts, so it steps the station's very object.
TEST(BeamOnTheStationsClock, FollowsTheDefaultClockAndTakesTheTestsWait) {
    ryxtest::TempDir config;
    ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    CQXBendingBeam beam;  // as the application holds it
    SteppedClock clock;
    platform::SetDefaultClock(&clock);
    ASSERT_TRUE(beam.SetWorkerWait(std::make_unique<ClockWait>(clock, 10)));
    ASSERT_TRUE(beam.Open());
    ASSERT_TRUE(clock.WaitAsleep());  // the worker sleeps in the test's wait
    EXPECT_FALSE(beam.SetWorkerWait(std::make_unique<ClockWait>(clock, 10)));
    EXPECT_FALSE(beam.SetWorkerWait(nullptr));
    ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
    ASSERT_TRUE(clock.Step());
    ASSERT_TRUE(clock.Step());
    EXPECT_EQ(pty.Receive(2), "V\r");
    EXPECT_EQ(beam.GetLineCounts().written, 2u);
    ASSERT_TRUE(pty.Send("\x02" "12"));  // the start of a frame: counted as it is read
    ASSERT_TRUE(pty.WaitSlaveReadable());
    ASSERT_TRUE(clock.Step());
    EXPECT_EQ(beam.GetLineCounts().received, 3u);
    // Unanswered, "V" times out when a second of this clock has passed, and
    // not before (the protocol's time is the stepped clock's); the next pass
    // asks again.
    clock.Advance(980);
    ASSERT_TRUE(clock.Step());
    EXPECT_EQ(beam.GetStatus(), 0u);
    clock.Advance(20);
    ASSERT_TRUE(clock.Step());
    EXPECT_EQ(beam.GetStatus(), platform::kErrorDevNotExist);
    ASSERT_TRUE(clock.Step());
    EXPECT_EQ(pty.Receive(2), "V\r");
    clock.Free();
    beam.Close();
    platform::SetDefaultClock(nullptr);
    EXPECT_TRUE(beam.SetWorkerWait(std::make_unique<EventWait>()));
    ::unsetenv("RYX_CONFIG_DIR");
}

}  // namespace
