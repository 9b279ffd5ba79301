#include "simulator/Console.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "simulator/Simulator.h"

namespace ryxsim {
namespace {

class ConsoleTest : public ::testing::Test {
protected:
    std::string Run(const std::string& line) { return RunConsoleCommand(sim, line, quit); }
    platform::ManualClock clock{0};
    Simulator sim{Simulator::Options{{}, &clock}};
    bool quit = false;
};

TEST_F(ConsoleTest, ActionsReachTheBench) {
    EXPECT_EQ(Run("beam thick"), "ok\n");
    EXPECT_EQ(Run("  MASS add 100 "), "ok\n");
    EXPECT_EQ(Run("mass add 2"), "ok\n");
    EXPECT_EQ(Run("contact 20.5"), "ok\n");
    EXPECT_EQ(Run("local"), "ok\n");
    EXPECT_EQ(Run("switch load"), "ok\n");
    EXPECT_EQ(Run("fault delay 300"), "ok\n");
    EXPECT_EQ(Run("fault autoframes off"), "ok\n");
    const ModelState s = sim.State();
    EXPECT_EQ(s.beam, BeamKind::kThickSteel);
    EXPECT_EQ(s.massGrams, 102);
    EXPECT_DOUBLE_EQ(s.contactLoad, 20.5);
    EXPECT_FALSE(s.remote);
    EXPECT_TRUE(s.loadSwitch);
    EXPECT_EQ(sim.GetFaults().replyDelayMs, 300u);
    EXPECT_TRUE(sim.GetFaults().autoFramesStopped);
    const std::string status = Run("status");
    EXPECT_NE(status.find("beam thick"), std::string::npos) << status;
    EXPECT_NE(status.find("delay 300 ms"), std::string::npos) << status;
    EXPECT_EQ(Run("fault clear"), "ok\n");
    EXPECT_EQ(sim.GetFaults().replyDelayMs, 0u);
    EXPECT_EQ(Run("gage white"), "ok\n");
    EXPECT_EQ(sim.State().beam, BeamKind::kNone) << "the gage block takes the beam's place";
}

TEST_F(ConsoleTest, BadInputIsToldAndChangesNothing) {
    const char* bad[] = {"beam glass", "mass add 3",   "mass remove 100", "contact many",     "contact 9999",
                         "bath -80",   "fault silent", "fault delay -5",  "fault junk maybe", "switch half",
                         "flap",       "gage",         "quit now"};
    sim.InsertBeam(BeamKind::kNone);
    for (const char* line : bad) EXPECT_EQ(Run(line).rfind("error: ", 0), 0u) << line;
    EXPECT_EQ(Run("flip").rfind("error: ", 0), 0u) << "no beam to flip";
    const ModelState s = sim.State();
    EXPECT_EQ(s.massGrams, 0);
    EXPECT_DOUBLE_EQ(s.contactLoad, 35.0);
    EXPECT_FALSE(quit);
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(Run("quit"), "ok\n");
    EXPECT_TRUE(quit);
}

TEST_F(ConsoleTest, HelpNamesEveryCommand) {
    const std::string help = Run("help");
    for (const char* word : {"status",
                             "beam",
                             "flip",
                             "gage",
                             "mass",
                             "contact",
                             "remote",
                             "local",
                             "switch",
                             "lift",
                             "drop",
                             "bath",
                             "fault silent",
                             "fault delay",
                             "fault corrupt",
                             "fault drop",
                             "fault lowercase",
                             "fault junk",
                             "fault autoframes",
                             "fault clear",
                             "quit"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace ryxsim
