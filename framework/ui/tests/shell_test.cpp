// The services around the windows: help topics from the installed help
// folder, and the box that reports a handler's exception.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/Help.h"
#include "framework/ui/Window.h"
#include "platform/tests/TempDir.h"

namespace fw {
namespace {

constexpr const char* kTopic = "RYXW.chm::/RYXW/Testing_a_sample.htm";

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = SetHelpOpener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
        unsetenv("RYX_HELP_DIR");
    }
    void TearDown() override {
        SetHelpOpener(previous);
        unsetenv("RYX_HELP_DIR");
    }
    static void WritePage(const std::string& dir) {
        std::filesystem::create_directories(dir + "/RYXW");
        std::ofstream(dir + "/RYXW/Testing_a_sample.htm") << "<html></html>";
    }
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
    FakeStringTable strings;
    ServiceScope<StringTable> stringScope{strings};
    HelpOpener previous;
    std::vector<std::string> opened;
    ryxtest::TempDir dir;
};

TEST_F(HelpTest, ATopicOpensItsPageFromTheHelpFolder) {
    WritePage(dir.Path());
    setenv("RYX_HELP_DIR", dir.Path().c_str(), 1);
    EXPECT_TRUE(ShowHelpTopic(kTopic));
    EXPECT_EQ(opened, (std::vector<std::string>{dir.Path() + "/RYXW/Testing_a_sample.htm"}));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(HelpTest, AMissingPageIsSaidInABoxWithThePathLookedFor) {
    strings.Set(kIdsHelpMissing, "No help: %1.");
    setenv("RYX_HELP_DIR", dir.Path().c_str(), 1);
    EXPECT_FALSE(ShowHelpTopic("RYXW.chm::/RYXW/Instrument_setup.htm"));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "No help: " + dir.Path() + "/RYXW/Instrument_setup.htm.");
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(HelpTest, TheCurrentDirectoryIsNeverSearched) {
    // The start-up makes the data directory current; help lying there, or
    // a relative help folder, must not be taken.
    WritePage(dir.Path());
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    for (const char* env : {static_cast<const char*>(nullptr), "", ".", "RYXW"}) {
        SCOPED_TRACE(env ? env : "(unset)");
        if (env)
            setenv("RYX_HELP_DIR", env, 1);
        else
            unsetenv("RYX_HELP_DIR");
        const std::string folder = HelpFolder();
        EXPECT_EQ(folder.front(), '/');
        EXPECT_NE(std::filesystem::weakly_canonical(folder), std::filesystem::canonical(dir.Path()));
        EXPECT_EQ(HelpTopicPath(kTopic), folder + "/RYXW/Testing_a_sample.htm");
    }
    std::filesystem::current_path(cwd);
    // The installed folder is the one the installation fills.
    unsetenv("RYX_HELP_DIR");
    EXPECT_NE(HelpFolder().find("/ryxw/help"), std::string::npos);
}

TEST(HandlerExceptionTest, TheBoxTextComesFromTheStringTableThenTheException) {
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
    EXPECT_FALSE(LoadString(kIdsHandlerFailed).empty());  // the station's table has it
    FakeStringTable strings;
    ServiceScope<StringTable> stringScope{strings};
    strings.Set(kIdsHandlerFailed, "Something went wrong.");
    EXPECT_FALSE(GuardHandler([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_FALSE(GuardHandler([] { throw 42; }));
    EXPECT_TRUE(GuardHandler([] {}));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Something went wrong.\n\ndisk on fire", "Something went wrong."}));
    for (const auto& box : boxes.Boxes()) EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONSTOP);
}

}  // namespace
}  // namespace fw
