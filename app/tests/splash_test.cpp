#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "app/CSplashWnd.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/ui/Window.h"
#include "platform/Clock.h"

namespace {

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetDefaultClock(&clock); }
    void TearDown() override {
        CSplashWnd::HideSplashScreen();
        CSplashWnd::EnableSplashScreen(false);
        apptest::App().PumpOnce(false);
        platform::SetDefaultClock(nullptr);
    }
    platform::ManualClock clock{1000};
    QWidget main;
};

TEST_F(SplashTest, NotAllowedShowsNothingAndFiltersNothing) {
    CSplashWnd::EnableSplashScreen(false);
    CSplashWnd::ShowSplashScreen(&main);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_FALSE(CSplashWnd::PreTranslateAppMessage(&key));
}

TEST_F(SplashTest, ShowsOurPictureCentredOnce) {
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&main);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), CSplashWnd::LoadPicture().size());
    EXPECT_FALSE(CSplashWnd::LoadPicture().isNull());
    CSplashWnd::ShowSplashScreen(&main);  // one at a time
    EXPECT_EQ(CSplashWnd::Current(), splash);
}

TEST_F(SplashTest, KeyOrButtonClosesItAndIsSwallowedButAMoveIsNot) {
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&main);
    ASSERT_NE(CSplashWnd::Current(), nullptr);

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    EXPECT_FALSE(CSplashWnd::PreTranslateAppMessage(&move));
    EXPECT_NE(CSplashWnd::Current(), nullptr);

    // The accelerator check comes before the key: it is kept from acting.
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_N, Qt::ControlModifier);
    shortcut.ignore();
    EXPECT_TRUE(CSplashWnd::PreTranslateAppMessage(&shortcut));
    EXPECT_TRUE(shortcut.isAccepted());

    QKeyEvent key(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(CSplashWnd::PreTranslateAppMessage(&key));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_FALSE(CSplashWnd::PreTranslateAppMessage(&key));  // gone: the next key passes

    CSplashWnd::ShowSplashScreen(&main);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    EXPECT_TRUE(CSplashWnd::PreTranslateAppMessage(&press));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, GoesAfterThreeSecondsOnTheStationClock) {
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&main);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    clock.Advance(2999);
    fw::CheckWindowTimers();
    apptest::App().PumpOnce(false);
    EXPECT_NE(CSplashWnd::Current(), nullptr);
    clock.Advance(1);
    fw::CheckWindowTimers();
    EXPECT_TRUE(apptest::App().RunUntil([] { return CSplashWnd::Current() == nullptr; }));
}

}  // namespace

namespace {

// A box that opens while the picture shows takes the active window, the
// picture, as its parent: closing the picture must not take the box along.
TEST_F(SplashTest, ABoxOwnedByThePictureOutlivesIt) {
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&main);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    QPointer<QWidget> box = new QWidget(splash, Qt::Dialog);
    box->show();
    clock.Advance(3000);
    fw::CheckWindowTimers();
    EXPECT_TRUE(apptest::App().RunUntil([] { return CSplashWnd::Current() == nullptr; }));
    apptest::App().PumpOnce(false);
    ASSERT_FALSE(box.isNull());
    EXPECT_TRUE(box->isVisible());
    delete box.data();
}

}  // namespace
