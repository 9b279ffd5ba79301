// The real message box: buttons, icons, default and escape buttons from the
// MB_ flags, and a nested loop in which posted updates still arrive.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "framework/ui/QtMessageBox.h"
#include "framework/ui/Window.h"
#include "framework/ui/tests/support/TestApp.h"

namespace fw {
namespace {

using SB = QMessageBox::StandardButton;

TEST(QtMessageBoxParts, FlagsGiveButtonsIconDefaultAndEscape) {
    struct Case {
        UINT type;
        std::vector<SB> buttons;
        std::vector<int> answers;
        QMessageBox::Icon icon;
        SB defaultButton;
        SB escape;  // NoButton: must be answered
    };
    const Case cases[] = {
        {MB_OK, {SB::Ok}, {IDOK}, QMessageBox::NoIcon, SB::Ok, SB::Ok},
        {MB_OKCANCEL | MB_ICONQUESTION,
         {SB::Ok, SB::Cancel},
         {IDOK, IDCANCEL},
         QMessageBox::Question,
         SB::Ok,
         SB::Cancel},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
         {SB::Yes, SB::No},
         {IDYES, IDNO},
         QMessageBox::Question,
         SB::No,
         SB::NoButton},
        {MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON3,
         {SB::Yes, SB::No, SB::Cancel},
         {IDYES, IDNO, IDCANCEL},
         QMessageBox::Warning,
         SB::Cancel,
         SB::Cancel},
        {MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_DEFBUTTON2,
         {SB::Abort, SB::Retry, SB::Ignore},
         {IDABORT, IDRETRY, IDIGNORE},
         QMessageBox::Critical,
         SB::Retry,
         SB::NoButton},
        {MB_RETRYCANCEL | MB_ICONINFORMATION,
         {SB::Retry, SB::Cancel},
         {IDRETRY, IDCANCEL},
         QMessageBox::Information,
         SB::Retry,
         SB::Cancel},
        // A default button the box does not have falls back to the first.
        {MB_OK | MB_DEFBUTTON3, {SB::Ok}, {IDOK}, QMessageBox::NoIcon, SB::Ok, SB::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        std::unique_ptr<QMessageBox> box(QtMessageBox::Build("Text\twith a tab", c.type, ""));
        EXPECT_EQ(box->text(), "Text    with a tab");
        EXPECT_EQ(box->windowTitle(), QApplication::applicationDisplayName());
        EXPECT_EQ(box->icon(), c.icon);
        std::vector<SB> shown;
        for (QAbstractButton* b : box->buttons()) shown.push_back(box->standardButton(b));
        std::sort(shown.begin(), shown.end());
        std::vector<SB> expected = c.buttons;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
        if (c.escape != SB::NoButton) {
            ASSERT_NE(box->escapeButton(), nullptr);
            EXPECT_EQ(box->standardButton(box->escapeButton()), c.escape);
        }
        for (size_t i = 0; i < c.buttons.size(); ++i) {
            std::unique_ptr<QMessageBox> again(QtMessageBox::Build("", c.type, "Caption"));
            EXPECT_EQ(again->windowTitle(), "Caption");
            again->button(c.buttons[i])->click();
            EXPECT_EQ(QtMessageBox::Answer(*again), c.answers[i]);
        }
    }
}

class Listener : public Window {
public:
    int updates = 0;
    bool OnMessage(UINT, WPARAM, LPARAM) override {
        ++updates;
        return true;
    }
};

// Calls step with the open box each time the loop turns, until step
// returns true (it has closed the box).
void WhileBoxOpen(std::function<bool(QMessageBox&)> step) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (step(*box)) poll->deleteLater();
        }
    });
    poll->start(0);
}

TEST(QtMessageBoxLoop, PostsReachWindowsWhileTheBoxIsOpenAndIdleWaits) {
    QtMessageBox service;
    int idleCalls = 0;
    bool open = false;
    test::App().idle = [&](long) {
        idleCalls += open;
        return false;
    };
    Listener window;
    int updatesSeenOpen = 0;
    WhileBoxOpen([&](QMessageBox& box) {
        open = true;
        if (window.updates == 0) {
            EXPECT_EQ(box.text(), "The following program information must be entered");
            EXPECT_EQ(box.icon(), QMessageBox::Question);
            PostMessage(window.Id(), kWmApp + 1);  // as the instrument's worker would
            return false;
        }
        updatesSeenOpen = window.updates;
        box.button(QMessageBox::No)->click();
        return true;
    });
    const int answer =
        ShowMessage("The following program information must be entered", MB_YESNO | MB_ICONQUESTION);
    open = false;
    test::App().idle = nullptr;
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(updatesSeenOpen, 1);
    EXPECT_EQ(idleCalls, 0);
}

TEST(QtMessageBoxLoop, ClosingWithoutAClickGivesTheEscapeAnswer) {
    QtMessageBox service;
    WhileBoxOpen([](QMessageBox& box) {
        box.reject();
        return true;
    });
    EXPECT_EQ(ShowMessage("Save changes?", MB_YESNOCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
    WhileBoxOpen([](QMessageBox& box) {
        box.reject();
        return true;
    });
    EXPECT_EQ(ShowMessage("Done.", MB_OK), IDOK);
}

TEST(QtMessageBoxLoop, ABoxOpenedOverASplashOutlivesIt) {
    // The splash picture is the active window at start-up and deletes itself on
    // its timer; a box opened then must not be its child.
    QtMessageBox service;
    auto* splash = new QWidget(nullptr, Qt::SplashScreen);
    splash->show();
    QApplication::setActiveWindow(splash);
    bool splashGone = false;
    WhileBoxOpen([&](QMessageBox& box) {
        if (!splashGone) {
            EXPECT_NE(box.parentWidget(), splash);
            delete splash;
            splashGone = true;
            return false;
        }
        box.button(QMessageBox::Yes)->click();
        return true;
    });
    EXPECT_EQ(ShowMessage("Calibration values are missing.", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_TRUE(splashGone);
}

TEST(QtMessageBoxLoop, ABoxWhoseOwnerGoesAnswersAsClosedUnanswered) {
    QtMessageBox service;
    auto* owner = new QWidget;
    owner->show();
    QApplication::setActiveWindow(owner);
    WhileBoxOpen([&](QMessageBox&) {
        delete owner;  // takes the box with it
        return true;
    });
    EXPECT_EQ(ShowMessage("Save changes?", MB_YESNOCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
}

}  // namespace
}  // namespace fw
