#include <gtest/gtest.h>

#include <vector>

#include "testing/LoadChunkCounter.h"

namespace {

struct Command {
    long long tick;
    int value;
    bool operator==(const Command&) const = default;
};

// Runs the counter as the sequencer does: the first command at tick 0, then
// one decrement per tick while it is active, the next command when it
// reaches zero.
std::vector<Command> Commands(int total) {
    LoadChunkCounter c;
    std::vector<Command> out;
    out.push_back({0, c.NextLoadValue(total)});
    long long tick = 0;
    while (c.IsActive()) {
        ++tick;
        c.Decrement();
        if (c.IsZero()) out.push_back({tick, c.NextLoadValue(total)});
    }
    return out;
}

struct Case {
    int total;
    std::vector<Command> expected;
};

TEST(LoadChunkCounter, SequencesOfCommands) {
    std::vector<Command> long18;
    for (int i = 0; i < 18; ++i) long18.push_back({i * 64800LL, 65400});
    long18.push_back({1166400, 43600});
    const Case cases[] = {
        {480, {{0, 480}}},
        {65400, {{0, 65400}}},
        {65401, {{0, 65400}, {64800, 601}}},
        {130201, {{0, 65400}, {64800, 65400}, {129600, 601}}},
        {1210000, long18},
        {0, {{0, 0}}},
        {-5, {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.total);
        EXPECT_EQ(Commands(c.total), c.expected);
    }
}

TEST(LoadChunkCounter, IdleAfterOneCommandAndAfterReset) {
    LoadChunkCounter c;
    EXPECT_FALSE(c.IsActive());
    EXPECT_EQ(c.NextLoadValue(480), 480);
    EXPECT_FALSE(c.IsActive());
    EXPECT_EQ(c.NextLoadValue(100000), 65400);
    EXPECT_TRUE(c.IsActive());
    EXPECT_EQ(c.Current(), 64800);
    c.Reset();
    EXPECT_FALSE(c.IsActive());
    EXPECT_EQ(c.ChunkIndex(), 0);
    // A reset counter starts the same load from the first chunk again: the
    // refused first command is resent with the same value.
    EXPECT_EQ(c.NextLoadValue(100000), 65400);
}

TEST(LoadChunkCounter, NegativeCountStaysIdleEvenMidway) {
    LoadChunkCounter c;
    c.NextLoadValue(200000);
    EXPECT_TRUE(c.IsActive());
    EXPECT_EQ(c.NextLoadValue(-1), 0);
    EXPECT_FALSE(c.IsActive());
}

TEST(LoadChunkCounter, LargestTotalEndsExactlyAtTheTotal) {
    LoadChunkCounter c;
    const int total = 2147483647;
    int value = c.NextLoadValue(total);
    long long commands = 1;
    while (c.IsActive()) {
        value = c.NextLoadValue(total);
        ++commands;
    }
    EXPECT_GT(value, 600);
    EXPECT_LE(value, 65400);
    EXPECT_EQ((commands - 1) * 64800 + value, total);
}

}  // namespace
