#include <gtest/gtest.h>

#include <thread>

#include "framework/core/TestDoubles.h"
#include "res/StringTable.h"

namespace {

TEST(StringTableTest, ResourceTableIsSortedWithUniqueIds) {
    ASSERT_GT(res::kStringTableSize, 0u);
    for (size_t i = 1; i < res::kStringTableSize; ++i)
        EXPECT_LT(res::kStringTable[i - 1].id, res::kStringTable[i].id) << "at entry " << i;
}

TEST(StringTableTest, LoadsTextsByteForByte) {
    struct Case {
        UINT id;
        const char* text;
    };
    const Case cases[] = {
        {145, " Unknown"},
        {146, "RYXw 3.24"},
        {402, "A math error has occurred. This may indicate a faulty test."},
        {500, "%1Test will be aborted."},
        {601,
         "This action will abort the test that is currently running.\nAre you sure you want to abort the "
         "test?"},
        {260,
         "Some required information is missing from the Windows Registry.\r\nPlease review all the setup "
         "options for accuracy. You should also recalibrate the RYX and perform a confidence test.\r\n"},
        {541,
         "WARNING! - Temperature out of tolerance (\xC2\xB1 %.1f \xC2\xB0"
         "C)"},
        {864,
         "Remove the 100g mass and the thick steel beam. Insert the gage block on the Red level and apply "
         "100g.\r\n\r\nThis serves to meet the criteria for \"Verification of Zero Load Cell Reading "
         "(section 11.3.3) in ASTM-D-6648."},
        {61728, "Unexpected file format."},
        {300, "There has been a problem with the computer's serial port."},
    };
    for (const Case& c : cases) EXPECT_EQ(fw::LoadString(c.id), c.text) << "string " << c.id;
    EXPECT_EQ(fw::LoadString(1), "");
}

TEST(StringTableTest, FormatStringReplacesNumberedArgumentsOnly) {
    EXPECT_EQ(fw::FormatString("%1Test will be aborted.", {"\n\n"}), "\n\nTest will be aborted.");
    EXPECT_EQ(fw::FormatString("%2 and %1, %1", {"a", "b"}), "b and a, a");
    EXPECT_EQ(fw::FormatString("%.1f %s %1 %9 100%", {"x"}), "%.1f %s x  100%");
    EXPECT_EQ(fw::FormatString1(409, "T1.DAT"), "T1.DAT is not of the correct format.");
}

TEST(StringTableTest, FakeTableAnswersAndRecordsAndRestores) {
    {
        fw::FakeStringTable table;
        fw::ServiceScope scope(table);
        table.Set(402, "math");
        EXPECT_EQ(fw::LoadString(402), "math");
        EXPECT_EQ(fw::LoadString(145), "");  // no fallback
        EXPECT_EQ(table.Lookups(), (std::vector<UINT>{402, 145}));
    }
    EXPECT_EQ(fw::LoadString(145), " Unknown");
    fw::FakeStringTable withFallback(true);
    fw::ServiceScope scope(withFallback);
    EXPECT_EQ(fw::LoadString(145), " Unknown");
}

TEST(MessageBoxTest, DefaultAnswerFollowsButtonsAndDefault) {
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_SETFOREGROUND | MB_ICONSTOP, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button: the first
        {MB_RETRYCANCEL, IDRETRY},
        {0xE, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(fw::DefaultAnswer(c.type), c.answer) << std::hex << c.type;
}

TEST(MessageBoxTest, ScriptedBoxRecordsAndAnswersInOrder) {
    fw::ScriptedMessageBox box;
    fw::ServiceScope scope(box);
    box.Answer({IDNO, IDYES});
    EXPECT_EQ(fw::ShowMessage(601, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(fw::ShowMessage("second", MB_YESNO), IDYES);
    // Script exhausted: the box's default button answers, and the record says so.
    EXPECT_EQ(fw::ShowMessage("third", MB_YESNO | MB_DEFBUTTON2), IDNO);
    auto boxes = box.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, fw::LoadString(601));
    EXPECT_EQ(boxes[0].type, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_TRUE(boxes[1].scripted);
    EXPECT_FALSE(boxes[2].scripted);
    EXPECT_EQ(box.Unanswered(), 0u);
}

TEST(MessageBoxTest, CallbackRunsWhileBoxIsOpenAndMayShowAnother) {
    fw::ScriptedMessageBox box;
    fw::ServiceScope scope(box);
    int depth = 0;
    box.OnShow([&](const fw::ScriptedMessageBox::Shown& s) {
        if (s.text == "outer" && depth++ == 0) fw::ShowMessage("inner");
    });
    fw::ShowMessage("outer");
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"outer", "inner"}));
}

TEST(WindowPostTest, IdsAreNeverReused) {
    fw::RecordingPostService posts;
    fw::WindowId a = posts.CreateWindow();
    posts.DestroyWindow(a);
    fw::WindowId b = posts.CreateWindow();
    EXPECT_NE(a, b);
    EXPECT_NE(a, fw::kNoWindow);
    EXPECT_FALSE(posts.IsWindow(a));
    EXPECT_TRUE(posts.IsWindow(b));
}

TEST(WindowPostTest, PostToGoneWindowIsDropped) {
    fw::RecordingPostService posts;
    fw::ServiceScope scope(posts);
    fw::WindowId w = posts.CreateWindow();
    EXPECT_TRUE(fw::PostMessage(w, fw::kWmApp + 0x1501));
    EXPECT_TRUE(fw::PostCommand(w, 32774));
    posts.DestroyWindow(w);
    EXPECT_FALSE(fw::PostMessage(w, fw::kWmApp + 0x1501));
    EXPECT_FALSE(fw::PostMessage(fw::kNoWindow, 1));
    auto all = posts.Posts();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].message, fw::kWmCommand);
    EXPECT_EQ(all[1].wParam, 32774u);
    EXPECT_EQ(posts.Dropped(), 2u);
}

TEST(WindowPostTest, RefusedPostsFollowTheScript) {
    fw::RecordingPostService posts;
    fw::WindowId w = posts.CreateWindow();
    posts.RefuseNext(1);
    EXPECT_FALSE(posts.Post(w, 5, 0, 0));
    EXPECT_TRUE(posts.Post(w, 6, 0, 0));
    EXPECT_EQ(posts.Refused(), 1u);
    EXPECT_EQ(posts.Count(6), 1u);
}

TEST(WindowPostTest, WithoutServiceEveryPostIsDropped) {
    EXPECT_FALSE(fw::PostMessage(fw::NewWindowId(), 1));
}

TEST(WindowPostTest, WaitsForPostsFromAnotherThread) {
    fw::RecordingPostService posts;
    fw::WindowId w1 = posts.CreateWindow();
    fw::WindowId w2 = posts.CreateWindow();
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) posts.Post(i % 2 ? w1 : w2, 7, static_cast<WPARAM>(i), 0);
    });
    EXPECT_TRUE(posts.WaitForPosts(100, std::chrono::seconds(10)));
    poster.join();
    EXPECT_EQ(posts.PostsTo(w1).size(), 50u);
    EXPECT_FALSE(posts.WaitForPosts(101, std::chrono::milliseconds(1)));
}

TEST(BeepTest, BeepsReachTheInstalledServiceAndStopWithItsScope) {
    fw::RecordingBeep beeps;
    {
        fw::ServiceScope scope(beeps);
        fw::MessageBeep(fw::BEEP_WARNING);
        fw::MessageBeep();
    }
    fw::MessageBeep(fw::BEEP_ERROR);  // silent fallback: recorded nowhere
    EXPECT_EQ(beeps.Beeps(), (std::vector<UINT>{fw::BEEP_WARNING, fw::BEEP_OK}));
}

}  // namespace
