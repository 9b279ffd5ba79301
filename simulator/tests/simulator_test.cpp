// The simulator seen from the station's end of the line: bytes only.
#include "simulator/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "simulator/tests/support/SimFixture.h"
#include "simulator/tests/support/StationView.h"

namespace ryxsim {
namespace {

using testing::Frame;
using testing::kAck;
using testing::ParseDataFrame;
using SimulatorTest = testing::SimFixture;

TEST_F(SimulatorTest, AcknowledgesEveryCommandThatTakesNoData) {
    for (const char* command : {"Z\r", "D\r", "R\r", "H\r", "C\r", "B\r", "N\r", "0002L\r", "FB50T\r"}) {
        EXPECT_EQ(Ask(command), kAck) << command;
        if (std::string_view(command).ends_with("L\r")) {
            Frame first;
            EXPECT_TRUE(ParseDataFrame(peer->ReadFrame(), first));  // the load's first frame
            EXPECT_EQ(Ask("D\r"), kAck);
        }
    }
}

TEST_F(SimulatorTest, AnswersVersionAndData) {
    EXPECT_EQ(Ask("V\r"), "V2.000\r");
    const std::string data = Ask("G\r");
    ASSERT_EQ(data.size(), 20u);
    Frame f;
    ASSERT_TRUE(ParseDataFrame(data, f)) << data;
    EXPECT_EQ(f.remote, 'R');
    EXPECT_EQ(f.zero, 'Z');
    EXPECT_EQ(f.control, 'B');
}

TEST_F(SimulatorTest, ReportsTheFirmwareItWasGiven) {
    SimulatedInstrument::Options o;
    o.firmware = "1.960";
    Start(o);
    EXPECT_EQ(Ask("V\r"), "V1.960\r");
}

TEST_F(SimulatorTest, IgnoresWhatIsNoCommand) {
    // No reply to junk: the next thing on the line is the answer to V.
    Send("XYZ\r01e0L\rg\r" + std::string(100, '#') + "\r");
    EXPECT_EQ(Ask("V\r"), "V2.000\r");
}

TEST_F(SimulatorTest, ControlLettersFollowTheCommands) {
    for (const auto& [command, letter] : {std::pair{"H\r", 'H'}, {"C\r", 'C'}, {"N\r", 'N'}, {"B\r", 'B'}}) {
        ASSERT_EQ(Ask(command), kAck);
        EXPECT_EQ(AskData().control, letter) << command;
    }
}

TEST_F(SimulatorTest, LoadSendsItsOwnFramesEveryHalfSecondUntilD) {
    // Four half-seconds of load: the first frame comes with the
    // acknowledgement, 'L' while the load is on, 'Z' after it.
    ASSERT_EQ(Ask("0004L\r"), kAck);
    std::string zeros;
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    zeros.push_back(f.zero);
    for (int i = 1; i <= 7; ++i) {
        Advance(499);
        // Nothing yet: the next bytes are the answer to a marker command.
        ASSERT_EQ(Ask("V\r"), "V2.000\r") << "a frame came early, before frame " << i;
        Advance(1);
        ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f)) << "frame " << i;
        zeros.push_back(f.zero);
    }
    EXPECT_EQ(zeros, "LLLLZZZZ");

    ASSERT_EQ(Ask("D\r"), kAck);
    Advance(5000);
    EXPECT_EQ(Ask("V\r"), "V2.000\r") << "frames went on after D";
}

TEST_F(SimulatorTest, ALoadWhileFramesRunKeepsTheirCadence) {
    ASSERT_EQ(Ask("0002L\r"), kAck);
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    Advance(250);
    // A second load command in mid-period: no extra frame, the load extends.
    ASSERT_EQ(Ask("0004L\r"), kAck);
    std::string zeros;
    for (int i = 0; i < 5; ++i) {
        Advance(250);
        ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
        zeros.push_back(f.zero);
        Advance(249);
        EXPECT_EQ(Ask("V\r"), "V2.000\r") << "a frame out of cadence";
        Advance(1);
    }
    // Load from 250 ms for 2 s: on at 500, 1000, 1500, 2000; off at 2500.
    EXPECT_EQ(zeros, "LLLLZ");
}

TEST_F(SimulatorTest, ZeroCommandReleasesTheLoadButNotTheFrames) {
    ASSERT_EQ(Ask("00FFL\r"), kAck);
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    EXPECT_EQ(f.zero, 'L');
    ASSERT_EQ(Ask("Z\r"), kAck);
    Advance(500);
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    EXPECT_EQ(f.zero, 'Z');
}

TEST_F(SimulatorTest, LoadSwitchHoldsTheLoadAgainstZero) {
    sim->SetLoadSwitch(true);
    EXPECT_EQ(AskData().zero, 'L');
    ASSERT_EQ(Ask("Z\r"), kAck);
    EXPECT_EQ(AskData().zero, 'L') << "the front-panel switch wins over the zero command";
    sim->SetLoadSwitch(false);
    sim->SetRemote(false);
    const Frame f = AskData();
    EXPECT_EQ(f.zero, 'Z');
    EXPECT_EQ(f.remote, 'L');
}

TEST_F(SimulatorTest, TimeScaleRunsTheFramesFaster) {
    SimulatedInstrument::Options o;
    o.timeScale = 10;
    Start(o);
    ASSERT_EQ(Ask("0014L\r"), kAck);  // 20 half-seconds
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    int frames = 0;
    for (int i = 0; i < 20; ++i) {
        Advance(49);
        ASSERT_EQ(Ask("V\r"), "V2.000\r");
        Advance(1);
        ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
        frames += f.zero == 'L';
    }
    EXPECT_EQ(frames, 19);  // the 20th frame, at 1 s real, is after the load
}

// --- what the counts mean -------------------------------------------------

class ConversionTest : public testing::SimFixture {
protected:
    testing::Readings Read() {
        testing::StationView station(sim->GetCalibration());
        return station.Convert(AskData());
    }
};

TEST_F(ConversionTest, GageBlockLevelsReadTheirHeights) {
    const GageBlock g = sim->GetCalibration().gage;
    const std::pair<GageLevel, double> levels[] = {{GageLevel::kTop, g.red - g.top},
                                                   {GageLevel::kRed, 0.0},
                                                   {GageLevel::kWhite, g.red - g.white},
                                                   {GageLevel::kBlue, g.red - g.blue}};
    sim->AddMass(100);
    for (const auto& [level, want] : levels) {
        sim->PlaceGageBlock(level);
        const testing::Readings r = Read();
        EXPECT_NEAR(r.deflection, want, 0.001) << GageName(level);
        EXPECT_NEAR(r.force, 0.0, 1.0) << "the block carries the shaft, not the load cell";
    }
}

TEST_F(ConversionTest, ForceOfContactLoadAndMasses) {
    sim->InsertBeam(BeamKind::kThickSteel);
    EXPECT_NEAR(Read().force, 35.0, 0.5);
    sim->SetContactLoad(20.0);
    EXPECT_NEAR(Read().force, 20.0, 0.5);
    sim->AddMass(2);
    EXPECT_NEAR(Read().force, 20.0 + 2 * 9.80665, 0.5);
    sim->AddMass(100);
    sim->RemoveMass(2);
    EXPECT_NEAR(Read().force, 20.0 + 100 * 9.80665, 0.5);
    sim->RemoveAllMasses();
    sim->InsertBeam(BeamKind::kNone);
    EXPECT_NEAR(Read().force, 0.0, 0.5);
}

TEST_F(ConversionTest, BathTemperatureInHundredthsAndFollowsTheSetPoint) {
    EXPECT_NEAR(Read().temperature, -12.0, 0.03);
    ASSERT_EQ(Ask("F8F8T\r"), kAck);  // -18.00
    for (int i = 0; i < 20; ++i) Advance(60000);
    EXPECT_NEAR(Read().temperature, -18.0, 0.03);
    // Control off: the bath drifts towards the room.
    ASSERT_EQ(Ask("N\r"), kAck);
    for (int i = 0; i < 10; ++i) Advance(60000);
    EXPECT_GT(Read().temperature, -17.0);
}

TEST_F(ConversionTest, HeatingOnlyCannotCool) {
    ASSERT_EQ(Ask("H\r"), kAck);
    ASSERT_EQ(Ask("F8F8T\r"), kAck);
    for (int i = 0; i < 10; ++i) Advance(60000);
    EXPECT_GT(Read().temperature, -12.1);
    ASSERT_EQ(Ask("C\r"), kAck);
    for (int i = 0; i < 20; ++i) Advance(60000);
    EXPECT_NEAR(Read().temperature, -18.0, 0.03);
}

TEST_F(ConversionTest, OldFirmwareSendsThermistorCounts) {
    SimulatedInstrument::Options o;
    o.firmware = "1.500";
    Start(o);
    testing::StationView station(sim->GetCalibration(), false);
    const Frame f = AskData();
    EXPECT_NEAR(station.Convert(f).temperature, -12.0, 0.05);
    EXPECT_GT(std::abs(static_cast<int16_t>(f.temperature) / 100.0 + 12.0), 10.0)
        << "a thermistor count, not hundredths of a degree";
    // The set-point arrives as a thermistor count too.
    const uint16_t word = sim->GetCalibration().TemperatureToWord(-20.0, false);
    char command[8];
    std::snprintf(command, sizeof command, "%04XT\r", word);
    ASSERT_EQ(Ask(command), kAck);
    for (int i = 0; i < 20; ++i) Advance(60000);
    EXPECT_NEAR(station.Convert(AskData()).temperature, -20.0, 0.05);
}

// --- faults ---------------------------------------------------------------

TEST_F(SimulatorTest, SilentAnswersNothingAndDropsWhatItHears) {
    sim->SetSilent(true);
    Send("G\rV\r0004L\r");
    Advance(3000);
    sim->SetSilent(false);
    EXPECT_EQ(Ask("V\r"), "V2.000\r") << "something was sent while silent";
    Advance(1000);
    EXPECT_EQ(Ask("V\r"), "V2.000\r") << "the load sent while silent was carried out";
}

TEST_F(SimulatorTest, DelayedRepliesComeLateInOrder) {
    ASSERT_EQ(Ask("FFFFL\r"), kAck);
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));  // frame at 0 ms
    sim->SetReplyDelay(700);
    Advance(100);
    Send("V\r");  // acted on at 800 ms
    for (int i = 0; i < 4; ++i) Advance(250);
    // On the line: the frame of 500 ms, the version of 800 ms, the frame of 1000 ms.
    EXPECT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    EXPECT_EQ(peer->ReadFrame(), "V2.000\r");
    EXPECT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
}

TEST_F(SimulatorTest, CorruptedAndDroppedBytesBreakOneFrameEach) {
    sim->CorruptFrames(2);
    std::string bad = Ask("G\r");
    ASSERT_EQ(bad.size(), 20u);
    EXPECT_EQ(bad[10], '?');
    Frame f;
    EXPECT_FALSE(ParseDataFrame(bad, f));
    EXPECT_EQ(Ask("Z\r"), std::string("\x01O?\r"));
    EXPECT_TRUE(ParseDataFrame(Ask("G\r"), f)) << "only the next two frames are damaged";

    sim->DropBytes(1);
    bad = Ask("G\r");
    EXPECT_EQ(bad.size(), 19u);
    EXPECT_FALSE(ParseDataFrame(bad, f));
    EXPECT_EQ(Ask("V\r"), "V2.000\r");
}

TEST_F(SimulatorTest, LowerCaseHexUntilTurnedOff) {
    sim->InsertBeam(BeamKind::kThickSteel);
    sim->SetLowerCaseHex(true);
    const std::string lower = Ask("G\r");
    Frame f;
    EXPECT_FALSE(ParseDataFrame(lower, f));
    EXPECT_NE(lower.find_first_of("abcdef"), std::string::npos) << lower;
    EXPECT_EQ(lower.substr(1, 14).find_first_of("ABCDEF"), std::string::npos) << lower;
    EXPECT_EQ(lower.substr(16), "RZB\r") << "the status letters stay upper case";
    sim->SetLowerCaseHex(false);
    EXPECT_TRUE(ParseDataFrame(Ask("G\r"), f));
}

TEST_F(SimulatorTest, JunkFlowsBetweenIntactFrames) {
    sim->SetJunk(true);
    Advance(200);
    const std::string junk = peer->ReadBytes(150);
    ASSERT_EQ(junk.size(), 150u);
    EXPECT_EQ(junk.find_first_of(std::string("\x01\x02V\r", 4)), std::string::npos);
    // A reply still arrives whole in the stream, and junk goes on after it.
    Send("G\r");
    Advance(100);
    const std::string stream = peer->ReadBytes(50 + 20 + 100);
    ASSERT_EQ(stream.size(), 170u);
    const size_t stx = stream.find('\x02');
    ASSERT_EQ(stx, 50u);
    Frame f;
    EXPECT_TRUE(ParseDataFrame(stream.substr(stx, 20), f));
    sim->SetJunk(false);
}

TEST_F(SimulatorTest, StoppedAutomaticFramesLeaveAGap) {
    ASSERT_EQ(Ask("FFFFL\r"), kAck);
    Frame f;
    ASSERT_TRUE(ParseDataFrame(peer->ReadFrame(), f));
    sim->SetAutoFramesStopped(true);
    Advance(2000);
    EXPECT_EQ(Ask("V\r"), "V2.000\r") << "frames went on while stopped";
    EXPECT_TRUE(ParseDataFrame(Ask("G\r"), f)) << "a polled frame is still answered";
    sim->SetAutoFramesStopped(false);
    Advance(500);
    EXPECT_TRUE(ParseDataFrame(peer->ReadFrame(), f)) << "the cadence resumes";
}

}  // namespace
}  // namespace ryxsim
