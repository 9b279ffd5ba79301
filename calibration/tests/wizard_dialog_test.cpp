// The thin dialog over the engine: what it shows, Enter, Esc and F1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>

#include "calibration/WizardDialog.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"

namespace caltest {
namespace {

class TwoStepWizard : public WizardEngine {
public:
    explicit TwoStepWizard(WizardInstrument& instrument)
        : WizardEngine(instrument, Source::kReadings,
                       {{200, kNoStep, kNoStep, 1, false}, {202, 2, kNoStep, kNoStep, true},
                        {249, kNoStep, 1, kNoStep, false, true}},
                       3) {}
    int saves = 0;

protected:
    bool TakeReading(int) override { return true; }
    std::string ResultText(int) override { return "Result\r\n\tline"; }
    unsigned SaveValues() override {
        ++saves;
        return 0;
    }
};

void Press(QWidget& dialog, int key) {
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class DialogTest : public WizardTest {
protected:
    void Open() {
        dialog.OnInitDialog();
        dialog.show();
        dialog.activateWindow();
    }
    TwoStepWizard wizard{instrument};
    WizardDialog dialog{wizard, 133, "Force and Compliance Calibration ", 1002};
};

TEST_F(DialogTest, ShowsTheEnginesStepAndEnterOnlyPressesAnEnabledNext) {
    Open();
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Force and Compliance Calibration ");
    EXPECT_EQ(dialog.PromptText(), "\n" + fw::LoadString(200));
    EXPECT_NE(dialog.GetDlgItem(1002), nullptr);
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
    EXPECT_FALSE(dialog.BackButton()->isEnabled());

    Press(dialog, Qt::Key_Return);  // nothing to press
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(wizard.Ended());

    Reading(wizard, 35.0f, 0.0f);
    EXPECT_EQ(dialog.PromptText(), "\n" + fw::LoadString(202));
    EXPECT_TRUE(dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isDefault());
    EXPECT_EQ(dialog.focusWidget(), dialog.NextButton());

    Press(dialog, Qt::Key_Return);  // Next
    EXPECT_EQ(wizard.Step(), 2);
    EXPECT_EQ(dialog.NextButton()->text().toStdString(), "&OK");
    EXPECT_EQ(dialog.PromptText(), "\nResult\n\tline");
    EXPECT_EQ(wizard.saves, 0);

    Press(dialog, Qt::Key_Return);  // OK: the save ends the dialog
    EXPECT_EQ(wizard.saves, 1);
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogTest, UpdatesReachTheEngineAndEscapeCancels) {
    Open();
    instrument.Frame(0, 0, 35.0f);
    instrument.Frame(0, 0, 35.0f);
    EXPECT_TRUE(dialog.OnMessage(WM_INSTRUMENT_UPDATE, 0, 0));
    EXPECT_EQ(wizard.Step(), 1);
    Press(dialog, Qt::Key_Escape);
    EXPECT_TRUE(wizard.Ended());
    EXPECT_EQ(dialog.result(), IDCANCEL);
    EXPECT_EQ(wizard.saves, 0);
    EXPECT_EQ(instrument.removals, 1);
}

TEST_F(DialogTest, F1OpensTheTestingTopic) {
    std::vector<std::string> opened;
    const std::string dir = ConfigDir() + "/help";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir + "/RYXW")));
    FILE* f = std::fopen((dir + "/RYXW/Testing_a_sample.htm").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    setenv("RYX_HELP_DIR", dir.c_str(), 1);
    auto previous = fw::SetHelpOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    Open();
    Press(dialog, Qt::Key_F1);
    fw::SetHelpOpener(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], dir + "/RYXW/Testing_a_sample.htm");
    EXPECT_FALSE(wizard.Ended());
}

}  // namespace
}  // namespace caltest
