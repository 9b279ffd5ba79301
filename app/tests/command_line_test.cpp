#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

struct Case {
    std::vector<std::string> args;
    std::string program;
    std::string windowClass;
    std::vector<std::string> files;
};

class CommandLineTest : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { ResetProgramNames(); }
};

TEST_P(CommandLineTest, ProgramNameClassAndFiles) {
    const Case& c = GetParam();
    CQXRYXCommandLineInfo info;
    info.Parse(c.args);
    EXPECT_EQ(g_strProgramName, c.program);
    EXPECT_EQ(g_strWindowClass, c.windowClass);
    EXPECT_EQ(info.m_files, c.files);
    EXPECT_EQ(info.m_nShellCommand,
              c.files.empty() ? CQXRYXCommandLineInfo::FileNew : CQXRYXCommandLineInfo::FileOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(Case{{}, "RYXw", "RYXwClass", {}}, Case{{"-reg:Lab2"}, "Lab2", "Lab2Class", {}},
                      Case{{"--reg:Lab2"}, "Lab2", "Lab2Class", {}},
                      // compared with case: not ours, and not a file either
                      Case{{"-REG:Lab2"}, "RYXw", "RYXwClass", {}}, Case{{"-reg:"}, "", "Class", {}},
                      Case{{"-reg"}, "RYXw", "RYXwClass", {}},
                      // a leading "/" is a path on Linux, never a flag
                      Case{{"/home/lab/T1.RYX"}, "RYXw", "RYXwClass", {"/home/lab/T1.RYX"}},
                      Case{{"/reg:Lab2"}, "RYXw", "RYXwClass", {"/reg:Lab2"}},
                      Case{{"-reg:Lab 3", "a.RYX", "b.bdt"}, "Lab 3", "Lab 3Class", {"a.RYX", "b.bdt"}},
                      // a lone "-" is not a flag marker with nothing after it
                      Case{{"-"}, "RYXw", "RYXwClass", {"-"}}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(CommandLine, UnknownFlagsAreKeptApart) {
    CQXRYXCommandLineInfo info;
    info.Parse({"-pt", "--geometry", "T1.RYX"});
    EXPECT_EQ(info.m_unknown, (std::vector<std::string>{"pt", "geometry"}));
    EXPECT_EQ(info.m_files, std::vector<std::string>{"T1.RYX"});
    ResetProgramNames();
}

}  // namespace
