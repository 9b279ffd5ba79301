// The Test Setup dialog on the offscreen platform, against a settings hive
// and a data directory of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cfloat>
#include <functional>

#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/Help.h"
#include "setup/CNumEdit.h"
#include "testing/RYXTestSetup.h"
#include "testing/tests/support/Artefacts.h"
#include "testing/tests/support/SetupFixture.h"

namespace {

using testingtest::ArtefactDir;

class TestSetupDialogTest : public ryxtest::SetupFixture {
protected:
    void SetUp() override {
        ryxtest::SetupFixture::SetUp();
        std::setlocale(LC_ALL, "C");
    }
    void TearDown() override {
        // Every box the dialog showed was one the test expected.
        EXPECT_EQ(boxes.Texts(), expectedBoxes);
        ryxtest::SetupFixture::TearDown();
    }
    // Runs script inside the dialog's modal loop; the dialog ends with -1
    // if the script left it open.
    int Run(const std::function<void()>& script) {
        QTimer::singleShot(0, &dialog, [&] {
            QApplication::setActiveWindow(&dialog);
            script();
            if (dialog.isVisible()) dialog.done(-1);
        });
        return dialog.DoModal();
    }
    void Expect(UINT id) { expectedBoxes.push_back(fw::LoadString(id)); }
    std::string Setting(unsigned (CQXRegistry::*get)(std::string&)) {
        std::string s;
        return (theRegistry.*get)(s) == 0 ? s : "<missing>";
    }
    static void Replace(QLineEdit* field, const char* text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    fw::RecordingBeep beeps;
    fw::ServiceScope<fw::BeepService> beepScope{beeps};
    std::vector<std::string> expectedBoxes;
    RYXTestSetup dialog;
};

TEST_F(TestSetupDialogTest, ShowsTheProposalAndWritesWhatWasTypedOnEnter) {
    ASSERT_EQ(theRegistry.SetTestOperator("J. Doe"), 0u);
    const int result = Run([&] {
        EXPECT_EQ(dialog.windowTitle(), "Test Setup");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_FILE_NAME), "24030501 -18");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_BATH_TIME), "60");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_THICKNESS), "6.35");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_WIDTH), "12.70");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_SPAN), "101.6");
        EXPECT_EQ(dialog.GetDlgItemText(RYXTestSetup::IDC_OPERATOR), "J. Doe");
        EXPECT_TRUE(static_cast<QCheckBox*>(dialog.GetDlgItem(RYXTestSetup::IDC_STOP_AT_5MM))->isChecked());
        EXPECT_FALSE(static_cast<QCheckBox*>(dialog.GetDlgItem(RYXTestSetup::IDC_SAVE_LIMS))->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), dialog.BathTimeField());
        // The real limits, set after construction.
        EXPECT_EQ(dialog.ThicknessField()->intDigits, 2);
        EXPECT_EQ(dialog.ThicknessField()->maximum, 100.0);

        QDir().mkpath(RYX_TEST_ARTEFACTS);
        EXPECT_TRUE(dialog.grab().toImage().save(QString(RYX_TEST_ARTEFACTS) + "/test-setup.png"));

        Replace(dialog.BathTimeField(), "45");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // on to Specimen
        QTest::keyClicks(QApplication::focusWidget(), "PG 64-22");
        Replace(static_cast<QLineEdit*>(dialog.GetDlgItem(RYXTestSetup::IDC_PROJECT)), "Bridge 7");
        Replace(dialog.ThicknessField(), "6.401");  // the third fraction digit is refused
        Replace(dialog.WidthField(), "12.65");
        static_cast<QCheckBox*>(dialog.GetDlgItem(RYXTestSetup::IDC_SAVE_LIMS))->click();
        static_cast<QCheckBox*>(dialog.GetDlgItem(RYXTestSetup::IDC_STOP_AT_5MM))->click();
        dialog.WidthField()->setFocus();
        QTest::keyClick(dialog.WidthField(), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(beeps.Count(), 1u);
    double d = 0;
    DWORD dw = 0;
    EXPECT_EQ(theRegistry.GetTestBathTime(d), 0u);
    EXPECT_EQ(d, 45.0);
    EXPECT_EQ(Setting(&CQXRegistry::GetTestFileName), "24030501 -18");
    EXPECT_EQ(Setting(&CQXRegistry::GetTestSpecimen), "PG 64-22");
    EXPECT_EQ(Setting(&CQXRegistry::GetTestProject), "Bridge 7");
    EXPECT_EQ(Setting(&CQXRegistry::GetTestOperator), "J. Doe");
    EXPECT_EQ(theRegistry.GetTestThickness(d), 0u);
    EXPECT_EQ(d, 6.40);
    EXPECT_EQ(theRegistry.GetTestWidth(d), 0u);
    EXPECT_EQ(d, 12.65);
    EXPECT_EQ(theRegistry.GetTestSaveLIMS(dw), 0u);
    EXPECT_EQ(dw, 1u);
    EXPECT_EQ(theRegistry.GetTestStopTestMaxDefl(dw), 0u);
    EXPECT_EQ(dw, 0u);
}

TEST_F(TestSetupDialogTest, AFailedWriteSaysSoAndKeepsTheDialogOpen) {
    ASSERT_EQ(theRegistry.SetTestFileName("previous test"), 0u);
    Expect(IDS_REGISTRY_WRITE);
    const int result = Run([&] {
        platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Setting(&CQXRegistry::GetTestFileName), "previous test");
        platform::SetWriteFailureHook(nullptr);
        dialog.accept();  // the disk has room again
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Setting(&CQXRegistry::GetTestFileName), "24030501 -18");
}

TEST_F(TestSetupDialogTest, AnUnusableDataDirectoryIsRefused) {
    platform::WriteFileAtomic(dir.File("plain"), "not a folder");
    ASSERT_EQ(theRegistry.SetTestDirectory(dir.File("plain")), 0u);
    expectedBoxes.push_back(fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, dir.File("plain") + "/"));
    const int result = Run([&] {
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Setting(&CQXRegistry::GetTestFileName), "<missing>");
}

TEST_F(TestSetupDialogTest, ANameWithASeparatorOrALeadingDotIsRefusedAndSelected) {
    // "..", "." and ".RYX" would be saved as hidden files ("...RYX") that no
    // file dialog lists.
    const char* const names[] = {"../outside", "..", ".", ".RYX"};
    for (size_t i = 0; i < std::size(names); ++i) Expect(IDS_FILENAME_IN_USE);
    const int result = Run([&] {
        for (const char* name : names) {
            dialog.FileNameField()->setText(name);
            dialog.BathTimeField()->setFocus();
            dialog.accept();
            EXPECT_TRUE(dialog.isVisible()) << name;
            EXPECT_EQ(QApplication::focusWidget(), dialog.FileNameField()) << name;
            EXPECT_EQ(dialog.FileNameField()->selectedText(), name);
            if (std::string(name) == "..") {
                EXPECT_TRUE(
                    dialog.grab().save(QString::fromStdString(ArtefactDir() + "/test-setup-dot-name.png")));
            }
        }
        dialog.reject();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Setting(&CQXRegistry::GetTestFileName), "<missing>");
    EXPECT_FALSE(platform::FileExists(dir.File("outside.ryx")));
    EXPECT_TRUE(QDir(QString::fromStdString(data)).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(TestSetupDialogTest, ASignTypedInFrontLeavesTheRangeAndOkSaysSo) {
    expectedBoxes.push_back(
        fw::FormatString(fw::LoadString(IDS_NUMBER_RANGE), {"Thickness", "0", "100", "2"}));
    const int result = Run([&] {
        dialog.ThicknessField()->setFocus();
        dialog.ThicknessField()->home(false);
        QTest::keyClick(dialog.ThicknessField(), Qt::Key_Minus);
        EXPECT_EQ(dialog.ThicknessField()->Text(), "-6.35");
        dialog.WidthField()->setFocus();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), dialog.ThicknessField());
        EXPECT_EQ(dialog.ThicknessField()->selectedText(), "-6.35");
        dialog.reject();
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(TestSetupDialogTest, AutomaticThicknessNeedsADatum) {
    Expect(IDS_NO_DATUM);
    const int result = Run([&] {
        QCheckBox* box = dialog.AutoThicknessBox();
        box->click();  // no datum: the box says so and the tick goes
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(dialog.ThicknessField()->isEnabled());
        ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
        box->click();
        EXPECT_TRUE(box->isChecked());
        EXPECT_FALSE(dialog.ThicknessField()->isEnabled());
        dialog.accept();
    });
    EXPECT_EQ(result, IDOK);
    double d = 0;
    EXPECT_EQ(theRegistry.GetTestThickness(d), 0u);
    EXPECT_EQ(d, static_cast<double>(FLT_MAX));
    EXPECT_EQ(boxes.Boxes().at(0).type, static_cast<UINT>(MB_OK));
}

TEST_F(TestSetupDialogTest, AStoredAutomaticThicknessOpensTicked) {
    ASSERT_EQ(theRegistry.SetTestThickness(FLT_MAX), 0u);
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
    Run([&] {
        EXPECT_TRUE(dialog.AutoThicknessBox()->isChecked());
        EXPECT_FALSE(dialog.ThicknessField()->isEnabled());
        EXPECT_EQ(dialog.ThicknessField()->Text(), "6.35");
        dialog.reject();
    });
}

TEST_F(TestSetupDialogTest, F1AndTheContextMenuOpenTheTestingTopic) {
    const std::string help = dir.File("help");
    ASSERT_EQ(platform::EnsureDirectory(help + "/RYXW"), 0u);
    ASSERT_EQ(platform::WriteFileAtomic(help + "/RYXW/Testing_a_sample.htm", "<html></html>"), 0u);
    setenv("RYX_HELP_DIR", help.c_str(), 1);
    std::vector<std::string> opened;
    fw::HelpOpener previous = fw::SetHelpOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    Run([&] {
        QTest::keyClick(dialog.BathTimeField(), Qt::Key_F1);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), dialog.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&dialog, &menu);
        dialog.reject();
    });
    fw::SetHelpOpener(previous);
    unsetenv("RYX_HELP_DIR");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], help + "/RYXW/Testing_a_sample.htm");
}

}  // namespace
