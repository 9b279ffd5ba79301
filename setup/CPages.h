#pragma once
// The nine Instrument Setup pages on the screen: each builds its controls
// with the ids and labels of its dialog template and hands them, by id, to
// its page model (SetupPages.h), which holds every rule.
#include <string>

#include "framework/ui/Dialogs.h"
#include "setup/SetupPages.h"

class QGridLayout;
class QLineEdit;
class QWidget;

namespace setup {

// What every page does: the model loads when the window is made, counts the
// page's activations, and F1 opens the page's help topic.
class CSetupPage : public fw::PropertyPage, public PageControls {
public:
    CSetupPage(SetupPage& model, QWidget* parent = nullptr);
    SetupPage& Model() { return m_model; }

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnCommandHelp() override;

    // PageControls over the controls by id.
    std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool GetCheck(int id) const override;
    void SetCheck(int id, bool checked) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool shown) override;
    void SetItems(int id, const std::vector<std::string>& items) override;

protected:
    // Builders of the template's controls; each registers its control by id.
    QLineEdit* AddNumber(QGridLayout* grid, int row, const NumField& field, const char* label,
                         const char* unit);
    // coefficient: a numeric edit with the temperature coefficients' limits.
    QLineEdit* AddEdit(QGridLayout* grid, int row, int id, const char* label, int maxChars, int labelId = 0,
                       bool coefficient = false);

private:
    SetupPage& m_model;
};

class CPageOne : public CSetupPage {  // Equipment, template 139
public:
    explicit CPageOne(CPageOneModel& model);
};

class CPageTwo : public CSetupPage {  // Gage Block, template 140
public:
    explicit CPageTwo(CPageTwoModel& model);
};

class CPageThree : public CSetupPage {  // Confidence Test, template 141
public:
    explicit CPageThree(CPageThreeModel& model);
};

class CPageFour : public CSetupPage {  // Graphs, template 142
public:
    explicit CPageFour(CPageFourModel& model);
    void OnAutoScale();

private:
    CPageFourModel& m_graphs;
};

class CPageFive : public CSetupPage {  // Bath, template 143
public:
    explicit CPageFive(CPageFiveModel& model);
};

class CPageSix : public CSetupPage {  // Port, template 144
public:
    explicit CPageSix(CPageSixModel& model);
};

class CPageSeven : public CSetupPage {  // Archive, template 145
public:
    explicit CPageSeven(CPageSevenModel& model);
    // The folder chooser: no initial folder, no extra flags, no owner.
    void OnBrowse();

private:
    CPageSevenModel& m_archive;
};

class CPageEight : public CSetupPage {  // Beam Dimensions, template 1537
public:
    explicit CPageEight(CPageEightModel& model);
};

class CPageNine : public CSetupPage {  // Advanced Test Settings, template 106
public:
    explicit CPageNine(CPageNineModel& model);
};

}  // namespace setup
