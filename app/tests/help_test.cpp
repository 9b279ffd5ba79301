#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "app/Help.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"

namespace {

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        helpDir = platform::JoinPath(apptest::ConfigDir(), "help");
        dataDir = platform::JoinPath(apptest::ConfigDir(), "data");
        ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(helpDir, "RYXW")), 0u);
        ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(dataDir, "RYXW")), 0u);
        setenv("RYX_HELP_DIR", helpDir.c_str(), 1);
        previous = SetHelpOpener([this](const std::string& p) {
            opened.push_back(p);
            return true;
        });
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        cwd = buf;
    }
    void TearDown() override {
        SetHelpOpener(previous);
        unsetenv("RYX_HELP_DIR");
        ASSERT_EQ(chdir(cwd.c_str()), 0);
    }
    std::string helpDir, dataDir, cwd;
    std::vector<std::string> opened;
    HelpOpener previous;
    fw::ScriptedMessageBox box;
    fw::ServiceScope<fw::MessageBoxService> scope{box};
};

TEST_F(HelpTest, OpensThePageOfTheInstalledHelpNotOfTheDataDirectory) {
    const std::string page = platform::JoinPath(helpDir, "RYXW/Testing_a_sample.htm");
    ASSERT_EQ(platform::WriteFileAtomic(page, "<html></html>"), 0u);
    // The start-up makes the data directory current; a page there must not
    // be what opens.
    ASSERT_EQ(platform::WriteFileAtomic(platform::JoinPath(dataDir, "RYXW/Testing_a_sample.htm"), "x"), 0u);
    ASSERT_EQ(chdir(dataDir.c_str()), 0);
    EXPECT_TRUE(ShowHelpTopic(kHelpTesting));
    EXPECT_EQ(opened, std::vector<std::string>{page});
    EXPECT_EQ(box.Count(), 0u);
}

TEST_F(HelpTest, MissingPageSaysSoInsteadOfOpeningNothingSilently) {
    EXPECT_FALSE(ShowHelpTopic(kHelpSetup));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_NE(box.Texts()[0].find("Instrument_setup.htm"), std::string::npos);
}

}  // namespace
