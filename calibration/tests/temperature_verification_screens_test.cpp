// The temperature calibration dialog and the verification wizard's dialog:
// their resources, help, the temperature entry, and screenshots kept with
// the test artefacts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "calibration/CTempOffset.h"
#include "calibration/VerificationWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CNumEdit.h"

namespace caltest {
namespace {

void SaveShot(QWidget& w, const std::string& name) {
    w.show();
    App().processEvents();
    QDir().mkpath(RYX_CAL_ARTEFACTS);
    const QImage shot = w.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString(RYX_CAL_ARTEFACTS) + "/" + QString::fromStdString(name) + ".png"));
}

// The help topics opened, instead of a browser.
class HelpRecorder {
public:
    HelpRecorder() {
        // A help folder holding the dialog's topic.
        const std::string dir = ConfigDir() + "/help";
        QDir().mkpath(QString::fromStdString(dir + "/RYXW"));
        if (FILE* f =
                std::fopen((dir + "/RYXW/Windows_keyboard_commands_for_menus_applications.htm").c_str(), "w"))
            std::fclose(f);
        setenv("RYX_HELP_DIR", dir.c_str(), 1);
        m_previous = fw::SetHelpOpener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
    }
    ~HelpRecorder() { fw::SetHelpOpener(m_previous); }
    std::vector<std::string> opened;

private:
    fw::HelpOpener m_previous;
};

class TempOffsetDialogTest : public WizardTest {
protected:
    CQXBendingBeam beam;  // never opened: the instrument does not answer
    CTempOffset dialog{nullptr, beam};
};

TEST_F(TempOffsetDialogTest, ResourceLimitsAndTheUncheckedBox) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Temperature Calibration");
    EXPECT_EQ(dialog.GetDlgItem(CTempOffset::IDC_TEMP_READING), dialog.Reading());
    EXPECT_EQ(dialog.GetDlgItem(CTempOffset::IDC_CLEAR_ALL), dialog.ClearAll());
    EXPECT_EQ(dialog.ClearAll()->text().toStdString(), "Clear All Current Offsets");
    EXPECT_NE(dialog.GetDlgItem(IDOK), nullptr);
    EXPECT_NE(dialog.GetDlgItem(IDCANCEL), nullptr);
    dialog.ClearAll()->setChecked(true);
    dialog.OnInitDialog();
    EXPECT_FALSE(dialog.ClearAll()->isChecked());
    const NumEditLimits l = dialog.Reading()->Limits();
    EXPECT_EQ(l.intDigits, 2u);
    EXPECT_EQ(l.fracDigits, 2u);
    EXPECT_EQ(l.minimum, -48.00001);
    EXPECT_EQ(l.maximum, 28.00001);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
}

TEST_F(TempOffsetDialogTest, NoAtTheConfirmationKeepsTheDialogWithTheReadingSelected) {
    dialog.OnInitDialog();
    dialog.show();
    dialog.activateWindow();
    dialog.Reading()->setText("-24.12");
    dialog.Reading()->setModified(true);
    ExpectBox(fw::FormatString1(264, "-24.12"), IDNO);
    dialog.OnOK();
    App().processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Reading()->selectedText().toStdString(), "-24.12");
    EXPECT_EQ(dialog.focusWidget(), dialog.Reading());
}

// The real instrument object that does not answer: no bath reading, no offset.
TEST_F(TempOffsetDialogTest, ASilentInstrumentStoresNothingAndEndsAfter257) {
    ASSERT_EQ(theRegistry.SetTestBath(-24.0), 0u);
    dialog.OnInitDialog();
    dialog.show();
    dialog.Reading()->setText("-24.12");
    dialog.Reading()->setModified(true);
    ExpectBox(fw::FormatString1(264, "-24.12"), IDYES);
    ExpectBox(fw::LoadString(257));
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), IDOK);
    unsigned char b[CQXRegistry::kOffsetsSize];
    EXPECT_EQ(theRegistry.GetTemperatureOffsets(b, sizeof b), platform::kErrorNoData);
}

TEST_F(TempOffsetDialogTest, HelpForAWindowRequestTheHelpButtonAndTheContextMenu) {
    HelpRecorder help;
    dialog.OnInitDialog();
    dialog.show();
    EXPECT_TRUE(dialog.OnHelp(CTempOffset::HelpRequest::kMenu));
    EXPECT_TRUE(help.opened.empty());
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &f1);
    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog.ClearAll(), &whatsThis);  // passed up from the control
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &menu);
    ASSERT_EQ(help.opened.size(), 3u);
    for (const std::string& p : help.opened)
        EXPECT_EQ(platform::BaseName(p), "Windows_keyboard_commands_for_menus_applications.htm");
}

TEST_F(TempOffsetDialogTest, Screenshot) {
    dialog.OnInitDialog();
    dialog.Reading()->setText("-24.12");
    dialog.ClearAll()->setChecked(true);
    SaveShot(dialog, "temperature-calibration");
}

class VerificationDialogTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        PrepareVerification("screens-data");
        dialog = std::make_unique<VerificationWizard>(instrument, clock);
        dialog->OnInitDialog();
        dialog->show();
    }
    Verification& L() { return dialog->Logic(); }
    void Read(float f, float d) { Reading(L(), f, d); }
    void ToGageResult() {
        Read(0, 0);
        L().Next();
        L().Next();
        Read(0, -1.004f);
        L().Next();
        Read(0.2f, 0.002f);
        L().Next();
        Read(0, 2.009f);
        L().Next();
        Read(0, 4.987f);
        ASSERT_EQ(L().Step(), Verification::kGageResultStep);
    }
    void FromGageResultToTemperature() {
        L().Next();
        Read(35.2f, 5.62f);
        L().Next();
        Read(35.2f, -2.5f);
        Read(35.0f, 5.63f);
        Read(35.1f, 5.625f);
        Read(0, -2.49f);
        L().Next();
        Read(0, 2.25f);
        L().Next();
        Read(19.6f, 7.0f);
        Read(19.6f, 7.0f);
        L().Next();
        Read(20.3f, 6.0f);
        L().Next();
        L().Next();
        Read(39.9f, 6.0f);
        L().Next();
        Read(59.4f, 6.0f);
        Read(20.1f, 6.0f);
        L().Next();
        L().Next();
        Read(1000.9f, 6.2f);
        L().Next();
        Read(-0.7f, 0.0f);
        L().Next();
        ASSERT_EQ(L().Step(), Verification::kTemperatureStep);
    }
    platform::ManualClock clock{1000};
    std::unique_ptr<VerificationWizard> dialog;
};

TEST_F(VerificationDialogTest, ResourceAndButtons) {
    EXPECT_EQ(dialog->DialogId(), 1540u);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Verification");
    for (int id : {1047, 1048, 1049, 1050}) EXPECT_NE(dialog->GetDlgItem(id), nullptr) << id;
    EXPECT_EQ(dialog->GetDlgItem(1049), dialog->ReferenceEdit());
    EXPECT_EQ(dialog->CancelButton()->text().toStdString(), "&Cancel");
    EXPECT_EQ(dialog->ReferenceLabel()->text().toStdString(), "Reference Temperature :");
    EXPECT_EQ(dialog->PromptText(), "\n\nChecking for RYX ...");
}

// The entry shows from the temperature step on, also after Back from it,
// until the overview hides it; what is typed there is the reference, and
// Next takes it.
TEST_F(VerificationDialogTest, TheTemperatureEntryShowsFromItsStepUntilTheOverview) {
    EXPECT_FALSE(dialog->ReferenceEdit()->isVisible());
    ToGageResult();
    EXPECT_FALSE(dialog->ReferenceEdit()->isVisible());
    FromGageResultToTemperature();
    EXPECT_TRUE(dialog->ReferenceEdit()->isVisible());
    EXPECT_TRUE(dialog->ReferenceLabel()->isVisible());
    dialog->BackButton()->click();
    ASSERT_EQ(L().Step(), 28);
    EXPECT_TRUE(dialog->ReferenceEdit()->isVisible());
    EXPECT_TRUE(dialog->ReferenceLabel()->isVisible());
    SaveShot(*dialog, "verification-back-from-temperature");
    dialog->NextButton()->click();
    Read(-0.7f, 0.0f);
    ASSERT_EQ(L().Step(), Verification::kLoadCellResultStep);
    EXPECT_TRUE(dialog->ReferenceEdit()->isVisible());
    dialog->NextButton()->click();
    ASSERT_EQ(L().Step(), Verification::kTemperatureStep);
    EXPECT_TRUE(dialog->ReferenceEdit()->isVisible());
    dialog->ReferenceEdit()->setText("-12.08");
    dialog->NextButton()->click();
    EXPECT_EQ(L().Step(), Verification::kOverviewStep);
    EXPECT_TRUE(L().TemperaturePassed());
    EXPECT_FALSE(dialog->ReferenceEdit()->isVisible());
    dialog->BackButton()->click();
    EXPECT_TRUE(dialog->ReferenceEdit()->isVisible());
    EXPECT_EQ(dialog->ReferenceEdit()->text().toStdString(), "-12.08");
}

TEST_F(VerificationDialogTest, ScreenshotsOfTheGageResultAndTheTemperatureStep) {
    ToGageResult();
    SaveShot(*dialog, "verification-gage-result");
    FromGageResultToTemperature();
    dialog->ReferenceEdit()->setText("-12.08");
    SaveShot(*dialog, "verification-temperature");
    dialog->NextButton()->click();
    ASSERT_EQ(L().Step(), Verification::kOverviewStep);
    SaveShot(*dialog, "verification-overview");
    dialog->NextButton()->click();
    Read(0, 0);
    ASSERT_EQ(L().Step(), Verification::kSavedStep);
    SaveShot(*dialog, "verification-saved");
}

}  // namespace
}  // namespace caltest
