#pragma once
// The "Test Setup" dialog (146) that Run a New Test shows before a new test
// document is made: sample information, beam dimensions and the test's file
// name, checked and written to the settings on OK (TestSetupLogic), from
// which the new document takes them.
#include <string>

#include "framework/ui/Dialogs.h"
#include "testing/TestSetupLogic.h"

class CNumEdit;
class QCheckBox;
class QLineEdit;

class RYXTestSetup : public fw::Dialog, public TestSetupLogic {
    Q_OBJECT
public:
    static constexpr UINT IDD = 146;
    static constexpr int IDC_BATH_TIME = 1028;
    static constexpr int IDC_SPECIMEN = 1029;
    static constexpr int IDC_OPERATOR = 1030;
    static constexpr int IDC_FILE_NAME = 1031;
    static constexpr int IDC_THICKNESS = 1032;
    static constexpr int IDC_WIDTH = 1033;
    static constexpr int IDC_SPAN = 1034;
    static constexpr int IDC_PROJECT = 1035;
    static constexpr int IDC_AUTO_THICKNESS = 1037;
    static constexpr int IDC_STOP_AT_5MM = 1038;
    static constexpr int IDC_SAVE_LIMS = 1045;
    static constexpr const char* kHelpTopic = "RYXW.chm::/RYXW/Testing_a_sample.htm";

    explicit RYXTestSetup(QWidget* parent = nullptr);

    // Public so that tests can drive the dialog without its modal loop.
    bool OnInitDialog() override;
    void OnOK() override;
    void OnAutoThickness();
    void OnHelp();

    CNumEdit* BathTimeField() const { return m_bathTimeEdit; }
    CNumEdit* ThicknessField() const { return m_thicknessEdit; }
    CNumEdit* WidthField() const { return m_widthEdit; }
    QLineEdit* FileNameField() const { return m_fileNameEdit; }
    QCheckBox* AutoThicknessBox() const { return m_autoThicknessBox; }

protected:
    void keyPressEvent(QKeyEvent* event) override;             // F1: help
    void contextMenuEvent(QContextMenuEvent* event) override;  // help
    bool event(QEvent* event) override;                        // the title bar's help button

private:
    TestSetupFields ReadFields() const;
    QWidget* FieldWidget(Field field) const;

    CNumEdit* m_bathTimeEdit;
    QLineEdit* m_specimenEdit;
    QLineEdit* m_fileNameEdit;
    QLineEdit* m_projectEdit;
    QLineEdit* m_operatorEdit;
    CNumEdit* m_thicknessEdit;
    CNumEdit* m_widthEdit;
    QCheckBox* m_autoThicknessBox;
    QCheckBox* m_saveLimsBox;
    QCheckBox* m_stopBox;
};
