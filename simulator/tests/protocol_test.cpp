#include "simulator/Protocol.h"

#include <gtest/gtest.h>

#include <vector>

namespace ryxsim {
namespace {

TEST(ProtocolTest, ParsesEveryCommandAndNothingElse) {
    struct Case {
        const char* line;
        std::optional<Command> want;
    };
    const Case cases[] = {
        {"G", Command{CommandKind::kData}},
        {"V", Command{CommandKind::kVersion}},
        {"R", Command{CommandKind::kReset}},
        {"D", Command{CommandKind::kEndLoad}},
        {"H", Command{CommandKind::kHeat}},
        {"C", Command{CommandKind::kCool}},
        {"B", Command{CommandKind::kHeatCool}},
        {"N", Command{CommandKind::kControlOff}},
        {"Z", Command{CommandKind::kZero}},
        {"01E0L", Command{CommandKind::kLoad, 480}},
        {"FFFFL", Command{CommandKind::kLoad, 0xFFFF}},
        {"F830T", Command{CommandKind::kSetPoint, 0xF830}},
        {"0000T", Command{CommandKind::kSetPoint, 0}},
        {"", std::nullopt},
        {"g", std::nullopt},
        {"GG", std::nullopt},
        {"01e0L", std::nullopt},  // the station prints upper-case digits only
        {"1E0L", std::nullopt},
        {"001E0L", std::nullopt},
        {"01E0X", std::nullopt},
        {"01G0T", std::nullopt},
        {" G", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCommand(c.line), c.want) << '"' << c.line << '"';
}

TEST(ProtocolTest, SplitterDropsOverlongJunkUpToTheNextCr) {
    CommandSplitter s;
    std::vector<std::string> lines;
    auto sink = [&](std::string_view l) { lines.emplace_back(l); };
    s.Feed("G\r", sink);
    s.Feed(std::string(40, 'x') + "G\rV", sink);  // junk glued to a G is not a G
    s.Feed("\r\n0004L\r", sink);
    EXPECT_EQ(lines, (std::vector<std::string>{"G", "V", "0004L"}));
}

TEST(ProtocolTest, FramesAreByteExact) {
    EXPECT_EQ(EncodeAck(), std::string("\x01OK\r"));
    DataFrame f;
    f.deflection = 0x4A5B;
    f.force = 0x0C0D;
    f.temperature = 0xFB50;
    f.remote = true;
    f.loaded = true;
    f.control = 'H';
    EXPECT_EQ(EncodeDataFrame(f), std::string("\x02") + "4A5B 0C0D FB50 RLH\r");
    EXPECT_EQ(EncodeDataFrame(f, true), std::string("\x02") + "4a5b 0c0d fb50 RLH\r");
    f.remote = false;
    f.loaded = false;
    EXPECT_EQ(EncodeDataFrame(f).substr(16), "LZH\r");
    EXPECT_EQ(EncodeVersion("2.000"), "V2.000\r");
}

TEST(ProtocolTest, FirmwareTextAndItsTemperatureRule) {
    EXPECT_TRUE(IsValidFirmware("2.000"));
    EXPECT_TRUE(IsValidFirmware("10.51"));
    EXPECT_FALSE(IsValidFirmware("2.00"));
    EXPECT_FALSE(IsValidFirmware("2.0001"));
    EXPECT_FALSE(IsValidFirmware("2,000"));
    EXPECT_TRUE(FirmwareSendsHundredths("2.000"));
    EXPECT_TRUE(FirmwareSendsHundredths("3.100"));
    EXPECT_FALSE(FirmwareSendsHundredths("1.999"));
    EXPECT_FALSE(FirmwareSendsHundredths("0.000"));
}

}  // namespace
}  // namespace ryxsim
