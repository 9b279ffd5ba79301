// The numeric edit field in a real dialog on the offscreen platform: keys
// typed into it, the clipboard keys, Delete, and the dialog's own keys
// (Tab, Enter, Escape) reaching the dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <clocale>
#include <functional>

#include "framework/core/TestDoubles.h"
#include "framework/ui/Dialogs.h"
#include "platform/tests/GermanLocale.h"
#include "setup/CNumEdit.h"

namespace {

class TwoFields : public fw::Dialog {
public:
    TwoFields() {
        auto* layout = new QVBoxLayout(this);
        time = new CNumEdit(1, 1, 0, 10, this);  // placeholders, set again below
        thickness = new CNumEdit(1, 1, 0, 10, this);
        layout->addWidget(time);
        layout->addWidget(thickness);
        AddControl(1028, time);
        AddControl(1032, thickness);
        AddOkCancel(layout);
    }
    bool OnInitDialog() override {
        time->SetLimits(3, 0, -1, 1000);
        thickness->intDigits = 2;  // the members themselves, as the dialogs may set them
        thickness->fracDigits = 2;
        thickness->minimum = -0.01;
        thickness->maximum = 100;
        time->setFocus();
        return false;
    }
    void OnOK() override {
        ++oks;
        fw::Dialog::OnOK();
    }
    CNumEdit* time;
    CNumEdit* thickness;
    int oks = 0;
};

class NumEditWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C"); }
    // Runs script inside the dialog's modal loop; returns how it ended.
    int Run(const std::function<void()>& script) {
        QTimer::singleShot(0, &dialog, [&] {
            QApplication::setActiveWindow(&dialog);
            script();
            if (dialog.isVisible()) dialog.done(-1);
        });
        return dialog.DoModal();
    }
    TwoFields dialog;
    fw::RecordingBeep beeps;
    fw::ServiceScope<fw::BeepService> beepScope{beeps};
    fw::ScriptedMessageBox boxes;  // no box is expected: any would be recorded
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    void TearDown() override { EXPECT_EQ(boxes.Count(), 0u); }
};

TEST_F(NumEditWidgetTest, TypedKeysMeetTheLimitsSetAfterConstructionAndRefusalsBeep) {
    Run([&] {
        QTest::keyClicks(dialog.thickness, "12.345");
        EXPECT_EQ(dialog.thickness->Text(), "12.34");
        EXPECT_EQ(beeps.Count(), 1u);
        QTest::keyClicks(dialog.time, "-5x");  // -5 is below -1, x no digit
        EXPECT_EQ(dialog.time->Text(), "-");
        EXPECT_EQ(beeps.Count(), 3u);
        dialog.time->clear();
        QTest::keyClicks(dialog.time, "5000");  // a fourth digit
        EXPECT_EQ(dialog.time->Text(), "500");
        EXPECT_EQ(beeps.Count(), 4u);
        dialog.time->home(false);
        QTest::keyClicks(dialog.time, "-");  // the sign has no range check ...
        EXPECT_EQ(dialog.time->Text(), "-500");
        EXPECT_FALSE(dialog.time->Value().has_value());  // ... the reader has
        EXPECT_DOUBLE_EQ(dialog.thickness->Value().value_or(0), 12.34);
    });
}

TEST_F(NumEditWidgetTest, ClipboardKeysAreRefusedButAProgramSetTextIsNotFiltered) {
    Run([&] {
        QGuiApplication::clipboard()->setText("999");
        dialog.thickness->setText("6.35");
        dialog.thickness->selectAll();
        QTest::keyClick(dialog.thickness, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(dialog.thickness, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(dialog.thickness, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(dialog.thickness, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(dialog.thickness->Text(), "6.35");
        EXPECT_EQ(beeps.Count(), 4u);
        // Text the program (or a paste from the menu) puts there is the
        // reader's to check.
        dialog.thickness->setText("999");
        EXPECT_FALSE(dialog.thickness->Value().has_value());
    });
}

TEST_F(NumEditWidgetTest, DeleteAndBackspaceFollowTheRemovalRule) {
    Run([&] {
        dialog.thickness->setText("12.34");
        dialog.thickness->setCursorPosition(0);
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);
        EXPECT_EQ(dialog.thickness->Text(), "2.34");
        EXPECT_EQ(dialog.thickness->cursorPosition(), 0);
        dialog.thickness->setText("12.34");
        dialog.thickness->setCursorPosition(2);
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);  // 1234: four integer digits
        EXPECT_EQ(dialog.thickness->Text(), "12.34");
        EXPECT_EQ(dialog.thickness->cursorPosition(), 2);  // the caret stays
        EXPECT_EQ(beeps.Count(), 1u);
        dialog.thickness->setCursorPosition(5);
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);  // at the end: nothing, no beep
        EXPECT_EQ(dialog.thickness->Text(), "12.34");
        EXPECT_EQ(beeps.Count(), 1u);
        dialog.thickness->setSelection(1, 2);               // "2."
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);  // 134: refused
        EXPECT_EQ(dialog.thickness->Text(), "12.34");
        EXPECT_EQ(beeps.Count(), 2u);
        dialog.thickness->setSelection(1, 3);  // "2.3"
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);
        EXPECT_EQ(dialog.thickness->Text(), "14");
        EXPECT_EQ(beeps.Count(), 2u);
    });
}

TEST_F(NumEditWidgetTest, DeleteSelectionAndBackspace) {
    Run([&] {
        dialog.thickness->setText("12.34");
        dialog.thickness->setSelection(3, 2);
        QTest::keyClick(dialog.thickness, Qt::Key_Delete);
        EXPECT_EQ(dialog.thickness->Text(), "12.");
        QTest::keyClick(dialog.thickness, Qt::Key_Backspace);
        EXPECT_EQ(dialog.thickness->Text(), "12");
        QTest::keyClick(dialog.thickness, Qt::Key_Backspace);
        QTest::keyClick(dialog.thickness, Qt::Key_Backspace);
        EXPECT_EQ(dialog.thickness->Text(), "");
        EXPECT_EQ(beeps.Count(), 0u);
        QTest::keyClick(dialog.thickness, Qt::Key_Backspace);  // nothing to take: the empty text stays
        EXPECT_EQ(dialog.thickness->Text(), "");
    });
}

TEST_F(NumEditWidgetTest, TabMovesTheFocusAndEnterPressesTheDefaultButton) {
    const int result = Run([&] {
        ASSERT_EQ(QApplication::focusWidget(), dialog.time);
        QTest::keyClicks(dialog.time, "60");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.thickness);
        QTest::keyClicks(QApplication::focusWidget(), "6.35");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.time);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.oks, 1);
    EXPECT_EQ(dialog.time->Text(), "60");
    EXPECT_EQ(dialog.thickness->Text(), "6.35");
    EXPECT_EQ(beeps.Count(), 0u);

    QDir().mkpath(RYX_TEST_ARTEFACTS);
    EXPECT_TRUE(dialog.grab().toImage().save(QString(RYX_TEST_ARTEFACTS) + "/num-edit-dialog.png"));
}

TEST_F(NumEditWidgetTest, EscapeCancels) {
    const int result = Run([&] {
        QTest::keyClicks(dialog.time, "5");
        QTest::keyClick(dialog.time, Qt::Key_Escape);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.oks, 0);
    EXPECT_EQ(beeps.Count(), 0u);
}

TEST_F(NumEditWidgetTest, TheUsersLocaleSeparatorIsTypedReadAndShown) {
    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";
    EXPECT_EQ(CNumEdit::DecimalSeparator(), ",");
    Run([&] {
        QTest::keyClicks(dialog.thickness, "6.,35");  // the point is refused
        EXPECT_EQ(dialog.thickness->Text(), "6,35");
        EXPECT_EQ(beeps.Count(), 1u);
        EXPECT_DOUBLE_EQ(dialog.thickness->Value().value_or(0), 6.35);
        dialog.thickness->SetValue(12.7, 2);
        EXPECT_EQ(dialog.thickness->Text(), "12,70");
    });
    std::setlocale(LC_ALL, "C");
}

}  // namespace
