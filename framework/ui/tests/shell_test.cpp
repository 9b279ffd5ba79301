// The services around the windows: help topics from the help folder shown in
// the help window, and the box that reports a handler's exception.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
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
    // An installed program reads the folder the installation fills; one run
    // from the build tree, as this test is, reads the pages of the source
    // tree, which hold every topic.
    unsetenv("RYX_HELP_DIR");
    // An installed one reads the pages beside its own folder, whatever the
    // prefix it was installed under.
    EXPECT_EQ(HelpFolderFor("/usr/local/bin/ryxw"), "/usr/local/share/ryxw/help");
    EXPECT_EQ(HelpFolderFor("/opt/lab/bin/ryxw"), "/opt/lab/share/ryxw/help");
    EXPECT_NE(HelpFolderFor("").find("/ryxw/help"), std::string::npos);
    for (const char* page : {"Testing_a_sample.htm", "Test_menu_options.htm", "Instrument_setup.htm",
                             "Windows_keyboard_commands_for_menus_applications.htm"})
        EXPECT_TRUE(std::filesystem::is_regular_file(HelpFolder() + "/RYXW/" + page))
            << HelpFolder() << " " << page;
}

// The station's own help window, with the default opener.
class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = SetHelpOpener(nullptr);
        std::filesystem::create_directories(dir.Path() + "/RYXW");
        std::ofstream(dir.Path() + "/RYXW/First.htm")
            << "<html><head><title>First topic</title></head><body><p>The first page.</p>"
               "<p><a href=\"Second.htm\">On to the second</a></p></body></html>";
        std::ofstream(dir.Path() + "/RYXW/Second.htm")
            << "<html><head><title>Second topic</title></head><body><p>The second page.</p></body></html>";
        setenv("RYX_HELP_DIR", dir.Path().c_str(), 1);
    }
    void TearDown() override {
        CloseHelpWindow();
        SetHelpOpener(previous);
        unsetenv("RYX_HELP_DIR");
    }
    static std::string Shown() {
        QTextBrowser* b = HelpBrowser(CurrentHelpWindow());
        return b ? b->source().toLocalFile().toStdString() : std::string();
    }
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
    HelpOpener previous;
    ryxtest::TempDir dir;
};

TEST_F(HelpWindowTest, ATopicShowsItsPageWhoseLinksLeadOnInTheSameWindow) {
    ASSERT_TRUE(ShowHelpTopic("RYXW.chm::/RYXW/First.htm"));
    HelpWindow* window = CurrentHelpWindow();
    ASSERT_NE(window, nullptr);
    QWidget* w = reinterpret_cast<QWidget*>(window);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Shown(), dir.Path() + "/RYXW/First.htm");
    EXPECT_EQ(w->windowTitle().toStdString(), "First topic");
    QTextBrowser* browser = HelpBrowser(window);
    EXPECT_NE(browser->toPlainText().toStdString().find("The first page."), std::string::npos);
    // The link, reached and followed from the keyboard.
    browser->setFocus();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(browser, &tab);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(browser->viewport(), &enter);
    QApplication::sendEvent(browser, &enter);
    EXPECT_EQ(Shown(), dir.Path() + "/RYXW/Second.htm");
    EXPECT_EQ(w->windowTitle().toStdString(), "Second topic");
    EXPECT_TRUE(browser->isBackwardAvailable());
    // Another topic comes up in the same window.
    ASSERT_TRUE(ShowHelpTopic("RYXW.chm::/RYXW/First.htm"));
    EXPECT_EQ(CurrentHelpWindow(), window);
    EXPECT_EQ(Shown(), dir.Path() + "/RYXW/First.htm");
    EXPECT_EQ(boxes.Count(), 0u);
    // A missing page is said, and the window keeps its page.
    EXPECT_FALSE(ShowHelpTopic("RYXW.chm::/RYXW/Gone.htm"));
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(Shown(), dir.Path() + "/RYXW/First.htm");
}

TEST_F(HelpWindowTest, HelpAskedForInAModalDialogBelongsToTheDialog) {
    // Beside a modal dialog only the dialog's own windows take input: the help
    // window is the dialog's, and goes with it.
    QWidget* owner = nullptr;
    bool visible = false;
    std::string page;
    {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            ShowHelpTopic("RYXW.chm::/RYXW/Second.htm");
            QWidget* w = reinterpret_cast<QWidget*>(CurrentHelpWindow());
            owner = w ? w->parentWidget() : nullptr;
            visible = w && w->isVisible();
            page = Shown();
            dialog.reject();
        });
        dialog.exec();
        EXPECT_EQ(owner, &dialog);
    }
    EXPECT_TRUE(visible);
    EXPECT_EQ(page, dir.Path() + "/RYXW/Second.htm");
    EXPECT_EQ(CurrentHelpWindow(), nullptr) << "gone with its dialog";
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
